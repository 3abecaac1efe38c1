// The main window's command table, its two states and the load, browse, scan
// and option commands, driven through menu items and tool buttons.
#include <QDir>
#include <QMdiArea>
#include <QMenuBar>
#include <QPointer>
#include <QToolBar>

#include "app/about.h"
#include "app/info2_unit.h"
#include "app/info_unit.h"
#include "form_harness.h"

namespace vantorel::testing {
namespace {

enum class EnabledWhen { Always, NoFrame, Frame };

struct Command {
  const char* name;
  const char* text;  // menu caption or tool-button hint
  EnabledWhen enabled;
};

const Command kMenuItems[] = {
    {"Open1", "&Open...", EnabledWhen::NoFrame},
    {"Next1", "&Next ", EnabledWhen::Frame},
    {"Previous1", "Pr&evious", EnabledWhen::Frame},
    {"SaveAs1", "Save &As...", EnabledWhen::Frame},
    {"ScanForward1", "Scan Forward", EnabledWhen::Frame},
    {"ScanBackward1", "Scan Backward", EnabledWhen::Frame},
    {"ScanStop1", "Scan Stop", EnabledWhen::Frame},
    {"Print1", "&Print...", EnabledWhen::Frame},
    {"PrintSetup1", "P&rint Setup...", EnabledWhen::Frame},
    {"Exit1", "E&xit", EnabledWhen::Always},
    {"Atostretch1", "Contrast &Stretch", EnabledWhen::Always},
    {"Despeckleon1", "&Despeckle ", EnabledWhen::Always},
    {"Reconstruct1", "&Reconstruction", EnabledWhen::Always},
    {"FlipVertically1", "&Flip Vertically", EnabledWhen::Always},
    {"Rotate1", "R&otate", EnabledWhen::Always},
    {"Sharpen1", "S&harpen", EnabledWhen::Always},
    {"Invert1", "&Invert", EnabledWhen::Always},
    {"Minimize1", "&Minimize", EnabledWhen::Always},
    {"Colour1", "&Colorize", EnabledWhen::Always},
    {"Toolbar1", "Toolbar", EnabledWhen::Always},
    {"N2seconds1", "2 seconds", EnabledWhen::Always},
    {"N3seconds1", "3 seconds", EnabledWhen::Always},
    {"N4seconds1", "4 seconds", EnabledWhen::Always},
    {"N5seconds1", "5 seconds", EnabledWhen::Always},
    {"About1", "&About...", EnabledWhen::Always},
};

const Command kToolButtons[] = {
    {"FileOpenBtn", "Open", EnabledWhen::NoFrame},
    {"FileSaveBtn", "Save as ", EnabledWhen::Frame},
    {"ToolButton17", "Print", EnabledWhen::Frame},
    {"FileTylAutBtn", "Scan Backword", EnabledWhen::Frame},
    {"FileTylBtn", "Previous", EnabledWhen::Frame},
    {"FileStopBtn", "Scan Stop", EnabledWhen::Frame},
    {"FileForBtn", "Next", EnabledWhen::Frame},
    {"FileForAutoBtn", "Scan Forword", EnabledWhen::Frame},
    {"ToolButton9", "Original Image", EnabledWhen::Frame},
    {"ToolButton10", "Flip Vertically", EnabledWhen::Frame},
    {"ToolButton2", "Rotate", EnabledWhen::Frame},
    {"ToolButton11", "Reconstruction", EnabledWhen::Frame},
    {"ToolButton12", "Despeckle", EnabledWhen::Frame},
    {"ToolButton13", "Contrast stretch", EnabledWhen::Frame},
    {"ToolButton18", "Sharpen", EnabledWhen::Frame},
    {"ToolButton27", "Contrast Down", EnabledWhen::Frame},
    {"ToolButton28", "Contrast Up", EnabledWhen::Frame},
    {"ToolButton20", "Brightness Down", EnabledWhen::Frame},
    {"ToolButton21", "Brightness Up", EnabledWhen::Frame},
    {"ToolButton22", "Left To Rigth Brightness Gradient Reduction", EnabledWhen::Frame},
    {"ToolButton23", "Right To Left Brightness Gradient Reduction", EnabledWhen::Frame},
    {"ToolButton19", "Invert Display", EnabledWhen::Frame},
    {"ToolButton32", "Colorization", EnabledWhen::Frame},
    {"ToolButton30", "Minimize", EnabledWhen::Frame},
    {"ToolButton29", "Image Info", EnabledWhen::Frame},
    {"HelpAboutBtn", "About", EnabledWhen::Always},
};

// The nine option buttons with their Options-menu items.
struct OptionPair {
  const char* menuItem;
  const char* button;
};
const OptionPair kOptions[] = {
    {"Atostretch1", "ToolButton13"}, {"Despeckleon1", "ToolButton12"}, {"Reconstruct1", "ToolButton11"},
    {"FlipVertically1", "ToolButton10"}, {"Rotate1", "ToolButton2"},   {"Sharpen1", "ToolButton18"},
    {"Invert1", "ToolButton19"},         {"Minimize1", "ToolButton30"}, {"Colour1", "ToolButton32"},
};

bool ExpectedEnabled(EnabledWhen when, bool frame) {
  return when == EnabledWhen::Always || (when == EnabledWhen::Frame) == frame;
}

class MainFormTest : public FormTest {
 protected:
  void ExpectCommandStates(bool frame) {
    SCOPED_TRACE(frame ? "frame on screen" : "no frame");
    for (const Command& item : kMenuItems) {
      QAction* action = Action(item.name);
      ASSERT_NE(action, nullptr) << item.name;
      EXPECT_EQ(action->isEnabled(), ExpectedEnabled(item.enabled, frame)) << item.name;
    }
    for (const Command& item : kToolButtons) {
      QToolButton* button = Button(item.name);
      ASSERT_NE(button, nullptr) << item.name;
      EXPECT_EQ(button->isEnabled(), ExpectedEnabled(item.enabled, frame)) << item.name;
    }
    if (!frame) {
      EXPECT_EQ(Memo(), "0/0");
      EXPECT_FALSE(Timer().isActive());
      EXPECT_FALSE(Button("FileForAutoBtn")->isChecked());
      EXPECT_FALSE(Button("FileTylAutBtn")->isChecked());
      EXPECT_EQ(form->ImageWindow(), nullptr);
    }
  }
  std::vector<std::string> DownOptionButtons() const {
    std::vector<std::string> down;
    for (const OptionPair& option : kOptions)
      if (Button(option.button)->isChecked()) down.push_back(option.button);
    return down;
  }
  std::string WriteFrame(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir / name;
    WriteBytes(path, bytes);
    return path;
  }
};

TEST_F(MainFormTest, StartsWithTheNoFrameStateAndTheTimerStopped) {
  ExpectCommandStates(false);
  EXPECT_EQ(form->objectName(), "MainForm");
  EXPECT_EQ(Timer().interval(), 2000);
  EXPECT_TRUE(Action("Toolbar1")->isChecked());
  for (const char* pause : {"N2seconds1", "N3seconds1", "N4seconds1", "N5seconds1"})
    EXPECT_FALSE(Action(pause)->isChecked()) << pause;
  for (const OptionPair& option : kOptions) {
    EXPECT_FALSE(Action(option.menuItem)->isChecked()) << option.menuItem;
    EXPECT_FALSE(Button(option.button)->isChecked()) << option.button;
  }
  EXPECT_TRUE(StatusText().isEmpty());
}

TEST_F(MainFormTest, MenuCaptionsAndToolButtonHintsAreExact) {
  for (const Command& item : kMenuItems) {
    QAction* action = Action(item.name);
    ASSERT_NE(action, nullptr) << item.name;
    EXPECT_EQ(action->text().toStdString(), item.text) << item.name;
  }
  for (const Command& item : kToolButtons) {
    QToolButton* button = Button(item.name);
    ASSERT_NE(button, nullptr) << item.name;
    EXPECT_EQ(button->toolTip().toStdString(), item.text) << item.name;
  }

  QStringList menus;
  for (QAction* menu : form->menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, QStringList({"&File", "&Options", "View", "Scan-pause", "&About"}));

  QStringList fileMenu;
  for (QAction* item : form->menuBar()->actions().front()->menu()->actions())
    fileMenu << (item->isSeparator() ? "-" + item->objectName() : item->objectName());
  EXPECT_EQ(fileMenu, QStringList({"Open1", "Next1", "Previous1", "SaveAs1", "-N2", "ScanForward1", "ScanBackward1",
                                   "ScanStop1", "-N3", "Print1", "PrintSetup1", "-N1", "Exit1"}));
}

TEST_F(MainFormTest, ToolBarHasTwoRowsOfGlyphButtonsAndTheCounterBoxLast) {
  auto* bar = form->findChild<QWidget*>("MojToolBar");
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(form->findChild<QToolBar*>("MojCoolBar")->isAncestorOf(bar));
  EXPECT_FALSE(form->findChild<QToolBar*>("MojCoolBar")->isMovable());
  auto* memo = form->findChild<QLineEdit*>("Memo1");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_TRUE(memo->alignment() & Qt::AlignRight);
  EXPECT_GE(memo->width(), 89);
  EXPECT_EQ(memo->height(), 22);
  EXPECT_EQ(memo->font().pixelSize(), 16);

  const int firstRow = Button("FileOpenBtn")->geometry().center().y();
  const int secondRow = Button("ToolButton27")->geometry().center().y();
  EXPECT_LT(firstRow, secondRow);
  for (const Command& item : kToolButtons) {
    QToolButton* button = Button(item.name);
    if (!button) continue;
    EXPECT_EQ(button->iconSize(), QSize(16, 16)) << item.name;
    EXPECT_FALSE(button->icon().isNull()) << item.name;
    EXPECT_TRUE(button->autoRaise()) << item.name;
    const int row = button->geometry().center().y();
    EXPECT_TRUE(row == firstRow || row == secondRow) << item.name;
  }
  EXPECT_EQ(Button("ToolButton18")->geometry().center().y(), firstRow);
  EXPECT_EQ(Button("HelpAboutBtn")->geometry().center().y(), secondRow);
  EXPECT_GT(memo->geometry().left(), Button("HelpAboutBtn")->geometry().right());
  EXPECT_LE(memo->geometry().top(), secondRow);
  EXPECT_GE(memo->geometry().bottom(), secondRow);
}

TEST_F(MainFormTest, OpenShowsTheFrameAndCloseReturnsToTheStartState) {
  const std::string path = WriteFrame("frame.001", Mariner10Frame());
  TChild* child = Open(path);
  ASSERT_NE(child, nullptr);
  ExpectCommandStates(true);
  EXPECT_EQ(child->windowTitle(), "frame.001");
  EXPECT_EQ(Memo(), "1/1");
  EXPECT_TRUE(Action("N2seconds1")->isChecked());
  EXPECT_FALSE(Timer().isActive());
  EXPECT_EQ(dialogs.FileDialogsShown, 1);

  // Open cannot be reached while the frame is shown: no second dialog, no second window.
  dialogs.FileAnswers.push_back(QString::fromStdString(path));
  Trigger("Open1");
  Click("FileOpenBtn");
  EXPECT_EQ(dialogs.FileDialogsShown, 1);
  EXPECT_EQ(form->findChildren<TChild*>().size(), 1);

  QPointer<TChild> first = child;
  CloseImageWindow();
  EXPECT_TRUE(first.isNull());
  ExpectCommandStates(false);

  TChild* second = Open(path);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(form->findChildren<TChild*>().size(), 1);
  ExpectCommandStates(true);
}

TEST_F(MainFormTest, CancellingTheOpenDialogChangesNothing) {
  Click("FileOpenBtn");
  EXPECT_EQ(dialogs.FileDialogsShown, 1);
  ExpectCommandStates(false);
}

TEST_F(MainFormTest, ShownPixelsAreTheComposedBitmapAtFullSize) {
  const std::string path = WriteFrame("frame.001", Mariner10Frame());
  TChild* child = Open(path);
  ASSERT_NE(child, nullptr);

  Viewer reference;
  const Picture expected = reference.OpenFrame(path);
  ASSERT_EQ(child->BmpFile().size(), BmpFileBytes);
  EXPECT_EQ(child->BmpFile(), expected.Bmp);

  const QImage decoded = QImage::fromData(expected.Bmp.data(), int(expected.Bmp.size()), "BMP");
  ASSERT_EQ(decoded.size(), QSize(832, 700));
  EXPECT_EQ(child->Picture().convertToFormat(QImage::Format_RGB32), decoded.convertToFormat(QImage::Format_RGB32));
  // What the image control draws, pixel for pixel, with nothing cut off.
  EXPECT_EQ(child->Image()->size(), QSize(832, 700));
  EXPECT_EQ(child->Image()->grab().toImage().convertToFormat(QImage::Format_RGB32),
            decoded.convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(child->isMaximized());
  QCoreApplication::processEvents();  // let the maximized window lay out
  EXPECT_EQ(child->Image()->visibleRegion().boundingRect(), QRect(0, 0, 832, 700));
}

TEST_F(MainFormTest, UnreadableFilesShowABlackPictureUnderTheirName) {
  std::filesystem::create_directory(dir.Path() / "folder.001");
  const std::string cases[] = {"missing.001", "folder.001"};
  for (const std::string& name : cases) {
    SCOPED_TRACE(name);
    TChild* child = Open(dir / name);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->windowTitle().toStdString(), name);
    ExpectCommandStates(true);
    const QImage picture = child->Picture().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(832, 700));
    bool allBlack = true;
    for (int y = 0; y < picture.height() && allBlack; ++y)
      for (int x = 0; x < picture.width() && allBlack; ++x) allBlack = (picture.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_TRUE(allBlack);
    EXPECT_TRUE(StatusText().startsWith(QString::fromStdString("Could not read " + name + ": "))) << StatusText().toStdString();
    EXPECT_GT(StatusText().size(), int(("Could not read " + name + ": ").size()));
    CloseImageWindow();
  }
  // A good load clears the message.
  Open(WriteFrame("good.001", Mariner10Frame()));
  EXPECT_TRUE(StatusText().isEmpty());
}

TEST_F(MainFormTest, OptionsMenuSetsTheButtonsOfTheNextLoadOnly) {
  const std::string path = WriteFrame("frame.001", Mariner10Frame());
  Trigger("Atostretch1");
  Trigger("Invert1");
  EXPECT_TRUE(Action("Atostretch1")->isChecked());
  EXPECT_TRUE(Action("Invert1")->isChecked());
  EXPECT_TRUE(DownOptionButtons().empty()) << "the menu alone presses no button";

  Open(path);
  EXPECT_EQ(DownOptionButtons(), (std::vector<std::string>{"ToolButton13", "ToolButton19"}));

  // Unchecking while a frame is shown changes neither the picture nor the buttons.
  const std::vector<std::uint8_t> before = ShownBmp();
  Trigger("Invert1");
  EXPECT_FALSE(Action("Invert1")->isChecked());
  EXPECT_EQ(ShownBmp(), before);
  EXPECT_EQ(DownOptionButtons(), (std::vector<std::string>{"ToolButton13", "ToolButton19"}));

  // Closing keeps the Down states and the check marks.
  CloseImageWindow();
  EXPECT_EQ(DownOptionButtons(), (std::vector<std::string>{"ToolButton13", "ToolButton19"}));
  EXPECT_TRUE(Action("Atostretch1")->isChecked());
}

TEST_F(MainFormTest, OptionButtonsToggleDownAndRenderAgain) {
  Open(WriteFrame("frame.001", Mariner10Frame()));
  const std::vector<std::uint8_t> plain = ShownBmp();

  for (const OptionPair& option : kOptions) {
    SCOPED_TRACE(option.button);
    Click(option.button);
    EXPECT_TRUE(Button(option.button)->isChecked());
    EXPECT_FALSE(Action(option.menuItem)->isChecked()) << "buttons leave the menu alone";
  }
  EXPECT_NE(ShownBmp(), plain);

  Click("ToolButton19");
  EXPECT_FALSE(Button("ToolButton19")->isChecked());

  Click("ToolButton9");
  EXPECT_TRUE(DownOptionButtons().empty());
  Viewer reference;
  reference.OpenFrame(dir / "frame.001");
  EXPECT_EQ(ShownBmp(), reference.ShowOriginalImage().Bmp);

  // A single toggle on a plain frame changes the picture, and toggling back restores it.
  CloseImageWindow();
  Open(dir / "frame.001");
  Click("ToolButton19");
  EXPECT_NE(ShownBmp(), plain);
  Click("ToolButton19");
  EXPECT_EQ(ShownBmp(), plain);
}

TEST_F(MainFormTest, StepButtonsRenderWithTheViewersCounters) {
  const std::string path = WriteFrame("frame.001", Mariner10Frame());
  Open(path);
  Viewer reference;
  reference.OpenFrame(path);
  const struct {
    const char* button;
    StepCommand step;
  } steps[] = {{"ToolButton21", StepCommand::BrightnessUp}, {"ToolButton20", StepCommand::BrightnessDown},
               {"ToolButton28", StepCommand::ContrastUp},   {"ToolButton27", StepCommand::ContrastDown},
               {"ToolButton23", StepCommand::GradientUp},   {"ToolButton22", StepCommand::GradientDown}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.button);
    Click(step.button);
    EXPECT_EQ(ShownBmp(), reference.ApplyStep(step.step).Bmp);
  }
}

TEST_F(MainFormTest, ViewToolbarHidesAndShowsTheBarWithTheCounterBox) {
  auto* memo = form->findChild<QLineEdit*>("Memo1");
  auto* coolBar = form->findChild<QToolBar*>("MojCoolBar");
  EXPECT_TRUE(memo->isVisible());
  Trigger("Toolbar1");
  EXPECT_FALSE(memo->isVisible());
  EXPECT_FALSE(form->findChild<QWidget*>("MojToolBar")->isVisible());
  EXPECT_FALSE(Action("Toolbar1")->isChecked());
  EXPECT_TRUE(coolBar->isVisible());
  Trigger("Toolbar1");
  EXPECT_TRUE(memo->isVisible());
  EXPECT_TRUE(Action("Toolbar1")->isChecked());
}

class BrowseTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    for (const char* name : {"b.001", "a.001", "e.001"}) WriteFrame(name, Mariner10Frame());
    WriteBytes(dir / "notes.txt", std::vector<std::uint8_t>(100, 'x'));
    ASSERT_NE(Open(dir / "b.001"), nullptr);
  }
};

