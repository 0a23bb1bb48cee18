lumo_add_test(tst_remotesetfile LIBS lumo_core)
lumo_add_test(tst_module1 LIBS lumo_core)
