#include "app/about_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/program_icon.h"
#include "dialogs/dialog_texts.h"
#include "gui_qt/dialog_text.h"

namespace velmora {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  const auto text = [](int id) { return ControlText(DialogId::kAbout, id); };
  setWindowTitle(text(kTitleId));
  setModal(true);
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  QLabel* about = PlainLabel(text(kAboutTextId), this);
  about->setObjectName("aboutText");
  SetControlId(*about, kAboutTextId);
  QLabel* credits = PlainLabel(text(kCreditsTextId), this);
  credits->setObjectName("creditsText");
  SetControlId(*credits, kCreditsTextId);
  auto* ok = new QPushButton(text(kAboutOkId), this);
  ok->setObjectName("okButton");
  SetControlId(*ok, kAboutOkId);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(icon, 0, 0, Qt::AlignTop);
  grid->addWidget(about, 0, 1);
  grid->addWidget(ok, 0, 2, Qt::AlignTop);
  grid->addWidget(credits, 1, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  setSizeGripEnabled(false);
}

}  // namespace velmora
