#ifndef VELMORA_GUI_WIN32_CONVERSION_DIALOG_H_
#define VELMORA_GUI_WIN32_CONVERSION_DIALOG_H_

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "dialogs/conversion_model.h"
#include "gui_win32/dialog_sinks.h"
#include "gui_win32/dialog_window.h"

namespace velmora {

// The conversion dialog of one source game over its model. A conversion runs on a thread of
// its own while the dialog keeps painting: the progress bar follows the run through posted
// messages, the run's messages are shown one by one on the dialog's thread, and the dialog
// takes no input until the run has ended.
class ConversionDialog : public DialogWindow {
 public:
  // Asks the user for a folder, starting at `start`; nothing when the user cancelled.
  using FolderChooser = std::function<std::optional<std::string>(
      HWND owner, const ChooserTexts& texts, const std::string& start)>;

  // The services are not owned and must outlive the dialog.
  ConversionDialog(SourceGame game, const Services& services, FolderChooser choose_folder);
  ~ConversionDialog() override;

  const ConversionModel& model() const { return model_; }
  // Whether a conversion's thread has not yet been joined.
  bool run_going() const { return worker_.joinable(); }

 private:
  bool OnInit() override;
  void OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override;

  static LRESULT CALLBACK TrackListProcedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR data);
  void AddTrackTip();
  void FillGeometryChoice();
  void ShowTracks();
  void ShowState();
  void ChooseFolder(bool source);
  void StartRun();
  void FinishRun();

  DialogThreadSink messages_;
  ConversionModel model_;
  FolderChooser choose_folder_;
  ProgressBarSink progress_;
  // The tool tip of the track list: the entry's tip, for the entry under the pointer.
  HWND tip_ = nullptr;
  int tip_row_ = -1;
  std::wstring tip_text_;
  std::thread worker_;
  std::atomic<bool> run_returned_ = false;
};

}  // namespace velmora

#endif  // VELMORA_GUI_WIN32_CONVERSION_DIALOG_H_
