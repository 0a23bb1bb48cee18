lumo_add_test(tst_recordsignal LIBS lumo_ui)
