// The image window as a viewer: zoom and scroll, the pixel readout and the
// status fields, the keys, and frames dropped on the main window.
#include <QLabel>
#include <QMdiArea>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>

#include "form_harness.h"
#include "viewer/zoom.h"

namespace vantorel::testing {
namespace {

class ImageViewTest : public FormTest {
 protected:
  TChild& Window() const { return *form->ImageWindow(); }
  ImageControl& Image() const { return *Window().Image(); }
  QScrollArea& Scroller() const { return *Window().ScrollArea(); }
  QString Field(const char* name) const { return form->findChild<QLabel*>(name)->text(); }
  void Trigger(const char* name) const { Action(name)->trigger(); }

  void MovePointer(QPoint inImage) {
    QMouseEvent move(QEvent::MouseMove, QPointF(inImage), Image().mapToGlobal(QPointF(inImage)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Image(), &move);
  }
  void Wheel(QPoint inViewport, int angle, Qt::KeyboardModifiers modifiers) {
    QWidget* viewport = Scroller().viewport();
    QWheelEvent wheel(QPointF(inViewport), viewport->mapToGlobal(QPointF(inViewport)), QPoint(), QPoint(0, angle),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
  }
  // The picture pixel shown at a point of the viewport.
  std::optional<QPoint> PixelAt(QPoint inViewport) const {
    return Image().PicturePixelAt(Image().mapFrom(Scroller().viewport(), inViewport));
  }
  void Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = form->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
  }
};

TEST_F(ImageViewTest, ZoomCommandsStepBetweenTheLimits) {
  Open(WriteFrame("a.001"));
  const std::pair<const char*, double> steps[] = {{"ZoomIn1", 1.5},      {"ZoomIn1", 2},     {"ActualSize1", 1},
                                                  {"ZoomOut1", 2.0 / 3}, {"ZoomOut1", 0.5},  {"ZoomOut1", 1.0 / 3},
                                                  {"ZoomOut1", 0.25},    {"ZoomOut1", 0.25}, {"ZoomIn1", 1.0 / 3}};
  EXPECT_EQ(Field("ZoomField"), "100%");
  for (const auto& [command, zoom] : steps) {
    Trigger(command);
    SCOPED_TRACE(std::string(command) + " to " + std::to_string(zoom));
    EXPECT_EQ(Window().Zoom(), zoom);
    EXPECT_EQ(Image().size(), QSize(ZoomedExtent(832, zoom), ZoomedExtent(700, zoom)));
    EXPECT_EQ(Field("ZoomField").toStdString(), ZoomText(zoom));
  }
}

// Magnified, each screen pixel is the picture pixel it falls in, at fractional
// zooms too (3/2: 2, 1, 2 ... screen pixels); shrunk, pixels are smoothed together.
TEST_F(ImageViewTest, MagnifiedPixelsStaySharpAndShrunkPicturesAreSmoothed) {
  Open(WriteFrame("a.001"));
  const QImage picture = Window().Picture().convertToFormat(QImage::Format_RGB32);
  for (const auto& [times, per] : {std::pair{3, 2}, {2, 1}, {3, 1}}) {
    Trigger("ZoomIn1");
    const QImage shown = Image().grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), picture.size() * times / per);
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        ASSERT_EQ(shown.pixel(x, y), picture.pixel(x * per / times, y * per / times))
            << times << "/" << per << " at " << x << ", " << y;
  }

