#include "gui_win32/conversion_dialog.h"

#include <commctrl.h>

#include <utility>

#include "gui_win32/resource_ids.h"
#include "gui_win32/wide_text.h"

namespace velmora {

namespace {

int TemplateOf(SourceGame game) {
  switch (game) {
    case SourceGame::kCart:
      return VELMORA_IDD_CART;
    case SourceGame::kN2:
      return VELMORA_IDD_N2;
    case SourceGame::kN3:
      return VELMORA_IDD_N3;
    case SourceGame::kNl:
      return VELMORA_IDD_NL;
  }
  return VELMORA_IDD_CART;
}

bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

ConversionDialog::ConversionDialog(SourceGame game, const Services& services,
                                   FolderChooser choose_folder)
    : DialogWindow(TemplateOf(game)),
      messages_(services.messages),
      model_(game, Services{messages_, services.settings, services.resources}),
      choose_folder_(std::move(choose_folder)) {
  model_.set_observer([this] { ShowState(); });
}

ConversionDialog::~ConversionDialog() {
  // Only a dialog destroyed during a run gets here with the thread going (a window the user
  // runs cannot close then). The run's messages still come here, so they are let in while the
  // run finishes.
  while (worker_.joinable() && !run_returned_) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
  }
  if (worker_.joinable()) worker_.join();
}

bool ConversionDialog::OnInit() {
  SetProgramIcon();
  messages_.set_window(hwnd());
  progress_.set_bar(Item(kProgressBarId));
  const SourceGame game = model_.game();
  if (model_.has_sixteen_bit()) {
    CheckDlgButton(hwnd(), SixteenBitId(game), model_.sixteen_bit() ? BST_CHECKED : 0);
  }
  CheckDlgButton(hwnd(), KeepSkidMarksId(game), model_.keep_skid_marks() ? BST_CHECKED : 0);
  FillGeometryChoice();
  AddTrackTip();
  const int return_id = model_.return_button_id();
  SendMessageW(hwnd(), DM_SETDEFID, static_cast<WPARAM>(return_id), 0);
  for (int id : {SourceButtonId(game), kGplButtonId, kConvertButtonId, kBackButtonId}) {
    if (id != return_id) KeepReturnFromButton(Item(id));
  }
  ShowTracks();
  // The focus starts on the button Return presses, not on a list without a selection.
  SetFocus(Item(return_id));
  return true;
}

void ConversionDialog::AddTrackTip() {
  tip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(),
                         nullptr, GetModuleHandleW(nullptr), nullptr);
  const HWND list = Item(kTrackListId);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(list);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 480);
  SetWindowSubclass(list, &ConversionDialog::TrackListProcedure, 1,
                    reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK ConversionDialog::TrackListProcedure(HWND window, UINT message, WPARAM wparam,
                                                      LPARAM lparam, UINT_PTR /*id*/,
                                                      DWORD_PTR data) {
  if (message == WM_MOUSEMOVE) {
    auto* dialog = reinterpret_cast<ConversionDialog*>(data);
    const LRESULT hit = SendMessageW(window, LB_ITEMFROMPOINT, 0, lparam);
    const int row = HIWORD(hit) != 0 ? -1 : static_cast<int>(LOWORD(hit));
    if (row != dialog->tip_row_) {
      // Another entry: the tip goes and comes back with that entry's text.
      dialog->tip_row_ = row;
      SendMessageW(dialog->tip_, TTM_POP, 0, 0);
    }
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

void ConversionDialog::FillGeometryChoice() {
  const HWND choice = Item(kGeometryChoiceId);
  for (const GeometryChoiceEntry& entry : model_.geometry_entries()) {
    SendMessageW(choice, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(WideFromWindows1252(entry.text).c_str()));
  }
  SendMessageW(choice, CB_SETCURSEL, model_.geometry_index(), 0);
}

void ConversionDialog::OnCommand(int id, int code) {
  const SourceGame game = model_.game();
  if (id == kTrackListId) {
    if (code != LBN_SELCHANGE) return;
    const LRESULT row = SendMessageW(Item(kTrackListId), LB_GETCURSEL, 0, 0);
    model_.Select(row == LB_ERR ? std::nullopt
                                : std::optional<std::size_t>(static_cast<std::size_t>(row)));
    EnableWindow(Item(kConvertButtonId), model_.convert_enabled());
  } else if (id == kGeometryChoiceId) {
    if (code != CBN_SELCHANGE) return;
    const LRESULT index = SendMessageW(Item(kGeometryChoiceId), CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) model_.ChooseGeometry(static_cast<std::size_t>(index));
  } else if (id == KeepSkidMarksId(game)) {
    model_.set_keep_skid_marks(Checked(Item(id)));
  } else if (model_.has_sixteen_bit() && id == SixteenBitId(game)) {
    model_.set_sixteen_bit(Checked(Item(id)));
  } else if (id == SourceButtonId(game)) {
    ChooseFolder(true);
  } else if (id == kGplButtonId) {
    ChooseFolder(false);
  } else if (id == kConvertButtonId) {
    StartRun();
  } else if (id == kBackButtonId) {
    if (model_.can_close()) End(IDCANCEL);
  }
}

bool ConversionDialog::OnMessage(UINT message, WPARAM /*wparam*/, LPARAM lparam, INT_PTR& result) {
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lparam)->hwndFrom == tip_ &&
      reinterpret_cast<const NMHDR*>(lparam)->code == TTN_GETDISPINFOW) {
    const std::vector<ConversionModel::Track>& tracks = model_.tracks();
    const bool on_entry = tip_row_ >= 0 && static_cast<std::size_t>(tip_row_) < tracks.size();
    // An empty text shows no tip.
    tip_text_ = on_entry ? WideFromWindows1252(tracks[static_cast<std::size_t>(tip_row_)].tip)
                         : std::wstring();
    reinterpret_cast<NMTTDISPINFOW*>(lparam)->lpszText = tip_text_.data();
    result = 0;
    return true;
  }
  if (message == kRunEnded) {
    FinishRun();
    result = 0;
    return true;
  }
  if (message == WM_SETCURSOR && model_.running()) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    result = TRUE;
    return true;
  }
  return false;
}

