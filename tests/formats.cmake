# Code files as people share them (Flipper .ir, Pronto, Broadlink, Global
# Cache, lircd.conf, IR database CSV): reading, writing, refusing; and
# irplay.exe sending and describing them, simulating.
lumo_add_test(tst_codefiles LIBS lumo_irtools)
add_dependencies(tst_codefiles irplay)
