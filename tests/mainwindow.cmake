lumo_add_test(tst_mainwindow LIBS lumo_ui)
