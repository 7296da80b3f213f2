# One GoogleTest binary holds every *_test.cc beside the core's code.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

set(test_dirs platform format track image object trackside pipeline dialogs resources samples testing
    trackview cli)
set(VELMORA_TEST_SOURCES)
foreach(dir IN LISTS test_dirs)
  file(GLOB dir_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*_test.cc)
  list(APPEND VELMORA_TEST_SOURCES ${dir_tests})
endforeach()

if(VELMORA_TSAN)
  # The ThreadSanitizer build is for the code that runs conversions side by side: only the batch
  # and folder lock tests and the command tests (which run the batch) are built there.
  list(FILTER VELMORA_TEST_SOURCES INCLUDE
       REGEX "/(batch_conversion|batch_terminal|folder_lock|cli)_test\\.cc$")
endif()
if(WIN32)
  # POSIX only: it kills conversions run in forked children (fork, SIGKILL).
  list(FILTER VELMORA_TEST_SOURCES EXCLUDE REGEX "/crash_consistency_test\\.cc$")
endif()
add_executable(velmora_tests ${VELMORA_TEST_SOURCES})
target_compile_options(velmora_tests PRIVATE ${VELMORA_WARNINGS})
velmora_precompile(velmora_tests TESTS)
target_link_libraries(velmora_tests PRIVATE velmora_core velmora_cli velmora_trackview velmora_testing
                      GTest::gtest_main)
# The command-line tests run the real `velmora` binary.
add_dependencies(velmora_tests velmora)
if(CMAKE_CROSSCOMPILING AND WIN32)
  # Under Wine the build tree is on drive Z:.
  set(velmora_cli_path "Z:$<TARGET_FILE:velmora>")
else()
  set(velmora_cli_path "$<TARGET_FILE:velmora>")
endif()
target_compile_definitions(velmora_tests PRIVATE VELMORA_CLI_PATH="${velmora_cli_path}"
                           VELMORA_MAN_PAGE="${PROJECT_BINARY_DIR}/doc/velmora.1")

# velmora_add_suite(target shards): each test its own ctest entry, so one that crashes or hangs
# is named by itself. Under an emulator (Wine runs the Windows suites) starting a process costs
# more than most tests take, so there the binary runs whole, split into `shards` parts that
# ctest runs side by side.
function(velmora_add_suite target shards)
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
    return()
  endif()
  math(EXPR last "${shards} - 1")
  foreach(shard RANGE ${last})
    add_test(NAME ${target}_${shard} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${target}_${shard} PROPERTIES ENVIRONMENT
                         "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${shard}")
  endforeach()
endfunction()
velmora_add_suite(velmora_tests 2)

# The desktop entry the package installs must satisfy the desktop's own validator.
find_program(VELMORA_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(VELMORA_DESKTOP_FILE_VALIDATE)
  add_test(NAME desktop_file_validate
           COMMAND ${VELMORA_DESKTOP_FILE_VALIDATE}
                   ${PROJECT_SOURCE_DIR}/src/app/velmora-gui.desktop)
else()
  message(WARNING "desktop-file-validate not found (desktop-file-utils): desktop file untested")
endif()
