#include "app/main_unit.h"

#include <exception>
#include <optional>
#include <vector>

#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include "analysis/histogram.h"
#include "analysis/readout.h"
#include "analysis/special_pixels.h"
#include "app/about.h"
#include "app/animation_export.h"
#include "app/composite_views.h"
#include "app/dialogs.h"
#include "app/disk_path.h"
#include "app/frames_dock.h"
#include "app/header_bytes_box.h"
#include "app/help_boxes.h"
#include "app/icon_resources.h"
#include "app/info2_unit.h"
#include "app/info_unit.h"
#include "app/open_target.h"
#include "app/recent_menu.h"
#include "export/export_document.h"
#include "export/frame_guard.h"
#include "frames/file_list.h"
#include "frames/file_name.h"

using vantorel::DiskPathFor;
using vantorel::DisplayPath;
using vantorel::NoticeMs;
using vantorel::Option;
using vantorel::StepCommand;

namespace {

constexpr QRect NormalGeometry(218, 212, 575, 450);

// QFileDialog folds the runs of blanks when it shows these.
const char* const Mariner10Filter = "Mariner 10 data set NSSDC ID: PSPA-00108 (*.0* *.1* *.2*)";
const char* const Mariner9Filter = "Mariner 9 data set   NSSDC ID: PSPG-00235  (*.0* *.1* *.2*)";

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// The format of a Save As dialog entry; BMP for one that is not in the table.
vantorel::ExportFormat ExportFormatOfFilter(const QString& filter) {
  for (const vantorel::ExportFormatEntry& entry : vantorel::ExportFormats)
    if (filter == Text(entry.DialogFilter)) return entry.Format;
  return vantorel::ExportFormat::Bmp;
}

bool IsFolder(const std::string& path) { return !path.empty() && QFileInfo(DisplayPath(path)).isDir(); }

}  // namespace

TMainForm::TMainForm(vantorel::Dialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs) {
  setObjectName("MainForm");
  setWindowTitle("Vantorel");
  setWindowIcon(vantorel::ApplicationIcon());
  QFont formFont("MS Sans Serif");
  formFont.setPixelSize(13);
  setFont(formFont);
  setGeometry(NormalGeometry);

  mdiArea_ = new QMdiArea;
  mdiArea_->setObjectName("MdiArea");
  setCentralWidget(mdiArea_);

  frameViews_ = std::make_unique<vantorel::FrameViews>(*this, viewer_, imageWindow_);
  framesDock_ = new vantorel::FramesDock(this, [this] { return ChooseCatalogue(); });
  addDockWidget(Qt::LeftDockWidgetArea, framesDock_);
  framesDock_->hide();
  // Opening from the dock replaces the frame on screen, as a drop does.
  connect(framesDock_, &vantorel::FramesDock::OpenRequested, this,
          [this](const QByteArray& path) { OpenPath(path.toStdString()); });
  compositeViews_ = std::make_unique<vantorel::CompositeViews>(*this, viewer_, *frameViews_, *framesDock_, dialogs_);
  vantorel::MeasureViews& measure = frameViews_->Measure();
  commands_ = std::make_unique<vantorel::CommandWidgets>(
      *this,
      vantorel::CommandWidgets::DockToggles{{"Histogram1", frameViews_->Histogram().toggleViewAction()},
                                            {"Frames1", framesDock_->toggleViewAction()},
                                            {"Statistics1", measure.StatisticsDock().toggleViewAction()},
                                            {"LineProfile1", measure.ProfileDock().toggleViewAction()},
                                            {"PixelTable1", measure.PixelTableDock().toggleViewAction()}},
      [this](vantorel::CommandHandler handler, Needs needs) { RunIfAllowed(handler, needs); });

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(vantorel::DefaultScanIntervalMs);
  connect(timer1_, &QTimer::timeout, this, &TMainForm::Timer1Timer);
  playTimer_ = new QTimer(this);
  playTimer_->setObjectName("PlayTimer");
  connect(playTimer_, &QTimer::timeout, this, &TMainForm::PlayTimerTick);
  animationDialog_ = new vantorel::AnimationExportDialog(this);

  wyborZbioru_ = new QFileDialog(this);
  wyborZbioru_->setObjectName("WyborZbioru");
  // Qt's own dialog, whose name field Open selects.
  wyborZbioru_->setOption(QFileDialog::DontUseNativeDialog);
  wyborZbioru_->setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name that does not exist is accepted and loads as a black frame.
  wyborZbioru_->setFileMode(QFileDialog::AnyFile);
  wyborZbioru_->setNameFilters({Mariner10Filter, Mariner9Filter});
#ifdef VANTOREL_SAMPLES_DIR
  if (QFileInfo(VANTOREL_SAMPLES_DIR).isDir()) wyborZbioru_->setDirectory(QStringLiteral(VANTOREL_SAMPLES_DIR));
#endif

  savePictureDialog_ = new QFileDialog(this, "Save image");
  savePictureDialog_->setObjectName("SavePictureDialog");
  savePictureDialog_->setAcceptMode(QFileDialog::AcceptSave);
  savePictureDialog_->setFileMode(QFileDialog::AnyFile);
  savePictureDialog_->setDefaultSuffix("bmp");
  QStringList exportFilters;
  for (const vantorel::ExportFormatEntry& entry : vantorel::ExportFormats) exportFilters << Text(entry.DialogFilter);
  savePictureDialog_->setNameFilters(exportFilters);
  savePictureDialog_->setOption(QFileDialog::DontConfirmOverwrite, false);
  connect(savePictureDialog_, &QFileDialog::filterSelected, this, &TMainForm::SaveEntryChosen);
  for (QFileDialog* dialog : {wyborZbioru_, savePictureDialog_}) vantorel::HideCompleterPopupsOnFinish(*dialog);

  statusBar()->setObjectName("StatusBar");
  frameViews_->Attach(*statusBar(), *commands_->MenuItem("MarkSpecialPixels1"), *commands_->ToolButton("BlinkBtn"));
  setAcceptDrops(true);

  aboutBox_ = new TAboutBox(this);
  infoBox_ = new TInfoBox(this);
  infoBox2_ = new TInfoBox2(this);
  headerBytesBox_ = new THeaderBytesBox(this);
  connect(infoBox_, &TInfoBox::HeaderBytesRequested, this,
          [this] { RunIfAllowed(&TMainForm::HeaderBytesClick, Needs::Frame); });
  connect(infoBox2_, &TInfoBox2::HeaderBytesRequested, this,
          [this] { RunIfAllowed(&TMainForm::HeaderBytesClick, Needs::Frame); });
  recentMenu_ = new vantorel::RecentMenu(
      *commands_->Submenu("OpenRecent1"), remembered_, [this](const std::string& path) { OpenPath(path); },
      [this] { RememberSettings(); });
  FillColorMapMenu();
  FillBlinkIntervalMenu();
  connect(&frameViews_->Compare(), &vantorel::CompareViews::NudgeRequested, this, [this](int down, int right) {
    viewer_.NudgeComparison(down, right);
    frameViews_->Compare().Refresh();
  });
  vantorel::HistogramDock& histogram = frameViews_->Histogram();
  connect(&histogram, &vantorel::HistogramDock::DisplayScaleEdited, this, [this] {
    vantorel::DisplaySettings display = frameViews_->Histogram().ChosenScale();
    display.Map = viewer_.Document().Display().Map;
    ApplyDisplay(display);
  });
  connect(histogram.View(), &vantorel::HistogramView::LimitsDragged, this, [this](vantorel::ScaleLimits limits) {
    vantorel::DisplaySettings display = viewer_.Document().Display();
    display.HeldLimits = limits;
    ApplyDisplay(display);
  });

  RestoreSettings();
  RefreshCommandStates();
}