TEST_F(BrowseTest, NextAndPreviousStepThroughTheSortedFolder) {
  EXPECT_EQ(Memo(), "2/3");
  Click("FileForBtn");
  EXPECT_EQ(Caption(), "e.001");
  EXPECT_EQ(Memo(), "3/3");
  const std::vector<std::uint8_t> last = ShownBmp();
  Trigger("Next1");
  EXPECT_EQ(Caption(), "e.001");
  EXPECT_EQ(Memo(), "3/3");
  Click("FileTylBtn");
  Trigger("Previous1");
  EXPECT_EQ(Caption(), "a.001");
  EXPECT_EQ(Memo(), "1/3");
  Click("FileTylBtn");
  EXPECT_EQ(Memo(), "1/3");
  EXPECT_EQ(form->findChildren<TChild*>().size(), 1) << "browsing reuses the window";
  ExpectCommandStates(true);
}

TEST_F(BrowseTest, BrowsingTakesTheMenuOptionsAgain) {
  Click("ToolButton19");
  ASSERT_TRUE(Button("ToolButton19")->isChecked());
  Click("FileForBtn");
  EXPECT_FALSE(Button("ToolButton19")->isChecked());
  Trigger("Rotate1");
  Click("FileTylBtn");
  EXPECT_EQ(DownOptionButtons(), std::vector<std::string>{"ToolButton2"});
}

