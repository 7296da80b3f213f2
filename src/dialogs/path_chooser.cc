#include "dialogs/path_chooser.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <optional>

#include "dialogs/dialog_text.h"
#include "platform/file_system.h"

namespace velmora {

namespace {

bool Exists(const QString& path) { return ResolveExisting(ToPath(path)).has_value(); }

// The folder the chooser starts in: the caller's when it exists and fits, else the process's
// current folder; one trailing '/' is dropped so a root's children join without doubling it.
QString StartingPath(const QString& requested) {
  QString path = requested;
  if (path.isEmpty() || path.size() > kMaxPathLength || !Exists(path)) {
    path = QDir::currentPath();
  }
  return WithoutTrailingSlash(path);
}

}  // namespace

PathChooser::PathChooser(QWidget* parent, std::vector<DriveRoot> drives)
    : QDialog(parent), drives_(std::move(drives)) {
  setWindowTitle("Choose Path");
  setModal(true);
  BuildControls();
}

void PathChooser::BuildControls() {
  auto* folders_label = new QLabel("Directories", this);
  folders_ = new QListWidget(this);
  folders_->setObjectName("directoryList");
  folders_->setSelectionMode(QAbstractItemView::SingleSelection);
  folders_label->setBuddy(folders_);

  auto* drives_label = new QLabel("Drives", this);
  drive_box_ = new QComboBox(this);
  drive_box_->setObjectName("driveBox");
  drive_box_->setEditable(false);
  drives_label->setBuddy(drive_box_);

  auto* path_label = new QLabel("Path name", this);
  path_edit_ = new QLineEdit(this);
  path_edit_->setObjectName("pathEdit");
  path_edit_->setMaxLength(kMaxPathLength);
  path_label->setBuddy(path_edit_);
  path_edit_->setFocus();  // typing a path is the quickest way; the list shows no current entry

  found_text_ = new QLabel(this);
  found_text_->setObjectName("foundText");

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cancelButton");
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch();

  auto* grid = new QGridLayout(this);
  grid->addWidget(path_label, 0, 0, 1, 2);
  grid->addWidget(path_edit_, 1, 0, 1, 2);
  grid->addWidget(folders_label, 2, 0);
  grid->addWidget(drives_label, 2, 1);
  grid->addWidget(folders_, 3, 0, 2, 1);
  grid->addWidget(drive_box_, 3, 1);
  grid->addLayout(buttons, 4, 1);
  grid->addWidget(found_text_, 5, 0, 1, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  resize(420, 320);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(folders_, &QListWidget::itemSelectionChanged, this, &PathChooser::OnFolderSelected);
  connect(drive_box_, &QComboBox::activated, this, &PathChooser::OnDriveSelected);
}

void PathChooser::showEvent(QShowEvent* event) {
  if (!opened_) Open();
  QDialog::showEvent(event);
}

void PathChooser::Open() {
  opened_ = true;
  if (!title_.isEmpty()) setWindowTitle(title_);
  path_ = StartingPath(path_);
  ListFolders();
  FillDrives();
  UpdateDisplay();
}

void PathChooser::FillDrives() {
  const QSignalBlocker quiet(drive_box_);
  drive_box_->clear();
  for (const DriveRoot& drive : drives_) drive_box_->addItem(drive.entry);
  drive_box_->setCurrentIndex(DriveOf(drives_, path_));
}

void PathChooser::ListFolders() {
  const QSignalBlocker quiet(folders_);
  folders_->clear();
  folders_->addItems(FolderEntries(path_));
}

void PathChooser::UpdateDisplay() {
  path_edit_->setText(path_);
  if (probe_file_.isEmpty()) return;
  const bool found = Exists(ChildPath(path_, probe_file_));
  found_text_->setText(found ? found_message_ : QString());
}

void PathChooser::OnFolderSelected() {
  const QList<QListWidgetItem*> selected = folders_->selectedItems();
  if (selected.isEmpty()) return;
  const QString name = EntryName(selected.front()->text());
  WalkTo(name == ".." ? ParentPath(path_) : ChildPath(path_, name));
}

void PathChooser::OnDriveSelected(int index) {
  if (index < 0 || index >= static_cast<int>(drives_.size())) return;
  WalkTo(WithoutTrailingSlash(drives_[index].folder));
}

void PathChooser::WalkTo(const QString& path) {
  if (path.size() > kMaxPathLength) {
    // Too deep to hold: stay where we are, with the list as it was before the click.
    QApplication::beep();
    const QSignalBlocker quiet(folders_);
    folders_->clearSelection();
    return;
  }
  path_ = path;
  ListFolders();
  UpdateDisplay();
}

void PathChooser::done(int result) {
  if (result == QDialog::Accepted) path_ = path_edit_->text();
  QDialog::done(result);
}

}  // namespace velmora
