# The main window and its own commands: playing, File menu, tray, WebSite (the guide beside the program).
lumo_add_test(tst_mainwindow LIBS lumo_ui)
if(TARGET lumo_guide)
    add_dependencies(tst_mainwindow lumo_guide)
endif()
lumo_add_test(tst_design LIBS lumo_ui)