TEST_F(BrowseTest, ScanRunsOnTicksAndEndsAtTheEndOfTheList) {
  Click("FileTylAutBtn");
  EXPECT_TRUE(Timer().isActive());
  EXPECT_EQ(Timer().interval(), 2000);
  EXPECT_TRUE(Button("FileTylAutBtn")->isChecked());
  EXPECT_FALSE(Button("FileForAutoBtn")->isChecked());
  EXPECT_EQ(Caption(), "b.001") << "a scan loads nothing before its first tick";

  form->Timer1Timer();
  EXPECT_EQ(Caption(), "a.001");
  EXPECT_EQ(Memo(), "1/3");
  form->Timer1Timer();
  EXPECT_FALSE(Timer().isActive());
  EXPECT_FALSE(Button("FileTylAutBtn")->isChecked());
  EXPECT_EQ(Caption(), "a.001");

  // Changing direction while scanning keeps the timer running.
  Trigger("ScanForward1");
  EXPECT_TRUE(Button("FileForAutoBtn")->isChecked());
  Trigger("N5seconds1");
  EXPECT_TRUE(Action("N5seconds1")->isChecked());
  EXPECT_FALSE(Action("N2seconds1")->isChecked());
  EXPECT_EQ(Timer().interval(), 2000) << "a new pause applies from the next tick";
  Click("FileTylAutBtn");
  EXPECT_TRUE(Timer().isActive());
  EXPECT_TRUE(Button("FileTylAutBtn")->isChecked());
  EXPECT_FALSE(Button("FileForAutoBtn")->isChecked());
  Trigger("ScanForward1");
  form->Timer1Timer();
  EXPECT_EQ(Caption(), "b.001");
  EXPECT_EQ(Timer().interval(), 5000);

  Click("FileStopBtn");
  EXPECT_FALSE(Timer().isActive());
  EXPECT_FALSE(Button("FileForAutoBtn")->isChecked());
}