TMainForm::~TMainForm() {
  RememberSettings();
  // The image window must not report its end to a form that is going away.
  if (imageWindow_) imageWindow_->disconnect(this);
  timer1_->stop();
  playTimer_->stop();
}

void TMainForm::RunIfAllowed(vantorel::CommandHandler handler, Needs needs) {
  if (vantorel::Allowed(needs, viewer_, FrameShown())) return (this->*handler)();
  // A click that slipped past a disabled state may have toggled a button.
  RefreshCommandStates();
}

template <typename Command>
void TMainForm::RunCommand(const QString& commandName, Command&& command) {
  QString failure;
  try {
    command();
  } catch (const std::exception& error) {
    failure = QString::fromLocal8Bit(error.what());
  } catch (...) {
    failure = "an unknown error";
  }
  // The widgets follow the Viewer also after a failure: it may have got halfway.
  RefreshCommandStates();
  if (!failure.isEmpty()) dialogs_.ShowError(this, "Vantorel", QString("%1 failed: %2").arg(commandName, failure));
}

void TMainForm::RefreshCommandStates() {
  commands_->Mirror(viewer_, FrameShown());
  compositeViews_->MirrorCommands(*commands_->MenuItem("SaveComposite1"), *commands_->MenuItem("CloseComposite1"));

  if (timer1_->interval() != viewer_.TimerInterval()) timer1_->setInterval(viewer_.TimerInterval());
  // Starting only a stopped timer keeps a running scan's rhythm when its direction changes.
  if (viewer_.TimerEnabled() && !timer1_->isActive()) timer1_->start();
  if (!viewer_.TimerEnabled() && timer1_->isActive()) timer1_->stop();
  if (playTimer_->interval() != viewer_.PlayInterval()) playTimer_->setInterval(viewer_.PlayInterval());
  if (viewer_.Playing() != playTimer_->isActive()) viewer_.Playing() ? playTimer_->start() : playTimer_->stop();

  frameViews_->RefreshStatusFields();
}

void TMainForm::ShowLoadedFrame(vantorel::Picture picture) {
  compositeViews_->End();  // it was of the frame before
  const vantorel::HeaderState& header = viewer_.Document().Header();
  infoBox_->SetLabels(header.InfoBox);
  if (header.HeaderKind == vantorel::DataSet::Mariner9) infoBox2_->SetLabels(header.InfoBox2);

  const vantorel::FrameDocument& document = viewer_.Document();
  const QString fileName = DisplayPath(document.CurrentFileName());
  statusBar()->clearMessage();  // a notice of an earlier attempt no longer holds
  framesDock_->ShowFrame(document.CurrentPath());
  if (!imageWindow_) return;
  // Still the black or partial picture such a file gives, but not without a word.
  const std::string notice = vantorel::NotAFrameNotice(document.CurrentFileName(), document.FileCheck());
  if (notice.empty())
    imageWindow_->ClearNotice();
  else
    imageWindow_->ShowNotice(DisplayPath(notice));
  imageWindow_->setWindowTitle(fileName);
  imageWindow_->ShowBitmap(std::move(picture.Bmp));
  frameViews_->Refresh();
}

