# The Windows dialog program's own tests: its dialogs opened from the program's resources and
# driven through their controls. Run under Wine by ctest when cross-built.
file(GLOB gui_win32_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/gui_win32/*_test.cc)
add_executable(velmora_gui_win32_tests ${gui_win32_tests}
               ${PROJECT_SOURCE_DIR}/src/gui_win32/gui_win32_tests_main.cc
               $<TARGET_OBJECTS:velmora_gui_win32_resources>)
target_compile_options(velmora_gui_win32_tests PRIVATE ${VELMORA_WARNINGS})
# version: the test reads the program's version resource back.
target_link_libraries(velmora_gui_win32_tests PRIVATE velmora_gui_win32 velmora_testing
                      GTest::gtest version)
# The conversion test compares the dialogs' pack with the one the command line writes.
add_dependencies(velmora_gui_win32_tests velmora)
if(CMAKE_CROSSCOMPILING)
  set(velmora_gui_cli_path "Z:$<TARGET_FILE:velmora>")
else()
  set(velmora_gui_cli_path "$<TARGET_FILE:velmora>")
endif()
target_compile_definitions(velmora_gui_win32_tests PRIVATE
                           VELMORA_CLI_PATH="${velmora_gui_cli_path}")
velmora_add_suite(velmora_gui_win32_tests 1)