TEST_F(BrowseTest, TheRealTimerDrivesTheScan) {
  Click("FileForAutoBtn");
  Timer().setInterval(10);  // the Viewer sets it back at the tick
  EXPECT_TRUE(QTest::qWaitFor([&] { return Caption() == "e.001"; }, 2000));
  EXPECT_EQ(Timer().interval(), 2000);
}

TEST_F(BrowseTest, ClosingTheWindowDuringAScanStopsIt) {
  Click("FileForAutoBtn");
  ASSERT_TRUE(Timer().isActive());
  CloseImageWindow();
  ExpectCommandStates(false);
  EXPECT_FALSE(Timer().isActive());
  form->Timer1Timer();  // a tick already queued loads nothing
  EXPECT_EQ(form->ImageWindow(), nullptr);
}

TEST_F(BrowseTest, OpenDialogStartsAtTheCurrentPath) {
  CloseImageWindow();
  Trigger("Open1");  // cancelled
  ASSERT_EQ(dialogs.StartDirectories.size(), 2u);
  EXPECT_EQ(QDir(dialogs.StartDirectories[1]), QDir(QString::fromStdString(dir.Path().string())));
  EXPECT_EQ(form->OpenDialog().selectedFiles().value(0), QString::fromStdString(dir / "b.001"));
}

