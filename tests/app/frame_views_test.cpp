// The views over the frame on screen: the histogram dock, the special-pixel
// marks, blinking to the original picture and the header's bytes.
#include <algorithm>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTextCursor>
#include <QToolTip>

#include "analysis/special_pixels.h"
#include "app/composite_views.h"
#include "app/frame_views.h"
#include "app/header_bytes_box.h"
#include "app/histogram_view.h"
#include "app/info2_unit.h"
#include "app/info_unit.h"
#include "form_harness.h"
#include "header/header_bytes.h"

namespace vantorel::testing {
namespace {

// A Mariner 10 frame with a band of missing (zero) lines, which the special
// pixels and the histogram must tell from the plain one.
std::vector<std::uint8_t> FrameWithMissingBand() {
  constexpr int kFirstRecord = 10, kRecords = 40;
  std::vector<std::uint8_t> bytes = Mariner10FrameFile();
  std::fill_n(bytes.begin() + kFirstRecord * RecordBytes, kRecords * RecordBytes, 0);
  return bytes;
}

QImage FromBmp(const std::vector<std::uint8_t>& bmp) {
  return QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_RGB32);
}

class FrameViewsTest : public FormTest {
 protected:
  TChild& Window() const { return *form->ImageWindow(); }
  // What the image control paints, at the zoom of 1 of a fresh window.
  QImage Painted() const { return Window().Image()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  const std::optional<HistogramPlot>& Plot() const { return form->Histogram().View()->Plot(); }

  // Everything a blink must leave alone.
  struct State {
    std::vector<std::uint8_t> Bmp;
    QImage Picture;
    std::vector<bool> Down;
    QString Counter, Steps;
    std::optional<HistogramPlot> Histogram;
    std::vector<std::uint8_t> Marks;
    bool operator==(const State&) const = default;
  };
  State Snapshot() const {
    State state{ShownBmp(),
                Window().Picture(),
                {},
                Memo(),
                form->findChild<QLabel*>("StepsField")->text(),
                Plot(),
                Window().Image()->SpecialPixelMask()};
    for (const char* name : {"ToolButton10", "ToolButton2", "ToolButton11", "ToolButton12", "ToolButton13",
                             "ToolButton18", "ToolButton19", "ToolButton32", "ToolButton30", "FileForAutoBtn"})
      state.Down.push_back(Button(name)->isChecked());
    return state;
  }
  void Key(QEvent::Type type, bool autoRepeat = false) {
    QKeyEvent key(type, Qt::Key_B, Qt::NoModifier, "b", autoRepeat);
    QApplication::sendEvent(Window().Image(), &key);
  }
};

// B held (auto-repeat included) or the Blink button held shows the original
// picture; nothing else changes, and Save As meanwhile writes the processed picture.
TEST_F(FrameViewsTest, BlinkShowsTheOriginalWhileHeldAndChangesNothing) {
  struct Way {
    const char* name;
    std::function<void()> press, release;
  };
  const Way ways[] = {
      {"key B",
       [this] {
         Key(QEvent::KeyPress);
         // Auto-repeat sends releases too; only the last, real one ends the blink.
         Key(QEvent::KeyRelease, true);
         Key(QEvent::KeyPress, true);
         Key(QEvent::KeyRelease, true);
       },
       [this] { Key(QEvent::KeyRelease); }},
      {"Blink button", [this] { QTest::mousePress(Button("BlinkBtn"), Qt::LeftButton); },
       [this] { QTest::mouseRelease(Button("BlinkBtn"), Qt::LeftButton); }},
  };
  Open(WriteFrame("a.001", FrameWithMissingBand()));
  Action("Histogram1")->trigger();
  Action("MarkSpecialPixels1")->trigger();
  Click("ToolButton13");
  Click("ToolButton21");
  const State before = Snapshot();
  const QImage original = FromBmp(form->Viewer().OriginalPicture().Bmp);
  ASSERT_NE(original, before.Picture) << "the options must change the picture for the test to tell";
  ASSERT_NE(Painted(), before.Picture) << "the special pixels must be marked on screen";
  ASSERT_TRUE(before.Histogram);
  const QImage painted = Painted();
  dialogs.FileAnswers.push_back(QString::fromStdString(dir / "marked.bmp"));
  Click("FileSaveBtn");
  EXPECT_EQ(ReadBytes(dir / "marked.bmp"), before.Bmp);

  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    way.press();
    EXPECT_TRUE(form->Blinking());
    QImage shown = Painted();  // the original, but for the badge that says so
    QPainter(&shown).drawImage(Window().Image()->BadgeRect(), original, Window().Image()->BadgeRect());
    EXPECT_EQ(shown, original);
    EXPECT_TRUE(Snapshot() == before);
    const std::string saved = dir / (std::string(way.name) + ".bmp");
    dialogs.FileAnswers.push_back(QString::fromStdString(saved));
    Click("FileSaveBtn");
    EXPECT_EQ(ReadBytes(saved), before.Bmp);

    way.release();
    EXPECT_FALSE(form->Blinking());
    EXPECT_EQ(Painted(), painted);
    EXPECT_TRUE(Snapshot() == before);
  }
}

// The release of a key held while another window takes the focus never comes.
TEST_F(FrameViewsTest, BlinkEndsWhenTheWindowLosesTheFocus) {
  EXPECT_FALSE(Button("BlinkBtn")->isEnabled());
  Open(WriteFrame("a.001"));
  EXPECT_TRUE(Button("BlinkBtn")->isEnabled());
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Key(QEvent::KeyPress);
  ASSERT_TRUE(form->Blinking());
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_FALSE(form->Blinking());
  EXPECT_EQ(Painted(), Window().Picture().convertToFormat(QImage::Format_RGB32));
  CloseImageWindow();
  EXPECT_FALSE(Button("BlinkBtn")->isEnabled());
}

// The dock follows browsing, renders and Close, with the counts and the curve
// of the frame on screen.
TEST_F(FrameViewsTest, HistogramFollowsTheFrameOnScreen) {
  WriteFrame("b.001", FrameWithMissingBand());
  Open(WriteFrame("a.001"));
  EXPECT_FALSE(Plot()) << "nothing is worked out for a hidden dock";
  Action("Histogram1")->trigger();
  ASSERT_TRUE(Plot());
  const HistogramPlot first = *Plot();

  Click("FileForBtn");
  ASSERT_EQ(Caption(), "b.001");
  ASSERT_TRUE(Plot());
  const FrameDocument& document = form->Viewer().Document();
  EXPECT_NE(Plot()->Raw, first.Raw);
  // Half size shows a quarter of the samples: one axis for both is the raw frame's.
  Click("ToolButton30");
  const Histogram raw = RawPictureHistogram(document.PristineFrame(), document.LineCount()),
                  shown = ShownPictureHistogram(document.FitsPlane(), document.ActiveOptions(), document.LineCount());
  ASSERT_GT(LargestCount(raw), LargestCount(shown));
  EXPECT_EQ(Plot()->Raw, HistogramHeights(raw, HistogramScale::Linear, LargestCount(raw)));
  EXPECT_EQ(Plot()->Shown, HistogramHeights(shown, HistogramScale::Linear, LargestCount(raw)));
  Click("ToolButton30");

  Click("ToolButton21");
  EXPECT_EQ(Plot()->ToneCurve, document.CurrentToneCurve());
  EXPECT_NE(Plot()->ToneCurve, first.ToneCurve);
  const HistogramPlot linear = *Plot();
  form->Histogram().findChild<QCheckBox*>("HistogramLogarithmic")->click();
  EXPECT_NE(Plot()->Shown, linear.Shown);

  CloseImageWindow();
  EXPECT_FALSE(Plot());
}

// The dock's scale and the colour map change only the picture shown; a
// dragged marker holds its limit until another frame comes.
TEST_F(FrameViewsTest, DisplayScaleFollowsTheDockTheMarkersAndTheMenu) {
  WriteFrame("b.001");
  Open(WriteFrame("a.001", FrameWithMissingBand()));
  Action("Histogram1")->trigger();
  const FrameDocument& document = form->Viewer().Document();
  const std::vector<std::uint8_t> plane = document.FitsPlane(), plain = Window().BmpFile();
  QTest::keyClick(form->Histogram().findChild<QComboBox*>("DisplayScaleMode"), Qt::Key_Down);
  ASSERT_EQ(document.Display().Mode, ScaleMode::MinMax);
  ASSERT_TRUE(Plot() && Plot()->Limits);
  const ScaleLimits found = *Plot()->Limits;
  EXPECT_EQ(found, document.DisplayLimits());
  EXPECT_LT(found.High, 255) << "a frame that fills every level would not tell";

  HistogramView& view = *form->Histogram().View();
  const int y = int(view.BarArea().center().y());
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(int(view.XOfLevel(found.High)), y));
  QTest::mouseMove(&view, QPoint(int(view.XOfLevel(found.High - 30)), y));
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(int(view.XOfLevel(found.High - 30)), y));
  ASSERT_TRUE(document.Display().HeldLimits);
  EXPECT_EQ(*document.Display().HeldLimits, (ScaleLimits{found.Low, found.High - 30}));
  EXPECT_EQ(Plot()->Limits, document.Display().HeldLimits);
  // Every picture level past the new high shows white; FITS keeps the grey levels.
  const std::vector<std::uint8_t> scaled = Window().BmpFile();
  EXPECT_EQ(scaled, std::vector<std::uint8_t>(document.CurrentBmp().begin(), document.CurrentBmp().end()));
  for (std::size_t i = 0; i < plane.size(); i += 997) {
    if (plane[i] >= found.High - 30) {
      ASSERT_EQ(scaled[BmpHeaderBytes + 3 * i], 255) << i;
    }
  }
  EXPECT_TRUE(document.FitsPlane() == plane);

  Action("ColorMap_viridis")->trigger();
  EXPECT_EQ(document.Display().Map, ColorMap::Viridis);
  EXPECT_EQ(Plot()->ColorBar[255], (Rgb{253, 231, 37}));
  EXPECT_NE(Window().BmpFile(), scaled);
  Click("FileForBtn");
  EXPECT_FALSE(document.Display().HeldLimits);
  EXPECT_EQ(document.Display().Mode, ScaleMode::MinMax);
  QTest::keyClick(form->Histogram().findChild<QComboBox*>("DisplayScaleMode"), Qt::Key_Up);
  Action("ColorMap_grey")->trigger();
  EXPECT_FALSE(Plot()->Limits);
  Click("FileTylBtn");
  EXPECT_EQ(Window().BmpFile(), plain);
}

