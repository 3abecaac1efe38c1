#include "app/composite_views.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/dialogs.h"
#include "app/disk_path.h"
#include "app/frame_views.h"
#include "app/frames_dock.h"
#include "catalogue/folder_entries.h"
#include "export/export_format.h"
#include "frames/file_name.h"
#include "viewer/viewer.h"

namespace vantorel {

namespace {

constexpr const char* ChannelLabels[3] = {"&Red:", "&Green:", "&Blue:"};
constexpr const char* ChannelObjectNames[3] = {"CompositeRed", "CompositeGreen", "CompositeBlue"};
// Weights beyond this only clip the channel.
constexpr double MostWeight = 4;

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QString DialogFilterOf(ExportFormat format) { return Text(EntryOf(format).DialogFilter); }

bool SameLook(const AnimationLook& a, const AnimationLook& b) {
  return a.Options == b.Options && a.Original == b.Original && a.Steps.BrightnessStep == b.Steps.BrightnessStep &&
         a.Steps.ContrastStep == b.Steps.ContrastStep && a.Steps.GradientStep == b.Steps.GradientStep;
}

}  // namespace

CompositeDialog::CompositeDialog(QWidget* parent, Dialogs& dialogs) : QDialog(parent), dialogs_(dialogs) {
  setObjectName("CompositeDialog");
  setWindowTitle("Colour Composite");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("The green and blue frames are aligned to the red one."));
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Frame"), 0, 1);
  grid->addWidget(new QLabel("Weight"), 0, 3);
  for (int c = 0; c < 3; ++c) {
    const std::size_t channel = std::size_t(c);
    frames_[channel] = new QComboBox;
    frames_[channel]->setObjectName(ChannelObjectNames[c]);
    // Wide enough for a name and the longest filter caption.
    frames_[channel]->setMinimumContentsLength(36);
    frames_[channel]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* label = new QLabel(ChannelLabels[c]);
    label->setBuddy(frames_[channel]);
    auto* browse = new QPushButton("Browse...");
    browse->setObjectName(QString(ChannelObjectNames[c]) + "Browse");
    connect(browse, &QPushButton::clicked, this, [this, c] { BrowseFor(c); });
    weights_[channel] = new QDoubleSpinBox;
    weights_[channel]->setObjectName(QString(ChannelObjectNames[c]) + "Weight");
    weights_[channel]->setRange(0, MostWeight);
    weights_[channel]->setSingleStep(0.1);
    weights_[channel]->setDecimals(2);
    weights_[channel]->setValue(1);
    grid->addWidget(label, c + 1, 0);
    grid->addWidget(frames_[channel], c + 1, 1);
    grid->addWidget(browse, c + 1, 2);
    grid->addWidget(weights_[channel], c + 1, 3);
  }
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void CompositeDialog::Offer(const std::vector<std::string>& frames, const ColorSet& chosen,
                            const std::function<std::string(const std::string&)>& filterOf) {
  filterOf_ = filterOf;
  for (std::size_t c = 0; c < 3; ++c) {
    frames_[c]->clear();
    for (const std::string& frame : frames) AddFrame(int(c), frame);
    Choose(int(c), chosen[c]);
    weights_[c]->setValue(1);
  }
}

void CompositeDialog::AddFrame(int channel, const std::string& path) {
  QComboBox& list = *frames_[std::size_t(channel)];
  QString label = DisplayPath(std::string(FileNamePart(path)));
  // The filter beside the name, since the filters decide which frame is which colour.
  if (const std::string filter = filterOf_ ? filterOf_(path) : std::string(); !filter.empty())
    label += QString::fromUtf8(" \u2014 ") + QString::fromStdString(filter);
  list.addItem(label, QByteArray::fromStdString(path));
  list.setItemData(list.count() - 1, QDir::toNativeSeparators(DisplayPath(path)), Qt::ToolTipRole);
}

void CompositeDialog::Choose(int channel, const std::string& path) {
  QComboBox& list = *frames_[std::size_t(channel)];
  int index = list.findData(QByteArray::fromStdString(path));
  if (index < 0) {
    AddFrame(channel, path);
    index = list.count() - 1;
  }
  list.setCurrentIndex(index);
}

ColorSet CompositeDialog::Chosen() const {
  ColorSet chosen;
  for (std::size_t c = 0; c < 3; ++c) chosen[c] = frames_[c]->currentData().toByteArray().toStdString();
  return chosen;
}

std::array<double, 3> CompositeDialog::Weights() const {
  return {weights_[0]->value(), weights_[1]->value(), weights_[2]->value()};
}

void CompositeDialog::BrowseFor(int channel) {
  if (!fileDialog_) {
    fileDialog_ = new QFileDialog(this, "Choose a frame");
    fileDialog_->setObjectName("CompositeFrameDialog");
    fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog_->setFileMode(QFileDialog::ExistingFile);
    HideCompleterPopupsOnFinish(*fileDialog_);
  }
  const std::string current = frames_[std::size_t(channel)]->currentData().toByteArray().toStdString();
  if (!current.empty()) fileDialog_->setDirectory(DisplayPath(DirectoryPart(current)));
  const std::optional<QString> chosen = dialogs_.ChooseFile(*fileDialog_);
  if (chosen && !chosen->isEmpty()) Choose(channel, DiskPathFor(*chosen, current));
}

CompositeViews::CompositeViews(QMainWindow& window, const Viewer& viewer, FrameViews& frameViews,
                               const FramesDock& framesDock, Dialogs& dialogs)
    : window_(window),
      viewer_(viewer),
      frameViews_(frameViews),
      framesDock_(framesDock),
      dialogs_(dialogs),
      dialog_(new CompositeDialog(&window, dialogs)) {}

AnimationLook CompositeViews::CurrentLook() const {
  const FrameDocument& document = viewer_.Document();
  return {document.ActiveOptions(), document.Steps(), document.ShowsOriginal(), document.Display()};
}

std::vector<CatalogueEntry> CompositeViews::EntriesAround() const {
  // The dock lists nothing until it is first shown, and a hidden dock keeps
  // the folder it listed last: the frame's own folder's headers then.
  const FrameBrowser& browser = framesDock_.Browser();
  const std::string& current = viewer_.Document().CurrentPath();
  if (browser.EntryOf(current)) return browser.Entries();
  std::string error;
  return ReadFolderEntries(DirectoryPart(current), error);
}

ColorSet CompositeViews::Preset(const FrameBrowser& browser) const {
  const FrameDocument& document = viewer_.Document();
  const std::vector<std::string> selected = framesDock_.SelectedPaths();
  if (selected.size() == 3) {
    std::array<const CatalogueEntry*, 3> entries{};
    bool known = true;
    for (std::size_t c = 0; c < 3; ++c) {
      const std::optional<std::size_t> entry = browser.EntryOf(selected[c]);
      known = known && entry;
      if (entry) entries[c] = &browser.Entries()[*entry];
    }
    if (known)
      if (const std::optional<ColorSet> ordered = ColorOrder(entries)) return *ordered;
    return {selected[0], selected[1], selected[2]};
  }
  if (const std::optional<ColorSet> suggested = SuggestColorSet(browser.Entries(), document.Header().Record))
    return *suggested;
  const std::string& current = document.CurrentPath();
  return {current, current, current};
}

void CompositeViews::Start(const std::function<void()>& makeRoom) {
  if (!frameViews_.FrameShown()) return;
  FrameBrowser around;
  around.SetEntries(EntriesAround());
  dialog_->Offer(viewer_.ListedPaths(), Preset(around), [&around](const std::string& path) {
    const std::optional<std::size_t> entry = around.EntryOf(path);
    return entry ? FilterCaption(around.Entries()[*entry]) : std::string();
  });
  if (dialogs_.ShowModal(*dialog_) != QDialog::Accepted) return;
  CompositeSettings settings;
  settings.Weights = dialog_->Weights();
  if (!document_.Compose(dialog_->Chosen(), CurrentLook(), settings)) return Failed("Colour Composite");
  makeRoom();
  Show();
  window_.statusBar()->showMessage("Composite: " + QString::fromStdString(document_.OffsetsText()), NoticeMs);
}

void CompositeViews::Follow() {
  if (!Shown() || SameLook(document_.Look(), CurrentLook())) return;
  if (!document_.Recompose(CurrentLook())) return Failed("Colour Composite");
  Show();
}

void CompositeViews::Show() {
  const Composite& composite = document_.Picture();
  const QImage picture(composite.Bgr.data(), PictureSamples, FrameLines, PictureSamples * 3, QImage::Format_BGR888);
  frameViews_.ShowInstead(picture.copy(), "Composite");
  frameViews_.SetReadout([this](int x, int y) { return document_.ReadoutAt(x, y); });
}

void CompositeViews::Failed(const QString& title) {
  const QString why = QString::fromLocal8Bit(document_.Error());
  End();
  dialogs_.ShowError(&window_, title, QString("Could not make the composite: %1").arg(why));
}

void CompositeViews::End() {
  const bool shown = Shown();
  document_.Clear();
  if (!shown) return;
  frameViews_.ShowInstead(QImage(), {});
  frameViews_.SetReadout(nullptr);
}

void CompositeViews::MirrorCommands(QAction& save, QAction& close) const {
  save.setEnabled(Shown());
  close.setEnabled(Shown());
}

void CompositeViews::SaveAs() {
  if (!Shown()) return;
  const std::string& red = document_.Frames()[0];
  if (!saveDialog_) {
    saveDialog_ = new QFileDialog(&window_, "Save Composite");
    saveDialog_->setObjectName("CompositeSaveDialog");
    saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog_->setFileMode(QFileDialog::AnyFile);
    saveDialog_->setNameFilters({DialogFilterOf(ExportFormat::Png), DialogFilterOf(ExportFormat::StandardFits)});
    saveDialog_->setDefaultSuffix(Text(EntryOf(ExportFormat::Png).DialogSuffix));
    saveDialog_->setDirectory(DisplayPath(DirectoryPart(red)));
    QObject::connect(saveDialog_, &QFileDialog::filterSelected, saveDialog_, [this](const QString& filter) {
      const ExportFormat format =
          filter == DialogFilterOf(ExportFormat::Png) ? ExportFormat::Png : ExportFormat::StandardFits;
      saveDialog_->setDefaultSuffix(Text(EntryOf(format).DialogSuffix));
    });
    HideCompleterPopupsOnFinish(*saveDialog_);
  }
  const ExportFormat chosenEntry = saveDialog_->selectedNameFilter() == DialogFilterOf(ExportFormat::Png)
                                       ? ExportFormat::Png
                                       : ExportFormat::StandardFits;
  std::string suggested(FileNamePart(red));
  suggested += "-rgb";
  saveDialog_->selectFile(DisplayPath(SuggestedExportName(suggested, chosenEntry)));
  SelectFileNameField(*saveDialog_);
  const std::optional<QString> chosen = dialogs_.ChooseFile(*saveDialog_);
  if (!chosen || chosen->isEmpty() || !Shown()) return;
  const std::string path = DiskPathFor(*chosen, red);
  const QString shownPath = QDir::toNativeSeparators(DisplayPath(path));
  const std::optional<ExportFormat> named = ExportFormatFor(path);
  if (named == ExportFormat::Bmp) {
    dialogs_.ShowInformation(&window_, "Save Composite",
                             QString("%1 was not saved: a composite is written as .png or .fits.").arg(shownPath));
    return;
  }
  const ExportFormat format = !named                       ? chosenEntry
                              : named == ExportFormat::Png ? ExportFormat::Png
                                                           : ExportFormat::StandardFits;
  const SaveOutcome outcome = document_.Save(path, format);
  if (!outcome.Saved) {
    dialogs_.ShowError(&window_, "Save Composite",
                       QString("Could not save %1: %2").arg(shownPath, QString::fromLocal8Bit(outcome.Error)));
    return;
  }
  saveDialog_->setDirectory(DisplayPath(DirectoryPart(path)));
  window_.statusBar()->showMessage(QString("%1 written").arg(shownPath), NoticeMs);
}

}  // namespace vantorel