void TMainForm::ShowRender(vantorel::Picture picture) {
  if (imageWindow_) imageWindow_->ShowBitmap(std::move(picture.Bmp));
  compositeViews_->Follow();
  frameViews_->Refresh();
}

// --- File menu ---------------------------------------------------------------

void TMainForm::Open1Click() {
  if (FrameShown()) return;
  RunCommand("Open", [this] {
    PrepareOpenDialog();
    const std::optional<QString> chosen = dialogs_.ChooseFile(*wyborZbioru_);
    if (!chosen || chosen->isEmpty()) return;
    const std::string path = DiskPathFor(*chosen, viewer_.Document().CurrentPath());
    remembered_.OpenFolder = vantorel::DirectoryPart(path);
    OpenFrameFile(path);
  });
}

void TMainForm::OpenFrameFile(const std::string& path) {
  vantorel::Picture picture = viewer_.OpenFrame(path);
  // A mistyped name is nothing to come back to.
  if (viewer_.Document().FileCheck().IsFrame()) recentMenu_->Note(path);
  auto* child = new TChild;
  connect(child, &TChild::FormClose, this, &TMainForm::ImageWindowClosed);
  connect(child, &TChild::ZoomChanged, frameViews_.get(), &vantorel::FrameViews::RefreshStatusFields);
  connect(child, &TChild::PointerPixelChanged, frameViews_.get(), &vantorel::FrameViews::RefreshStatusFields);
  connect(child, &TChild::ZoomChanged, this, [this, child] { remembered_.FitToWindow = child->Fitting(); });
  frameViews_->Measure().Attach(*child);
  mdiArea_->addSubWindow(child);
  imageWindow_ = child;
  child->showMaximized();
  if (remembered_.FitToWindow) child->FitToWindow();
  ShowLoadedFrame(std::move(picture));
}

void TMainForm::OpenPath(const std::string& path) {
  const vantorel::OpenTarget target = vantorel::OpenTargetFor(path);
  if (target.FramePath.empty()) {
    statusBar()->showMessage(target.Problem, NoticeMs);
    return;
  }
  // The frame on screen goes as if its window were closed: scan stopped, commands back.
  if (imageWindow_) {
    imageWindow_->close();
    if (imageWindow_) return;  // the window would not close
  }
  RunCommand("Open", [this, &target] { OpenFrameFile(target.FramePath); });
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const vantorel::OpenTarget target = vantorel::OpenTargetForDrop(event->mimeData()->urls());
  event->acceptProposedAction();
  if (target.FramePath.empty())
    statusBar()->showMessage(target.Problem, NoticeMs);
  else
    OpenPath(target.FramePath);
}

void TMainForm::PrepareOpenDialog() {
  const std::string& currentPath = viewer_.Document().CurrentPath();
  if (!currentPath.empty()) {
    const QString path = DisplayPath(currentPath);
    wyborZbioru_->setDirectory(QFileInfo(path).absolutePath());
    wyborZbioru_->selectFile(path);
  } else if (IsFolder(remembered_.OpenFolder)) {
    wyborZbioru_->setDirectory(DisplayPath(remembered_.OpenFolder));
  }
  vantorel::SelectFileNameField(*wyborZbioru_);
}

void TMainForm::PrepareSaveDialog() {
  const vantorel::FrameDocument& document = viewer_.Document();
  const std::string folder =
      IsFolder(remembered_.SaveFolder) ? remembered_.SaveFolder : vantorel::DirectoryPart(document.CurrentPath());
  const vantorel::ExportFormatEntry& entry = vantorel::EntryOf(remembered_.SaveEntry);
  savePictureDialog_->setDirectory(DisplayPath(folder));
  savePictureDialog_->selectNameFilter(Text(entry.DialogFilter));
  savePictureDialog_->setDefaultSuffix(Text(entry.DialogSuffix));
  savePictureDialog_->selectFile(
      DisplayPath(vantorel::SuggestedExportName(document.CurrentFileName(), remembered_.SaveEntry)));
  vantorel::SelectFileNameField(*savePictureDialog_);
}

void TMainForm::SaveEntryChosen(const QString& filter) {
  const vantorel::ExportFormat format = ExportFormatOfFilter(filter);
  savePictureDialog_->setDefaultSuffix(Text(vantorel::EntryOf(format).DialogSuffix));
  // Qt's own dialog only; a platform dialog keeps the name as typed.
  if (auto* nameField = savePictureDialog_->findChild<QLineEdit*>("fileNameEdit");
      nameField && !nameField->text().isEmpty())
    nameField->setText(QString::fromStdString(vantorel::SuggestedExportName(nameField->text().toStdString(), format)));
}

void TMainForm::FillColorMapMenu() {
  QMenu& menu = *commands_->Submenu("ColorMap1");
  colorMaps_ = new QActionGroup(this);
  for (const auto& name : vantorel::ColorMapNames) {
    QAction* item = menu.addAction(Text(name.Label));
    item->setObjectName(QString("ColorMap_") + Text(name.Word));
    item->setCheckable(true);
    item->setData(int(name.Value));
    colorMaps_->addAction(item);
    connect(item, &QAction::triggered, this, [this, map = name.Value] {
      vantorel::DisplaySettings display = viewer_.Document().Display();
      display.Map = map;
      ApplyDisplay(display);
    });
  }
}

