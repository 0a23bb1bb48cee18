# Tests of the IR tools (irrecord.exe / irplay.exe) and their library;
# tst_irtools also runs the real tools, directly and through the tool runner.
lumo_add_test(tst_irformat LIBS lumo_irtools)

# A session through the windows with the real tools simulating: record, then play.
lumo_add_test(tst_endtoend LIBS lumo_ui)
add_dependencies(tst_endtoend irrecord irplay)

# Protocol recognition, checked also against ir-ctl's own encoder: the
# LD_PRELOAD helper stands in for a LIRC transmitter and captures what ir-ctl
# writes to it.
add_library(lirc_capture MODULE fakes/lirc_capture.cpp)
target_link_libraries(lirc_capture PRIVATE ${CMAKE_DL_LIBS})
# The shim is preloaded into the system's ir-ctl, which is not built with the
# sanitizers: an instrumented shim would make its runtime refuse to start.
target_compile_options(lirc_capture PRIVATE -fno-sanitize=all)
target_link_options(lirc_capture PRIVATE -fno-sanitize=all)
set_target_properties(lirc_capture PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${LUMO_TEST_DIR})
lumo_add_test(tst_irprotocol LIBS lumo_irtools)
target_compile_definitions(tst_irprotocol PRIVATE LUMO_LIRC_CAPTURE="$<TARGET_FILE:lirc_capture>")
add_dependencies(tst_irprotocol lirc_capture)
# The tools' real device code, with the same helper as the device.
lumo_add_test(tst_irtools LIBS lumo_irtools lumo_core)
target_compile_definitions(tst_irtools PRIVATE LUMO_LIRC_CAPTURE="$<TARGET_FILE:lirc_capture>")
add_dependencies(tst_irtools irrecord irplay lirc_capture)

# irplay.exe acting like the remote (carrier, sony repeats, toggles) and
# --describe, through the real tool with the simulator.
lumo_add_test(tst_irplay LIBS lumo_irtools)
add_dependencies(tst_irplay irplay)
