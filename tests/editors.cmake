# The editors of the remote set: remote configuration and button captions.
lumo_add_test(tst_remoteconfig LIBS lumo_ui)
lumo_add_test(tst_buttoneditor LIBS lumo_ui)