TEST(OpenDialog, FiltersAndModeLetATypedNameThrough) {
  ScriptedDialogs dialogs;
  TMainForm form(dialogs);
  QFileDialog& dialog = form.OpenDialog();
  EXPECT_EQ(dialog.objectName(), "WyborZbioru");
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
  // QFileDialog folds runs of blanks in filter texts into one.
  EXPECT_EQ(dialog.nameFilters(), QStringList({"Mariner 10 data set NSSDC ID: PSPA-00108 (*.0* *.1* *.2*)",
                                               "Mariner 9 data set NSSDC ID: PSPG-00235 (*.0* *.1* *.2*)"}));
  // The build's samples sit next to the tests folder; the first dialog starts there.
  const QString samples = QCoreApplication::applicationDirPath() + "/../samples";
  ASSERT_TRUE(QFileInfo(samples).isDir());
  EXPECT_EQ(QDir(dialog.directory()), QDir(samples));
}

class InfoTest : public MainFormTest {};

TEST_F(InfoTest, ImageInfoShowsTheBoxOfTheFramesDataSet) {
  WriteFrame("a.001", Mariner10Frame(0xC1));
  WriteFrame("b.001", Mariner9Frame());
  WriteFrame("c.001", Mariner10Frame(0xC2));
  Open(dir / "a.001");
  Click("ToolButton29");
  ASSERT_EQ(dialogs.ModalShown.size(), 1u);
  EXPECT_EQ(dialogs.ModalShown.back(), static_cast<QDialog*>(&form->InfoBox()));
  EXPECT_EQ(form->InfoBox().LabelText(1), "Spacecraft = Mariner 10");
  EXPECT_EQ(form->InfoBox().LabelText(7), "Camera = A");

  Click("FileForBtn");
  Click("ToolButton29");
  EXPECT_EQ(dialogs.ModalShown.back(), static_cast<QDialog*>(&form->InfoBox2()));
  const QString mariner9 = "MARINER 9" + QString(14, ' ');
  EXPECT_EQ(form->InfoBox2().LabelText(1), mariner9);
  EXPECT_EQ(form->InfoBox().LabelText(1), "Spacecraft = Unknown");

  // A Mariner 10 frame after it leaves the Mariner 9 box as it was.
  Click("FileForBtn");
  Click("ToolButton29");
  EXPECT_EQ(dialogs.ModalShown.back(), static_cast<QDialog*>(&form->InfoBox()));
  EXPECT_EQ(form->InfoBox().LabelText(7), "Camera = B");
  EXPECT_EQ(form->InfoBox2().LabelText(1), mariner9);
}

