#include "cli/terminal_sinks.h"

#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/text_encoding.h"

namespace velmora {

namespace {
constexpr int kBarWidth = 40;
}  // namespace

TerminalProgress::TerminalProgress(std::FILE* out)
    : out_(out), enabled_(isatty(fileno(out)) != 0) {}

void TerminalProgress::SetRange(int low, int high) {
  low_ = low;
  high_ = high;
  Draw();
}

void TerminalProgress::SetPosition(int position) {
  position_ = position;
  Draw();
}

void TerminalProgress::Step() {
  ++position_;
  Draw();
}

void TerminalProgress::Draw() {
  if (!enabled_ || high_ <= low_) return;
  const int clamped = std::clamp(position_, low_, high_);
  const int filled = (clamped - low_) * kBarWidth / (high_ - low_);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  std::fprintf(out_, "\r[%s] %d/%d", bar.c_str(), clamped - low_, high_ - low_);
  std::fflush(out_);
  drawn_ = true;
}

void TerminalProgress::BreakLine() {
  if (!drawn_) return;
  std::fputc('\n', out_);
  drawn_ = false;
}

void TerminalProgress::Finish() {
  if (!drawn_) return;
  std::fprintf(out_, "\r%*s\r", kBarWidth + 16, "");
  std::fflush(out_);
  drawn_ = false;
}

void TerminalMessages::Show(std::string_view text) {
  if (progress_ != nullptr) progress_->BreakLine();
  std::fprintf(out_, "velmora: %s\n", Windows1252ToUtf8(text).c_str());
  std::fflush(out_);
}

void TerminalMessages::Note(std::string_view text) {
  Show("note: " + std::string(text));
}

void TerminalMessages::ShowWithHint(std::string_view text, std::string_view hint) {
  Show(text);
  std::fprintf(out_, "velmora: %s\n", Windows1252ToUtf8(hint).c_str());
  std::fflush(out_);
}

}  // namespace velmora