// Marks and their counts come and go with the menu item and the frame.
TEST_F(FrameViewsTest, SpecialPixelMarksFollowTheMenuItemAndTheFrame) {
  WriteFrame("b.001", FrameWithMissingBand());
  Open(WriteFrame("a.001"));
  QWidget* legend = form->findChild<QWidget*>("SpecialPixelLegend");
  QLabel* counts = form->findChild<QLabel*>("SpecialPixelCounts");
  Action("MarkSpecialPixels1")->trigger();
  EXPECT_TRUE(legend->isVisible());
  const QString plainCounts = counts->text();

  Click("FileForBtn");
  const SpecialPixelMap map = FindSpecialPixels(form->Viewer().Document());
  EXPECT_EQ(counts->text().toStdString(), SpecialPixelStatusText(map.Counts));
  EXPECT_NE(counts->text(), plainCounts);
  EXPECT_EQ(Window().Image()->SpecialPixelMask(), map.Screen);
  // A missing pixel is painted in its colour, a plain one as it is.
  const QImage painted = Painted();
  const QImage picture = Window().Picture().convertToFormat(QImage::Format_RGB32);
  int marked = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const std::uint8_t bits = map.Screen[std::size_t(y * picture.width() + x)];
      if (bits == MissingBit) {
        ++marked;
        ASSERT_NE(painted.pixel(x, y), picture.pixel(x, y)) << x << ", " << y;
      } else if (bits == 0) {
        ASSERT_EQ(painted.pixel(x, y), picture.pixel(x, y)) << x << ", " << y;
      }
    }
  EXPECT_GT(marked, 0);

  Action("MarkSpecialPixels1")->trigger();
  EXPECT_FALSE(legend->isVisible());
  EXPECT_TRUE(Window().Image()->SpecialPixelMask().empty());
  EXPECT_EQ(Painted(), Window().Picture().convertToFormat(QImage::Format_RGB32));

  // A file too short to be a frame still shows, marked and counted, without an error.
  Action("MarkSpecialPixels1")->trigger();
  Action("Histogram1")->trigger();
  CloseImageWindow();
  Open(WriteFrame("c.001", std::vector<std::uint8_t>(RecordBytes, 1)));
  ASSERT_EQ(Caption(), "c.001");
  EXPECT_TRUE(dialogs.Errors.empty());
  EXPECT_TRUE(legend->isVisible());
  EXPECT_TRUE(Plot());
}

