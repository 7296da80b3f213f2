#include "app/main_dialog.h"

#include <QAction>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/about_dialog.h"
#include "app/program_icon.h"
#include "dialogs/dialog_texts.h"
#include "gui_qt/conversion_dialog.h"
#include "gui_qt/dialog_text.h"

namespace velmora {

namespace {

// Room the window frame takes beside the title text: the icon and the frame's own buttons.
constexpr int kTitleBarRoom = 160;

}  // namespace

MainDialog::MainDialog(const Services& services, QWidget* parent)
    : QDialog(parent), services_(services) {
  const QString title = ControlText(DialogId::kMain, kTitleId);
  setWindowTitle(title);
  setWindowIcon(ProgramIcon());

  auto* icon = new QLabel(this);
  icon->setObjectName("programIcon");
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  SetControlId(*icon, kProgramIconId);

  auto* buttons = new QVBoxLayout;
  QPushButton* return_button = nullptr;
  for (const MainButton& button : MainButtons()) {
    auto* push = new QPushButton(ControlText(DialogId::kMain, button.id), this);
    push->setObjectName(QString("button%1").arg(button.id));
    SetControlId(*push, button.id);
    // Only Exit is pressed by Return; a button used before does not take that over.
    const bool is_return = button.id == MainReturnButtonId();
    push->setAutoDefault(is_return);
    push->setDefault(is_return);
    if (is_return) return_button = push;
    if (button.action == MainAction::kAbout) buttons->addSpacing(8);
    connect(push, &QPushButton::clicked, this, [this, &button] { Press(button); });
    buttons->addWidget(push);
  }

  auto* grid = new QGridLayout(this);
  grid->addWidget(icon, 0, 0, Qt::AlignTop);
  grid->addLayout(buttons, 0, 1);
  grid->setColumnMinimumWidth(1, 220);
  // The whole title stays readable in the title bar.
  setMinimumWidth(QFontMetrics(font()).horizontalAdvance(title) + kTitleBarRoom);

  auto* about_action = new QAction(FromWindows1252(kAboutMenuText), this);
  about_action->setObjectName("aboutAction");
  connect(about_action, &QAction::triggered, this, &MainDialog::RunAboutDialog);
  addAction(about_action);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  if (return_button != nullptr) return_button->setFocus();
}

void MainDialog::Press(const MainButton& button) {
  switch (button.action) {
    case MainAction::kConvert:
      RunConversionDialog(button.game);
      return;
    case MainAction::kAbout:
      RunAboutDialog();
      return;
    case MainAction::kExit:
      accept();
      return;
  }
}

void MainDialog::RunConversionDialog(SourceGame game) {
  ConversionDialog dialog(game, services_, this);
  dialog.exec();
}

void MainDialog::RunAboutDialog() {
  AboutDialog dialog(this);
  dialog.exec();
}

}  // namespace velmora
