# Writes OUTPUT: one byte array per resource file of SOURCE_DIR and a table of them by name.
file(GLOB candidates ${SOURCE_DIR}/*)
list(SORT candidates)
set(arrays "")
set(rows "")
set(index 0)
foreach(candidate IN LISTS candidates)
  get_filename_component(name ${candidate} NAME)
  if(IS_DIRECTORY ${candidate} OR name MATCHES "\\.")
    continue()
  endif()
  file(SIZE ${candidate} size)
  if(size EQUAL 0)
    set(bytes "0")
  else()
    file(READ ${candidate} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Break the initialiser into lines so compilers and editors cope with large files.
    string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
  endif()
  string(APPEND arrays "alignas(8) const std::uint8_t kData${index}[] = {\n${bytes}};\n")
  string(APPEND rows "    {\"${name}\", std::span<const std::uint8_t>(kData${index}, ${size})},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE ${OUTPUT}.new
"// Generated from the files of src/resources; do not edit.
#include <cstdint>
#include <span>

#include \"resources/embedded_files.h\"

namespace velmora {
namespace {
${arrays}
const EmbeddedFile kFiles[] = {
${rows}    {\"\", {}},
};
}  // namespace

std::span<const EmbeddedFile> GeneratedEmbeddedFiles() {
  return std::span<const EmbeddedFile>(kFiles, ${index});
}
}  // namespace velmora
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
