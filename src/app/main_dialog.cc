#include "app/main_dialog.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/about_dialog.h"
#include "app/program_icon.h"
#include "dialogs/conversion_dialog.h"

namespace velmora {

namespace {

constexpr int kExitButtonId = 1;
constexpr int kAboutButtonId = 1009;

struct GameButton {
  SourceGame game;
  int id;
  const char* text;
};

constexpr GameButton kGameButtons[] = {
    {SourceGame::kCart, 1007, "Convert CART/ICR2 to GPL"},
    {SourceGame::kN2, 1008, "Convert N2 to GPL"},
    {SourceGame::kN3, 1010, "Convert N3 to GPL"},
    {SourceGame::kNl, 1014, "Convert NL to GPL"},
};

QPushButton* MakeButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString("button%1").arg(id));
  return button;
}

}  // namespace

int MainDialog::ConvertButtonId(SourceGame game) {
  for (const GameButton& button : kGameButtons) {
    if (button.game == game) return button.id;
  }
  return 0;
}

MainDialog::MainDialog(const Services& services, QWidget* parent)
    : QDialog(parent), services_(services) {
  setWindowTitle("CART/ICR2/N3 To GPL Converter");
  setWindowIcon(ProgramIcon());

  auto* icon = new QLabel(this);
  icon->setObjectName("programIcon");
  icon->setPixmap(ProgramIcon().pixmap(32, 32));

  auto* buttons = new QVBoxLayout;
  for (const GameButton& game : kGameButtons) {
    QPushButton* button = MakeButton(this, game.id, game.text);
    connect(button, &QPushButton::clicked, this,
            [this, which = game.game] { RunConversionDialog(which); });
    buttons->addWidget(button);
  }
  QPushButton* about = MakeButton(this, kAboutButtonId, "About");
  connect(about, &QPushButton::clicked, this, &MainDialog::RunAboutDialog);
  QPushButton* exit = MakeButton(this, kExitButtonId, "Exit");
  exit->setDefault(true);
  connect(exit, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addSpacing(8);
  buttons->addWidget(about);
  buttons->addWidget(exit);

  auto* grid = new QGridLayout(this);
  grid->addWidget(icon, 0, 0, Qt::AlignTop);
  grid->addLayout(buttons, 0, 1);
  grid->setColumnMinimumWidth(1, 220);

  auto* about_action = new QAction("&About Velmora...", this);
  about_action->setObjectName("aboutAction");
  connect(about_action, &QAction::triggered, this, &MainDialog::RunAboutDialog);
  addAction(about_action);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  exit->setFocus();
}

void MainDialog::RunConversionDialog(SourceGame game) {
  ConversionDialog dialog(GameInfo(game), services_, this);
  dialog.exec();
}

void MainDialog::RunAboutDialog() {
  AboutDialog dialog(this);
  dialog.exec();
}

}  // namespace velmora
