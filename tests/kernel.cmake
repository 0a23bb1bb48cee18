# The IR tools on the real kernel's LIRC stack: Debian's kernel booted in QEMU
# with rc-loopback and the protocol decoders (tests/kernel/README.md).
# Needs qemu-system-x86, busybox-static and cpio, and the network the first
# time (the kernel package is fetched into build/kernel-cache); without a
# kernel to boot the test is skipped, and fails when LUMO_KERNEL_REQUIRED=1
# or CI is set.

# What the test machine runs besides the tools: static, so it needs no
# libraries there, and never instrumented (the sanitizers' runtimes are not
# static).
add_executable(lirc_probe kernel/lirc_probe.cpp)
target_compile_options(lirc_probe PRIVATE -fno-sanitize=all)
target_link_options(lirc_probe PRIVATE -static -fno-sanitize=all)
set_target_properties(lirc_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_TEST_DIR}/kernel)
add_dependencies(lirc_probe irrecord irplay)

add_test(NAME kernel COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/kernel/run.sh ${CMAKE_BINARY_DIR})
set_tests_properties(kernel PROPERTIES
    LABELS kernel
    SKIP_RETURN_CODE 77
    TIMEOUT 600)
