# IR tool start-to-exit figures in simulator mode. Run by hand:
#   build/bench/bench_irtools [runs]
add_executable(bench_irtools bench_irtools.cpp)
target_compile_definitions(bench_irtools PRIVATE LUMO_BIN_DIR="${LUMO_BIN_DIR}")
add_dependencies(bench_irtools irrecord irplay)
set_target_properties(bench_irtools PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_BENCH_DIR})
