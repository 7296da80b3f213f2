#include "gui_qt/path_chooser.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "gui_qt/dialog_text.h"

namespace velmora {

using Gesture = PathChooserModel::Gesture;

// The folder list, telling a click, Return and a double-click apart from a selection moved
// with the keyboard, and handing type-ahead to the model.
class FolderList : public QListWidget {
 public:
  using QListWidget::QListWidget;

  std::function<void(Gesture, int)> on_act;
  std::function<void(const QString&)> on_type;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
      if (currentRow() >= 0) on_act(Gesture::kEnter, currentRow());
      event->accept();  // Return in the list walks; it does not press OK
      return;
    }
    QListWidget::keyPressEvent(event);
  }
  void keyboardSearch(const QString& search) override { on_type(search); }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    // Not passed on: Qt would take the second press for a new click on the refilled list.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton) {
      on_act(Gesture::kDoubleClick, index.row());
    }
    event->accept();
  }
};

PathChooser::PathChooser(const ChooserTexts& texts, const std::string& start, QWidget* parent,
                         std::vector<DriveRoot> drives)
    : QDialog(parent), model_(texts, start, std::move(drives), SystemDriveSources().home) {
  setWindowTitle(FromWindows1252(model_.title()));
  setModal(true);
  BuildControls();
  ShowListing();
}

void PathChooser::BuildControls() {
  const auto text = [](int id) { return ControlText(DialogId::kChooser, id); };
  QLabel* path_label = new QLabel(text(kPathNameLabelId), this);
  path_edit_ = new QLineEdit(this);
  path_edit_->setObjectName("pathEdit");
  path_edit_->setMaxLength(static_cast<int>(kMaxPathLength));
  path_label->setBuddy(path_edit_);

  QLabel* folders_label = new QLabel(text(kDirectoriesLabelId), this);
  folders_ = new FolderList(this);
  folders_->setObjectName("directoryList");
  folders_->setSelectionMode(QAbstractItemView::SingleSelection);
  folders_label->setBuddy(folders_);

  QLabel* drives_label = new QLabel(text(kDrivesLabelId), this);
  drive_box_ = new QComboBox(this);
  drive_box_->setObjectName("driveBox");
  drives_label->setBuddy(drive_box_);

  found_text_ = PlainLabel(QString(), this);
  found_text_->setObjectName("foundText");

  auto* ok = new QPushButton(text(kChooserOkId), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  auto* cancel = new QPushButton(text(kChooserCancelId), this);
  cancel->setObjectName("cancelButton");
  cancel->setAutoDefault(false);
  SetControlId(*ok, kChooserOkId);
  SetControlId(*cancel, kChooserCancelId);
  SetControlId(*folders_label, kDirectoriesLabelId);
  SetControlId(*drives_label, kDrivesLabelId);
  SetControlId(*path_label, kPathNameLabelId);
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
  // Tab goes top to bottom, left to right; typing a path is the quickest way, so it starts there.
  setTabOrder(path_edit_, folders_);
  setTabOrder(folders_, drive_box_);
  setTabOrder(drive_box_, ok);
  setTabOrder(ok, cancel);
  path_edit_->setFocus();

  folders_->on_act = [this](Gesture gesture, int row) { Act(gesture, row); };
  folders_->on_type = [this](const QString& key) { TypeAhead(key); };
  connect(folders_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { Act(Gesture::kClick, folders_->row(item)); });
  connect(folders_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = folders_->selectedItems();
    if (!selected.isEmpty())
      model_.ActOnEntry(Gesture::kKeyboardSelect, folders_->row(selected[0]));
  });
  connect(path_edit_, &QLineEdit::textChanged, this, [this](const QString& typed) {
    model_.EditPath(ToUtf8(typed));
    ShowFound();
  });
  connect(drive_box_, &QComboBox::activated, this, &PathChooser::ChooseDrive);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PathChooser::ShowListing() {
  {
    const QSignalBlocker quiet(folders_);
    folders_->clear();
    for (const FolderEntry& entry : model_.entries()) folders_->addItem(FromUtf8(entry.text));
  }
  {
    const QSignalBlocker quiet(drive_box_);
    drive_box_->clear();
    for (const DriveRoot& drive : model_.drives()) drive_box_->addItem(FromUtf8(drive.entry));
    drive_box_->setCurrentIndex(model_.drive());
  }
  path_edit_->setText(FromUtf8(model_.edit_text()));
  ShowFound();
}

void PathChooser::ShowFound() { found_text_->setText(FromWindows1252(model_.found_text())); }

void PathChooser::Show(PathChooserModel::Outcome outcome) {
  if (outcome == PathChooserModel::Outcome::kWalked) ShowListing();
  if (outcome == PathChooserModel::Outcome::kRefused) {
    QApplication::beep();
    const QSignalBlocker quiet(folders_);
    folders_->clearSelection();
  }
}

void PathChooser::Act(Gesture gesture, int row) {
  if (row < 0) return;
  Show(model_.ActOnEntry(gesture, static_cast<std::size_t>(row)));
}

void PathChooser::TypeAhead(const QString& key) {
  const std::optional<std::size_t> found =
      model_.TypeAhead(ToUtf8(key), QDateTime::currentMSecsSinceEpoch());
  if (!found) return;
  const QSignalBlocker quiet(folders_);
  folders_->setCurrentRow(static_cast<int>(*found), QItemSelectionModel::ClearAndSelect);
}

void PathChooser::ChooseDrive(int index) {
  if (index >= 0) Show(model_.ChooseDrive(static_cast<std::size_t>(index)));
}

QString PathChooser::path() const {
  return FromUtf8(DisplayPath(accepted_ ? chosen_ : model_.path()));
}

void PathChooser::done(int result) {
  accepted_ = result == QDialog::Accepted;
  if (accepted_) chosen_ = model_.result();
  QDialog::done(result);
}

}  // namespace velmora