void TMainForm::ApplyDisplay(const vantorel::DisplaySettings& display) {
  RunCommand("Display", [this, display] { ShowRender(viewer_.SetDisplay(display)); });
  const vantorel::DisplaySettings& now = viewer_.Document().Display();
  frameViews_->Histogram().ShowScale(now);
  for (QAction* item : colorMaps_->actions()) item->setChecked(item->data().toInt() == int(now.Map));
  remembered_.Display = now;
  remembered_.Display.HeldLimits.reset();
}

void TMainForm::RestoreSettings() {
  QSettings store;
  remembered_ = vantorel::ReadSettings(store);
  ApplyDisplay(remembered_.Display);
  viewer_.KeepAdjustments(remembered_.KeepAdjustments);
  frameViews_->Histogram().setVisible(remembered_.HistogramShown);
  frameViews_->Histogram().SetLogScale(remembered_.HistogramLogarithmic);
  frameViews_->Histogram().SetSkipZero(remembered_.HistogramSkipsZero);
  framesDock_->SetSort(remembered_.FramesSort);
  framesDock_->SetSource(remembered_.FramesFromCatalogue, remembered_.FramesCatalogue);
  framesDock_->setVisible(remembered_.FramesShown);
  vantorel::MeasureViews& measure = frameViews_->Measure();
  measure.StatisticsDock().setVisible(remembered_.StatisticsShown);
  measure.ProfileDock().setVisible(remembered_.ProfileShown);
  measure.PixelTableDock().setVisible(remembered_.PixelTableShown);
  measure.SetPixelTableShowsShown(remembered_.PixelTableShowsShown);
  if (remembered_.MarkSpecialPixels) {
    commands_->MenuItem("MarkSpecialPixels1")->setChecked(true);
    MarkSpecialPixels1Click();
  }
  ShowCompareMode(remembered_.Comparison);
  frameViews_->Compare().SetBlinkInterval(remembered_.BlinkIntervalMs);
  commands_->Submenu("BlinkInterval1")
      ->findChild<QAction*>(QString("BlinkEvery_%1").arg(remembered_.BlinkIntervalMs))
      ->setChecked(true);
}

void TMainForm::RememberSettings() {
  // A closed window has hidden its docks: what was on screen was noted as it closed.
  if (isVisible()) {
    const vantorel::MeasureViews& measure = frameViews_->Measure();
    remembered_.HistogramShown = frameViews_->Histogram().toggleViewAction()->isChecked();
    remembered_.StatisticsShown = measure.StatisticsDock().toggleViewAction()->isChecked();
    remembered_.ProfileShown = measure.ProfileDock().toggleViewAction()->isChecked();
    remembered_.PixelTableShown = measure.PixelTableDock().toggleViewAction()->isChecked();
    remembered_.FramesShown = framesDock_->toggleViewAction()->isChecked();
  }
  remembered_.HistogramLogarithmic = frameViews_->Histogram().LogScale();
  remembered_.HistogramSkipsZero = frameViews_->Histogram().SkipZero();
  remembered_.FramesFromCatalogue = framesDock_->FromCatalogue();
  remembered_.FramesCatalogue = framesDock_->CataloguePath();
  remembered_.FramesSort = framesDock_->Sort();
  const vantorel::MeasureViews& measure = frameViews_->Measure();
  remembered_.PixelTableShowsShown = measure.PixelTableShowsShown();
  remembered_.MarkSpecialPixels = commands_->MenuItem("MarkSpecialPixels1")->isChecked();
  remembered_.KeepAdjustments = viewer_.KeepsAdjustments();
  remembered_.Comparison = frameViews_->Compare().Mode();
  remembered_.BlinkIntervalMs = frameViews_->Compare().BlinkInterval();
  QSettings store;
  vantorel::WriteSettings(store, remembered_);
}

void TMainForm::ImageWindowClosed() {
  imageWindow_ = nullptr;
  compositeViews_->End();
  framesDock_->ShowFrame({});
  frameViews_->ForgetBlinkKey();
  viewer_.CloseImageWindow();
  RefreshCommandStates();
  frameViews_->Refresh();
}

void TMainForm::Browse(const QString& commandName, std::optional<vantorel::Picture> (vantorel::Viewer::*command)()) {
  RunCommand(commandName, [this, command] {
    if (auto picture = (viewer_.*command)()) ShowLoadedFrame(std::move(*picture));
  });
}

void TMainForm::FileForBtnClick() { Browse("Next", &vantorel::Viewer::NextFile); }
void TMainForm::FileTylBtnClick() { Browse("Previous", &vantorel::Viewer::PreviousFile); }
void TMainForm::First1Click() { Browse("First", &vantorel::Viewer::FirstFile); }
void TMainForm::Last1Click() { Browse("Last", &vantorel::Viewer::LastFile); }

void TMainForm::GoToFrame1Click() {
  RunCommand("Go to Frame", [this] {
    const std::optional<QString> answer =
        dialogs_.AskText(this, "Go to Frame", QString("Frame number (1 to %1) or file name:").arg(viewer_.FileCount()));
    if (!answer || answer->trimmed().isEmpty()) return;
    const std::string entry = answer->trimmed().toStdString();
    if (!vantorel::FindListedFrame(viewer_.FileList(), entry)) {
      statusBar()->showMessage(QString("No frame \"%1\" in this folder").arg(answer->trimmed()), NoticeMs);
      return;
    }
    if (auto picture = viewer_.GoToFrame(entry)) ShowLoadedFrame(std::move(*picture));
  });
}

