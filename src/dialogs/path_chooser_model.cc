#include "dialogs/path_chooser_model.h"

#include <utility>

#include "platform/ascii.h"

namespace velmora {

namespace {

std::string StartingPath(std::string_view requested) {
  std::string path(requested);
  if (path.empty() || path.size() > kMaxPathLength || !PathExists(path)) path = CurrentFolder();
  return WithoutTrailingSeparator(path);
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

PathChooserModel::PathChooserModel(const ChooserTexts& texts, std::string_view start,
                                   std::vector<DriveRoot> drives, std::string home)
    : title_(texts.title.empty() ? TextOf(DialogId::kChooser, kTitleId) : texts.title),
      probe_file_(texts.probe_file),
      found_message_(texts.found_message),
      home_(std::move(home)),
      path_(StartingPath(start)),
      edit_text_(DisplayPath(path_)),
      entries_(FolderEntries(path_)),
      drives_(std::move(drives)),
      drive_(DriveOf(drives_, path_)) {
  Probe();
}

PathChooserModel::Outcome PathChooserModel::ActOnEntry(Gesture gesture, std::size_t index) {
  if (index >= entries_.size()) return Outcome::kNothing;
  const bool completes_walk = gesture == Gesture::kDoubleClick && click_walked_;
  click_walked_ = false;
  selection_ = index;
  if (gesture == Gesture::kKeyboardSelect || completes_walk) return Outcome::kNothing;
  const std::string& name = entries_[index].name;
  const Outcome outcome = WalkTo(name == ".." ? ParentPath(path_) : ChildPath(path_, name));
  click_walked_ = gesture == Gesture::kClick && outcome == Outcome::kWalked;
  return outcome;
}

PathChooserModel::Outcome PathChooserModel::ChooseDrive(std::size_t index) {
  click_walked_ = false;
  if (index >= drives_.size()) return Outcome::kNothing;
  return WalkTo(WithoutTrailingSeparator(DriveStartFolder(drives_[index])));
}

PathChooserModel::Outcome PathChooserModel::WalkTo(std::string path) {
  if (path.size() > kMaxPathLength) {
    // Too deep to hold: stay, with the list as it was before and nothing selected.
    selection_.reset();
    return Outcome::kRefused;
  }
  path_ = std::move(path);
  entries_ = FolderEntries(path_);
  selection_.reset();
  drive_ = DriveOf(drives_, path_);
  edit_text_ = DisplayPath(path_);
  Probe();
  return Outcome::kWalked;
}

void PathChooserModel::EditPath(std::string_view text) {
  click_walked_ = false;
  edit_text_ = text;
  Probe();
}

std::optional<std::size_t> PathChooserModel::TypeAhead(std::string_view key, long long time_ms) {
  click_walked_ = false;
  if (key.empty()) return std::nullopt;
  if (typed_.empty() || time_ms - typed_at_ > kTypeAheadPause) typed_.clear();
  typed_ += key;
  typed_at_ = time_ms;
  std::optional<std::size_t> found = FindEntry(typed_, typed_.size() == key.size());
  const bool one_key_again = typed_.find_first_not_of(key) == std::string::npos;
  if (!found && one_key_again) found = FindEntry(key, true);
  if (found) selection_ = found;
  return found;
}

std::optional<std::size_t> PathChooserModel::FindEntry(std::string_view prefix,
                                                       bool move_on) const {
  const std::size_t count = entries_.size();
  std::size_t start = 0;
  if (selection_) start = move_on ? *selection_ + 1 : *selection_;
  for (std::size_t step = 0; step < count; ++step) {
    const std::size_t index = (start + step) % count;
    if (StartsWithIgnoringCase(DisplayPath(entries_[index].name), prefix)) return index;
  }
  return std::nullopt;
}

std::string PathChooserModel::EditedPath() const {
  if (edit_text_ == DisplayPath(path_)) return path_;
  return ExpandHome(edit_text_, home_);
}

std::string PathChooserModel::result() const { return EditedPath(); }

void PathChooserModel::Probe() {
  if (probe_file_.empty()) return;
  const std::string folder = EditedPath();
  const bool found = !folder.empty() && PathExists(ChildPath(folder, probe_file_));
  found_text_ = found ? found_message_ : std::string();
}

}  // namespace velmora
