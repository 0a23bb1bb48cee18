# The main window and its own commands: playing, File menu, tray, WebSite.
lumo_add_test(tst_mainwindow LIBS lumo_ui)