void TMainForm::FileForAutoBtnClick() {
  RunCommand("Scan Forward", [this] { viewer_.StartScan(vantorel::ScanDirection::Forward); });
}

void TMainForm::FileTylAutBtnClick() {
  RunCommand("Scan Backward", [this] { viewer_.StartScan(vantorel::ScanDirection::Backward); });
}

void TMainForm::FileStopBtnClick() {
  // Esc also lets a frozen pixel table follow the pointer again.
  frameViews_->Measure().Unfreeze();
  RunCommand("Scan Stop", [this] {
    viewer_.StopScan();
    viewer_.StopPlay();
  });
}

void TMainForm::Play1Click() {
  RunCommand("Play", [this] {
    if (viewer_.Playing())
      viewer_.StopPlay();
    else
      viewer_.StartPlay(SequenceFrames());
  });
}

void TMainForm::PlayTimerTick() {
  RunCommand("Play", [this] {
    try {
      if (auto picture = viewer_.PlayTick()) ShowLoadedFrame(std::move(*picture));
    } catch (...) {
      viewer_.StopPlay();
      throw;
    }
  });
}

std::optional<std::string> TMainForm::ChooseSecondFrame() {
  const std::string& first = viewer_.Document().CurrentPath();
  std::vector<std::string> others = framesDock_->SelectedPaths();
  std::erase(others, first);
  if (!framesDock_->isHidden() && others.size() == 1) return others.front();
  if (!compareDialog_) {
    compareDialog_ = new QFileDialog(this, "Compare With");
    compareDialog_->setObjectName("CompareDialog");
    compareDialog_->setOption(QFileDialog::DontUseNativeDialog);
    compareDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    compareDialog_->setFileMode(QFileDialog::ExistingFile);
    compareDialog_->setNameFilters({Mariner10Filter, Mariner9Filter, "All files (*)"});
    vantorel::HideCompleterPopupsOnFinish(*compareDialog_);
  }
  compareDialog_->setDirectory(QFileInfo(DisplayPath(first)).absolutePath());
  const std::optional<QString> chosen = dialogs_.ChooseFile(*compareDialog_);
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  return DiskPathFor(*chosen, first);
}

void TMainForm::CompareWith1Click() {
  RunCommand("Compare With", [this] {
    const std::optional<std::string> second = ChooseSecondFrame();
    if (!second) return;
    compositeViews_->End();  // the two share the image window's place
    viewer_.CompareWith(*second);
  });
  frameViews_->Compare().Refresh();
}

void TMainForm::ShowCompareMode(vantorel::CompareMode mode) {
  const std::pair<vantorel::CompareMode, const char*> items[] = {
      {vantorel::CompareMode::Blink, "BlinkComparison1"},
      {vantorel::CompareMode::SideBySide, "SideBySide1"},
      {vantorel::CompareMode::Difference, "DifferenceView1"}};
  for (const auto& [itemMode, name] : items) commands_->MenuItem(name)->setChecked(itemMode == mode);
  frameViews_->Compare().SetMode(mode);
}

void TMainForm::ChooseCompareMode(vantorel::CompareMode mode) {
  ShowCompareMode(mode);
  if (!viewer_.Comparison()) CompareWith1Click();
}

void TMainForm::BlinkComparison1Click() { ChooseCompareMode(vantorel::CompareMode::Blink); }
void TMainForm::SideBySide1Click() { ChooseCompareMode(vantorel::CompareMode::SideBySide); }
void TMainForm::DifferenceView1Click() { ChooseCompareMode(vantorel::CompareMode::Difference); }

void TMainForm::UndoNudges1Click() {
  viewer_.ResetComparisonNudge();
  frameViews_->Compare().Refresh();
}

void TMainForm::EndComparison1Click() {
  viewer_.EndComparison();
  frameViews_->Compare().Refresh();
  RefreshCommandStates();
}

void TMainForm::FillBlinkIntervalMenu() {
  QMenu& menu = *commands_->Submenu("BlinkInterval1");
  auto* intervals = new QActionGroup(this);
  for (const int ms : vantorel::BlinkIntervalsMs) {
    QAction* item = menu.addAction(ms == 0 ? QString("Only While K Is Held") : QString("%1 s").arg(ms / 1000.0));
    item->setObjectName(QString("BlinkEvery_%1").arg(ms));
    item->setCheckable(true);
    item->setChecked(ms == frameViews_->Compare().BlinkInterval());
    intervals->addAction(item);
    connect(item, &QAction::triggered, this, [this, ms] { frameViews_->Compare().SetBlinkInterval(ms); });
  }
}

void TMainForm::ColourComposite1Click() {
  RunCommand("Colour Composite", [this] {
    // A comparison gives way: the two share the image window's place.
    compositeViews_->Start([this] {
      viewer_.EndComparison();
      frameViews_->Compare().Refresh();
    });
  });
}

void TMainForm::SaveComposite1Click() {
  RunCommand("Save Composite As", [this] { compositeViews_->SaveAs(); });
}

void TMainForm::CloseComposite1Click() {
  RunCommand("Close Composite", [this] { compositeViews_->End(); });
}

