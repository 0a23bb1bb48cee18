# The main window's own commands: playing, File menu, tray, WebSite (the guide beside the program), About.
lumo_add_test(tst_playback LIBS lumo_ui)
lumo_add_test(tst_filemenu LIBS lumo_ui)
if(TARGET lumo_guide)
    add_dependencies(tst_filemenu lumo_guide)
endif()
lumo_add_test(tst_about LIBS lumo_ui)
