#include "gui_win32/dialog_sinks.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "dialogs/dialog_texts.h"
#include "gui_win32/dialog_window.h"
#include "gui_win32/wide_text.h"

namespace velmora {

void MessageBoxSink::Show(std::string_view text) {
  MessageBoxW(GetActiveWindow(), WideFromWindows1252(text).c_str(),
              WideFromWindows1252(kMessageBoxTitle).c_str(), MB_OK | MB_ICONINFORMATION);
}

void MessageBoxSink::ShowWithHint(std::string_view text, std::string_view hint) {
  Show(std::string(text) + "\n\n" + std::string(hint));
}

void DialogThreadSink::Show(std::string_view text) {
  CallOnWindowThread(window_, [&] { target_.Show(text); });
}

void DialogThreadSink::ShowWithHint(std::string_view text, std::string_view hint) {
  CallOnWindowThread(window_, [&] { target_.ShowWithHint(text, hint); });
}

void DialogThreadSink::Note(std::string_view text) {
  CallOnWindowThread(window_, [&] { target_.Note(text); });
}

void ProgressBarSink::SetRange(int low, int high) {
  state_.SetRange(low, high);
  PostMessageW(bar_, PBM_SETRANGE32, static_cast<WPARAM>(state_.bar_low()),
               static_cast<LPARAM>(state_.bar_high()));
  Post();
}

void ProgressBarSink::SetPosition(int position) {
  state_.SetPosition(position);
  Post();
}

void ProgressBarSink::Step() {
  state_.Step();
  Post();
}

void ProgressBarSink::Post() {
  PostMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(state_.bar_value()), 0);
}

}  // namespace velmora
