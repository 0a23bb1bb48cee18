# Buttons filled without recording: code files, typed codes, a whole remote.
lumo_add_test(tst_codeimport LIBS lumo_ui)