TEST_F(InfoTest, AnOpenBoxFollowsTheScan) {
  WriteFrame("a.001", Mariner10Frame(0xC1));
  WriteFrame("b.001", Mariner10Frame(0xC2));
  Open(dir / "a.001");
  Click("FileForAutoBtn");
  QString cameraWhileOpen;
  dialogs.WhileModal = [&](QDialog&) {
    form->Timer1Timer();
    cameraWhileOpen = form->InfoBox().LabelText(7);
  };
  Click("ToolButton29");
  EXPECT_EQ(cameraWhileOpen, "Camera = B");
  EXPECT_EQ(Caption(), "b.001");
  EXPECT_TRUE(Timer().isActive()) << "the box does not stop the scan";
}

TEST_F(MainFormTest, AboutIsModalFromMenuAndButtonInBothStates) {
  Trigger("About1");
  Click("HelpAboutBtn");
  Open(WriteFrame("frame.001", Mariner10Frame()));
  Click("HelpAboutBtn");
  ASSERT_EQ(dialogs.ModalShown.size(), 3u);
  for (QDialog* shown : dialogs.ModalShown) EXPECT_EQ(shown, static_cast<QDialog*>(&form->AboutBox()));
}

TEST_F(MainFormTest, ExitClosesTheMainWindow) {
  ASSERT_TRUE(form->isVisible());
  Trigger("Exit1");
  EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace vantorel::testing
