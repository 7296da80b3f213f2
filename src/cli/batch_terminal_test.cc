#include "cli/batch_terminal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace velmora {
namespace {

const std::vector<BatchTrack> kTracks = {{"dethq", "detroit"}, {"Elkhart", "Elkhart"}};

// Everything the terminal wrote, through a temporary file (binary, so that Windows writes each
// line end as it is given).
class Captured {
 public:
  std::FILE* file() { return file_.get(); }
  std::string Text() {
    std::rewind(file_.get());
    std::string text;
    for (int c; (c = std::fgetc(file_.get())) != EOF;) text.push_back(static_cast<char>(c));
    return text;  // at the end of the file, where the next write goes
  }

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{std::tmpfile(), &std::fclose};
};

TEST(BatchTerminalTest, TableNamesEachTracksResultInListOrder) {
  std::vector<BatchTrackResult> results(2);
  results[0] = {false, "Failed to find resource detroit_N4T", 0.31};
  results[1] = {true, "a message that does not show", 12.04};
  EXPECT_EQ(FormatBatchTable(kTracks, results),
            "track    GPL folder  result                                        seconds\n"
            "dethq    detroit     stopped: Failed to find resource detroit_N4T      0.3\n"
            "Elkhart  Elkhart     finished                                         12.0\n");
  // A run that stopped without a word; Windows-1252 names come out in UTF-8, one column each.
  const std::vector<BatchTrack> named = {{"n\xFCrburg", "n\xFCrburg"}};
  const std::vector<BatchTrackResult> silent = {{false, "", 1.0}};
  EXPECT_EQ(FormatBatchTable(named, silent),
            "track    GPL folder  result   seconds\n"
            "n\xC3\xBCrburg  n\xC3\xBCrburg     stopped      1.0\n");
}

// Messages name their track. Without a terminal that is all; on one, each running track has a
// line with its bar under the messages, redrawn when something changed.
TEST(BatchTerminalTest, MessagesAreNamedAndOnATerminalEachRunningTrackHasABar) {
  const std::string shown[] = {"velmora: dethq: hello\n",
                               "\x1b[3A\r\x1b[J"
                               "  dethq      [###############...............]  50%\n"
                               "  Elkhart    [..............................]   0%\n"
                               "  0 of 2 tracks done\n"
                               "\x1b[3A\r\x1b[Jvelmora: dethq: hello\n"
                               "  dethq      [###############...............]  50%\n"
                               "  Elkhart    [..............................]   0%\n"
                               "  0 of 2 tracks done\n"
                               "\x1b[3A\r\x1b[J"
                               "  Elkhart    [..............................]   0%\n"
                               "  1 of 2 tracks done\n"
                               "\x1b[2A\r\x1b[J"};
  for (bool terminal_out : {false, true}) {
    Captured out;
    BatchTerminal terminal(out.file(), kTracks, terminal_out);
    terminal.Started(0);
    terminal.Started(1);
    const std::string before = out.Text();
    EXPECT_EQ(before.empty(), !terminal_out);
    terminal.Progress(0, 0, 10, 5);
    terminal.Progress(0, 0, 10, 5);  // no change, no redraw
    terminal.Message(0, "hello");
    terminal.Ended(0, {true, "", 1.0});
    terminal.Finish();
    EXPECT_EQ(out.Text().substr(before.size()), shown[terminal_out]);
  }
}

}  // namespace
}  // namespace velmora
