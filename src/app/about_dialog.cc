#include "app/about_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/program_icon.h"
#include "platform/version.h"

namespace velmora {

namespace {

constexpr const char* kCredits =
    "Written by the Velmora developers.\n"
    "Built with Qt 6 and FreeType. Track names, racing lines and\n"
    "trackside tables gathered by the community of track converters.";

}  // namespace

QString AboutText() {
  return QString("CART/ICR2/N2/N3/NL To GPL Converter\nVersion ") + kVersion;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Velmora");
  setModal(true);
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  auto* about = new QLabel(AboutText(), this);
  about->setObjectName("aboutText");
  auto* credits = new QLabel(kCredits, this);
  credits->setObjectName("creditsText");
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("okButton");
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