std::vector<std::string> TMainForm::SequenceFrames() const {
  std::vector<std::string> selected = framesDock_->SelectedPaths();
  return selected.size() >= 2 ? selected : viewer_.ListedPaths();
}

void TMainForm::ExportAnimation1Click() {
  RunCommand("Export Animation", [this] {
    const std::vector<std::string> frames = SequenceFrames();
    const bool selection = framesDock_->SelectedPaths().size() >= 2;
    animationDialog_->SetSequence(QString("%1 frames: %2")
                                      .arg(frames.size())
                                      .arg(selection ? "the Frames selection" : "every frame of the folder"));
    animationDialog_->Choose(
        remembered_.AnimationFormat, remembered_.AnimationFramesPerSecond,
        remembered_.AnimationHalfSize ? vantorel::AnimationSize::Half : vantorel::AnimationSize::Full);
    if (dialogs_.ShowModal(*animationDialog_) != QDialog::Accepted) return;
    remembered_.AnimationFormat = animationDialog_->Format();
    remembered_.AnimationFramesPerSecond = animationDialog_->FramesPerSecond();
    remembered_.AnimationHalfSize = animationDialog_->Size() == vantorel::AnimationSize::Half;
    viewer_.ChoosePlaySpeed(remembered_.AnimationFramesPerSecond);
    const vantorel::AnimationFormatEntry& format = vantorel::AnimationFormats[remembered_.AnimationFormat];

    if (!animationFileDialog_) {
      animationFileDialog_ = new QFileDialog(this, "Export Animation");
      animationFileDialog_->setObjectName("AnimationFileDialog");
      animationFileDialog_->setAcceptMode(QFileDialog::AcceptSave);
      animationFileDialog_->setFileMode(QFileDialog::AnyFile);
      vantorel::HideCompleterPopupsOnFinish(*animationFileDialog_);
    }
    const QString suffix = QString::fromUtf8(format.Suffix);
    animationFileDialog_->setNameFilters({QString("%1 (*.%2)").arg(QString::fromUtf8(format.Label), suffix)});
    animationFileDialog_->setDefaultSuffix(suffix);
    const vantorel::FrameDocument& document = viewer_.Document();
    const std::string folder =
        IsFolder(remembered_.SaveFolder) ? remembered_.SaveFolder : vantorel::DirectoryPart(document.CurrentPath());
    animationFileDialog_->setDirectory(DisplayPath(folder));
    animationFileDialog_->selectFile("animation." + suffix);
    vantorel::SelectFileNameField(*animationFileDialog_);
    const std::optional<QString> chosen = dialogs_.ChooseFile(*animationFileDialog_);
    if (!chosen || chosen->isEmpty()) return;
    std::string path = DiskPathFor(*chosen, document.CurrentPath());
    // The extension chooses the container: the format asked for wins over a name without it.
    if (!QString::fromStdString(path).endsWith("." + suffix, Qt::CaseInsensitive)) {
      path += '.';
      path += format.Suffix;
    }

    vantorel::AnimationRequest request;
    request.Frames = frames;
    request.Output = path;
    request.Look = {document.ActiveOptions(), document.Steps(), false, document.Display()};
    request.FramesPerSecond = remembered_.AnimationFramesPerSecond;
    request.Size = animationDialog_->Size();
    request.KeepGoing = true;
    if (!animationProgress_) animationProgress_ = vantorel::NewAnimationProgress(this);
    const vantorel::AnimationOutcome outcome = vantorel::ExportAnimationWithProgress(*animationProgress_, request);
    const QString shownPath = QDir::toNativeSeparators(DisplayPath(path));
    if (outcome.Cancelled) {
      statusBar()->showMessage(QString("Export Animation cancelled: %1 was not written").arg(shownPath), NoticeMs);
      return;
    }
    if (!outcome.Saved) {
      dialogs_.ShowError(this, "Export Animation",
                         QString("Could not write %1: %2").arg(shownPath, QString::fromLocal8Bit(outcome.Error)));
      return;
    }
    remembered_.SaveFolder = vantorel::DirectoryPart(path);
    QString done = QString("%1 written: %2 frames").arg(shownPath).arg(outcome.FramesWritten);
    if (!outcome.Failed.empty()) done += QString(", %1 left out (they could not be read)").arg(outcome.Failed.size());
    statusBar()->showMessage(done, NoticeMs);
  });
}

void TMainForm::Timer1Timer() {
  RunCommand("Scan", [this] {
    try {
      if (auto picture = viewer_.ScanTick()) ShowLoadedFrame(std::move(*picture));
    } catch (...) {
      // One error box, not one per tick.
      viewer_.StopScan();
      throw;
    }
  });
}

void TMainForm::SaveAs1Click() {
  RunCommand("Save As", [this] {
    PrepareSaveDialog();
    const std::optional<QString> chosen = dialogs_.ChooseFile(*savePictureDialog_);
    if (!chosen || chosen->isEmpty() || !imageWindow_) return;
    remembered_.SaveEntry = ExportFormatOfFilter(savePictureDialog_->selectedNameFilter());
    SavePictureAs(*chosen);
  });
}

