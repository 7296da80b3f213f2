# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The C++ runtime, libgcc and winpthread are linked statically, so velmora.exe needs no DLL
# beside it. The tests run under Wine (wine64): ctest starts every test executable through the
# emulator below, with Wine's debug output off and a prefix of its own in a temporary folder,
# so a run never touches the user's ~/.wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# One prefix per build tree, under the temporary folder; tools/build-windows.sh makes it afresh
# before the tests run and removes it afterwards.
if(DEFINED ENV{VELMORA_WINEPREFIX})
  set(VELMORA_WINEPREFIX $ENV{VELMORA_WINEPREFIX})
else()
  string(MD5 velmora_tree_hash "${CMAKE_BINARY_DIR}")
  string(SUBSTRING ${velmora_tree_hash} 0 12 velmora_tree_hash)
  set(VELMORA_WINEPREFIX /tmp/velmora-wine-${velmora_tree_hash})
endif()
find_program(VELMORA_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
# mscoree and mshtml off: a test run needs neither Mono nor Gecko, and Wine would offer to
# install them on the prefix's first start.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEDEBUG=-all WINEPREFIX=${VELMORA_WINEPREFIX} WINEDLLOVERRIDES=mscoree,mshtml=
    ${VELMORA_WINE})
