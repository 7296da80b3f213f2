# Precompiled headers: the standard headers most files include, and GoogleTest for the suites.
# Parsing them is most of what a Debug or sanitizer build spends on a file, and every build tree
# (Debug, Release, ThreadSanitizer, fuzz replay, Windows) compiles the same files again.
option(VELMORA_PCH "Precompile the common standard headers (and GoogleTest for the suites)" ON)

set(VELMORA_PCH_STANDARD <algorithm> <array> <cstddef> <cstdint> <filesystem> <functional>
    <map> <memory> <optional> <span> <string> <string_view> <utility> <vector>)

# velmora_precompile(target [TESTS]): TESTS adds GoogleTest to the target's headers.
function(velmora_precompile target)
  if(NOT VELMORA_PCH)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "TESTS" "" "")
  set(headers ${VELMORA_PCH_STANDARD})
  if(arg_TESTS)
    list(APPEND headers <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