// At a small width the status bar's texts are cut short with "…", never
// mid-glyph, the whole text in a tool tip; given room they show whole.
TEST_F(FrameViewsTest, StatusFieldsElideWithTheWholeTextInATip) {
  Open(WriteFrame("a.001", FrameWithMissingBand()));
  Action("MarkSpecialPixels1")->trigger();
  const QPointF pointer(300, 200);
  QMouseEvent move(QEvent::MouseMove, pointer, Window().Image()->mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(Window().Image(), &move);
  ASSERT_FALSE(form->findChild<StatusField*>("PixelReadout")->text().isEmpty());
  for (const int width : {640, 1400}) {
    SCOPED_TRACE(width);
    form->resize(width, 480);
    QApplication::processEvents();
    int elided = 0;
    for (StatusField* field : form->statusBar()->findChildren<StatusField*>()) {
      const QString shown = field->ShownText(), whole = field->text();
      SCOPED_TRACE(whole.toStdString());
      EXPECT_LE(field->fontMetrics().horizontalAdvance(shown), field->contentsRect().width());
      if (shown == whole) continue;
      ++elided;
      EXPECT_TRUE(shown.endsWith(QChar(0x2026)) && whole.startsWith(shown.chopped(1))) << shown.toStdString();
      const QPoint middle = field->rect().center();
      QHelpEvent hover(QEvent::ToolTip, middle, field->mapToGlobal(middle));
      QApplication::sendEvent(field, &hover);
      EXPECT_TRUE(QToolTip::text().contains(whole)) << QToolTip::text().toStdString();
      QToolTip::hideText();
    }
    EXPECT_EQ(elided > 0, width == 640);
  }
}

// Both Info boxes lead to the header's bytes; Copy takes the selection, or everything.
TEST_F(FrameViewsTest, HeaderBytesCopyPutsTheSelectionOrEverythingOnTheClipboard) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> file;
    std::function<QDialog&(TMainForm&)> box;
  };
  const Case cases[] = {{"Mariner 10", Mariner10FrameFile(), [](TMainForm& f) -> QDialog& { return f.InfoBox(); }},
                        {"Mariner 9", Mariner9FrameFile(), [](TMainForm& f) -> QDialog& { return f.InfoBox2(); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open(WriteFrame(std::string(c.name) + ".001", c.file));
    Click("ToolButton29");
    QDialog& info = c.box(*form);
    ASSERT_EQ(dialogs.ModalShown.back(), &info);
    QTest::mouseClick(info.findChild<QPushButton*>("HeaderBytesBtn"), Qt::LeftButton);
    THeaderBytesBox& box = form->HeaderBytesBox();
    ASSERT_EQ(dialogs.ModalShown.back(), static_cast<QDialog*>(&box));

    const FrameDocument& document = form->Viewer().Document();
    const std::vector<HeaderByteRow> rows = HeaderByteRows(document.HeaderRecord());
    const std::string everything = HeaderBytesText(rows, HeaderFieldSources(document.Header()));
    QApplication::clipboard()->clear();
    QTest::mouseClick(box.findChild<QPushButton*>("HeaderBytesCopy"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), everything);

    // The second row, selected as a mouse would.
    QTextCursor cursor = box.BytesPane()->textCursor();
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::Down);
    cursor.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
    box.BytesPane()->setTextCursor(cursor);
    QTest::mouseClick(box.findChild<QPushButton*>("HeaderBytesCopy"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromStdString(everything).split('\n')[1]);
    box.BytesPane()->moveCursor(QTextCursor::Start);
    CloseImageWindow();
  }
}

}  // namespace
}  // namespace vantorel::testing

