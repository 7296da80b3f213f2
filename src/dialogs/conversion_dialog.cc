#include "dialogs/conversion_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <vector>

#include "dialogs/dialog_sinks.h"
#include "dialogs/dialog_text.h"
#include "dialogs/game_dialog_text.h"
#include "dialogs/geometry_choice.h"
#include "dialogs/path_chooser.h"
#include "pipeline/track_converter.h"
#include "pipeline/track_name_table.h"
#include "platform/message_sink.h"
#include "platform/settings.h"

namespace velmora {

namespace {

QString Text(std::string_view text) { return FromWindows1252(text); }

QString ControlName(const char* role, int id) { return QString("%1%2").arg(role).arg(id); }

// Each list entry keeps the folder a conversion is given under this role.
constexpr int kSourceTrackRole = Qt::UserRole;
constexpr std::string_view kAddOnSuffix = " (add-on)";

}  // namespace

ConversionDialog::ConversionDialog(const SourceGameInfo& game, const Services& services,
                                   QWidget* parent)
    : QDialog(parent),
      game_(game),
      text_(DialogTextOf(game.game)),
      services_(services),
      source_dir_(FromPath(services.settings.Folder(game.settings_key))),
      gpl_dir_(FromPath(services.settings.Folder(kGplPathKey))),
      geometry_(services.settings.TrackFileConversion()) {
  setWindowTitle(Text(text_.dialog_title));
  setModal(true);
  BuildControls();
  RefreshTracks();
  if (sixteen_bit_ != nullptr) sixteen_bit_->setChecked(services_.settings.HqSky() != 0);
}

QPushButton* ConversionDialog::AddButton(int id, std::string_view text, const char* name) {
  auto* button = new QPushButton(Text(text), this);
  button->setObjectName(ControlName(name, id));
  return button;
}

QCheckBox* ConversionDialog::AddCheckBox(int id, std::string_view text, const char* name) {
  auto* box = new QCheckBox(Text(text), this);
  box->setObjectName(ControlName(name, id));
  return box;
}

void ConversionDialog::BuildControls() {
  auto* icon = new QLabel(this);
  icon->setPixmap(windowIcon().pixmap(32, 32));
  auto* select_text = new QLabel(Text(kSelectTrackText), this);
  auto* heading = new QHBoxLayout;
  heading->addWidget(icon);
  heading->addWidget(select_text, 1);

  auto* tracks_label = new QLabel(Text(kTracksAvailableText), this);
  tracks_ = new QListWidget(this);
  tracks_->setObjectName("trackList");
  tracks_->setSelectionMode(QAbstractItemView::SingleSelection);
  tracks_label->setBuddy(tracks_);

  QPushButton* gpl_button = AddButton(kGplButtonId, kGplButtonText, "gplButton");
  gpl_button->setDefault(true);
  // Focus starts on the default button: the list would otherwise show a current entry that
  // looks selected while Convert is still disabled.
  gpl_button->setFocus();
  QPushButton* source_button =
      AddButton(text_.source_button_id, text_.source_button_text, "sourceButton");
  convert_ = AddButton(kConvertButtonId, kConvertButtonText, "convertButton");
  convert_->setEnabled(false);
  QPushButton* back = AddButton(kBackButtonId, kBackButtonText, "backButton");

  keep_skid_marks_ =
      AddCheckBox(text_.keep_skid_marks_id, text_.keep_skid_marks_text, "keepSkidMarks");
  if (text_.sixteen_bit_id != 0) {
    sixteen_bit_ = AddCheckBox(text_.sixteen_bit_id, text_.sixteen_bit_text, "sixteenBit");
  }

  source_dir_text_ = new QLabel(this);
  source_dir_text_->setObjectName("sourceDirText");
  gpl_dir_text_ = new QLabel(this);
  gpl_dir_text_->setObjectName("gplDirText");
  for (QLabel* folder : {source_dir_text_, gpl_dir_text_}) {
    // Long folders are cut at the dialog's edge rather than widening it; the tip shows them whole.
    folder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    folder->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  auto* hint = new QLabel(Text(game_.hint_text), this);
  hint->setWordWrap(true);
  BuildGeometryChoice();
  auto* geometry_label = new QLabel(Text(kGeometryChoiceLabel), this);
  geometry_label->setBuddy(geometry_choice_);
  auto* geometry_row = new QHBoxLayout;
  geometry_row->addWidget(geometry_label);
  geometry_row->addWidget(geometry_choice_, 1);

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

  auto* grid = new QGridLayout(this);
  grid->addLayout(heading, 0, 0, 1, 2);
  grid->addWidget(tracks_label, 1, 0);
  grid->addWidget(tracks_, 2, 0);
  grid->addLayout(buttons, 2, 1);
  grid->addWidget(source_dir_text_, 3, 0, 1, 2);
  grid->addWidget(gpl_dir_text_, 4, 0, 1, 2);
  grid->addLayout(geometry_row, 5, 0, 1, 2);
  grid->addWidget(hint, 6, 0, 1, 2);
  grid->addWidget(progress_, 7, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  resize(520, 400);

  connect(tracks_, &QListWidget::itemSelectionChanged, this,
          [this] { convert_->setEnabled(!tracks_->selectedItems().isEmpty()); });
  connect(source_button, &QPushButton::clicked, this, &ConversionDialog::ChooseSourceFolder);
  connect(gpl_button, &QPushButton::clicked, this, &ConversionDialog::ChooseGplFolder);
  connect(convert_, &QPushButton::clicked, this, &ConversionDialog::Convert);
  connect(back, &QPushButton::clicked, this, &QDialog::reject);
}

void ConversionDialog::RefreshTracks() {
  source_dir_text_->setText(source_dir_);
  source_dir_text_->setToolTip(source_dir_);
  gpl_dir_text_->setText(gpl_dir_);
  gpl_dir_text_->setToolTip(gpl_dir_);
  const std::vector<InstalledTrack> found = FindInstalledTracks(game_, ToPath(source_dir_));
  QStringList names;
  for (const InstalledTrack& track : found) {
    if (!track.add_on) names.push_back(FromWindows1252(track.display_name));
  }
  SortForDisplay(names);
  tracks_->clear();
  for (const QString& name : names) {
    auto* item = new QListWidgetItem(name, tracks_);
    item->setData(kSourceTrackRole, FromWindows1252(FolderOfDisplayName(ToWindows1252(name))));
  }
  // Add-on tracks follow the game's own, in the order found, set apart by their mark.
  for (const InstalledTrack& track : found) {
    if (!track.add_on) continue;
    auto* item = new QListWidgetItem(Text(track.display_name + std::string(kAddOnSuffix)), tracks_);
    item->setData(kSourceTrackRole, FromWindows1252(track.source_track));
    item->setToolTip(Text("An add-on track in the folder " + track.folder));
  }
  tracks_->clearSelection();
  tracks_->setCurrentRow(-1);
  convert_->setEnabled(false);
  if (!found.empty()) services_.settings.SetFolder(game_.settings_key, ToPath(source_dir_));
}

std::optional<QString> ConversionDialog::ChooseFolder(std::string_view title,
                                                      std::string_view probe_file,
                                                      std::string_view found_message,
                                                      const QString& start) {
  PathChooser chooser(this);
  chooser.set_title(Text(title));
  chooser.set_probe_file(Text(probe_file));
  chooser.set_found_message(Text(found_message));
  chooser.set_path(start);
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  return chooser.path();
}

void ConversionDialog::ChooseSourceFolder() {
  std::optional<QString> chosen =
      ChooseFolder(text_.chooser_title, game_.probe_file, text_.found_message, source_dir_);
  if (!chosen) return;
  source_dir_ = *chosen;
  RefreshTracks();
}

void ConversionDialog::ChooseGplFolder() {
  std::optional<QString> chosen =
      ChooseFolder(kGplChooserTitle, kGplProbeFile, kGplFoundMessage, gpl_dir_);
  if (!chosen) return;
  gpl_dir_ = *chosen;
  RefreshTracks();
}

void ConversionDialog::Convert() {
  if (sixteen_bit_ != nullptr) services_.settings.SetHqSky(sixteen_bit_->isChecked() ? 1 : 0);
  const QList<QListWidgetItem*> selected = tracks_->selectedItems();
  if (selected.isEmpty()) return;
  RunPipeline(ToWindows1252(selected.front()->data(kSourceTrackRole).toString()));
}

void ConversionDialog::BuildGeometryChoice() {
  geometry_choice_ = new QComboBox(this);
  geometry_choice_->setObjectName("geometryChoice");
  for (const GeometryChoiceEntry& entry : GeometryChoiceEntries(geometry_)) {
    geometry_choice_->addItem(Text(entry.text), entry.value ? QVariant(*entry.value) : QVariant());
  }
  geometry_choice_->setCurrentIndex(
      static_cast<int>(GeometryChoiceIndex(GeometryChoiceEntries(geometry_), geometry_)));
  // Only a choice the user makes is stored; opening the dialog writes nothing.
  connect(geometry_choice_, &QComboBox::activated, this, &ConversionDialog::ChooseGeometry);
}

void ConversionDialog::ChooseGeometry(int index) {
  const QVariant data = geometry_choice_->itemData(index);
  const std::optional<int> chosen = data.isValid() ? std::optional<int>(data.toInt()) : std::nullopt;
  if (chosen == geometry_) return;
  geometry_ = chosen;
  services_.settings.SetTrackFileConversion(chosen);
}

void ConversionDialog::reject() {
  if (!running_) QDialog::reject();
}

void ConversionDialog::RunPipeline(const std::string& folder) {
  // The converter lives until the finished message has been read: destroying it deletes the
  // loose files that went into the track archive.
  TrackConverter converter(services_);
  running_ = true;
  progress_->setEnabled(true);
  ProgressBarSink progress(progress_);
  const std::string source = ToPath(source_dir_);
  const std::string gpl = ToPath(gpl_dir_);
  const RunRequest request{.src_dir = source,
                           .gpl_dir = gpl,
                           .source_track = folder,
                           .keep_skid_marks = keep_skid_marks_->isChecked(),
                           .sixteen_bit_sky = sixteen_bit_ != nullptr && sixteen_bit_->isChecked(),
                           .progress = &progress,
                           .geometry = GeometryChoiceOf(geometry_),
                           .track_file_control = std::string(kGeometryChoiceControl)};
  // The result is not looked at: a run that stopped early has shown why already.
  static_cast<void>(converter.Convert(game_.game, request));
  services_.settings.SetFolder(kGplPathKey, gpl);
  services_.messages.Show("Conversion Finished");
  progress_->setValue(0);
  progress_->setEnabled(false);
  running_ = false;
}

}  // namespace velmora
