# The installed program: cmake --install into a temporary prefix, the tree,
# the program started through bin/ finding its tools and guide, the desktop
# entry's working folder, the desktop entry and metainfo validators and the
# manual pages. Needs desktop-file-utils, appstream and man-db.
add_test(NAME tst_install
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tst_install.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} ${PROJECT_VERSION})
set_tests_properties(tst_install PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    TIMEOUT 300)
