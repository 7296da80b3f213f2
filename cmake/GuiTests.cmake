# The Qt Test suite of the dialog program, run offscreen so it needs no display.
set(CMAKE_AUTOMOC ON)
file(GLOB gui_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/app/*_test.cc
     ${PROJECT_SOURCE_DIR}/src/gui_qt/*_test.cc)
add_executable(velmora_gui_tests ${PROJECT_SOURCE_DIR}/src/app/gui_tests_main.cc ${gui_tests})
target_compile_options(velmora_gui_tests PRIVATE ${VELMORA_WARNINGS})
target_link_libraries(velmora_gui_tests PRIVATE velmora_app velmora_testing Qt6::Test)
add_test(NAME velmora_gui_tests COMMAND velmora_gui_tests)
set_tests_properties(velmora_gui_tests PROPERTIES ENVIRONMENT
                     "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1")