  // Shrunk, each screen pixel is the mean of the block of picture pixels it stands for.
  Click("ToolButton32");  // colours, so that every channel counts
  const QImage coloured = Window().Picture();
  Trigger("ActualSize1");
  for (const int block : {0, 2, 0, 4}) {  // 67%, 50%, 33%, 25%; 0: no whole blocks
    Trigger("ZoomOut1");
    if (block == 0) continue;
    const QImage shown = Image().grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), coloured.size() / block);
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) {
        for (const int shift : {16, 8, 0}) {  // red, green, blue
          const auto channel = [shift](QRgb pixel) { return int(pixel >> shift) & 0xFF; };
          int sum = 0;
          for (int dy = 0; dy < block; ++dy)
            for (int dx = 0; dx < block; ++dx) sum += channel(coloured.pixel(x * block + dx, y * block + dy));
          ASSERT_NEAR(channel(shown.pixel(x, y)), double(sum) / (block * block), 0.5)
              << "1/" << block << " at " << x << ", " << y;
        }
      }
  }
}

TEST_F(ImageViewTest, ZoomAndScrollSurviveBrowsingScanningAndRenders) {
  for (const char* name : {"a.001", "b.001", "c.001"}) WriteFrame(name);
  Open(dir / "a.001");
  for (int i = 0; i < 4; ++i) Trigger("ZoomIn1");
  Scroller().horizontalScrollBar()->setValue(1000);
  Scroller().verticalScrollBar()->setValue(700);
  const std::pair<const char*, std::function<void()>> commands[] = {
      {"Next", [&] { Click("FileForBtn"); }},
      {"option button", [&] { Click("ToolButton10"); }},
      {"step button", [&] { Click("ToolButton21"); }},
      {"Original Image", [&] { Click("ToolButton9"); }},
      {"scan tick",
       [&] {
         Click("FileForAutoBtn");
         form->Timer1Timer();
       }},
      {"Previous", [&] { Click("FileTylBtn"); }},
  };
  // A picture held elsewhere (as Print holds one) keeps its pixels when the
  // window takes the next one.
  const QImage held = Window().Picture();
  const QImage heldPixels = held.copy();
  for (const auto& [name, command] : commands) {
    SCOPED_TRACE(name);
    command();
    const std::vector<std::uint8_t> bmp = ShownBmp();
    EXPECT_EQ(Window().Picture(),
              QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(Window().Zoom(), 4);
    EXPECT_EQ(Scroller().horizontalScrollBar()->value(), 1000);
    EXPECT_EQ(Scroller().verticalScrollBar()->value(), 700);
  }
  EXPECT_EQ(Caption(), "b.001");
  EXPECT_EQ(held, heldPixels);
}

// The picture pixel under the pointer stays under it; whole notches count,
// parts of notches add up, and without Ctrl the wheel scrolls.
TEST_F(ImageViewTest, CtrlWheelZoomsAboutThePointer) {
  Open(WriteFrame("a.001"));
  Trigger("ZoomIn1");
  Trigger("ZoomIn1");  // 200%: larger than the window both ways, so any point can stay put
  const QPoint pointer(200, 150);
  const std::optional<QPoint> under = PixelAt(pointer);
  ASSERT_TRUE(under);
  const std::pair<int, double> turns[] = {{120, 3}, {120, 4}, {60, 4}, {60, 6}, {-120, 4}, {-240, 2}};
  for (const auto& [angle, zoom] : turns) {
    Wheel(pointer, angle, Qt::ControlModifier);
    EXPECT_EQ(Window().Zoom(), zoom) << angle;
    EXPECT_EQ(PixelAt(pointer), under) << angle << " to " << zoom;
  }
  const int scrolled = Scroller().verticalScrollBar()->value();
  Wheel(pointer, -120, Qt::NoModifier);
  EXPECT_EQ(Window().Zoom(), 2);
  EXPECT_GT(Scroller().verticalScrollBar()->value(), scrolled);
}

// Dragging, or moving with Space held, takes the picture along; the blink's
// badge stays in the viewport's corner, wherever the picture is.
TEST_F(ImageViewTest, DraggingPansAndTheBlinkBadgeStaysInTheCorner) {
  Open(WriteFrame("a.001"));
  Trigger("ZoomIn1");
  Trigger("ZoomIn1");  // 200%: the picture covers the viewport
  const auto at = [this](QPoint inViewport) { return Image().mapFrom(Scroller().viewport(), inViewport); };
  Scroller().horizontalScrollBar()->setValue(150);
  Scroller().verticalScrollBar()->setValue(100);
  QTest::mousePress(&Image(), Qt::LeftButton, {}, at({400, 300}));
  QTest::mouseMove(&Image(), at({340, 320}));
  QTest::mouseRelease(&Image(), Qt::LeftButton, {}, at({340, 320}));
  QTest::mouseMove(&Image(), at({300, 300}));
  EXPECT_EQ(Image().pos(), QPoint(-210, -80));  // scrolled to 210, 80
  EXPECT_EQ(Window().PointerPixel(), PixelAt({300, 300}));
  QTest::keyPress(&Scroller(), Qt::Key_Space);
  QTest::mouseMove(&Image(), at({350, 280}));
  QTest::keyRelease(&Scroller(), Qt::Key_Space);
  QTest::mouseMove(&Image(), at({300, 300}));
  EXPECT_EQ(Image().pos(), QPoint(-160, -100));

  const QImage picture = Window().Picture();
  // Past the badge's margin and rounded corner, before its text.
  const auto corner = [this] { return Scroller().viewport()->grab().toImage().pixel(12, 12); };
  EXPECT_EQ(corner(), picture.pixel(86, 56));
  QTest::mousePress(Button("BlinkBtn"), Qt::LeftButton);
  EXPECT_EQ(corner(), Image().palette().color(QPalette::Highlight).rgb());
  EXPECT_EQ(Window().Picture(), picture);
  QTest::mouseRelease(Button("BlinkBtn"), Qt::LeftButton);
}

// Scroll bars whenever the picture is larger than the window shows, and then
// they reach all of it; the fitted picture needs none.
TEST_F(ImageViewTest, ScrollBarsReachThePictureAtAnyWindowSize) {
  Open(WriteFrame("a.001"));
  struct Case {
    QSize form;
    const char* zoom;
    bool scrolls;
  };
  const Case cases[] = {{{1400, 1000}, "ActualSize1", false},  {{1400, 1000}, "ZoomIn1", true},
                        {{600, 450}, "ActualSize1", true},     {{600, 450}, "FitToWindow1", false},
                        {{1400, 1000}, "FitToWindow1", false}, {{1400, 1000}, "ZoomOut1", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.form.width()) + " " + c.zoom);
    form->resize(c.form);
    Trigger(c.zoom);
    QCoreApplication::processEvents();
    // What the main window leaves visible of the viewport, which may be less than the viewport.
    const QWidget* area = form->findChild<QMdiArea*>("MdiArea")->viewport();
    const QWidget* viewport = Scroller().viewport();
    const QSize visible = (QRect(viewport->mapTo(area, QPoint()), viewport->size()) & area->rect()).size();
    for (QScrollBar* bar : {Scroller().horizontalScrollBar(), Scroller().verticalScrollBar()}) {
      const bool across = bar->orientation() == Qt::Horizontal;
      const int extent = across ? Image().width() : Image().height();
      const int room = across ? visible.width() : visible.height();
      EXPECT_EQ(bar->isVisible(), extent > room);
      EXPECT_EQ(bar->maximum() + room, std::max(extent, room));
    }
    const bool anyBar = Scroller().horizontalScrollBar()->isVisible() || Scroller().verticalScrollBar()->isVisible();
    EXPECT_EQ(anyBar, c.scrolls);
  }
}

