#include "app/info2_unit.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

constexpr int kClientWidth = 224;
// Below the box as it was, a row for the Header Bytes button.
constexpr int kHeaderBytesRow = 32;
constexpr int kClientHeight = 292 + kHeaderBytesRow;
constexpr int kLabelLeft = 16;
constexpr int kFirstLabelTop = 16;
constexpr int kLineStep = 16;
// The longest piece of the header is 24 characters.
constexpr int kLabelColumns = 24;

}  // namespace

TInfoBox2::TInfoBox2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("InfoBox2");
  setWindowTitle("Info");
  setFixedSize(kClientWidth, kClientHeight);
  setSizeGripEnabled(false);

  // Fixed pitch, so that the fields of consecutive lines stand in columns.
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const QFontMetrics metrics(font);
  if (metrics.height() > kLineStep) {
    font.setPixelSize(kLineStep - 3);
  }
  const QFontMetrics fitted(font);
  const int labelWidth = fitted.horizontalAdvance(QString(kLabelColumns, QLatin1Char('M'))) + 4;

  for (int i = 0; i < LabelCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    // Plain text keeps leading and trailing spaces; no word wrap, so nothing is cut.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setFont(font);
    label->setText(label->objectName());
    label->setGeometry(kLabelLeft, kFirstLabelTop + i * kLineStep, labelWidth, kLineStep);
    Labels[i] = label;
  }

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setGeometry(64, 240, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  HeaderBytesBtn = new QPushButton("Header Bytes...", this);
  HeaderBytesBtn->setObjectName("HeaderBytesBtn");
  HeaderBytesBtn->setToolTip("The header record's bytes and where each decoded field came from");
  HeaderBytesBtn->setGeometry(49, 272, 105, 25);
  connect(HeaderBytesBtn, &QPushButton::clicked, this, &TInfoBox2::HeaderBytesRequested);
}

void TInfoBox2::SetLabels(const std::array<std::string, LabelCount>& texts) {
  for (int i = 0; i < LabelCount; ++i) {
    Labels[i]->setText(QString::fromLatin1(texts[i].data(), static_cast<qsizetype>(texts[i].size())));
  }
}

QString TInfoBox2::LabelText(int oneBasedIndex) const {
  if (oneBasedIndex < 1 || oneBasedIndex > LabelCount) return {};
  return Labels[oneBasedIndex - 1]->text();
}
