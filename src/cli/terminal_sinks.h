#ifndef VELMORA_CLI_TERMINAL_SINKS_H_
#define VELMORA_CLI_TERMINAL_SINKS_H_

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/message_sink.h"
#include "platform/progress_sink.h"

namespace velmora {

// A progress bar on stderr, drawn only when stderr is a terminal.
class TerminalProgress : public ProgressSink {
 public:
  explicit TerminalProgress(std::FILE* out);
  void SetRange(int low, int high) override;
  void SetPosition(int position) override;
  void Step() override;
  // Ends the bar's line so that other text starts on a fresh one.
  void BreakLine();
  // Clears the bar from the terminal.
  void Finish();

 private:
  void Draw();

  std::FILE* out_;
  bool enabled_;
  bool drawn_ = false;
  int low_ = 0;
  int high_ = 0;
  int position_ = 0;
};

// Prints each message as "velmora: TEXT" on stderr, in UTF-8, as it happens; a hint follows its
// message as one more such line, and a note is one line "velmora: note: TEXT".
class TerminalMessages : public MessageSink {
 public:
  TerminalMessages(std::FILE* out, TerminalProgress* progress)
      : out_(out), progress_(progress) {}
  void Show(std::string_view text) override;
  void ShowWithHint(std::string_view text, std::string_view hint) override;
  void Note(std::string_view text) override;

 private:
  std::FILE* out_;
  TerminalProgress* progress_;
};

}  // namespace velmora

#endif  // VELMORA_CLI_TERMINAL_SINKS_H_