TEST_F(ImageViewTest, FitToWindowFollowsTheWindowUntilAnotherZoom) {
  Open(WriteFrame("a.001"));
  const std::pair<QSize, double> sizes[] = {{{600, 450}, 0.25}, {{1000, 800}, 0.5}, {{2400, 1700}, 2}};
  Trigger("FitToWindow1");
  for (const auto& [size, atLeast] : sizes) {
    form->resize(size);
    QCoreApplication::processEvents();
    const QSize room = Scroller().viewport()->size();
    EXPECT_EQ(Window().Zoom(), FitZoom(room.width(), room.height())) << size.width();
    EXPECT_GE(Window().Zoom(), atLeast);
    EXPECT_TRUE(QRect(QPoint(), room).contains(Image().geometry())) << size.width();
    EXPECT_TRUE(Image().width() == room.width() || Image().height() == room.height()) << size.width();
  }
  Trigger("ZoomOut1");
  const double zoom = Window().Zoom();
  form->resize(600, 450);
  QCoreApplication::processEvents();
  EXPECT_EQ(Window().Zoom(), zoom);
}

// Restored from maximized, the window is all inside the MDI area, though it
// was made while the main window was still at its small normal size.
TEST_F(ImageViewTest, RestoredWindowIsInsideTheMdiArea) {
  form->resize(575, 450);
  Open(WriteFrame("a.001"));
  form->resize(1400, 1000);
  Window().showNormal();
  EXPECT_TRUE(form->findChild<QMdiArea*>("MdiArea")->viewport()->rect().contains(Window().geometry()));
}

