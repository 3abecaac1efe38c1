// The main window's commands in both states, and the wiring of open, close,
// options, tool buttons, browsing, scanning and the Info boxes to the Viewer.
#include <map>

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTextBrowser>

#include "app/about.h"
#include "app/frames_dock.h"
#include "app/help_boxes.h"
#include "app/info2_unit.h"
#include "app/info_unit.h"
#include "form_harness.h"

namespace vantorel::testing {
namespace {

enum class EnabledWhen { Always, NoFrame, Frame };
constexpr auto A = EnabledWhen::Always, N = EnabledWhen::NoFrame, F = EnabledWhen::Frame;

struct Command {
  const char* name;
  const char* text;  // menu caption, or the hint of a tool button
  EnabledWhen enabled;
};

const Command kMenuItems[] = {{"Open1", "&Open...", N},
                              {"Next1", "&Next ", F},
                              {"Previous1", "Pr&evious", F},
                              {"First1", "&First", F},
                              {"Last1", "&Last", F},
                              {"GoToFrame1", "&Go to Frame...", F},
                              {"SaveAs1", "Save &As...", F},
                              {"ExportAnimation1", "Export Ani&mation...", F},
                              {"Play1", "&Play", F},
                              {"ScanForward1", "Scan Forward", F},
                              {"ScanBackward1", "Scan Backward", F},
                              {"ScanStop1", "Scan Stop", F},
                              {"Print1", "&Print...", F},
                              {"PrintSetup1", "P&rint Setup...", F},
                              {"Exit1", "E&xit", A},
                              {"Atostretch1", "Contrast &Stretch", A},
                              {"Despeckleon1", "&Despeckle ", A},
                              {"Reconstruct1", "&Reconstruction", A},
                              {"FlipVertically1", "&Flip Vertically", A},
                              {"Rotate1", "R&otate", A},
                              {"Sharpen1", "S&harpen", A},
                              {"Invert1", "&Invert", A},
                              {"Minimize1", "&Minimize", A},
                              {"Colour1", "&Colorize", A},
                              {"Toolbar1", "Toolbar", A},
                              {"FullScreen1", "F&ull Screen", A},
                              {"ZoomIn1", "Zoom &In", F},
                              {"ZoomOut1", "Zoom &Out", F},
                              {"ActualSize1", "&Actual Size", F},
                              {"FitToWindow1", "&Fit to Window", F},
                              {"Histogram1", "&Histogram", A},
                              {"Frames1", "F&rames", A},
                              {"Statistics1", "S&tatistics", A},
                              {"LineProfile1", "&Line Profile", A},
                              {"PixelTable1", "&Pixel Table", A},
                              {"MarkSpecialPixels1", "Mark &Special Pixels", A},
                              {"RectangleRegion1", "&Rectangle Region", A},
                              {"EllipseRegion1", "&Ellipse Region", A},
                              {"ProfileLine1", "Profile Li&ne", A},
                              {"ClearMeasurements1", "Clear &Measurements", A},
                              {"Copy1", "&Copy", F},
                              {"ColourComposite1", "Colour C&omposite...", F},
                              {"N2seconds1", "2 seconds", A},
                              {"N3seconds1", "3 seconds", A},
                              {"N4seconds1", "4 seconds", A},
                              {"N5seconds1", "5 seconds", A},
                              {"About1", "&About...", A},
                              {"KeyboardShortcuts1", "&Keyboard Shortcuts...", A},
                              {"UserGuide1", "&User Guide", A}};

const Command kToolButtons[] = {{"FileOpenBtn", "Open", N},
                                {"FileSaveBtn", "Save as ", F},
                                {"ToolButton17", "Print", F},
                                {"FileTylAutBtn", "Scan Backword", F},
                                {"FileTylBtn", "Previous", F},
                                {"FileStopBtn", "Scan Stop", F},
                                {"FileForBtn", "Next", F},
                                {"FileForAutoBtn", "Scan Forword", F},
                                {"ToolButton9", "Original Image", F},
                                {"ToolButton10", "Flip Vertically", F},
                                {"ToolButton2", "Rotate", F},
                                {"ToolButton11", "Reconstruction", F},
                                {"ToolButton12", "Despeckle", F},
                                {"ToolButton13", "Contrast stretch", F},
                                {"ToolButton18", "Sharpen", F},
                                {"BlinkBtn", "Blink: hold to see the original image", F},
                                {"ToolButton27", "Contrast Down", F},
                                {"ToolButton28", "Contrast Up", F},
                                {"ToolButton20", "Brightness Down", F},
                                {"ToolButton21", "Brightness Up", F},
                                {"ToolButton22", "Left To Rigth Brightness Gradient Reduction", F},
                                {"ToolButton23", "Right To Left Brightness Gradient Reduction", F},
                                {"ToolButton19", "Invert Display", F},
                                {"ToolButton32", "Colorization", F},
                                {"ToolButton30", "Minimize", F},
                                {"ToolButton29", "Image Info", F},
                                {"HelpAboutBtn", "About", A}};

// Each menu's items and each tool-bar row's buttons from left to right; "|" is a separator or a gap.
// The tool buttons' keys, which their tool tips show after the hint.
const std::map<std::string, std::string> kButtonKeys = {
    {"ToolButton9", "O"},       {"ToolButton10", "F"}, {"ToolButton2", "T"},  {"ToolButton11", "R"},
    {"ToolButton12", "D"},      {"ToolButton13", "S"}, {"ToolButton18", "H"}, {"ToolButton27", "1"},
    {"ToolButton28", "2"},      {"ToolButton20", "3"}, {"ToolButton21", "4"}, {"ToolButton22", "5"},
    {"ToolButton23", "6"},      {"ToolButton19", "I"}, {"ToolButton32", "C"}, {"ToolButton30", "M"},
    {"ToolButton29", "Ctrl+I"}, {"BlinkBtn", "B"}};

const std::pair<const char*, const char*> kMenus[] = {
    {"&File",
     "Open1 OpenRecent1 Next1 Previous1 First1 Last1 GoToFrame1 SaveAs1 ExportAnimation1 | ScanForward1 ScanBackward1 "
     "ScanStop1 | "
     "Print1 PrintSetup1 | Exit1"},
    {"&Options",
     "Atostretch1 Despeckleon1 Reconstruct1 FlipVertically1 Rotate1 Sharpen1 Invert1 Minimize1 Colour1 | "
     "KeepAdjustments1"},
    {"View",
     "Toolbar1 FullScreen1 | ZoomIn1 ZoomOut1 ActualSize1 FitToWindow1 | Histogram1 Frames1 ColorMap1 Statistics1 "
     "LineProfile1 PixelTable1 MarkSpecialPixels1 | RectangleRegion1 EllipseRegion1 ProfileLine1 ClearMeasurements1 | "
     "Copy1 | Play1 | CompareWith1 BlinkComparison1 SideBySide1 DifferenceView1 BlinkInterval1 UndoNudges1 "
     "EndComparison1 | ColourComposite1 SaveComposite1 CloseComposite1"},
    {"Scan-pause", "N2seconds1 N3seconds1 N4seconds1 N5seconds1"},
    {"&About", "About1"},
    {"&Help", "KeyboardShortcuts1 UserGuide1"}};
const char* const kToolBarRows[] = {
    "FileOpenBtn FileSaveBtn ToolButton17 | FileTylAutBtn FileTylBtn FileStopBtn FileForBtn FileForAutoBtn | "
    "ToolButton9 ToolButton10 ToolButton2 ToolButton11 ToolButton12 ToolButton13 ToolButton18 | BlinkBtn",
    "ToolButton27 ToolButton28 ToolButton20 ToolButton21 ToolButton22 ToolButton23 | ToolButton19 ToolButton32 "
    "ToolButton30 | ToolButton29 HelpAboutBtn | Memo1"};
// The menu items drawn with a glyph.
const QStringList kMenuGlyphs = {"PrintSetup1", "Exit1", "Toolbar1"};

// The Options-menu item and the tool button of each of the nine options.
const std::pair<const char*, const char*> kOptions[] = {
    {"Atostretch1", "ToolButton13"},     {"Despeckleon1", "ToolButton12"}, {"Reconstruct1", "ToolButton11"},
    {"FlipVertically1", "ToolButton10"}, {"Rotate1", "ToolButton2"},       {"Sharpen1", "ToolButton18"},
    {"Invert1", "ToolButton19"},         {"Minimize1", "ToolButton30"},    {"Colour1", "ToolButton32"}};

class MainFormTest : public FormTest {
 protected:
  void ExpectCommandStates(bool frame) {
    SCOPED_TRACE(frame ? "frame on screen" : "no frame");
    auto expected = [frame](EnabledWhen when) { return when == A || (when == F) == frame; };
    for (const Command& item : kMenuItems) {
      ASSERT_NE(Action(item.name), nullptr) << item.name;
      EXPECT_EQ(Action(item.name)->isEnabled(), expected(item.enabled)) << item.name;
    }
    for (const Command& item : kToolButtons) {
      ASSERT_NE(Button(item.name), nullptr) << item.name;
      EXPECT_EQ(Button(item.name)->isEnabled(), expected(item.enabled)) << item.name;
    }
    if (!frame) {
      EXPECT_EQ(Memo(), "0/0");
      EXPECT_FALSE(Timer().isActive());
      EXPECT_EQ(Timer().interval(), 2000);
      EXPECT_EQ(form->ImageWindow(), nullptr);
    }
  }
  std::vector<std::string> DownOptionButtons() const {
    std::vector<std::string> down;
    for (const auto& [menuItem, button] : kOptions)
      if (Button(button)->isChecked()) down.push_back(button);
    return down;
  }
};

TEST_F(MainFormTest, StartsWithNoFrameStateAndExactCaptionsAndHints) {
  ExpectCommandStates(false);
  for (const Command& item : kMenuItems) EXPECT_EQ(Action(item.name)->text().toStdString(), item.text);
  for (const Command& item : kToolButtons) {
    const auto key = kButtonKeys.find(item.name);
    EXPECT_EQ(Button(item.name)->toolTip().toStdString(),
              key == kButtonKeys.end() ? item.text : item.text + (" (" + key->second + ")"));
  }
}

TEST_F(MainFormTest, MenusAndToolBarRowsKeepTheirOrder) {
  using Menus = std::vector<std::pair<std::string, std::string>>;
  Menus menus;
  for (QAction* title : form->menuBar()->actions()) {
    QStringList items;
    for (QAction* item : title->menu()->actions()) {
      items << (item->isSeparator() ? "|" : item->objectName());
      EXPECT_EQ(!item->icon().isNull(), kMenuGlyphs.contains(item->objectName())) << item->objectName().toStdString();
    }
    menus.emplace_back(title->text().toStdString(), items.join(' ').toStdString());
  }
  EXPECT_EQ(menus, Menus(std::begin(kMenus), std::end(kMenus)));

  // As the rows show on screen: top to bottom, left to right.
  QWidget* bar = form->findChild<QWidget*>("MojToolBar");
  std::map<int, std::map<int, QString>> shown;
  for (QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    shown[widget->y()][widget->x()] = qobject_cast<QFrame*>(widget) ? "|" : widget->objectName();
  std::vector<std::string> rows;
  for (const auto& [y, row] : shown) {
    QStringList names;
    for (const auto& [x, name] : row) names << name;
    rows.push_back(names.join(' ').toStdString());
  }
  EXPECT_EQ(rows, std::vector<std::string>(std::begin(kToolBarRows), std::end(kToolBarRows)));
}

TEST_F(MainFormTest, OpenShowsTheComposedBitmapUnderTheFileNameAndCloseReturnsToTheStart) {
  const std::string path = WriteFrame("frame.001");
  TChild* child = Open(path);
  ASSERT_NE(child, nullptr);
  ExpectCommandStates(true);
  EXPECT_EQ(child->windowTitle(), "frame.001");
  EXPECT_EQ(Memo(), "1/1");

  Viewer reference;
  const std::vector<std::uint8_t> bmp = reference.OpenFrame(path).Bmp;
  EXPECT_EQ(child->BmpFile(), bmp);
  const QImage decoded = QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(decoded.size(), QSize(832, 700));
  EXPECT_EQ(child->Image()->grab().toImage().convertToFormat(QImage::Format_RGB32), decoded);

  // Open cannot be reached while a frame is shown, not even by a signal that
  // comes past the disabled state.
  dialogs.FileAnswers.push_back(QString::fromStdString(path));
  emit Action("Open1")->triggered(false);
  emit Button("FileOpenBtn")->clicked(false);
  EXPECT_EQ(dialogs.FileDialogsShown, 1);

  QPointer<TChild> closed = child;
  CloseImageWindow();
  EXPECT_TRUE(closed.isNull());
  ExpectCommandStates(false);
}

// What is not a frame shows black under its name, with a notice saying why
// until a frame loads.
TEST_F(MainFormTest, WhatIsNoFrameShowsBlackWithANoticeUntilAFrameLoads) {
  std::filesystem::create_directory(dir.Path() / "folder.001");
  WriteBytes(dir / "notes.txt", std::vector<std::uint8_t>(35, 'x'));
  WriteFrame("a.001");
  const std::pair<std::string, QString> cases[] = {{"missing.001", "missing.001 could not be read: No such file"},
                                                   {"folder.001", "folder.001 could not be read: it is a directory"},
                                                   {"notes.txt", "notes.txt is 35 bytes, not a frame"}};
  for (const auto& [name, notice] : cases) {
    SCOPED_TRACE(name);
    TChild* child = Open(dir / name);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->windowTitle().toStdString(), name);
    QImage black(832, 700, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(child->Picture().convertToFormat(QImage::Format_RGB32), black);
    EXPECT_TRUE(child->Notice().startsWith(notice)) << child->Notice().toStdString();
    const QWidget* bar = child->findChild<QWidget*>("NoticeBar");  // above the picture, not over it
    EXPECT_TRUE(bar->isVisible() && bar->geometry().bottom() < child->ScrollArea()->geometry().top());
    if (name == "notes.txt") {
      Action("Next1")->trigger();
      EXPECT_EQ(Caption(), "a.001");
      EXPECT_TRUE(child->Notice().isEmpty() && !bar->isVisible());
    }
    CloseImageWindow();
  }
}

// What one run leaves in the store comes back in the next: the recent frames
// latest first without the ones gone, the dock and its scales, the marks, the
// zoom mode and Keep Adjustments; the window still starts with no frame.
TEST_F(MainFormTest, SettingsComeBackInTheNextRun) {
  const std::string a = WriteFrame("a.001"), b = WriteFrame("b.001"), gone = WriteFrame("c.001");
  for (const std::string& path : {a, gone, b, a}) {
    Open(path);
    CloseImageWindow();
  }
  form->Histogram().show();
  form->Histogram().SetLogScale(true);
  form->Histogram().SetSkipZero(true);
  Action("Frames1")->trigger();
  form->Measure().ProfileDock().show();
  form->Measure().SetPixelTableShowsShown(true);
  Action("MarkSpecialPixels1")->trigger();
  Action("KeepAdjustments1")->trigger();
  Open(b);
  Action("FitToWindow1")->trigger();
  std::filesystem::remove(gone);
  form->close();  // as Exit and the close box do, which hides the docks first
  form.reset();

  form = std::make_unique<TMainForm>(dialogs);
  form->show();
  ExpectCommandStates(false);
  QMenu* recent = form->findChild<QMenu*>("OpenRecent1");
  emit recent->aboutToShow();
  QStringList entries;
  for (const QAction* entry : recent->actions()) entries << (entry->isSeparator() ? "|" : entry->text());
  const QString folder = QString::fromStdString(dir.Path().string());
  EXPECT_EQ(entries, QStringList({"&1 " + folder + "/b.001", "&2 " + folder + "/a.001", "|", "&1 " + folder, "|",
                                  "&Clear Menu"}));
  EXPECT_TRUE(form->Histogram().isVisible() && form->Histogram().LogScale() && form->Histogram().SkipZero());
  EXPECT_TRUE(form->Frames().isVisible());
  EXPECT_TRUE(Action("MarkSpecialPixels1")->isChecked() && form->Viewer().Document().KeepsReplacedSamples());
  EXPECT_TRUE(form->Measure().ProfileDock().isVisible() && form->Measure().StatisticsDock().isHidden());
  EXPECT_TRUE(form->Measure().PixelTableShowsShown());
  EXPECT_TRUE(Action("KeepAdjustments1")->isChecked() && form->Viewer().KeepsAdjustments());
  recent->actions()[1]->trigger();
  ASSERT_NE(form->ImageWindow(), nullptr);
  EXPECT_EQ(Caption(), "a.001");
  EXPECT_TRUE(form->ImageWindow()->Fitting());
}

TEST_F(MainFormTest, AnOptionCheckedBeforeOpenPressesItsButtonWhichTogglesItOff) {
  const std::string path = WriteFrame("frame.001");
  Viewer reference;
  const std::vector<std::uint8_t> plain = reference.OpenFrame(path).Bmp;
  for (const auto& [menuItem, button] : kOptions) {
    SCOPED_TRACE(menuItem);
    Action(menuItem)->trigger();
    Open(path);
    EXPECT_EQ(DownOptionButtons(), std::vector<std::string>{button});
    Click(button);
    EXPECT_TRUE(DownOptionButtons().empty());
    EXPECT_EQ(ShownBmp(), plain);
    CloseImageWindow();
    Action(menuItem)->trigger();
  }
}

TEST_F(MainFormTest, StepButtonsRenderLikeTheViewer) {
  Viewer reference;
  reference.OpenFrame(WriteFrame("frame.001"));
  Open(dir / "frame.001");
  const std::pair<const char*, StepCommand> steps[] = {
      {"ToolButton21", StepCommand::BrightnessUp}, {"ToolButton20", StepCommand::BrightnessDown},
      {"ToolButton28", StepCommand::ContrastUp},   {"ToolButton27", StepCommand::ContrastDown},
      {"ToolButton23", StepCommand::GradientUp},   {"ToolButton22", StepCommand::GradientDown}};
  for (const auto& [button, step] : steps) {
    Click(button);
    EXPECT_EQ(ShownBmp(), reference.ApplyStep(step).Bmp) << button;
  }
}

TEST_F(MainFormTest, ViewToolbarHidesAndShowsTheCounterBoxWithTheBar) {
  auto* memo = form->findChild<QLineEdit*>("Memo1");
  auto* bar = form->findChild<QWidget*>("MojToolBar");
  for (const bool shown : {false, true}) {
    Action("Toolbar1")->trigger();
    EXPECT_EQ(memo->isVisible(), shown);
    EXPECT_EQ(bar->isVisible(), shown);
    EXPECT_EQ(Action("Toolbar1")->isChecked(), shown);
  }
}

// With the tool bar hidden, each button's key does what a click on a window
// with the bar does; a key is bound to one command only.
TEST_F(MainFormTest, ButtonKeysWorkWithTheToolBarHiddenAndEachKeyIsBoundOnce) {
  TMainForm clicked(dialogs);
  dialogs.FileAnswers.push_back(QString::fromStdString(WriteFrame("frame.001")));
  clicked.findChild<QAction*>("Open1")->trigger();
  Open(dir / "frame.001");
  Action("Toolbar1")->trigger();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  for (const auto& [button, key] : kButtonKeys) {
    QToolButton* other = clicked.findChild<QToolButton*>(QString::fromStdString(button));
    QTest::keySequence(form.get(), QKeySequence(QString::fromStdString(key)));
    other->click();
    EXPECT_EQ(ShownBmp(), clicked.ImageWindow()->BmpFile()) << button;
    EXPECT_EQ(Button(button.c_str())->isChecked(), other->isChecked()) << button;
  }
  EXPECT_EQ(dialogs.ModalShown.size(), 2u);  // Image Info, through its key and its click

  QStringList bound{"B"};  // blinks while held, watched by the window itself
  for (QAction* action : form->findChildren<QAction*>())
    if (action->parent() == form.get() || action->parent()->parent() == form->menuBar() ||
        action == form->Histogram().toggleViewAction() || action == form->Frames().toggleViewAction())
      for (const QKeySequence& key : action->shortcuts()) bound << key.toString(QKeySequence::NativeText);
  EXPECT_EQ(bound.removeDuplicates(), 0);
  QStringList listed;
  for (const KeyListing& line : KeyboardShortcuts()) listed << line.Keys.split(", ");
  listed.sort();
  bound.sort();
  EXPECT_EQ(listed.join(' ').toStdString(), bound.join(' ').toStdString());
}

TEST_F(MainFormTest, CopyPutsTheProcessedPictureOnTheClipboardEvenWhileBlinking) {
  Open(WriteFrame("frame.001"));
  Click("ToolButton19");
  const std::vector<std::uint8_t> bmp = ShownBmp();
  QTest::mousePress(Button("BlinkBtn"), Qt::LeftButton);
  ASSERT_TRUE(form->Blinking());
  Action("Copy1")->trigger();
  QTest::mouseRelease(Button("BlinkBtn"), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_RGB32));
}

TEST_F(MainFormTest, TheUserGuideIsShipped) {
  Action("UserGuide1")->trigger();
  ASSERT_EQ(dialogs.ModalShown.size(), 1u);
  EXPECT_TRUE(static_cast<TUserGuideBox*>(dialogs.ModalShown.back())
                  ->Page()
                  .toPlainText()
                  .contains("Help > Keyboard Shortcuts"));
}

TEST_F(MainFormTest, NextAndTheScanTimerBrowseAndClosingStopsTheScan) {
  for (const char* name : {"b.001", "a.001", "e.001"}) WriteFrame(name);
  Open(dir / "a.001");
  Click("FileForBtn");
  EXPECT_EQ(Caption(), "b.001");
  EXPECT_EQ(Memo(), "2/3");

  Click("FileForAutoBtn");
  ASSERT_TRUE(Timer().isActive());
  Timer().setInterval(10);  // the Viewer sets it back at the tick
  EXPECT_TRUE(QTest::qWaitFor([&] { return Caption() == "e.001"; }, 2000));
  EXPECT_EQ(Memo(), "3/3");
  EXPECT_EQ(Timer().interval(), 2000);

  Click("FileTylAutBtn");
  ASSERT_TRUE(Timer().isActive());
  CloseImageWindow();
  ExpectCommandStates(false);
  form->Timer1Timer();  // a tick already queued loads nothing
  EXPECT_EQ(form->ImageWindow(), nullptr);
}

TEST_F(MainFormTest, PlayShowsTheFolderRoundOnTimerTicksUntilPlayOrEscStopsIt) {
  for (const char* name : {"b.001", "a.001", "c.001"}) WriteFrame(name);
  Open(dir / "b.001");
  Action("Play1")->trigger();
  const QTimer& play = *form->findChild<QTimer*>("PlayTimer");
  ASSERT_TRUE(play.isActive());
  EXPECT_EQ(play.interval(), 100);
  EXPECT_TRUE(Action("Play1")->isChecked());
  QStringList shown;
  for (int tick = 0; tick < 4; ++tick) {
    form->PlayTimerTick();
    shown << Caption() + " " + Memo();
  }
  EXPECT_EQ(shown, QStringList({"c.001 3/3", "a.001 1/3", "b.001 2/3", "c.001 3/3"}));

  Action("ScanStop1")->trigger();
  EXPECT_FALSE(play.isActive());
  EXPECT_FALSE(Action("Play1")->isChecked());
  form->PlayTimerTick();  // a tick already queued shows nothing new
  EXPECT_EQ(Caption(), "c.001");
  Action("Play1")->trigger();
  EXPECT_TRUE(play.isActive());
  Action("Play1")->trigger();
  EXPECT_FALSE(play.isActive());
}

TEST_F(MainFormTest, OpenStartsOnTheCurrentFrameSelectedAndKeepsItsBytes) {
  std::vector<std::uint8_t> other = Mariner10FrameFile();
  other[RecordBytes + 1] ^= 0xFF;
  WriteFrame("a.001");
  WriteFrame("a\xfe.001");
  WriteFrame("a\xff.001", other);
  Open(dir / "a.001");
  Click("FileForBtn");
  const QString shown = QStringLiteral("a\uFFFD.001");
  EXPECT_EQ(Caption(), shown);
  CloseImageWindow();

  QString folder, name, selected;
  dialogs.FileDialogUser = [&](QFileDialog& dialog) {
    folder = dialog.directory().absolutePath();
    auto* field = dialog.findChild<QLineEdit*>("fileNameEdit");
    name = field->text();
    selected = field->selectedText();
    return std::optional<QString>(dialog.selectedFiles().value(0));  // Return pressed at once
  };
  Action("Open1")->trigger();
  EXPECT_EQ(folder.toStdString(), dir.Path().string());
  EXPECT_EQ(name, shown);
  EXPECT_EQ(selected, shown);
  EXPECT_EQ(form->Viewer().Document().CurrentPath(), dir / "a\xfe.001");
  Viewer reference;
  EXPECT_EQ(ShownBmp(), reference.OpenFrame(dir / "a\xfe.001").Bmp);
}

TEST_F(MainFormTest, ReturnInTheOpenDialogLeavesNoPopUpToSwallowTheNextClick) {
  for (const char* name : {"a.001", "b.001", "c.001"}) WriteFrame(name);
  Open(dir / "a.001");
  CloseImageWindow();
  bool completerShown = false;
  dialogs.FileDialogUser = [&](QFileDialog& dialog) -> std::optional<QString> {
    dialog.show();
    if (!QTest::qWaitForWindowActive(&dialog)) return std::nullopt;           // a user types into an active dialog
    QTest::keyClicks(dialog.findChild<QLineEdit*>("fileNameEdit"), "c.001");  // replaces the selected a.001
    // The completer pops up once the folder is listed; Return then goes to its pop-up.
    completerShown = QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 5000);
    if (!completerShown) return std::nullopt;
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    if (dialog.isVisible() || dialog.result() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFiles().value(0);
  };
  Action("Open1")->trigger();
  ASSERT_TRUE(completerShown);
  ASSERT_EQ(Caption().toStdString(), "c.001");
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  // Through the window system, where an open pop-up would take the click.
  QToolButton* previous = Button("FileTylBtn");
  QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, previous->mapTo(form.get(), previous->rect().center()));
  EXPECT_EQ(Caption().toStdString(), "b.001");
}

TEST_F(MainFormTest, ImageInfoShowsTheBoxOfTheFramesDataSetAndAboutItsBox) {
  Open(WriteFrame("a.001"));
  Click("ToolButton29");
  ASSERT_EQ(dialogs.ModalShown.size(), 1u);
  EXPECT_EQ(dialogs.ModalShown.back(), static_cast<QDialog*>(&form->InfoBox()));
  EXPECT_EQ(form->InfoBox().LabelText(1), "Spacecraft = Mariner 10");
  CloseImageWindow();

  Open(WriteFrame("b.001", Mariner9FrameFile()));
  Click("ToolButton29");
  ASSERT_EQ(dialogs.ModalShown.size(), 2u);
  EXPECT_EQ(dialogs.ModalShown.back(), static_cast<QDialog*>(&form->InfoBox2()));
  EXPECT_EQ(form->InfoBox2().LabelText(1), QString::fromLatin1(Mariner9Lines[0].data(), 23));

  Click("HelpAboutBtn");
  ASSERT_EQ(dialogs.ModalShown.size(), 3u);
  EXPECT_EQ(dialogs.ModalShown.back(), static_cast<QDialog*>(&form->AboutBox()));
}

}  // namespace
}  // namespace vantorel::testing
