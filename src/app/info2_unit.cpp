#include "app/info2_unit.h"

#include <QFontDatabase>
#include <QLabel>

namespace {

constexpr QSize BoxSize(224, 292);
constexpr int LabelLeft = 16;
constexpr int FirstLabelTop = 16;
constexpr int LineStep = 16;
// The longest piece of the header is 24 characters.
constexpr int LabelColumns = 24;

}  // namespace

TInfoBox2::TInfoBox2(QWidget* parent) : InfoDialog("InfoBox2", BoxSize, parent) {
  // Fixed pitch, so that the fields of consecutive lines stand in columns.
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const QFontMetrics metrics(font);
  if (metrics.height() > LineStep) {
    font.setPixelSize(LineStep - 3);
  }
  const QFontMetrics fitted(font);
  const int labelWidth = fitted.horizontalAdvance(QString(LabelColumns, QLatin1Char('M'))) + 4;

  for (int i = 0; i < LabelCount; ++i) {
    QLabel* label = AddLabel(font);
    // No word wrap, so that nothing is cut.
    label->setWordWrap(false);
    label->setGeometry(LabelLeft, FirstLabelTop + i * LineStep, labelWidth, LineStep);
  }
  AddButtons(QPoint(64, 240));
}

void TInfoBox2::SetLabels(const std::array<std::string, LabelCount>& texts) {
  for (std::size_t i = 0; i < texts.size(); ++i) SetLabelText(i, texts[i]);
}
