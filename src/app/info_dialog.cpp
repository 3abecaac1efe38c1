#include "app/info_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace vantorel {
namespace {

// Below the box as it was, a row for the Header Bytes button.
constexpr int HeaderBytesRow = 32;
constexpr QSize OkSize(75, 25);
constexpr QSize HeaderBytesSize(105, 25);

}  // namespace

InfoDialog::InfoDialog(const char* objectName, QSize boxSize, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(objectName);
  setWindowTitle("Info");
  setFixedSize(boxSize.width(), boxSize.height() + HeaderBytesRow);
  setSizeGripEnabled(false);
}

QLabel* InfoDialog::AddLabel(const QFont& font) {
  auto* label = new QLabel(this);
  label->setObjectName(QStringLiteral("Label%1").arg(labels_.size() + 1));
  label->setTextFormat(Qt::PlainText);
  label->setFont(font);
  label->setText(label->objectName());
  labels_.push_back(label);
  return label;
}

void InfoDialog::AddButtons(QPoint okAt) {
  bitBtn1_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
  bitBtn1_->setObjectName("BitBtn1");
  bitBtn1_->setGeometry(QRect(okAt, OkSize));
  bitBtn1_->setDefault(true);
  connect(bitBtn1_, &QPushButton::clicked, this, &QDialog::accept);

  headerBytesBtn_ = new QPushButton("Header Bytes...", this);
  headerBytesBtn_->setObjectName("HeaderBytesBtn");
  headerBytesBtn_->setToolTip("The header record's bytes and where each decoded field came from");
  const QPoint underOk(okAt.x() - (HeaderBytesSize.width() - OkSize.width()) / 2, okAt.y() + HeaderBytesRow);
  headerBytesBtn_->setGeometry(QRect(underOk, HeaderBytesSize));
  connect(headerBytesBtn_, &QPushButton::clicked, this, &InfoDialog::HeaderBytesRequested);
}

void InfoDialog::SetLabelText(std::size_t index, const std::string& text) {
  labels_[index]->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

QString InfoDialog::LabelText(int oneBasedIndex) const {
  if (oneBasedIndex < 1 || oneBasedIndex > static_cast<int>(labels_.size())) return {};
  return labels_[static_cast<std::size_t>(oneBasedIndex - 1)]->text();
}

}  // namespace vantorel