// The readout names the frame place under the pointer through zoom and the
// geometry options, with the raw and the shown value, and nothing over the
// grey around a half-size picture or off the picture.
TEST_F(ImageViewTest, ReadoutFollowsThePointerThroughZoomAndGeometry) {
  Open(WriteFrame("a.001"));
  struct Case {
    const char* name;
    std::function<void()> before;
    QPoint pointer;           // in the image control
    int line, sample, block;  // line 0: no readout
  };
  auto raw = [](int line, int sample, int block) {
    int sum = 0;
    for (int l = line; l < line + block; ++l)
      for (int s = sample; s < sample + block; ++s) sum += PatternByte(l, s - 1);
    return sum / (block * block);
  };
  const Case cases[] = {
      {"top left", [] {}, {0, 0}, 1, 1, 1},
      {"magnified", [&] { Trigger("ZoomIn1"); }, {21, 41}, 28, 15, 1},  // 3/2: row 41 * 2/3, column 21 * 2/3
      {"flipped", [&] { Click("ToolButton10"); }, {21, 41}, 673, 15, 1},
      {"half size",
       [&] {
         Click("ToolButton10");
         Click("ToolButton30");
         Trigger("ActualSize1");
       },
       {192, 50},
       1,
       1,
       2},
      {"grey around it", [] {}, {191, 50}, 0, 0, 0},
      {"inverted",
       [&] {
         Click("ToolButton30");
         Click("ToolButton19");
       },
       {5, 7},
       8,
       6,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.before();
    MovePointer(c.pointer);
    if (c.line == 0) {
      EXPECT_EQ(Field("PixelReadout"), "");
      continue;
    }
    const QPoint pixel = *Image().PicturePixelAt(c.pointer);
    const int shown = qRed(Window().Picture().pixel(pixel));
    const QString place =
        c.block == 1 ? QString("line %1, sample %2").arg(c.line).arg(c.sample) : QString("lines 1-2, samples 1-2");
    EXPECT_EQ(Field("PixelReadout"),
              QString("%1: raw %2, shown %3").arg(place).arg(raw(c.line, c.sample, c.block)).arg(shown));
  }
  // A render under a still pointer shows its own value there.
  Click("ToolButton19");
  EXPECT_TRUE(Field("PixelReadout").endsWith(", shown " + QString::number(PatternByte(8, 5))));

  // The picture moves under a pointer that stays: the readout names what is under it now.
  const QPoint pointer(300, 250);  // in the viewport
  MovePointer(Image().mapFromParent(pointer));
  QScrollBar& down = *Scroller().verticalScrollBar();
  const std::pair<const char*, std::function<void()>> moves[] = {{"zoom in", [&] { Trigger("ZoomIn1"); }},
                                                                 {"scroll", [&] { down.setValue(down.value() - 50); }},
                                                                 {"actual size", [&] { Trigger("ActualSize1"); }},
                                                                 {"zoom out", [&] { Trigger("ZoomOut1"); }}};
  for (const auto& [name, move] : moves) {
    const std::optional<QPoint> before = PixelAt(pointer);
    move();
    const std::optional<QPoint> now = PixelAt(pointer);
    ASSERT_TRUE(now.has_value()) << name;
    EXPECT_NE(now, before) << name;
    EXPECT_TRUE(Field("PixelReadout").startsWith(QString("line %1, sample %2:").arg(now->y() + 1).arg(now->x() + 1)))
        << name << ": " << Field("PixelReadout").toStdString();
  }
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&Image(), &leave);
  EXPECT_EQ(Field("PixelReadout"), "");
}

