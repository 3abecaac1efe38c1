#include "app/info_unit.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace {

constexpr int kClientWidth = 217;
// Below the box as it was, a row for the Header Bytes button.
constexpr int kHeaderBytesRow = 32;
constexpr int kClientHeight = 306 + kHeaderBytesRow;
constexpr int kLabelLeft = 16;
constexpr std::array<int, TInfoBox::LabelCount> kLabelTops = {24, 56, 80, 104, 128, 152, 176, 200, 224};
constexpr int kFirstLabelPixelSize = 13;
constexpr int kLabelPixelSize = 11;
constexpr int kLabelWidth = 185;
// A text wider than the bevel may run on to the dialog's right margin, not further.
constexpr int kLabelMaxWidth = 193;

QFont LabelFont(int pixelSize) {
  QFont font;
  // Metric-compatible stand-ins first, so the longest filter names stay inside the bevel.
  font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "Nimbus Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(false);
  return font;
}

}  // namespace

TInfoBox::TInfoBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("InfoBox");
  setWindowTitle("Info");
  setFixedSize(kClientWidth, kClientHeight);
  setSizeGripEnabled(false);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Bevel1->setGeometry(8, 16, 201, 233);

  for (int i = 0; i < LabelCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->setTextFormat(Qt::PlainText);
    label->setFont(LabelFont(i == 0 ? kFirstLabelPixelSize : kLabelPixelSize));
    label->setText(label->objectName());
    label->setGeometry(kLabelLeft, kLabelTops[i], kLabelWidth, label->fontMetrics().height());
    label->raise();
    Labels[i] = label;
  }

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setGeometry(72, 264, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  HeaderBytesBtn = new QPushButton("Header Bytes...", this);
  HeaderBytesBtn->setObjectName("HeaderBytesBtn");
  HeaderBytesBtn->setToolTip("The header record's bytes and where each decoded field came from");
  HeaderBytesBtn->setGeometry(57, 296, 105, 25);
  connect(HeaderBytesBtn, &QPushButton::clicked, this, &TInfoBox::HeaderBytesRequested);
}

void TInfoBox::SetLabels(const std::array<std::string, LabelCount>& texts) {
  for (int i = 0; i < LabelCount; ++i) {
    QLabel* label = Labels[i];
    // One character per header byte, whatever its code.
    label->setText(QString::fromLatin1(texts[i].data(), static_cast<qsizetype>(texts[i].size())));
    // Where the stand-in face is wider than the original, narrow it rather than cut the text.
    QFont font = label->font();
    font.setStretch(QFont::Unstretched);
    const int natural = QFontMetrics(font).horizontalAdvance(label->text()) + 1;
    if (natural > kLabelMaxWidth) font.setStretch(std::max(1, 100 * kLabelMaxWidth / natural));
    label->setFont(font);
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 1;
    label->resize(std::clamp(needed, kLabelWidth, kLabelMaxWidth), label->height());
  }
}

QString TInfoBox::LabelText(int oneBasedIndex) const {
  if (oneBasedIndex < 1 || oneBasedIndex > LabelCount) return {};
  return Labels[oneBasedIndex - 1]->text();
}