void ConversionDialog::ShowTracks() {
  SetWindowTextW(Item(kSourceFolderTextId), WideFromUtf8(model_.source_dir_text()).c_str());
  SetWindowTextW(Item(kGplFolderTextId), WideFromUtf8(model_.gpl_dir_text()).c_str());
  const HWND list = Item(kTrackListId);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const ConversionModel::Track& track : model_.tracks()) {
    SendMessageW(list, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(WideFromWindows1252(track.text).c_str()));
  }
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  EnableWindow(Item(kConvertButtonId), model_.convert_enabled());
}

void ConversionDialog::ShowState() {
  const bool running = model_.running();
  const HWND bar = Item(kProgressBarId);
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (child != bar) EnableWindow(child, model_.controls_enabled());
  }
  EnableWindow(Item(kConvertButtonId), model_.convert_enabled());
  EnableWindow(bar, running);
  SetCursor(LoadCursorW(nullptr, running ? IDC_WAIT : IDC_ARROW));
  if (running) return;
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(model_.focus_after_run_id())),
               TRUE);
}

void ConversionDialog::ChooseFolder(bool source) {
  const std::optional<std::string> chosen =
      source ? choose_folder_(hwnd(), model_.source_chooser(), model_.source_dir())
             : choose_folder_(hwnd(), model_.gpl_chooser(), model_.gpl_dir());
  if (!chosen) return;
  if (source) {
    model_.SetSourceDir(*chosen);
  } else {
    model_.SetGplDir(*chosen);
  }
  ShowTracks();
}

void ConversionDialog::StartRun() {
  // The thread of the run before is still finishing (its converter removing the loose files).
  if (worker_.joinable()) return;
  if (!model_.BeginConvert()) return;
  run_returned_ = false;
  worker_ = std::thread([this, window = hwnd()] {
    model_.RunConversion(&progress_);
    run_returned_ = true;
    PostMessageW(window, kRunEnded, 0, 0);
  });
}

void ConversionDialog::FinishRun() {
  if (worker_.joinable()) worker_.join();
  model_.EndConvert();
}

}  // namespace velmora
