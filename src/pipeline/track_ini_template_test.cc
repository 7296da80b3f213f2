// The trackside tables the pipelines use as they are: the trackside reader parses lines with
// fixed formats. (The track.ini template's lines are held where its editor is tested.)

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/resource_store.h"
#include "resources/embedded_files.h"

namespace velmora {
namespace {

std::string Resource(std::string_view name) {
  ResourceStore store(EmbeddedFiles());
  std::optional<std::span<const std::uint8_t>> bytes = store.Find(name);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// The lines of CR LF text; a bare LF line end leaves its line ending in no CR and fails.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CR LF: " << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Every trackside table is CR LF text. A starter table is read from its first line, so it has
// no heading; the row tables start with a heading the "%f,%f,%f" reader skips, then rows it reads.
TEST(TracksideTablesTest, TablesHaveTheirReadersFormat) {
  int tables = 0;
  for (const EmbeddedFile& file : EmbeddedFiles()) {
    const std::string name(file.name);
    if (!name.ends_with("_FLAGS") && !name.ends_with("_LAT") && !name.ends_with("_HAY") &&
        !name.ends_with("_TIRES")) {
      continue;
    }
    SCOPED_TRACE(name);
    ++tables;
    const std::vector<std::string> lines = Lines(Resource(name));
    ASSERT_FALSE(lines.empty());
    float a = 0, b = 0, c = 0;
    const bool starter = name.ends_with("_STARTER_LAT");
    EXPECT_EQ(std::sscanf(lines[0].c_str(), "%f,%f,%f", &a, &b, &c) == 3, starter);
    EXPECT_TRUE(!starter || lines.size() == 1) << lines.size();
    for (std::size_t i = 1; i < lines.size(); ++i) {
      EXPECT_EQ(std::sscanf(lines[i].c_str(), "%f,%f,%f", &a, &b, &c), 3) << lines[i];
    }
  }
  EXPECT_EQ(tables, 27);
  EXPECT_EQ(Lines(Resource("GATEWAY_HAY")),
            (std::vector<std::string>{"Start,End,Latitude", "1790,2001,9.1", "5,280,9.1"}));
}

}  // namespace
}  // namespace velmora
