// The About box, the Info boxes and the tool-bar glyphs.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about.h"
#include "app/dialogs.h"
#include "app/icon_resources.h"
#include "app/info2_unit.h"
#include "app/info_unit.h"

namespace {

// Leftmost column of the label that holds a dark pixel, or -1 when nothing is drawn.
int FirstInkColumn(QLabel& label) {
  const QImage image = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y)
      if (qGray(image.pixel(x, y)) < 128) return x;
  return -1;
}

// Label1 onwards show the texts in order, a byte a character; no other index answers.
template <typename Box>
void ExpectLabelsInOrder() {
  Box box;
  std::array<std::string, Box::LabelCount> texts;
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = "field \xB0" + std::to_string(i + 1);
  box.SetLabels(texts);
  EXPECT_EQ(box.LabelText(0), "");
  EXPECT_EQ(box.LabelText(Box::LabelCount + 1), "");
  for (int i = 1; i <= Box::LabelCount; ++i) {
    const QString expected = QString::fromLatin1(texts[std::size_t(i - 1)]);
    EXPECT_EQ(box.LabelText(i), expected);
    EXPECT_EQ(box.template findChild<QLabel*>(QString("Label%1").arg(i))->text(), expected);
  }
}

TEST(InfoBoxes, ShowEachTextInItsLabel) {
  ExpectLabelsInOrder<TInfoBox>();
  ExpectLabelsInOrder<TInfoBox2>();
}

TEST(InfoBox2, KeepsLeadingSpacesOnScreen) {
  TInfoBox2 box;
  box.SetLabels({"X", "   X"});
  EXPECT_EQ(box.LabelText(2), "   X");
  const int plain = FirstInkColumn(*box.findChild<QLabel*>("Label1"));
  const int indented = FirstInkColumn(*box.findChild<QLabel*>("Label2"));
  ASSERT_GE(plain, 0);
  const qreal space = QFontMetricsF(box.findChild<QLabel*>("Label1")->font()).horizontalAdvance(' ');
  EXPECT_NEAR(indented - plain, 3 * space, 1.5);
}

TEST(Glyphs, EveryToolGlyphLoadsAtSixteenPixels) {
  ASSERT_EQ(vantorel::ToolGlyphNames().size(), 30);
  for (const QString& name : vantorel::ToolGlyphNames()) {
    const QPixmap pixmap = vantorel::ToolGlyph(name).pixmap(16, 16);
    EXPECT_FALSE(pixmap.isNull()) << name.toStdString();
    EXPECT_EQ(pixmap.size(), QSize(16, 16)) << name.toStdString();
  }
}

TEST(AboutBox, ShowsNameAndContactAndOkClosesIt) {
  TAboutBox box;
  QStringList texts;
  for (const QLabel* label : box.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("Vantorel"));
  EXPECT_TRUE(texts.contains("Contact:"));
  box.open();
  QTest::mouseClick(box.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Accepted);
}

// The real dialogs' seam: a file only when the user accepted the dialog.
TEST(QtDialogs, ChooseFileGivesTheFileOnlyWhenAccepted) {
  for (const bool accept : {true, false}) {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(QDir::temp().filePath("vantorel-chosen.bmp"));
    QDialog& asDialog = dialog;  // accept() is public there
    QTimer::singleShot(0, &dialog, [&asDialog, accept] { accept ? asDialog.accept() : asDialog.reject(); });
    vantorel::QtDialogs dialogs;
    const std::optional<QString> chosen = dialogs.ChooseFile(dialog);
    ASSERT_EQ(chosen.has_value(), accept);
    if (accept) {
      EXPECT_TRUE(chosen->endsWith("vantorel-chosen.bmp")) << chosen->toStdString();
    }
  }
}

}  // namespace
