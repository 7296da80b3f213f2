#ifndef VELMORA_PLATFORM_MESSAGE_SINK_H_
#define VELMORA_PLATFORM_MESSAGE_SINK_H_

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Where the system's messages go, word for word and in order: a modal message box in the GUI,
// stderr in the command line, a list in tests. Texts are Windows-1252 bytes, as the game files
// and the track name table hold them; a front end converts them for display.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Show(std::string_view text) = 0;
  // A message followed by a hint on what to do about it, shown together where a person reads
  // them (one more line on the command line, the same message box in the dialogs). The message
  // stays the system's own text; sinks that do not show hints show the message alone.
  virtual void ShowWithHint(std::string_view text, std::string_view /*hint*/) { Show(text); }
  // Something the run did that a person may want to know but that is none of the system's
  // messages (one line on the command line). Sinks that show only the system's messages drop it.
  virtual void Note(std::string_view /*text*/) {}
};

// Keeps every message shown, in order. Used by tests and by front ends that report later.
// Hints and notes are kept apart, so the messages stay the system's texts in order.
class RecordingMessageSink : public MessageSink {
 public:
  void Show(std::string_view text) override { messages_.emplace_back(text); }
  void ShowWithHint(std::string_view text, std::string_view hint) override {
    messages_.emplace_back(text);
    hints_.emplace_back(hint);
  }
  void Note(std::string_view text) override { notes_.emplace_back(text); }
  const std::vector<std::string>& messages() const { return messages_; }
  const std::vector<std::string>& hints() const { return hints_; }
  const std::vector<std::string>& notes() const { return notes_; }
  void Clear() {
    messages_.clear();
    hints_.clear();
    notes_.clear();
  }

 private:
  std::vector<std::string> messages_;
  std::vector<std::string> hints_;
  std::vector<std::string> notes_;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_MESSAGE_SINK_H_