namespace vantorel::testing {
namespace {

// A press, a move with the button held and a release, with modifiers, at zoom 1.
void Drag(QWidget* widget, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers) {
  QTest::mousePress(widget, Qt::LeftButton, modifiers, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), widget->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                   modifiers);
  QApplication::sendEvent(widget, &move);
  QTest::mouseRelease(widget, Qt::LeftButton, modifiers, to);
}

TEST_F(FrameViewsTest, ShiftDragMeasuresARegionThatStaysOnTheFrameAndThePixelTableFreezes) {
  Open(WriteFrame("a.001"));
  Drag(Window().Image(), {10, 20}, {19, 24}, Qt::ShiftModifier);
  MeasureViews& measure = form->Measure();
  EXPECT_TRUE(measure.StatisticsDock().isVisible());
  // Rows 20..24 show lines 21..25, columns 10..19 samples 11..20.
  ASSERT_EQ(measure.Region(), (FrameRegion{RegionShape::Rectangle, 21, 11, 5, 10}));
  double sum = 0;
  for (int line = 21; line <= 25; ++line)
    for (int sample = 11; sample <= 20; ++sample)
      sum += form->Viewer().Document().PristineFrame()[SampleOffset(line, sample)];
  const auto cell = [&](int row, int column) { return measure.StatisticsTable().item(row, column)->text(); };
  EXPECT_EQ(cell(0, 0), "50");
  EXPECT_NEAR(cell(1, 0).toDouble(), sum / 50, 5e-4);
  Click("ToolButton2");  // rotated, the region stays on the same samples
  EXPECT_EQ(measure.Region(), (FrameRegion{RegionShape::Rectangle, 21, 11, 5, 10}));
  EXPECT_EQ(cell(0, 1), "50");
  QTest::mouseClick(form->findChild<QPushButton*>("CopyStatistics"), Qt::LeftButton);
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("statistic,raw,shown\ncount,50,50\n"));

