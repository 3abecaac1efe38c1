#include "app/main_unit.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "analysis/histogram.h"
#include "analysis/readout.h"
#include "analysis/special_pixels.h"
#include "app/about.h"
#include "app/dialogs.h"
#include "app/disk_path.h"
#include "app/header_bytes_box.h"
#include "app/histogram_view.h"
#include "app/icon_resources.h"
#include "app/info2_unit.h"
#include "app/info_unit.h"
#include "app/open_target.h"
#include "app/special_pixel_layer.h"
#include "output/file_identity.h"
#include "output/fits_file.h"
#include "output/png_file.h"
#include "output/standard_fits.h"
#include "viewer/fits_export.h"
#include "viewer/png_text.h"
#include "viewer/status_text.h"
#include "viewer/zoom.h"

using vantorel::DiskPathFor;
using vantorel::DisplayPath;
using vantorel::Option;
using vantorel::StepCommand;

namespace {

constexpr QRect kNormalGeometry(218, 212, 575, 450);
constexpr QSize kGlyphSize(16, 16);
// How long the status bar says why a drop or a folder opened nothing.
constexpr int kNoticeMs = 8000;

// QFileDialog folds the runs of blanks when it shows these.
const char* const kMariner10Filter = "Mariner 10 data set NSSDC ID: PSPA-00108 (*.0* *.1* *.2*)";
const char* const kMariner9Filter = "Mariner 9 data set   NSSDC ID: PSPG-00235  (*.0* *.1* *.2*)";
const char* const kPngFilter = "PNG image (*.png)";
// Only this entry writes standard FITS; *.fit keeps the 36-card file.
const char* const kStandardFitsFilter = "FITS, standard (*.fits)";

// The platform's keys for a standard command; the fallback where it names none.
QList<QKeySequence> StandardKeys(QKeySequence::StandardKey key, const QKeySequence& fallback) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  if (keys.isEmpty()) keys.append(fallback);
  return keys;
}

QLabel* StatusField(const char* name) {
  auto* field = new QLabel;
  field->setObjectName(name);
  field->setContentsMargins(6, 0, 6, 0);
  return field;
}

// A small filled square in a colour, for a legend.
QLabel* ColorSwatch(const QColor& color) {
  constexpr int kSide = 10;
  QPixmap swatch(kSide, kSide);
  swatch.fill(color);
  auto* label = new QLabel;
  label->setPixmap(swatch);
  return label;
}

QFrame* ToolBarGap(const char* name) {
  auto* gap = new QFrame;
  gap->setObjectName(name);
  gap->setFrameShape(QFrame::VLine);
  gap->setFrameShadow(QFrame::Sunken);
  gap->setFixedWidth(8);
  return gap;
}

}  // namespace

TMainForm::TMainForm(vantorel::Dialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs) {
  setObjectName("MainForm");
  setWindowTitle("Vantorel");
  setWindowIcon(vantorel::ApplicationIcon());
  QFont formFont("MS Sans Serif");
  formFont.setPixelSize(13);
  setFont(formFont);
  setGeometry(kNormalGeometry);

  mdiArea_ = new QMdiArea;
  mdiArea_->setObjectName("MdiArea");
  setCentralWidget(mdiArea_);

  // Beside the image window, hidden until View > Histogram.
  histogramDock_ = new vantorel::HistogramDock(this);
  addDockWidget(Qt::RightDockWidgetArea, histogramDock_);
  histogramDock_->hide();
  connect(histogramDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) RefreshHistogram();
  });
  connect(histogramDock_, &vantorel::HistogramDock::ScaleChanged, this, &TMainForm::RefreshHistogram);

  BuildMenus();
  BuildToolBar();

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(vantorel::DefaultScanIntervalMs);
  connect(timer1_, &QTimer::timeout, this, &TMainForm::Timer1Timer);

  wyborZbioru_ = new QFileDialog(this);
  wyborZbioru_->setObjectName("WyborZbioru");
  // Qt's own dialog, whose name field Open selects.
  wyborZbioru_->setOption(QFileDialog::DontUseNativeDialog);
  wyborZbioru_->setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name that does not exist is accepted and loads as a black frame.
  wyborZbioru_->setFileMode(QFileDialog::AnyFile);
  wyborZbioru_->setNameFilters({kMariner10Filter, kMariner9Filter});
#ifdef VANTOREL_SAMPLES_DIR
  if (QFileInfo(VANTOREL_SAMPLES_DIR).isDir()) wyborZbioru_->setDirectory(QStringLiteral(VANTOREL_SAMPLES_DIR));
