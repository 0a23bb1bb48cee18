# Tests of the IR tools (irrecord.exe / irplay.exe) and their library; the
# second also runs the real tools, directly and through the tool runner.
lumo_add_test(tst_irformat LIBS lumo_irtools)
lumo_add_test(tst_irtools LIBS lumo_irtools lumo_core)
add_dependencies(tst_irtools irrecord irplay)

# A whole session through the windows, with the real tools simulating.
lumo_add_test(tst_endtoend LIBS lumo_ui)
add_dependencies(tst_endtoend irrecord irplay)
