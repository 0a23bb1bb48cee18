# The main window's own commands: playing, File menu, tray, WebSite, About.
lumo_add_test(tst_playback LIBS lumo_ui)
lumo_add_test(tst_filemenu LIBS lumo_ui)
# WebSite opens the guide copied beside the program.
if(TARGET lumo_guide)
    add_dependencies(tst_filemenu lumo_guide)
endif()
lumo_add_test(tst_about LIBS lumo_ui)