TEST_F(ImageViewTest, StatusFieldsShowTheDataSetTheStepsAndTheZoom) {
  WriteFrame("b.001", Mariner9FrameFile());
  Open(WriteFrame("a.001"));
  struct Expected {
    const char* after;
    std::function<void()> command;
    const char *dataSet, *steps, *zoom;
  };
  const Expected rows[] = {
      {"Open", [] {}, "Mariner 10", "B 0  C 0  G 0", "100%"},
      {"Brightness Down", [&] { Click("ToolButton20"); }, "Mariner 10", "B -20  C 0  G 0", "100%"},
      {"Contrast Up", [&] { Click("ToolButton28"); }, "Mariner 10", "B -20  C +1  G 0", "100%"},
      {"Zoom In", [&] { Trigger("ZoomIn1"); }, "Mariner 10", "B -20  C +1  G 0", "150%"},
      {"Next", [&] { Click("FileForBtn"); }, "Mariner 9", "B 0  C 0  G 0", "150%"},
      {"close", [&] { CloseImageWindow(); }, "", "", ""},
      {"Open of a missing file", [&] { Open(dir / "missing.001"); }, "", "B 0  C 0  G 0", "100%"},
  };
  for (const Expected& row : rows) {
    SCOPED_TRACE(row.after);
    row.command();
    EXPECT_EQ(Field("DataSetField"), row.dataSet);
    EXPECT_EQ(Field("StepsField"), row.steps);
    EXPECT_EQ(Field("ZoomField"), row.zoom);
  }
}

// Each key does what its command does, and nothing while the command is disabled.
TEST_F(ImageViewTest, KeysRunTheirCommandsOnlyWhenEnabled) {
  for (const char* name : {"a.001", "b.001", "c.001"}) WriteFrame(name);
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  auto press = [&](QKeySequence keys) { QTest::keySequence(form.get(), keys); };
  auto standard = [&](const char* action, QKeySequence::StandardKey key) {
    const QList<QKeySequence> platform = QKeySequence::keyBindings(key);
    if (!platform.isEmpty()) {
      EXPECT_EQ(Action(action)->shortcuts(), platform) << action;
    }
    return Action(action)->shortcut();
  };

  press(Qt::Key_PageDown);
  EXPECT_EQ(form->ImageWindow(), nullptr);
  dialogs.FileAnswers.push_back(QString::fromStdString(dir / "b.001"));
  press(standard("Open1", QKeySequence::Open));
  ASSERT_NE(form->ImageWindow(), nullptr);

  struct Key {
    QKeySequence keys;
    const char* caption;
    double zoom;
  };
  const Key keys[] = {{Qt::Key_PageDown, "c.001", 1},
                      {Qt::Key_PageUp, "b.001", 1},
                      {Qt::Key_End, "c.001", 1},
                      {Qt::Key_Home, "a.001", 1},
                      {Qt::CTRL | Qt::Key_Plus, "a.001", 1.5},
                      {Qt::CTRL | Qt::Key_Equal, "a.001", 2},
                      {Qt::CTRL | Qt::Key_Minus, "a.001", 1.5},
                      {Qt::CTRL | Qt::Key_0, "a.001", 1},
                      {standard("Open1", QKeySequence::Open), "a.001", 1}};
  for (const Key& key : keys) {
    press(key.keys);
    EXPECT_EQ(Caption(), key.caption) << key.keys.toString().toStdString();
    EXPECT_EQ(Window().Zoom(), key.zoom) << key.keys.toString().toStdString();
  }
  EXPECT_EQ(dialogs.FileDialogsShown, 1);

  Click("FileForAutoBtn");
  ASSERT_TRUE(Timer().isActive());
  press(Qt::Key_Escape);
  EXPECT_FALSE(Timer().isActive());
  EXPECT_FALSE(Button("FileForAutoBtn")->isChecked());

  press(standard("SaveAs1", QKeySequence::SaveAs));  // the dialog is cancelled
  EXPECT_EQ(dialogs.FileDialogsShown, 2);
  standard("Print1", QKeySequence::Print);

  CloseImageWindow();
  press(Qt::Key_Home);
  press(Qt::CTRL | Qt::Key_Plus);
  EXPECT_EQ(form->ImageWindow(), nullptr);
  press(standard("Exit1", QKeySequence::Quit));
  EXPECT_FALSE(form->isVisible());
}

