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
};

// Keeps every message shown, in order. Used by tests and by front ends that report later.
class RecordingMessageSink : public MessageSink {
 public:
  void Show(std::string_view text) override { messages_.emplace_back(text); }
  const std::vector<std::string>& messages() const { return messages_; }
  void Clear() { messages_.clear(); }

 private:
  std::vector<std::string> messages_;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_MESSAGE_SINK_H_
