lumo_add_test(tst_remotesetfile LIBS lumo_core)
