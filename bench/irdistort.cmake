# Recognition of distorted signals, per protocol and level, and the WRONG
# scancodes (which must be 0). Run by hand:
#   build/bench/bench_irdistort [--codes N] [--seed S] [--dump DIR]
#   bench/irdistort_kernel.sh [BUILD_DIR]   the same signals through the kernel's decoders
add_executable(bench_irdistort bench_irdistort.cpp)
target_link_libraries(bench_irdistort PRIVATE lumo_irtools)
set_target_properties(bench_irdistort PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_BENCH_DIR})