void TMainForm::SavePictureAs(const QString& fileName) {
  const vantorel::FrameDocument& document = viewer_.Document();
  const std::string path = DiskPathFor(fileName, document.CurrentPath());
  const QString shownPath = QDir::toNativeSeparators(DisplayPath(path));
  // Through a link or another spelling, the atomic write would replace the
  // frame file itself.
  const vantorel::FrameGuard::Verdict verdict = vantorel::FrameGuard({document.CurrentPath()}).Check(path);
  if (verdict.Frame) {
    dialogs_.ShowError(this, "Save image",
                       QString("Could not save %1: it is the file of the frame on screen (%2).")
                           .arg(shownPath, QDir::toNativeSeparators(DisplayPath(document.CurrentPath()))));
    return;
  }
  if (!verdict.Error.empty()) {
    dialogs_.ShowError(this, "Save image",
                       QString("Could not save %1: %2.").arg(shownPath, QString::fromLocal8Bit(verdict.Error)));
    return;
  }
  const std::optional<vantorel::ExportFormat> format =
      vantorel::ExportFormatForSave(path, ExportFormatOfFilter(savePictureDialog_->selectedNameFilter()));
  if (!format) {
    dialogs_.ShowInformation(
        this, "Save image",
        QString("%1 was not saved: Save As writes files ending in .bmp, .png, .fit or .fits.").arg(shownPath));
    return;
  }
  const vantorel::EncodedExport encoded = vantorel::EncodeExport(document, *format);
  if (!encoded.Error.empty()) {
    dialogs_.ShowError(this, "Save image",
                       QString("Could not save %1: %2").arg(shownPath, QString::fromStdString(encoded.Error)));
    return;
  }
  const vantorel::SaveChunks chunks{encoded.Bytes};
  const vantorel::SaveOutcome outcome = chunkWriter_ ? vantorel::SaveFileAtomically(path, chunks, chunkWriter_)
                                                     : vantorel::SaveFileAtomically(path, chunks);
  if (outcome.Saved) remembered_.SaveFolder = vantorel::DirectoryPart(path);
  if (!outcome.Saved)
    dialogs_.ShowError(this, "Save image",
                       QString("Could not save %1: %2").arg(shownPath, QString::fromLocal8Bit(outcome.Error)));
}

std::optional<std::string> TMainForm::ChooseCatalogue() {
  if (!catalogueDialog_) {
    catalogueDialog_ = new QFileDialog(this, "Choose a catalogue");
    catalogueDialog_->setObjectName("CatalogueDialog");
    catalogueDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    catalogueDialog_->setFileMode(QFileDialog::ExistingFile);
    catalogueDialog_->setNameFilters({"Catalogues (*.db *.sqlite *.sqlite3 *.catalogue)", "All files (*)"});
  }
  const std::string& current = framesDock_->CataloguePath();
  if (!current.empty()) catalogueDialog_->selectFile(DisplayPath(current));
  const std::optional<QString> chosen = dialogs_.ChooseFile(*catalogueDialog_);
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  return DiskPathFor(*chosen, current);
}

void TMainForm::Print1Click() {
  RunCommand("Print", [this] {
    if (!dialogs_.ConfirmPrint(printer_, this) || !imageWindow_) return;
    // A copy: a scan step during printing must not change what is drawn.
    const QImage picture = imageWindow_->Picture();
    vantorel::PrintPicture(printer_, picture);
  });
}

void TMainForm::PrintSetup1Click() {
  RunCommand("Print Setup", [this] { dialogs_.PageSetup(printer_, this); });
}

void TMainForm::Exit1Click() { close(); }

// --- Options menu --------------------------------------------------------------

void TMainForm::ToggleFlag(Option option) {
  RunCommand("Options", [this, option] { viewer_.ToggleOptionFlag(option); });
}

void TMainForm::Atostretch1Click() { ToggleFlag(Option::Stretch); }
void TMainForm::Despeckleon1Click() { ToggleFlag(Option::Despeckle); }
void TMainForm::Reconstruct1Click() { ToggleFlag(Option::Reconstruct); }
void TMainForm::FlipVertically1Click() { ToggleFlag(Option::Flip); }
void TMainForm::Rotate1Click() { ToggleFlag(Option::Rotate); }
void TMainForm::Sharpen1Click() { ToggleFlag(Option::Sharpen); }
void TMainForm::Invert1Click() { ToggleFlag(Option::Invert); }
void TMainForm::Minimize1Click() { ToggleFlag(Option::Minimize); }
void TMainForm::Colour1Click() { ToggleFlag(Option::Colorize); }

void TMainForm::KeepAdjustments1Click() {
  RunCommand("Keep Adjustments", [this] { viewer_.KeepAdjustments(!viewer_.KeepsAdjustments()); });
}

// --- View, Scan-pause, About -----------------------------------------------------

void TMainForm::Toolbar1Click() {
  commands_->ToolBar().setHidden(!commands_->ToolBar().isHidden());
  RefreshCommandStates();
}

void TMainForm::FullScreen1Click() {
  // Only the full-screen flag flips, so leaving it brings back a maximized or a normal window as it was.
  setWindowState(windowState() ^ Qt::WindowFullScreen);
  RefreshCommandStates();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  RememberSettings();
  QMainWindow::closeEvent(event);
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Only the commands: the rest of the window may not be built yet.
  if (event->type() == QEvent::WindowStateChange && commands_) commands_->Mirror(viewer_, FrameShown());
}

void TMainForm::ZoomIn1Click() {
  if (imageWindow_) imageWindow_->ZoomIn();
}

