lumo_add_test(tst_recordsignal LIBS lumo_ui)
lumo_add_test(tst_recordwait LIBS lumo_ui)
