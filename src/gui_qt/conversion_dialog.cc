#include "gui_qt/conversion_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "gui_qt/dialog_sinks.h"
#include "gui_qt/dialog_text.h"
#include "gui_qt/elided_label.h"
#include "gui_qt/path_chooser.h"

namespace velmora {

namespace {

QString ControlName(const char* role, int id) { return QString("%1%2").arg(role).arg(id); }

}  // namespace

ConversionDialog::ConversionDialog(SourceGame game, const Services& services, QWidget* parent)
    : QDialog(parent), model_(game, services) {
  setWindowTitle(Text(kTitleId));
  setModal(true);
  BuildControls();
  ShowTracks();
  model_.set_observer([this] { ShowState(); });
}

QString ConversionDialog::Text(int id) const { return ControlText(model_.dialog(), id); }

QString ConversionDialog::source_dir() const { return FromUtf8(model_.source_dir_text()); }
QString ConversionDialog::gpl_dir() const { return FromUtf8(model_.gpl_dir_text()); }

QPushButton* ConversionDialog::AddButton(int id, const char* name) {
  auto* button = new QPushButton(Text(id), this);
  button->setObjectName(ControlName(name, id));
  SetControlId(*button, id);
  // Only the GPL folder button is pressed by Return; a button that had the focus never is.
  button->setAutoDefault(id == model_.return_button_id());
  button->setDefault(id == model_.return_button_id());
  return button;
}

QCheckBox* ConversionDialog::AddCheckBox(int id, const char* name) {
  auto* box = new QCheckBox(Text(id), this);
  box->setObjectName(ControlName(name, id));
  SetControlId(*box, id);
  return box;
}

void ConversionDialog::BuildControls() {
  auto* icon = new QLabel(this);
  icon->setPixmap(windowIcon().pixmap(32, 32));
  QLabel* select_text = PlainLabel(Text(kSelectTrackTextId), this);
  SetControlId(*select_text, kSelectTrackTextId);
  auto* heading = new QHBoxLayout;
  heading->addWidget(icon);
  heading->addWidget(select_text, 1);

  auto* tracks_label = new QLabel(Text(kTracksLabelId), this);
  SetControlId(*tracks_label, kTracksLabelId);
  tracks_ = new QListWidget(this);
  tracks_->setObjectName("trackList");
  SetControlId(*tracks_, kTrackListId);
  tracks_->setSelectionMode(QAbstractItemView::SingleSelection);
  tracks_label->setBuddy(tracks_);

  const SourceGame game = model_.game();
  QPushButton* source_button = AddButton(SourceButtonId(game), "sourceButton");
  QPushButton* gpl_button = AddButton(kGplButtonId, "gplButton");
  convert_ = AddButton(kConvertButtonId, "convertButton");
  QPushButton* back = AddButton(kBackButtonId, "backButton");
  keep_skid_marks_ = AddCheckBox(KeepSkidMarksId(game), "keepSkidMarks");
  if (model_.has_sixteen_bit()) {
    sixteen_bit_ = AddCheckBox(SixteenBitId(game), "sixteenBit");
    sixteen_bit_->setChecked(model_.sixteen_bit());
  }

  QLabel* source_label = PlainLabel(Text(kSourceFolderLabelId), this);
  QLabel* gpl_label = PlainLabel(Text(kGplFolderLabelId), this);
  SetControlId(*source_label, kSourceFolderLabelId);
  SetControlId(*gpl_label, kGplFolderLabelId);
  source_dir_text_ = new ElidedLabel(this);
  source_dir_text_->setObjectName("sourceDirText");
  gpl_dir_text_ = new ElidedLabel(this);
  gpl_dir_text_->setObjectName("gplDirText");
  QLabel* hint = PlainLabel(Text(kHintTextId), this);
  SetControlId(*hint, kHintTextId);
  hint->setWordWrap(true);
  BuildGeometryChoice();
  auto* geometry_label = new QLabel(Text(kGeometryLabelId), this);
  SetControlId(*geometry_label, kGeometryLabelId);
  geometry_label->setBuddy(geometry_choice_);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("progressBar");
  progress_->setTextVisible(false);
  progress_->setValue(0);
  progress_->setEnabled(false);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {source_button, gpl_button, convert_, back}) {
    buttons->addWidget(button);
  }
  buttons->addSpacing(8);
  buttons->addWidget(keep_skid_marks_);
  if (sixteen_bit_ != nullptr) buttons->addWidget(sixteen_bit_);
  buttons->addStretch();

  auto* folders = new QGridLayout;
  folders->addWidget(source_label, 0, 0);
  folders->addWidget(source_dir_text_, 0, 1);
  folders->addWidget(gpl_label, 1, 0);
  folders->addWidget(gpl_dir_text_, 1, 1);
  folders->addWidget(geometry_label, 2, 0);
  folders->addWidget(geometry_choice_, 2, 1);
  folders->setColumnStretch(1, 1);

