#ifndef VELMORA_DIALOGS_CONVERSION_MODEL_H_
#define VELMORA_DIALOGS_CONVERSION_MODEL_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_texts.h"
#include "dialogs/geometry_choice.h"
#include "pipeline/source_games.h"
#include "platform/services.h"

namespace velmora {

class ProgressSink;

// The conversion dialog of one source game, `ConversionDialog`, without its windows: the
// source game's folder and GPL's folder, the tracks found in the source folder, the selection,
// the check boxes, the track geometry choice, and the run through the core's TrackConverter,
// the same one the command line runs.
//
// Settings: both folders are read when the model is made. The source folder is stored each
// time the list finds a track in it; the GPL folder after each conversion; "HQsky" on each
// press of Convert (games with the sixteen-bit box); "N2N4TrkConvert" only when the user changes
// the track geometry choice. Closing the dialog stores nothing.
//
// The services are not owned and must outlive the model. Messages of a run go to the services'
// MessageSink in the order they arise, ending with "Conversion Finished".
class ConversionModel {
 public:
  // One entry of the track list.
  struct Track {
    std::string text;          // Windows-1252: the display name; an add-on's marked as such
    std::string tip;           // Windows-1252: more about the entry, or empty
    std::string source_track;  // the folder name a conversion is given
    bool add_on = false;
  };

  ConversionModel(SourceGame game, const Services& services);

  SourceGame game() const { return game_; }
  DialogId dialog() const { return DialogOf(game_); }

  // The folders, as the file system spells them, and as shown (UTF-8).
  const std::string& source_dir() const { return source_dir_; }
  const std::string& gpl_dir() const { return gpl_dir_; }
  std::string source_dir_text() const;
  std::string gpl_dir_text() const;

  // The game's known tracks by display name, sorted, then the add-on tracks found in the source
  // folder, marked as such.
  const std::vector<Track>& tracks() const { return tracks_; }
  std::optional<std::size_t> selection() const { return selection_; }
  // The user selected an entry, or took the selection away.
  void Select(std::optional<std::size_t> index);

  // Convert follows the selection; while a run goes on no control takes input, the progress
  // bar shows the run, and the dialog cannot be closed.
  bool convert_enabled() const { return selection_.has_value() && !running_; }
  bool controls_enabled() const { return !running_; }
  bool running() const { return running_; }
  bool can_close() const { return !running_; }

  bool keep_skid_marks() const { return keep_skid_marks_; }
  void set_keep_skid_marks(bool on) { keep_skid_marks_ = on; }
  bool has_sixteen_bit() const { return SixteenBitId(game_) != 0; }
  bool sixteen_bit() const { return sixteen_bit_; }
  void set_sixteen_bit(bool on) { sixteen_bit_ = on; }

  const std::vector<GeometryChoiceEntry>& geometry_entries() const { return geometry_entries_; }
  std::size_t geometry_index() const;
  // The user chose an entry of the track geometry choice; stored only when it changes.
  void ChooseGeometry(std::size_t index);

  // What the folder buttons open the directory chooser with, and what the user chose there
  // with OK: the folder is taken and the track list refreshed.
  ChooserTexts source_chooser() const { return SourceChooserTexts(game_); }
  ChooserTexts gpl_chooser() const { return GplChooserTexts(); }
  void SetSourceDir(std::string folder);
  void SetGplDir(std::string folder);

  // Return presses the GPL folder button whichever control has the focus; it never converts.
  int return_button_id() const { return kGplButtonId; }
  // After a run the focus goes back to the track list, where the user picks the next track.
  int focus_after_run_id() const { return kTrackListId; }

  // Called when a run starts and when it has ended, so the view can show the busy state.
  void set_observer(std::function<void()> observer) { observer_ = std::move(observer); }

  // The press of Convert: stores the sixteen-bit box, then, when a track is selected, runs its
  // conversion to the end with `progress` (may be null), stores the GPL folder and shows
  // "Conversion Finished". The run's result is not looked at: a run that stopped early has
  // shown why already.
  void Convert(ProgressSink* progress);

  // Convert in three steps, for a view that keeps its window painted while the run goes on
  // another thread. BeginConvert and EndConvert are called on the view's thread: the first
  // stores the sixteen-bit box and, when a track is selected, enters the busy state and returns
  // true; RunConversion then runs on any one thread while the view passes no action on, and
  // EndConvert leaves the busy state after it has returned.
  bool BeginConvert();
  void RunConversion(ProgressSink* progress);
  void EndConvert();

 private:
  void Refresh();
  void Notify();

  SourceGame game_;
  Services services_;
  std::string source_dir_;
  std::string gpl_dir_;
  std::vector<Track> tracks_;
  std::optional<std::size_t> selection_;
  bool keep_skid_marks_ = false;
  bool sixteen_bit_ = false;
  std::optional<int> geometry_;  // the option's value shown; nothing for automatic
  std::vector<GeometryChoiceEntry> geometry_entries_;
  bool running_ = false;
  std::function<void()> observer_;
};

}  // namespace velmora

#endif  // VELMORA_DIALOGS_CONVERSION_MODEL_H_
