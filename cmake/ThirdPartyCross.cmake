# Third-party code for the Windows cross build, where the host's installed libraries cannot be
# linked: GoogleTest is built from Debian's source package, and CLI11 (header-only) is used from
# a copy of its headers alone, so the cross compiler never sees the host's /usr/include.
set(VELMORA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(VELMORA_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VELMORA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL SYSTEM)  # defines GTest::gtest_main
endif()

set(velmora_cli11_headers ${CMAKE_BINARY_DIR}/third_party/include)
file(COPY /usr/include/CLI DESTINATION ${velmora_cli11_headers})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${velmora_cli11_headers})
