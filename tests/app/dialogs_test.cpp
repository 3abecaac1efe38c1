// The About box, the two Info boxes and the tool-bar glyphs.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "app/about.h"
#include "app/icon_resources.h"
#include "app/info2_unit.h"
#include "app/info_unit.h"

namespace {

void ExpectFixedClientSize(const QDialog& dialog, int width, int height) {
  EXPECT_EQ(dialog.minimumSize(), QSize(width, height));
  EXPECT_EQ(dialog.maximumSize(), QSize(width, height));
  EXPECT_EQ(dialog.size(), QSize(width, height));
}

// Leftmost column of the label that holds a dark pixel, or -1 when nothing is drawn.
int FirstInkColumn(QLabel& label) {
  const QImage image = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 0; y < image.height(); ++y) {
      if (qGray(image.pixel(x, y)) < 128) return x;
    }
  }
  return -1;
}

// Shows the dialog without blocking, clicks its OK button and reports how it ended.
int ClickOkAndGetResult(QDialog& dialog, const char* buttonName) {
  dialog.open();
  EXPECT_TRUE(dialog.isVisible());
  auto* ok = dialog.findChild<QPushButton*>(buttonName);
  EXPECT_NE(ok, nullptr);
  if (ok == nullptr) return -1;
  EXPECT_EQ(ok->text(), "OK");
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  return dialog.result();
}

bool HasOpaquePixel(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) > 0) return true;
    }
  }
  return false;
}

}  // namespace

TEST(InfoBox, LabelsSitAtTheirPlacesInTheirFonts) {
  TInfoBox box;
  EXPECT_EQ(box.objectName(), "InfoBox");
  EXPECT_EQ(box.windowTitle(), "Info");
  ExpectFixedClientSize(box, 217, 306);

  auto* bevel = box.findChild<QFrame*>("Bevel1");
  ASSERT_NE(bevel, nullptr);
  EXPECT_EQ(bevel->geometry(), QRect(8, 16, 201, 233));

  const int tops[] = {24, 56, 80, 104, 128, 152, 176, 200, 224};
  for (int i = 0; i < TInfoBox::LabelCount; ++i) {
    SCOPED_TRACE(i + 1);
    auto* label = box.findChild<QLabel*>(QStringLiteral("Label%1").arg(i + 1));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->pos(), QPoint(16, tops[i]));
    EXPECT_EQ(label->font().pixelSize(), i == 0 ? 13 : 11);
    EXPECT_FALSE(label->font().bold());
    EXPECT_EQ(label->font().family(), "MS Sans Serif");
    // Drawn over the bevel, not hidden behind it.
    EXPECT_TRUE(bevel->geometry().contains(label->geometry().topLeft()));
  }

  auto* ok = box.findChild<QPushButton*>("BitBtn1");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->geometry(), QRect(72, 264, 75, 25));
}

TEST(InfoBox, ShowsTextsAsGivenAndClosesOnOk) {
  TInfoBox box;
  const std::array<std::string, 9> texts = {"Spacecraft = Mariner 10",
                                            "Data set = MVM12",
                                            "FDS count = 0123456",
                                            "Year = 74",
                                            "Day = 029",
                                            "GMT = 12/34/56",
                                            "Camera = A",
                                            "Filter = Wide-angle image relay mirror",
                                            "Exposure =    1234 MSEC"};
  box.SetLabels(texts);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(box.LabelText(i + 1).toStdString(), texts[i]) << "Label" << i + 1;
  EXPECT_TRUE(box.LabelText(0).isEmpty());
  EXPECT_TRUE(box.LabelText(10).isEmpty());

  // Neither the longest filter name nor a text far longer is cut off or runs out of the box.
  for (const std::string& text : {texts[7], std::string(50, 'W')}) {
    auto copy = texts;
    copy[7] = text;
    box.SetLabels(copy);
    auto* filter = box.findChild<QLabel*>("Label8");
    ASSERT_NE(filter, nullptr);
    EXPECT_GE(filter->width(), filter->fontMetrics().horizontalAdvance(filter->text())) << text;
    EXPECT_LE(filter->geometry().right(), box.width() - 8) << text;
  }
  // Narrowing one text leaves the others at their own size.
  EXPECT_EQ(box.findChild<QLabel*>("Label7")->font().stretch(), QFont::Unstretched);

  // A second decode replaces every text.
  std::array<std::string, 9> unknown;
  unknown.fill("Camera = Unknown");
  box.SetLabels(unknown);
  EXPECT_EQ(box.LabelText(1), "Camera = Unknown");
  EXPECT_EQ(box.LabelText(9), "Camera = Unknown");

  EXPECT_EQ(ClickOkAndGetResult(box, "BitBtn1"), QDialog::Accepted);
}