  auto* grid = new QGridLayout(this);
  grid->addLayout(heading, 0, 0, 1, 2);
  grid->addWidget(tracks_label, 1, 0);
  grid->addWidget(tracks_, 2, 0);
  grid->addLayout(buttons, 2, 1);
  grid->addLayout(folders, 3, 0, 1, 2);
  grid->addWidget(hint, 4, 0, 1, 2);
  grid->addWidget(progress_, 5, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  resize(520, 400);
  SetTabOrder(source_button, gpl_button, back);
  // Focus starts on the default button: the list would otherwise show a current entry that
  // looks selected while Convert is still disabled.
  gpl_button->setFocus();

  connect(tracks_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = tracks_->selectedItems();
    model_.Select(selected.isEmpty() ? std::nullopt
                                     : std::optional<std::size_t>(tracks_->row(selected[0])));
    convert_->setEnabled(model_.convert_enabled());
  });
  connect(keep_skid_marks_, &QCheckBox::toggled, this,
          [this](bool on) { model_.set_keep_skid_marks(on); });
  if (sixteen_bit_ != nullptr) {
    connect(sixteen_bit_, &QCheckBox::toggled, this,
            [this](bool on) { model_.set_sixteen_bit(on); });
  }
  connect(source_button, &QPushButton::clicked, this, &ConversionDialog::ChooseSourceFolder);
  connect(gpl_button, &QPushButton::clicked, this, &ConversionDialog::ChooseGplFolder);
  connect(convert_, &QPushButton::clicked, this, &ConversionDialog::Convert);
  connect(back, &QPushButton::clicked, this, &QDialog::reject);
}

void ConversionDialog::SetTabOrder(QPushButton* source_button, QPushButton* gpl_button,
                                   QPushButton* back) {
  // Top to bottom, left to right: the list, the buttons and boxes beside it, then the choice
  // below them.
  QList<QWidget*> order = {tracks_, source_button, gpl_button, convert_, back, keep_skid_marks_};
  if (sixteen_bit_ != nullptr) order.push_back(sixteen_bit_);
  order.push_back(geometry_choice_);
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void ConversionDialog::BuildGeometryChoice() {
  geometry_choice_ = new QComboBox(this);
  geometry_choice_->setObjectName("geometryChoice");
  SetControlId(*geometry_choice_, kGeometryChoiceId);
  for (const GeometryChoiceEntry& entry : model_.geometry_entries()) {
    geometry_choice_->addItem(FromWindows1252(entry.text));
  }
  geometry_choice_->setCurrentIndex(static_cast<int>(model_.geometry_index()));
  // Only a choice the user makes reaches the model; opening the dialog writes nothing.
  connect(geometry_choice_, &QComboBox::activated, this,
          [this](int index) { model_.ChooseGeometry(static_cast<std::size_t>(index)); });
}

void ConversionDialog::ShowTracks() {
  source_dir_text_->set_full_text(FromUtf8(model_.source_dir_text()));
  gpl_dir_text_->set_full_text(FromUtf8(model_.gpl_dir_text()));
  const QSignalBlocker quiet(tracks_);
  tracks_->clear();
  for (const ConversionModel::Track& track : model_.tracks()) {
    auto* item = new QListWidgetItem(FromWindows1252(track.text), tracks_);
    if (!track.tip.empty()) item->setToolTip(PlainToolTip(FromWindows1252(track.tip)));
  }
  tracks_->setCurrentRow(-1);
  convert_->setEnabled(model_.convert_enabled());
}

void ConversionDialog::ShowState() {
  const bool enabled = model_.controls_enabled();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child != progress_) child->setEnabled(enabled);
  }
  convert_->setEnabled(model_.convert_enabled());
  progress_->setEnabled(model_.running());
  if (model_.running() && !busy_shown_) QApplication::setOverrideCursor(Qt::WaitCursor);
  if (!model_.running() && busy_shown_) QApplication::restoreOverrideCursor();
  busy_shown_ = model_.running();
  if (model_.running()) return;
  progress_->setValue(0);
  if (QWidget* focus = FindControl(*this, model_.focus_after_run_id())) focus->setFocus();
}

std::optional<std::string> ConversionDialog::ChooseFolder(const ChooserTexts& texts,
                                                          const std::string& start) {
  PathChooser chooser(texts, start, this);
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  return chooser.chosen();
}

void ConversionDialog::ChooseSourceFolder() {
  std::optional<std::string> chosen = ChooseFolder(model_.source_chooser(), model_.source_dir());
  if (!chosen) return;
  model_.SetSourceDir(std::move(*chosen));
  ShowTracks();
}

void ConversionDialog::ChooseGplFolder() {
  std::optional<std::string> chosen = ChooseFolder(model_.gpl_chooser(), model_.gpl_dir());
  if (!chosen) return;
  model_.SetGplDir(std::move(*chosen));
  ShowTracks();
}

void ConversionDialog::Convert() {
  ProgressBarSink progress(progress_);
  model_.Convert(&progress);
}

void ConversionDialog::reject() {
  if (model_.can_close()) QDialog::reject();
}

}  // namespace velmora
