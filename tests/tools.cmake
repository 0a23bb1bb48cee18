# Tests of the IR tools (irrecord.exe / irplay.exe) and their library.
lumo_add_test(tst_irformat LIBS lumo_irtools)
lumo_add_test(tst_irrecord LIBS lumo_irtools)
lumo_add_test(tst_irplay LIBS lumo_irtools)
lumo_add_test(tst_irtools LIBS lumo_irtools)
# These start the real tools as child processes.
add_dependencies(tst_irrecord irrecord irplay)
add_dependencies(tst_irtools irrecord irplay)

# The simulator end to end through the program's own tool runner.
if(TARGET lumo_core AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tst_irsim.cpp)
    lumo_add_test(tst_irsim LIBS lumo_core)
    add_dependencies(tst_irsim irrecord irplay)
endif()

# A whole session through the windows, with the real tools simulating.
lumo_add_test(tst_endtoend LIBS lumo_ui)
add_dependencies(tst_endtoend irrecord irplay)