void TMainForm::ZoomOut1Click() {
  if (imageWindow_) imageWindow_->ZoomOut();
}

void TMainForm::ActualSize1Click() {
  if (imageWindow_) imageWindow_->ActualSize();
}

void TMainForm::FitToWindow1Click() {
  if (imageWindow_) imageWindow_->FitToWindow();
}

void TMainForm::MarkSpecialPixels1Click() {
  RunCommand("Mark Special Pixels", [this] {
    // The marks need the samples the cleaning stages replaced, which renders keep only while asked.
    viewer_.KeepReplacedSamples(commands_->MenuItem("MarkSpecialPixels1")->isChecked());
    frameViews_->RefreshSpecialPixels();
  });
}

void TMainForm::Copy1Click() {
  // The processed picture, also while a blink shows the original.
  if (imageWindow_) QGuiApplication::clipboard()->setImage(imageWindow_->Picture());
}

void TMainForm::ChooseMeasureTool(vantorel::MeasureTool tool, const char* item) {
  const bool chosen = commands_->MenuItem(item)->isChecked();
  for (const char* name : {"RectangleRegion1", "EllipseRegion1", "ProfileLine1"})
    commands_->MenuItem(name)->setChecked(chosen && std::string_view(name) == item);
  frameViews_->Measure().SetTool(chosen ? tool : vantorel::MeasureTool::None);
}

void TMainForm::RectangleRegion1Click() { ChooseMeasureTool(vantorel::MeasureTool::Rectangle, "RectangleRegion1"); }
void TMainForm::EllipseRegion1Click() { ChooseMeasureTool(vantorel::MeasureTool::Ellipse, "EllipseRegion1"); }
void TMainForm::ProfileLine1Click() { ChooseMeasureTool(vantorel::MeasureTool::Line, "ProfileLine1"); }
void TMainForm::ClearMeasurements1Click() { frameViews_->Measure().Clear(); }

void TMainForm::ChoosePause(int seconds) {
  RunCommand("Scan-pause", [this, seconds] { viewer_.ChooseScanPause(seconds); });
}

void TMainForm::N2seconds1Click() { ChoosePause(2); }
void TMainForm::N3seconds1Click() { ChoosePause(3); }
void TMainForm::N4seconds1Click() { ChoosePause(4); }
void TMainForm::N5seconds1Click() { ChoosePause(5); }

void TMainForm::About1Click() {
  RunCommand("About", [this] { dialogs_.ShowModal(*aboutBox_); });
}

void TMainForm::HelpAboutBtnClick() { About1Click(); }

void TMainForm::KeyboardShortcuts1Click() {
  RunCommand("Keyboard Shortcuts", [this] {
    if (!shortcutsBox_) shortcutsBox_ = new TShortcutsBox(this);
    dialogs_.ShowModal(*shortcutsBox_);
  });
}

void TMainForm::UserGuide1Click() {
  RunCommand("User Guide", [this] {
    if (!userGuideBox_) userGuideBox_ = new TUserGuideBox(this);
    dialogs_.ShowModal(*userGuideBox_);
  });
}

// --- Option, step and info buttons ---------------------------------------------------

void TMainForm::ToggleActive(Option option) {
  RunCommand("Option", [this, option] { ShowRender(viewer_.ToggleActiveOption(option)); });
}

void TMainForm::Step(StepCommand command) {
  RunCommand("Step", [this, command] { ShowRender(viewer_.ApplyStep(command)); });
}

void TMainForm::ToolButton9Click() {
  RunCommand("Original Image", [this] { ShowRender(viewer_.ShowOriginalImage()); });
}

void TMainForm::ToolButton10Click() { ToggleActive(Option::Flip); }
void TMainForm::ToolButton2Click() { ToggleActive(Option::Rotate); }
void TMainForm::ToolButton11Click() { ToggleActive(Option::Reconstruct); }
void TMainForm::ToolButton12Click() { ToggleActive(Option::Despeckle); }
void TMainForm::ToolButton13Click() { ToggleActive(Option::Stretch); }
void TMainForm::ToolButton18Click() { ToggleActive(Option::Sharpen); }
void TMainForm::ToolButton19Click() { ToggleActive(Option::Invert); }
void TMainForm::ToolButton32Click() { ToggleActive(Option::Colorize); }
void TMainForm::ToolButton30Click() { ToggleActive(Option::Minimize); }

void TMainForm::ToolButton27Click() { Step(StepCommand::ContrastDown); }
void TMainForm::ToolButton28Click() { Step(StepCommand::ContrastUp); }
void TMainForm::ToolButton20Click() { Step(StepCommand::BrightnessDown); }
void TMainForm::ToolButton21Click() { Step(StepCommand::BrightnessUp); }
void TMainForm::ToolButton22Click() { Step(StepCommand::GradientDown); }
void TMainForm::ToolButton23Click() { Step(StepCommand::GradientUp); }

void TMainForm::ToolButton29Click() {
  RunCommand("Image Info", [this] {
    if (viewer_.Document().Header().HeaderKind == vantorel::DataSet::Mariner9)
      dialogs_.ShowModal(*infoBox2_);
    else
      dialogs_.ShowModal(*infoBox_);
  });
}

void TMainForm::HeaderBytesClick() {
  RunCommand("Header Bytes", [this] {
    headerBytesBox_->ShowDocument(viewer_.Document());
    dialogs_.ShowModal(*headerBytesBox_);
  });
}