#endif

  savePictureDialog_ = new QFileDialog(this, "Save image");
  savePictureDialog_->setObjectName("SavePictureDialog");
  savePictureDialog_->setAcceptMode(QFileDialog::AcceptSave);
  savePictureDialog_->setFileMode(QFileDialog::AnyFile);
  savePictureDialog_->setDefaultSuffix("bmp");
  savePictureDialog_->setNameFilters({"*.bmp", "*.fit", kStandardFitsFilter, kPngFilter});
  savePictureDialog_->setOption(QFileDialog::DontConfirmOverwrite, false);
  // A name typed without an extension under the PNG entry means a PNG file,
  // under the standard FITS entry a .fits file.
  connect(savePictureDialog_, &QFileDialog::filterSelected, this, [this](const QString& filter) {
    savePictureDialog_->setDefaultSuffix(filter == kPngFilter ? "png" : filter == kStandardFitsFilter ? "fits" : "bmp");
  });
  for (QFileDialog* dialog : {wyborZbioru_, savePictureDialog_}) vantorel::HideCompleterPopupsOnFinish(*dialog);

  statusBar()->setObjectName("StatusBar");
  pixelReadout_ = StatusField("PixelReadout");
  statusBar()->addWidget(pixelReadout_, 1);
  dataSetField_ = StatusField("DataSetField");
  stepsField_ = StatusField("StepsField");
  zoomField_ = StatusField("ZoomField");
  for (QLabel* field : {dataSetField_, stepsField_, zoomField_}) statusBar()->addPermanentWidget(field);
  BuildSpecialPixelLegend();
  setAcceptDrops(true);

  aboutBox_ = new TAboutBox(this);
  infoBox_ = new TInfoBox(this);
  infoBox2_ = new TInfoBox2(this);
  headerBytesBox_ = new THeaderBytesBox(this);
  connect(infoBox_, &TInfoBox::HeaderBytesRequested, this,
          [this] { RunIfAllowed(&TMainForm::HeaderBytesClick, Needs::Frame); });
  connect(infoBox2_, &TInfoBox2::HeaderBytesRequested, this,
          [this] { RunIfAllowed(&TMainForm::HeaderBytesClick, Needs::Frame); });
  // B is the blink key wherever the focus is in this window.
  qApp->installEventFilter(this);

  RefreshCommandStates();
}

TMainForm::~TMainForm() {
  qApp->removeEventFilter(this);
  // The image window must not report its end to a form that is going away.
  if (imageWindow_) imageWindow_->disconnect(this);
  timer1_->stop();
}

QAction* TMainForm::AddMenuItem(QMenu* menu, const char* name, const char* caption, Handler handler, Needs needs) {
  QAction* item = menu->addAction(QString::fromUtf8(caption));
  item->setObjectName(name);
  connect(item, &QAction::triggered, this, [this, handler, needs] { RunIfAllowed(handler, needs); });
  if (needs == Needs::Frame) frameActions_.push_back(item);
  if (needs == Needs::NoFrame) noFrameActions_.push_back(item);
  return item;
}

