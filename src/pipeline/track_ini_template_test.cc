// The trackside tables the pipelines use as they are: the trackside reader parses lines with
// fixed formats. (The track.ini template's lines are held where its editor is tested.)

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "resources/embedded_files.h"

namespace velmora {
namespace {

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
    std::vector<std::string> lines;
    std::istringstream in(std::string(file.bytes.begin(), file.bytes.end()));
    for (std::string line; std::getline(in, line);) {
      ASSERT_TRUE(line.ends_with('\r')) << "line without CR LF: " << line;
      lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_FALSE(lines.empty());
    float a = 0, b = 0, c = 0;
    const bool starter = name.ends_with("_STARTER_LAT");
    EXPECT_EQ(std::sscanf(lines[0].c_str(), "%f,%f,%f", &a, &b, &c) == 3, starter);
    EXPECT_TRUE(!starter || lines.size() == 1) << lines.size();
    for (std::size_t i = 1; i < lines.size(); ++i) {
      EXPECT_EQ(std::sscanf(lines[i].c_str(), "%f,%f,%f", &a, &b, &c), 3) << lines[i];
    }
    if (name == "GATEWAY_HAY") {
      EXPECT_EQ(lines,
                (std::vector<std::string>{"Start,End,Latitude", "1790,2001,9.1", "5,280,9.1"}));
    }
  }
  EXPECT_EQ(tables, 27);
}

}  // namespace
}  // namespace velmora
