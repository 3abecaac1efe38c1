#include "app/info_unit.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <algorithm>

namespace {

constexpr QSize BoxSize(217, 306);
constexpr int LabelLeft = 16;
constexpr std::array<int, TInfoBox::LabelCount> LabelTops = {24, 56, 80, 104, 128, 152, 176, 200, 224};
constexpr int FirstLabelPixelSize = 13;
constexpr int LabelPixelSize = 11;
constexpr int LabelWidth = 185;
// A text wider than the bevel may run on to the dialog's right margin, not further.
constexpr int LabelMaxWidth = 193;

QFont LabelFont(int pixelSize) {
  QFont font;
  // Metric-compatible stand-ins first, so the longest filter names stay inside the bevel.
  font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "Nimbus Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(false);
  return font;
}

}  // namespace

TInfoBox::TInfoBox(QWidget* parent) : InfoDialog("InfoBox", BoxSize, parent) {
  bevel1_ = new QFrame(this);
  bevel1_->setObjectName("Bevel1");
  bevel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bevel1_->setGeometry(8, 16, 201, 233);

  for (int i = 0; i < LabelCount; ++i) {
    QLabel* label = AddLabel(LabelFont(i == 0 ? FirstLabelPixelSize : LabelPixelSize));
    label->setGeometry(LabelLeft, LabelTops[i], LabelWidth, label->fontMetrics().height());
    label->raise();
  }
  AddButtons(QPoint(72, 264));
}

void TInfoBox::SetLabels(const std::array<std::string, LabelCount>& texts) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SetLabelText(i, texts[i]);
    QLabel* label = Labels()[i];
    // Where the stand-in face is wider than the original, narrow it rather than cut the text.
    QFont font = label->font();
    font.setStretch(QFont::Unstretched);
    const int natural = QFontMetrics(font).horizontalAdvance(label->text()) + 1;
    if (natural > LabelMaxWidth) font.setStretch(std::max(1, 100 * LabelMaxWidth / natural));
    label->setFont(font);
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 1;
    label->resize(std::clamp(needed, LabelWidth, LabelMaxWidth), label->height());
  }
}