void TMainForm::BuildMenus() {
  QMenuBar* mainMenu = menuBar();
  mainMenu->setObjectName("MainMenu");

  QMenu* file = mainMenu->addMenu("&File");
  file->setObjectName("File1");
  // A disabled item's keys do nothing, so every key obeys its command's state.
  AddMenuItem(file, "Open1", "&Open...", &TMainForm::Open1Click, Needs::NoFrame)
      ->setShortcuts(StandardKeys(QKeySequence::Open, Qt::CTRL | Qt::Key_O));
  AddMenuItem(file, "Next1", "&Next ", &TMainForm::FileForBtnClick, Needs::Frame)->setShortcut(Qt::Key_PageDown);
  AddMenuItem(file, "Previous1", "Pr&evious", &TMainForm::FileTylBtnClick, Needs::Frame)->setShortcut(Qt::Key_PageUp);
  AddMenuItem(file, "First1", "&First", &TMainForm::First1Click, Needs::Frame)->setShortcut(Qt::Key_Home);
  AddMenuItem(file, "Last1", "&Last", &TMainForm::Last1Click, Needs::Frame)->setShortcut(Qt::Key_End);
  AddMenuItem(file, "SaveAs1", "Save &As...", &TMainForm::SaveAs1Click, Needs::Frame)
      ->setShortcuts(StandardKeys(QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  file->addSeparator()->setObjectName("N2");
  AddMenuItem(file, "ScanForward1", "Scan Forward", &TMainForm::FileForAutoBtnClick, Needs::Frame);
  AddMenuItem(file, "ScanBackward1", "Scan Backward", &TMainForm::FileTylAutBtnClick, Needs::Frame);
  AddMenuItem(file, "ScanStop1", "Scan Stop", &TMainForm::FileStopBtnClick, Needs::Frame)->setShortcut(Qt::Key_Escape);
  file->addSeparator()->setObjectName("N3");
  AddMenuItem(file, "Print1", "&Print...", &TMainForm::Print1Click, Needs::Frame)
      ->setShortcuts(StandardKeys(QKeySequence::Print, Qt::CTRL | Qt::Key_P));
  AddMenuItem(file, "PrintSetup1", "P&rint Setup...", &TMainForm::PrintSetup1Click, Needs::Frame)
      ->setIcon(vantorel::ToolGlyph("PrintSetup1"));
  file->addSeparator()->setObjectName("N1");
  QAction* exit = AddMenuItem(file, "Exit1", "E&xit", &TMainForm::Exit1Click, Needs::Always);
  exit->setIcon(vantorel::ToolGlyph("Exit1"));
  exit->setShortcuts(StandardKeys(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q));

  struct OptionItem {
    Option option;
    const char* name;
    const char* caption;
    Handler handler;
  };
  static const OptionItem optionItems[] = {
      {Option::Stretch, "Atostretch1", "Contrast &Stretch", &TMainForm::Atostretch1Click},
      {Option::Despeckle, "Despeckleon1", "&Despeckle ", &TMainForm::Despeckleon1Click},
      {Option::Reconstruct, "Reconstruct1", "&Reconstruction", &TMainForm::Reconstruct1Click},
      {Option::Flip, "FlipVertically1", "&Flip Vertically", &TMainForm::FlipVertically1Click},
      {Option::Rotate, "Rotate1", "R&otate", &TMainForm::Rotate1Click},
      {Option::Sharpen, "Sharpen1", "S&harpen", &TMainForm::Sharpen1Click},
      {Option::Invert, "Invert1", "&Invert", &TMainForm::Invert1Click},
      {Option::Minimize, "Minimize1", "&Minimize", &TMainForm::Minimize1Click},
      {Option::Colorize, "Colour1", "&Colorize", &TMainForm::Colour1Click},
  };
  QMenu* options = mainMenu->addMenu("&Options");
  options->setObjectName("Options1");
  for (const OptionItem& entry : optionItems) {
    QAction* item = AddMenuItem(options, entry.name, entry.caption, entry.handler, Needs::Always);
    item->setCheckable(true);
    optionItems_.emplace_back(entry.option, item);
  }

  QMenu* view = mainMenu->addMenu("View");
  view->setObjectName("View1");
  toolbar1_ = AddMenuItem(view, "Toolbar1", "Toolbar", &TMainForm::Toolbar1Click, Needs::Always);
  toolbar1_->setCheckable(true);
  toolbar1_->setIcon(vantorel::ToolGlyph("Toolbar1"));
  toolbar1_->setChecked(true);
  view->addSeparator()->setObjectName("N4");
  AddMenuItem(view, "ZoomIn1", "Zoom &In", &TMainForm::ZoomIn1Click, Needs::Frame)
      ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  AddMenuItem(view, "ZoomOut1", "Zoom &Out", &TMainForm::ZoomOut1Click, Needs::Frame)
      ->setShortcut(Qt::CTRL | Qt::Key_Minus);
  AddMenuItem(view, "ActualSize1", "&Actual Size", &TMainForm::ActualSize1Click, Needs::Frame)
      ->setShortcut(Qt::CTRL | Qt::Key_0);
  AddMenuItem(view, "FitToWindow1", "&Fit to Window", &TMainForm::FitToWindow1Click, Needs::Frame);
  view->addSeparator()->setObjectName("N5");
  // The dock's own action, so that its check mark follows the dock's close box too.
  QAction* histogram = histogramDock_->toggleViewAction();
  histogram->setObjectName("Histogram1");
  histogram->setText("&Histogram");
  view->addAction(histogram);
  markSpecialPixels1_ = AddMenuItem(view, "MarkSpecialPixels1", "Mark &Special Pixels",
                                    &TMainForm::MarkSpecialPixels1Click, Needs::Always);
  markSpecialPixels1_->setCheckable(true);

  struct PauseItem {
    int seconds;
    const char* name;
    const char* caption;
    Handler handler;
  };
  static const PauseItem pauseItems[] = {
      {2, "N2seconds1", "2 seconds", &TMainForm::N2seconds1Click},
      {3, "N3seconds1", "3 seconds", &TMainForm::N3seconds1Click},
      {4, "N4seconds1", "4 seconds", &TMainForm::N4seconds1Click},
      {5, "N5seconds1", "5 seconds", &TMainForm::N5seconds1Click},
  };
  QMenu* pause = mainMenu->addMenu("Scan-pause");
  pause->setObjectName("Scanpause1");
  for (const PauseItem& entry : pauseItems) {
    QAction* item = AddMenuItem(pause, entry.name, entry.caption, entry.handler, Needs::Always);
    item->setCheckable(true);
    pauseItems_.emplace_back(entry.seconds, item);
  }

  QMenu* about = mainMenu->addMenu("&About");
  about->setObjectName("About2");
  AddMenuItem(about, "About1", "&About...", &TMainForm::About1Click, Needs::Always);
}

QToolButton* TMainForm::AddToolButton(const char* name, const char* hint, Handler handler, Needs needs) {
  auto* button = new QToolButton;
  button->setObjectName(name);
  button->setToolTip(QString::fromUtf8(hint));
  button->setText(QString::fromUtf8(hint));  // shown only if a glyph is missing
  button->setIcon(vantorel::ToolGlyph(name));
  button->setIconSize(kGlyphSize);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setFocusPolicy(Qt::NoFocus);
  connect(button, &QToolButton::clicked, this, [this, handler, needs] { RunIfAllowed(handler, needs); });
  if (needs == Needs::Frame) frameButtons_.push_back(button);
  if (needs == Needs::NoFrame) noFrameButtons_.push_back(button);
  currentRow_->addWidget(button);
  return button;
}

void TMainForm::BuildToolBar() {
  mojCoolBar_ = new QToolBar("MojCoolBar", this);
  mojCoolBar_->setObjectName("MojCoolBar");
  mojCoolBar_->setMovable(false);
  mojCoolBar_->setFloatable(false);
  mojCoolBar_->toggleViewAction()->setVisible(false);  // only View > Toolbar hides the tool bar
  addToolBar(Qt::TopToolBarArea, mojCoolBar_);

  mojToolBar_ = new QWidget;
  mojToolBar_->setObjectName("MojToolBar");
  auto* rows = new QVBoxLayout(mojToolBar_);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);

  struct OptionButton {
    Option option;
    const char* name;
    const char* hint;
    Handler handler;
  };
  auto addOptionButton = [this](const OptionButton& entry) {
    QToolButton* button = AddToolButton(entry.name, entry.hint, entry.handler, Needs::Frame);
    button->setCheckable(true);
    optionButtons_.emplace_back(entry.option, button);
  };

  currentRow_ = new QHBoxLayout;
  currentRow_->setSpacing(0);
  rows->addLayout(currentRow_);
  AddToolButton("FileOpenBtn", "Open", &TMainForm::Open1Click, Needs::NoFrame);
  AddToolButton("FileSaveBtn", "Save as ", &TMainForm::SaveAs1Click, Needs::Frame);
  AddToolButton("ToolButton17", "Print", &TMainForm::Print1Click, Needs::Frame);
  currentRow_->addWidget(ToolBarGap("ToolButton8"));
  backwardScanButton_ = AddToolButton("FileTylAutBtn", "Scan Backword", &TMainForm::FileTylAutBtnClick, Needs::Frame);
  AddToolButton("FileTylBtn", "Previous", &TMainForm::FileTylBtnClick, Needs::Frame);
  AddToolButton("FileStopBtn", "Scan Stop", &TMainForm::FileStopBtnClick, Needs::Frame);
  AddToolButton("FileForBtn", "Next", &TMainForm::FileForBtnClick, Needs::Frame);
  forwardScanButton_ = AddToolButton("FileForAutoBtn", "Scan Forword", &TMainForm::FileForAutoBtnClick, Needs::Frame);
  backwardScanButton_->setCheckable(true);
  forwardScanButton_->setCheckable(true);
  currentRow_->addWidget(ToolBarGap("ToolButton3"));
  AddToolButton("ToolButton9", "Original Image", &TMainForm::ToolButton9Click, Needs::Frame);
  addOptionButton({Option::Flip, "ToolButton10", "Flip Vertically", &TMainForm::ToolButton10Click});
  addOptionButton({Option::Rotate, "ToolButton2", "Rotate", &TMainForm::ToolButton2Click});
  addOptionButton({Option::Reconstruct, "ToolButton11", "Reconstruction", &TMainForm::ToolButton11Click});
  addOptionButton({Option::Despeckle, "ToolButton12", "Despeckle", &TMainForm::ToolButton12Click});
  addOptionButton({Option::Stretch, "ToolButton13", "Contrast stretch", &TMainForm::ToolButton13Click});
  addOptionButton({Option::Sharpen, "ToolButton18", "Sharpen", &TMainForm::ToolButton18Click});
  currentRow_->addWidget(ToolBarGap("BlinkGap"));
  // Works while held, so pressed and released rather than clicked.
  blinkButton_ = new QToolButton;
  blinkButton_->setObjectName("BlinkBtn");
  blinkButton_->setToolTip("Blink: hold to see the original image (or hold B)");
  blinkButton_->setText("Blink");
  blinkButton_->setIcon(vantorel::ToolGlyph("BlinkBtn"));
  blinkButton_->setIconSize(kGlyphSize);
  blinkButton_->setAutoRaise(true);
  blinkButton_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  blinkButton_->setFocusPolicy(Qt::NoFocus);
  connect(blinkButton_, &QToolButton::pressed, this, [this] {
    blinkButtonHeld_ = true;
    RefreshBlink();
  });
  connect(blinkButton_, &QToolButton::released, this, [this] {
    blinkButtonHeld_ = false;
    RefreshBlink();
  });
  frameButtons_.push_back(blinkButton_);
  currentRow_->addWidget(blinkButton_);
  // ToolButton1 ends the first row; Memo1 fills the second row up to the bar's width.
  currentRow_->addStretch(1);

  currentRow_ = new QHBoxLayout;
  currentRow_->setSpacing(0);
  rows->addLayout(currentRow_);
  AddToolButton("ToolButton27", "Contrast Down", &TMainForm::ToolButton27Click, Needs::Frame);
  AddToolButton("ToolButton28", "Contrast Up", &TMainForm::ToolButton28Click, Needs::Frame);
  AddToolButton("ToolButton20", "Brightness Down", &TMainForm::ToolButton20Click, Needs::Frame);
  AddToolButton("ToolButton21", "Brightness Up", &TMainForm::ToolButton21Click, Needs::Frame);
  AddToolButton("ToolButton22", "Left To Rigth Brightness Gradient Reduction", &TMainForm::ToolButton22Click,
                Needs::Frame);
  AddToolButton("ToolButton23", "Right To Left Brightness Gradient Reduction", &TMainForm::ToolButton23Click,
                Needs::Frame);
  currentRow_->addWidget(ToolBarGap("ToolButton25"));
  addOptionButton({Option::Invert, "ToolButton19", "Invert Display", &TMainForm::ToolButton19Click});
  addOptionButton({Option::Colorize, "ToolButton32", "Colorization", &TMainForm::ToolButton32Click});
  addOptionButton({Option::Minimize, "ToolButton30", "Minimize", &TMainForm::ToolButton30Click});
  currentRow_->addWidget(ToolBarGap("ToolButton31"));
  AddToolButton("ToolButton29", "Image Info", &TMainForm::ToolButton29Click, Needs::Frame);
  AddToolButton("HelpAboutBtn", "About", &TMainForm::HelpAboutBtnClick, Needs::Always);
  currentRow_->addWidget(ToolBarGap("ToolButton5"));

  memo1_ = new QLineEdit("0/0");
  memo1_->setObjectName("Memo1");
  memo1_->setReadOnly(true);
  memo1_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  memo1_->setMinimumSize(89, 22);
  memo1_->setFixedHeight(22);
  memo1_->setFocusPolicy(Qt::NoFocus);
  QFont memoFont("MS Sans Serif");
  memoFont.setPixelSize(16);
  memo1_->setFont(memoFont);
  currentRow_->addWidget(memo1_, 1);
  currentRow_ = nullptr;

  // The band wraps the tool bar so that View > Toolbar can hide it like any widget.
  mojToolBarBand_ = new QWidget;
  mojToolBarBand_->setObjectName("MojCoolBand");
  auto* band = new QHBoxLayout(mojToolBarBand_);
  band->setContentsMargins(0, 0, 0, 0);
  band->addWidget(mojToolBar_);
  band->addStretch(1);
  mojCoolBar_->addWidget(mojToolBarBand_);
}

bool TMainForm::FrameShown() const { return imageWindow_ && viewer_.FrameOnScreen(); }

void TMainForm::RunIfAllowed(Handler handler, Needs needs) {
  const bool allowed = needs == Needs::Always || (needs == Needs::Frame) == FrameShown();
  if (allowed) return (this->*handler)();
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
  // An image window that never appeared (or is gone) means no frame on screen.
  const bool frame = FrameShown();

  for (QAction* item : noFrameActions_) item->setEnabled(!frame);
  for (QAction* item : frameActions_) item->setEnabled(frame);
  for (QToolButton* button : noFrameButtons_) button->setEnabled(!frame);
  for (QToolButton* button : frameButtons_) button->setEnabled(frame);

  for (const auto& [option, button] : optionButtons_) button->setChecked(viewer_.OptionButtonDown(option));
  backwardScanButton_->setChecked(viewer_.BackwardScanButtonDown());
  forwardScanButton_->setChecked(viewer_.ForwardScanButtonDown());
  for (const auto& [option, item] : optionItems_) item->setChecked(Entry(viewer_.OptionFlags(), option) == 1);
  for (const auto& [seconds, item] : pauseItems_) item->setChecked(viewer_.CheckedScanPause() == seconds);
  toolbar1_->setChecked(!mojToolBar_->isHidden());

  memo1_->setText(frame ? QString::fromStdString(viewer_.CounterText()) : QStringLiteral("0/0"));

  if (timer1_->interval() != viewer_.TimerInterval()) timer1_->setInterval(viewer_.TimerInterval());
  // Starting only a stopped timer keeps a running scan's rhythm when its direction changes.
  if (viewer_.TimerEnabled() && !timer1_->isActive()) timer1_->start();
  if (!viewer_.TimerEnabled() && timer1_->isActive()) timer1_->stop();

  RefreshStatusFields();
}

void TMainForm::RefreshStatusFields() {
  const bool frame = FrameShown();
  const vantorel::FrameDocument& document = viewer_.Document();
  // A file that could not be read has no data set to name.
  const bool frameRead = frame && document.ReadError().empty();
  dataSetField_->setText(frameRead ? QString::fromStdString(vantorel::DataSetName(document.Header().HeaderKind)) : "");
  stepsField_->setText(frame ? QString::fromStdString(vantorel::StepsText(document.Steps())) : "");
  zoomField_->setText(frame ? QString::fromStdString(vantorel::ZoomText(imageWindow_->Zoom())) : "");

  std::optional<vantorel::PixelReadout> readout;
  if (frame)
    if (const std::optional<QPoint> pixel = imageWindow_->PointerPixel())
      readout = vantorel::ReadoutAt(document, pixel->x(), pixel->y());
  pixelReadout_->setText(readout ? QString::fromStdString(vantorel::ReadoutText(*readout)) : "");
}

void TMainForm::ShowLoadedFrame(vantorel::Picture picture) {
  const vantorel::HeaderState& header = viewer_.Document().Header();
  infoBox_->SetLabels(header.InfoBox);
  if (header.HeaderKind == vantorel::DataSet::Mariner9) infoBox2_->SetLabels(header.InfoBox2);

  const QString fileName = DisplayPath(viewer_.Document().CurrentFileName());
  if (viewer_.Document().ReadError().empty())
    statusBar()->clearMessage();
  else
    statusBar()->showMessage(
        QString("Could not read %1: %2").arg(fileName, QString::fromLocal8Bit(viewer_.Document().ReadError())));

  if (!imageWindow_) return;
  imageWindow_->setWindowTitle(fileName);
  imageWindow_->ShowBitmap(std::move(picture.Bmp));
  RefreshFrameViews();
}

void TMainForm::ShowRender(vantorel::Picture picture) {
  if (imageWindow_) imageWindow_->ShowBitmap(std::move(picture.Bmp));
  RefreshFrameViews();
}

void TMainForm::RefreshFrameViews() {
  RefreshHistogram();
  RefreshSpecialPixels();
  RefreshBlink();
}

void TMainForm::RefreshHistogram() {
  vantorel::HistogramView& view = *histogramDock_->View();
  if (!FrameShown() || histogramDock_->isHidden()) {
    view.SetPlot(std::nullopt);
    return;
  }
  const vantorel::HistogramScale scale =
      histogramDock_->Logarithmic() ? vantorel::HistogramScale::Logarithmic : vantorel::HistogramScale::Linear;
  view.SetPlot(vantorel::PlotHistograms(viewer_.Document(), scale));
}

void TMainForm::BuildSpecialPixelLegend() {
  specialPixelLegend_ = new QWidget;
  specialPixelLegend_->setObjectName("SpecialPixelLegend");
  auto* legend = new QHBoxLayout(specialPixelLegend_);
  legend->setContentsMargins(6, 0, 6, 0);
  const std::pair<QColor, const char*> kinds[] = {{vantorel::MissingPixelColor(), "missing"},
                                                  {vantorel::SaturatedPixelColor(), "saturated"},
                                                  {vantorel::ReplacedPixelColor(), "replaced"}};
  for (const auto& [color, name] : kinds) {
    legend->addWidget(ColorSwatch(color));
    legend->addWidget(new QLabel(name));
  }
  specialPixelCounts_ = StatusField("SpecialPixelCounts");
  legend->addWidget(specialPixelCounts_);
  // Before the data set, step and zoom fields; after the readout, which is not permanent.
  statusBar()->insertPermanentWidget(1, specialPixelLegend_);
  specialPixelLegend_->hide();
}

void TMainForm::RefreshSpecialPixels() {
  const bool marking = markSpecialPixels1_->isChecked() && FrameShown();
  if (!marking) {
    specialPixelLegend_->hide();
    specialPixelCounts_->clear();
    if (imageWindow_) imageWindow_->Image()->SetSpecialPixelMask({});
    return;
  }
  const vantorel::SpecialPixelMap map = vantorel::FindSpecialPixels(viewer_.Document());
  specialPixelCounts_->setText(QString::fromStdString(vantorel::SpecialPixelStatusText(map.Counts)));
  imageWindow_->Image()->SetSpecialPixelMask(std::vector<std::uint8_t>(map.Screen.begin(), map.Screen.end()));
  specialPixelLegend_->show();
}

void TMainForm::RefreshBlink() {
  if (!imageWindow_) return;
  if (!Blinking() || !FrameShown()) {
    imageWindow_->EndBlink();
    return;
  }
  try {
    imageWindow_->ShowBlink(viewer_.OriginalPicture().Bmp);
  } catch (const std::exception& error) {
    imageWindow_->EndBlink();
    statusBar()->showMessage(QString("Blink failed: %1").arg(QString::fromLocal8Bit(error.what())), kNoticeMs);
  }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress, release = event->type() == QEvent::KeyRelease;
  if (press || release) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto* widget = qobject_cast<QWidget*>(watched);
    // A release ends the blink whatever modifier came since; a press with one is another key.
    const bool blinkKey = key->key() == Qt::Key_B && (release || key->modifiers() == Qt::NoModifier);
    if (blinkKey && widget && widget->window() == this && FrameShown()) {
      if (!key->isAutoRepeat() && blinkKeyHeld_ != press) {
        blinkKeyHeld_ = press;
        RefreshBlink();
      }
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // The release of a key held while the window loses the focus never comes here.
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && blinkKeyHeld_) {
    blinkKeyHeld_ = false;
    RefreshBlink();
  }
}

// --- File menu ---------------------------------------------------------------

void TMainForm::Open1Click() {
  if (FrameShown()) return;
  RunCommand("Open", [this] {
    PrepareOpenDialog();
    const std::optional<QString> chosen = dialogs_.ChooseFile(*wyborZbioru_);
    if (!chosen || chosen->isEmpty()) return;
    OpenFrameFile(DiskPathFor(*chosen, viewer_.Document().CurrentPath()));
  });
}

void TMainForm::OpenFrameFile(const std::string& path) {
  vantorel::Picture picture = viewer_.OpenFrame(path);
  auto* child = new TChild;
  connect(child, &TChild::FormClose, this, &TMainForm::ImageWindowClosed);
  connect(child, &TChild::ZoomChanged, this, &TMainForm::RefreshStatusFields);
  connect(child, &TChild::PointerPixelChanged, this, &TMainForm::RefreshStatusFields);
  mdiArea_->addSubWindow(child);
  imageWindow_ = child;
  child->showMaximized();
  ShowLoadedFrame(std::move(picture));
}

void TMainForm::OpenPath(const std::string& path) {
  const vantorel::OpenTarget target = vantorel::OpenTargetFor(path);
  if (target.FramePath.empty()) {
    statusBar()->showMessage(target.Problem, kNoticeMs);
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
    statusBar()->showMessage(target.Problem, kNoticeMs);
  else
    OpenPath(target.FramePath);
}

void TMainForm::PrepareOpenDialog() {
  const std::string& currentPath = viewer_.Document().CurrentPath();
  if (!currentPath.empty()) {
    const QString path = DisplayPath(currentPath);
    wyborZbioru_->setDirectory(QFileInfo(path).absolutePath());
    wyborZbioru_->selectFile(path);
  }
  vantorel::SelectFileNameField(*wyborZbioru_);
}

void TMainForm::ImageWindowClosed() {
  imageWindow_ = nullptr;
  blinkKeyHeld_ = false;
  viewer_.CloseImageWindow();
  RefreshCommandStates();
  RefreshFrameViews();
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

void TMainForm::FileForAutoBtnClick() {
  RunCommand("Scan Forward", [this] { viewer_.StartScan(vantorel::ScanDirection::Forward); });
}

void TMainForm::FileTylAutBtnClick() {
  RunCommand("Scan Backward", [this] { viewer_.StartScan(vantorel::ScanDirection::Backward); });
}

void TMainForm::FileStopBtnClick() {
  RunCommand("Scan Stop", [this] { viewer_.StopScan(); });
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
    const std::optional<QString> chosen = dialogs_.ChooseFile(*savePictureDialog_);
    if (!chosen || chosen->isEmpty() || !imageWindow_) return;
    SavePictureAs(*chosen);
  });
}

void TMainForm::SavePictureAs(const QString& fileName) {
  const std::string path = DiskPathFor(fileName, viewer_.Document().CurrentPath());
  const QString shownPath = QDir::toNativeSeparators(DisplayPath(path));
  // Through a link or another spelling, the atomic write would replace the
  // frame file itself.
  const vantorel::FrameGuard::Verdict verdict = vantorel::FrameGuard({viewer_.Document().CurrentPath()}).Check(path);
  if (verdict.Frame) {
    dialogs_.ShowError(this, "Save image",
                       QString("Could not save %1: it is the file of the frame on screen (%2).")
                           .arg(shownPath, QDir::toNativeSeparators(DisplayPath(viewer_.Document().CurrentPath()))));
    return;
  }
  if (!verdict.Error.empty()) {
    dialogs_.ShowError(this, "Save image",
                       QString("Could not save %1: %2.").arg(shownPath, QString::fromLocal8Bit(verdict.Error)));
    return;
  }
  std::vector<std::uint8_t> encoded;
  vantorel::SaveChunks chunks;
  switch (vantorel::SaveFormatFor(path)) {
    case vantorel::SaveFormat::Bmp: chunks.emplace_back(imageWindow_->BmpFile()); break;
    case vantorel::SaveFormat::Png: {
      std::optional<std::vector<std::uint8_t>> png =
          vantorel::BuildPngFile(imageWindow_->BmpFile(), vantorel::PngTextFor(viewer_.Document()));
      if (!png) {
        dialogs_.ShowError(this, "Save image",
                           QString("Could not save %1: the picture could not be encoded.").arg(shownPath));
        return;
      }
      encoded = std::move(*png);
      chunks.emplace_back(encoded);
      break;
    }
    case vantorel::SaveFormat::Fits:
      if (savePictureDialog_->selectedNameFilter() == kStandardFitsFilter) {
        vantorel::StandardFitsFile file = vantorel::BuildStandardFitsFileFor(viewer_.Document());
        if (file.Bytes.empty()) {
          dialogs_.ShowError(this, "Save image",
                             QString("Could not save %1: %2").arg(shownPath, QString::fromStdString(file.Error)));
          return;
        }
        encoded = std::move(file.Bytes);
      } else {
        encoded = vantorel::BuildFitsFile(viewer_.Document().LabelCards(), viewer_.Document().FitsPlane());
      }
      chunks.emplace_back(encoded);
      break;
    case vantorel::SaveFormat::Unsupported:
      dialogs_.ShowInformation(
          this, "Save image",
          QString("%1 was not saved: Save As writes files ending in .bmp, .png, .fit or .fits.").arg(shownPath));
      return;
  }
  const vantorel::SaveOutcome outcome = chunkWriter_ ? vantorel::SaveFileAtomically(path, chunks, chunkWriter_)
                                                     : vantorel::SaveFileAtomically(path, chunks);
  if (!outcome.Saved)
    dialogs_.ShowError(this, "Save image",
                       QString("Could not save %1: %2").arg(shownPath, QString::fromLocal8Bit(outcome.Error)));
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

// --- View, Scan-pause, About -----------------------------------------------------

void TMainForm::Toolbar1Click() {
  mojToolBar_->setHidden(!mojToolBar_->isHidden());
  RefreshCommandStates();
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
  RunCommand("Mark Special Pixels", [this] { RefreshSpecialPixels(); });
}

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