  Action("PixelTable1")->trigger();
  const auto centre = [&] { return measure.PixelTable().item(PixelTableSide / 2, PixelTableSide / 2)->text(); };
  const auto rawAt = [&](int x, int y) { return QString::number(ReadoutAt(form->Viewer().Document(), x, y)->Raw); };
  QTest::mouseMove(Window().Image(), {300, 400});
  EXPECT_EQ(centre(), rawAt(300, 400));
  QTest::mouseClick(Window().Image(), Qt::LeftButton, Qt::NoModifier, {300, 400});
  const QString frozen = rawAt(300, 400);
  QTest::mouseMove(Window().Image(), {500, 100});
  EXPECT_EQ(centre(), frozen);
  Click("ToolButton2");  // held on the same frame place, wherever the geometry shows it
  EXPECT_EQ(centre(), frozen);
  EXPECT_NE(rawAt(300, 400), frozen);
  Action("ScanStop1")->trigger();  // Esc
  QTest::mouseMove(Window().Image(), {501, 100});
  EXPECT_EQ(centre(), rawAt(501, 100));
  Action("ClearMeasurements1")->trigger();
  EXPECT_EQ(measure.Region(), std::nullopt);
  EXPECT_EQ(cell(0, 0), "");
}

// Compare With aligns a second frame and shows it by each mode; K, the
// arrows and End Comparison act on what is on screen.
TEST_F(FrameViewsTest, ComparisonShowsTheAlignedSecondByEachModeAndTheArrowsNudgeIt) {
  const std::string source = VANTOREL_SAMPLES_DIR "/MVE0101.012";
  Open(WriteShiftedFrame(source, dir, "MVE0101.012", 0, 0));
  dialogs.FileAnswers.push_back(QString::fromStdString(WriteShiftedFrame(source, dir, "b/MVE0102.012", 6, -10)));
  Action("BlinkEvery_0")->trigger();  // only while K is held
  Action("CompareWith1")->trigger();
  ASSERT_NE(form->Viewer().Comparison(), nullptr);
  const auto* offset = form->findChild<QLabel*>("ComparisonOffset");
  EXPECT_TRUE(offset->text().contains("lies 6 lines, -10 samples")) << offset->text().toStdString();
  ImageControl& image = *Window().Image();
  EXPECT_FALSE(image.Blinking());

  const auto sendKey = [&](QEvent::Type type, Qt::Key key) {
    QKeyEvent event(type, key, Qt::NoModifier);
    QApplication::sendEvent(Window().ScrollArea(), &event);
  };
  sendKey(QEvent::KeyPress, Qt::Key_K);
  EXPECT_TRUE(image.Blinking());
  EXPECT_EQ(image.Badge(), "Second: MVE0102.012");
  sendKey(QEvent::KeyRelease, Qt::Key_K);
  EXPECT_FALSE(image.Blinking());

  // Side by side, each pane shows the same place at the same pixel.
  Action("SideBySide1")->trigger();
  ASSERT_TRUE(Window().SecondPaneShown());
  const QImage& second = Window().SecondImage()->Picture();
  int same = 0;
  for (int x = 100; x < 700; x += 7) same += second.pixel(x, 350) == Window().Picture().pixel(x, 350);
  EXPECT_EQ(same, 86);
  const QPointF pointer(300, 300);
  QMouseEvent move(QEvent::MouseMove, pointer, Window().SecondImage()->mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(Window().SecondImage(), &move);
  EXPECT_TRUE(form->findChild<QLabel*>("PixelReadout")->text().contains("  |  second line"));

  Action("DifferenceView1")->trigger();
  EXPECT_FALSE(Window().SecondPaneShown());
  EXPECT_TRUE(image.Blinking());
  EXPECT_TRUE(image.Badge().startsWith("Difference"));
  sendKey(QEvent::KeyPress, Qt::Key_Right);
  sendKey(QEvent::KeyPress, Qt::Key_Up);
  EXPECT_TRUE(offset->text().contains("(nudged -1 down, 1 right)")) << offset->text().toStdString();
  EXPECT_TRUE(offset->text().contains("lies 7 lines, -11 samples"));

  Action("EndComparison1")->trigger();
  EXPECT_EQ(form->Viewer().Comparison(), nullptr);
  EXPECT_FALSE(image.Blinking());
  EXPECT_TRUE(offset->isHidden());
  EXPECT_FALSE(Action("EndComparison1")->isEnabled());
  EXPECT_FALSE(form->findChild<QLabel*>("PixelReadout")->text().contains("second"));
}

// Three views of one scene moved apart: the composite shows in the image window, badged, read out
// channel by channel at one level (aligned), follows Invert, is saved, and closes.
TEST_F(FrameViewsTest, ColourCompositeShowsAlignedFollowsOptionsAndSaves) {
  const std::array<std::string, 3> views = WriteShiftedViews(VANTOREL_SAMPLES_DIR "/MVE0101.012", dir);
  const QString red = QString::fromStdString(views[0]), green = QString::fromStdString(views[1]),
                blue = QString::fromStdString(views[2]);
  Open(red.toStdString());
  dialogs.FileAnswers = {blue, green, blue};
  Action("CompareWith1")->trigger();
  ASSERT_NE(form->Viewer().Comparison(), nullptr);
  dialogs.ModalUser = [](QDialog& dialog) {
    for (const char* browse : {"CompositeGreenBrowse", "CompositeBlueBrowse"})
      QTest::mouseClick(dialog.findChild<QPushButton*>(browse), Qt::LeftButton);
    return int(QDialog::Accepted);
  };
  Action("ColourComposite1")->trigger();
  ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front().toStdString();
  EXPECT_EQ(Window().Image()->Badge(), "Composite");
  EXPECT_EQ(form->Viewer().Comparison(), nullptr);  // one or the other takes the picture's place
  EXPECT_EQ(form->Composite().Document().Frames(),
            (ColorSet{red.toStdString(), green.toStdString(), blue.toStdString()}));
  const QPointF pointer(300, 200);
  QMouseEvent move(QEvent::MouseMove, pointer, Window().Image()->mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(Window().Image(), &move);
  const QPoint pixel = *Window().PointerPixel();
  const auto levels = [&] {
    const QRegularExpressionMatch match =
        QRegularExpression("^line (\\d+), sample (\\d+): red (\\d+), green (\\d+), blue (\\d+)$")
            .match(form->findChild<StatusField*>("PixelReadout")->text());
    EXPECT_TRUE(match.hasMatch()) << form->findChild<StatusField*>("PixelReadout")->text().toStdString();
    EXPECT_EQ(match.captured(1).toInt(), pixel.y() + 1);
    EXPECT_EQ(match.captured(2).toInt(), pixel.x() + 1);
    EXPECT_EQ(match.captured(4), match.captured(3));
    EXPECT_EQ(match.captured(5), match.captured(3));
    return match.captured(3).toInt();
  };
  const int level = levels();
  Click("ToolButton19");
  EXPECT_EQ(levels(), 255 - level);

  dialogs.FileAnswers = {QString::fromStdString(dir / "c.png"), QString::fromStdString(dir / "none/c.fits")};
  Action("SaveComposite1")->trigger();
  const std::optional<DecodedPng> png = DecodePng(ReadBytes(dir / "c.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->ColorType, 2);
  Action("SaveComposite1")->trigger();
  ASSERT_EQ(dialogs.Errors.size(), 1u);
  EXPECT_TRUE(dialogs.Errors[0].contains("none/c.fits")) << dialogs.Errors[0].toStdString();

  Action("CloseComposite1")->trigger();
  EXPECT_FALSE(Action("SaveComposite1")->isEnabled());
  EXPECT_TRUE(form->findChild<StatusField*>("PixelReadout")->text().contains(": raw "));

  dialogs.FileAnswers = {green, blue, green};
  Action("ColourComposite1")->trigger();
  ASSERT_TRUE(form->Composite().Shown());
  Action("CompareWith1")->trigger();
  EXPECT_FALSE(form->Composite().Shown());
  EXPECT_NE(Window().Image()->Badge(), "Composite");
}

}  // namespace
}  // namespace vantorel::testing
