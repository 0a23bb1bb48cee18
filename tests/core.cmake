lumo_add_test(tst_remotesetfile LIBS lumo_core)
lumo_add_test(tst_toolrunner LIBS lumo_core)