// A drop opens as Open does, in place of the frame on screen; a folder opens
// its first frame; what is not on this computer opens nothing.
TEST_F(ImageViewTest, DroppedFilesAndFoldersOpenTheirFrame) {
  std::filesystem::create_directories(dir.Path() / "frames");
  std::filesystem::create_directories(dir.Path() / "empty");
  for (const char* name : {"frames/b.001", "frames/a.001", "x.001"}) WriteFrame(name);
  auto local = [&](const std::string& name) { return QUrl::fromLocalFile(QString::fromStdString(dir / name)); };
  const QUrl web("https://example.org/a.001");

  struct Case {
    const char* name;
    QList<QUrl> urls;
    const char* caption;  // empty: nothing opened
    const char* counter;
    const char* message;
  };
  const Case cases[] = {
      {"web address", {web}, "", "0/0", "Only files and folders on this computer can be opened"},
      {"frame file", {local("x.001")}, "x.001", "1/1", ""},
      {"folder, over a scan", {local("frames")}, "a.001", "1/2", ""},
      {"several, after a web address", {web, local("frames/b.001"), local("x.001")}, "b.001", "2/2", ""},
      {"folder without frames", {local("empty")}, "b.001", "2/2", "No frame files in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (form->ImageWindow()) {
      Trigger("ZoomIn1");
      Click("FileForAutoBtn");
    }
    QPointer<TChild> before = form->ImageWindow();
    Drop(c.urls);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Caption(), c.caption);
    EXPECT_EQ(Memo(), c.counter);
    const QString message = form->statusBar()->currentMessage();
    EXPECT_TRUE(*c.message == '\0' ? message.isEmpty() : message.startsWith(c.message)) << message.toStdString();
    if (*c.message == '\0') {
      // A new window as after Open: no scan, at actual size.
      EXPECT_TRUE(before.isNull());
      EXPECT_FALSE(Timer().isActive());
      EXPECT_EQ(Window().Zoom(), 1);
    }
  }

  QMimeData text;
  text.setText("x.001");
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &enter);
  EXPECT_FALSE(enter.isAccepted());
}

// The command line's way in opens a missing file as Open does a bad one.
TEST_F(ImageViewTest, OpenPathShowsAnUnreadableFileAsBlack) {
  form->OpenPath(dir / "missing.001");
  ASSERT_NE(form->ImageWindow(), nullptr);
  EXPECT_EQ(Caption(), "missing.001");
  EXPECT_TRUE(Window().Notice().startsWith("missing.001 could not be read: ")) << Window().Notice().toStdString();
  EXPECT_EQ(Window().Picture().pixel(400, 300), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace vantorel::testing
