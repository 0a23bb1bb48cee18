# Tool runner and main window figures. Run by hand:
#   build/bench/bench_runner      CPU share while waiting, exit-to-return latency
#   build/bench/bench_mainwindow  main window construct+show against QMainWindow
if(TARGET fake_tool)
    add_executable(bench_runner bench_runner.cpp)
    target_link_libraries(bench_runner PRIVATE lumo_core)
    target_compile_definitions(bench_runner PRIVATE LUMO_FAKE_TOOL="$<TARGET_FILE:fake_tool>")
    add_dependencies(bench_runner fake_tool)
    set_target_properties(bench_runner PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_BENCH_DIR})
endif()

add_executable(bench_mainwindow bench_mainwindow.cpp)
target_link_libraries(bench_mainwindow PRIVATE lumo_ui)
set_target_properties(bench_mainwindow PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LUMO_BENCH_DIR})
