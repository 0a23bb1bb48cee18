# Help > About.
lumo_add_test(tst_about LIBS lumo_ui)
