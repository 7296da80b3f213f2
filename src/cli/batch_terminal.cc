#include "cli/batch_terminal.h"

#include <algorithm>
#include <cstdint>

#include "platform/text_encoding.h"

namespace velmora {

namespace {

constexpr int kBarWidth = 30;

int Percent(int low, int high, int position) {
  if (high <= low) return 0;
  const std::int64_t done = std::clamp(position, low, high) - static_cast<std::int64_t>(low);
  return static_cast<int>(done * 100 / (static_cast<std::int64_t>(high) - low));
}

std::string ResultText(const BatchTrackResult& result) {
  if (result.finished) return "finished";
  std::string text = "stopped";
  if (!result.first_message.empty()) text += ": " + Windows1252ToUtf8(result.first_message);
  return text;
}

// Terminal columns of UTF-8 text: continuation bytes take none.
std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Spaces(std::size_t width, const std::string& text) {
  const std::size_t columns = Columns(text);
  return std::string(width > columns ? width - columns : 0, ' ');
}

}  // namespace

BatchTerminal::BatchTerminal(std::FILE* out, std::span<const BatchTrack> tracks,
                             bool draw_progress)
    : out_(out), tracks_(tracks), draw_progress_(draw_progress) {}

void BatchTerminal::Started(std::size_t track) {
  std::lock_guard<std::mutex> lock(mutex_);
  running_.push_back({track, 0});
  EraseBlock();
  DrawBlock();
}

void BatchTerminal::Message(std::size_t track, std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  EraseBlock();
  std::fprintf(out_, "velmora: %s: %s\n", Windows1252ToUtf8(tracks_[track].folder).c_str(),
               Windows1252ToUtf8(text).c_str());
  DrawBlock();
}

void BatchTerminal::Progress(std::size_t track, int low, int high, int position) {
  if (!draw_progress_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  const int percent = Percent(low, high, position);
  auto it = std::find_if(running_.begin(), running_.end(),
                         [&](const Running& r) { return r.track == track; });
  if (it == running_.end() || it->percent == percent) return;  // redraw only on a change
  it->percent = percent;
  EraseBlock();
  DrawBlock();
}

void BatchTerminal::Ended(std::size_t track, const BatchTrackResult& /*result*/) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(running_, [&](const Running& r) { return r.track == track; });
  ++done_;
  EraseBlock();
  DrawBlock();
}

void BatchTerminal::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  EraseBlock();
}

void BatchTerminal::EraseBlock() {
  if (block_lines_ == 0) return;
  // Up to the block's first line, then clear to the end of the screen.
  std::fprintf(out_, "\x1b[%dA\r\x1b[J", block_lines_);
  block_lines_ = 0;
}

void BatchTerminal::DrawBlock() {
  if (draw_progress_) {
    for (const Running& r : running_) {
      const int filled = r.percent * kBarWidth / 100;
      std::fprintf(out_, "  %-10s [%s%s] %3d%%\n",
                   Windows1252ToUtf8(tracks_[r.track].folder).c_str(),
                   std::string(static_cast<std::size_t>(filled), '#').c_str(),
                   std::string(static_cast<std::size_t>(kBarWidth - filled), '.').c_str(),
                   r.percent);
    }
    std::fprintf(out_, "  %zu of %zu tracks done\n", done_, tracks_.size());
    block_lines_ = static_cast<int>(running_.size()) + 1;
  }
  std::fflush(out_);
}

std::string FormatBatchTable(std::span<const BatchTrack> tracks,
                             std::span<const BatchTrackResult> results) {
  std::vector<std::vector<std::string>> rows = {{"track", "GPL folder", "result", "seconds"}};
  for (std::size_t i = 0; i < tracks.size() && i < results.size(); ++i) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", results[i].seconds);
    rows.push_back({Windows1252ToUtf8(tracks[i].folder), Windows1252ToUtf8(tracks[i].gpl_track),
                    ResultText(results[i]), seconds});
  }
  std::size_t widths[4] = {0, 0, 0, 0};
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < 4; ++c) widths[c] = std::max(widths[c], Columns(row[c]));
  }
  std::string table;
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < 3; ++c) table += row[c] + Spaces(widths[c], row[c]) + "  ";
    table += Spaces(widths[3], row[3]) + row[3] + "\n";  // seconds align on the right
  }
  return table;
}

}  // namespace velmora
