# Reading and describing 1,000-code files of the shared forms:
#   build/bench/bench_codefiles [runs]
add_executable(bench_codefiles bench_codefiles.cpp)
target_link_libraries(bench_codefiles PRIVATE lumo_irtools)
set_target_properties(bench_codefiles PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_BENCH_DIR})
