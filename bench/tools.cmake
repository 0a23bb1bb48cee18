# IR tool start-to-exit figures in simulator mode. Run by hand:
#   build/bench/bench_irtools [runs]
add_executable(bench_irtools bench_irtools.cpp)
target_compile_definitions(bench_irtools PRIVATE LUMO_BIN_DIR="${LUMO_BIN_DIR}")
add_dependencies(bench_irtools irrecord irplay)
set_target_properties(bench_irtools PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_BENCH_DIR})

# Protocol recognition and irplay.exe with it, toggle state file included:
#   build/bench/bench_irprotocol [runs]
add_executable(bench_irprotocol bench_irprotocol.cpp)
target_link_libraries(bench_irprotocol PRIVATE lumo_irtools)
target_compile_definitions(bench_irprotocol PRIVATE LUMO_BIN_DIR="${LUMO_BIN_DIR}")
add_dependencies(bench_irprotocol irplay)
set_target_properties(bench_irprotocol PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_BENCH_DIR})