TEST(InfoBox2, LabelsStandInColumnsSixteenPixelsApart) {
  TInfoBox2 box;
  EXPECT_EQ(box.objectName(), "InfoBox2");
  EXPECT_EQ(box.windowTitle(), "Info");
  ExpectFixedClientSize(box, 224, 292);

  for (int i = 0; i < TInfoBox2::LabelCount; ++i) {
    SCOPED_TRACE(i + 1);
    auto* label = box.findChild<QLabel*>(QStringLiteral("Label%1").arg(i + 1));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->pos(), QPoint(16, 16 + 16 * i));
    // Fixed pitch: a narrow and a wide letter take the same room.
    const QFontMetricsF metrics(label->font());
    EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(QString(24, QLatin1Char('W'))));
    EXPECT_LE(label->geometry().right(), box.width());
  }

  auto* ok = box.findChild<QPushButton*>("BitBtn1");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->geometry(), QRect(64, 240, 75, 25));
}

TEST(InfoBox2, KeepsLeadingAndTrailingSpacesOnScreen) {
  TInfoBox2 box;
  std::array<std::string, 12> texts;
  for (int i = 0; i < 12; ++i) texts[i] = std::string(static_cast<size_t>(i), ' ') + "MARINER 9 " + std::to_string(i);
  texts[0] = "X";
  texts[1] = "   X";
  texts[2] = std::string(23, ' ') + "X";  // only the 24th column is inked
  texts[3] = "TRAILING  ";
  box.SetLabels(texts);

  for (int i = 0; i < 12; ++i) EXPECT_EQ(box.LabelText(i + 1).toStdString(), texts[i]) << "Label" << i + 1;
  EXPECT_TRUE(box.LabelText(13).isEmpty());

  auto label = [&](int n) { return box.findChild<QLabel*>(QStringLiteral("Label%1").arg(n)); };
  const int plain = FirstInkColumn(*label(1));
  const int indented = FirstInkColumn(*label(2));
  const int lastColumn = FirstInkColumn(*label(3));
  ASSERT_GE(plain, 0);
  const qreal advance = QFontMetricsF(label(1)->font()).horizontalAdvance(QLatin1Char(' '));
  EXPECT_NEAR(indented - plain, 3 * advance, 1.5);
  EXPECT_NEAR(lastColumn - plain, 23 * advance, 1.5) << "the 24th column must be drawn, not clipped or trimmed";

  EXPECT_EQ(ClickOkAndGetResult(box, "BitBtn1"), QDialog::Accepted);
}

TEST(Glyphs, EveryToolGlyphLoadsAsSixteenPixels) {
  const QStringList& names = vantorel::ToolGlyphNames();
  EXPECT_EQ(names.size(), 30);
  EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 30) << "duplicate glyph name";

  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    const QIcon icon = vantorel::ToolGlyph(name);
    ASSERT_FALSE(icon.isNull());
    // The path the tool bar uses, straight from the resource.
    const QPixmap pixmap = QIcon(QStringLiteral(":/icons/%1.svg").arg(name)).pixmap(16, 16);
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(16, 16));
    EXPECT_TRUE(HasOpaquePixel(pixmap.toImage())) << "glyph draws nothing";
  }
  EXPECT_TRUE(vantorel::ToolGlyph("NoSuchButton").isNull());
}

TEST(Glyphs, ApplicationIconLoadsAtThirtyTwoPixels) {
  const QPixmap pixmap = vantorel::ApplicationIcon().pixmap(32, 32);
  ASSERT_FALSE(pixmap.isNull());
  EXPECT_EQ(pixmap.size(), QSize(32, 32));
  EXPECT_TRUE(HasOpaquePixel(pixmap.toImage()));
}

TEST(AboutBox, ShowsNameVersionContactAndPictures) {
  TAboutBox box;
  EXPECT_EQ(box.objectName(), "AboutBox");
  EXPECT_EQ(box.windowTitle(), "About");
  ExpectFixedClientSize(box, 314, 363);
  EXPECT_EQ(box.font().family(), "Fixedsys");

  QStringList texts;
  for (const QLabel* label : box.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("Vantorel"));
  EXPECT_TRUE(texts.contains("Contact:"));
  EXPECT_FALSE(texts.filter(VANTOREL_VERSION).isEmpty()) << "no version line";

  auto* picture = box.findChild<QLabel*>("Picture");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->pixmap().size(), QSize(177, 97));
  auto* icon = box.findChild<QLabel*>("ProgramIcon");
  ASSERT_NE(icon, nullptr);
  ASSERT_FALSE(icon->pixmap().isNull());
  EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
  // The picture at the top left, the icon to its right.
  EXPECT_LT(picture->mapTo(&box, QPoint()).x(), icon->mapTo(&box, QPoint()).x());

  // Every piece of the box lies inside its client area, and no text is cut off.
  for (const QWidget* child : box.findChildren<QWidget*>()) {
    const QRect inDialog(child->mapTo(&box, QPoint()), child->size());
    EXPECT_TRUE(box.rect().contains(inDialog)) << child->objectName().toStdString();
  }
  for (const QLabel* label : box.findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->text().toStdString();
  }
}

TEST(AboutBox, OkButtonAtBottomRightCloses) {
  TAboutBox box;
  auto* ok = box.findChild<QPushButton*>("OKButton");
  ASSERT_NE(ok, nullptr);
  EXPECT_GT(ok->geometry().left(), box.width() / 2);
  EXPECT_GT(ok->geometry().top(), box.height() / 2);
  EXPECT_EQ(ClickOkAndGetResult(box, "OKButton"), QDialog::Accepted);
}
