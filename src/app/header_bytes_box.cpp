#include "app/header_bytes_box.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include "header/header_bytes.h"
#include "viewer/frame_document.h"

namespace {

// Wide enough for a row of offset, hex and text without a scroll bar.
constexpr int RowColumns = 82;
constexpr int VisibleRows = 20;
constexpr int VisibleFields = 12;

QPlainTextEdit* FixedPitchPane(const char* name) {
  auto* pane = new QPlainTextEdit;
  pane->setObjectName(name);
  pane->setReadOnly(true);
  pane->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  pane->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return pane;
}

// The core's text of a part, without the blank lines that part leaves at its ends.
QString PartText(const std::string& text) {
  QString part = QString::fromLatin1(text.data(), qsizetype(text.size()));
  while (part.startsWith('\n')) part.remove(0, 1);
  while (part.endsWith('\n')) part.chop(1);
  return part;
}

}  // namespace

THeaderBytesBox::THeaderBytesBox(QWidget* parent)
    : QDialog(parent),
      bytesPane_(FixedPitchPane("HeaderBytesPane")),
      fieldsPane_(FixedPitchPane("HeaderFieldsPane")),
      copyButton_(new QPushButton("&Copy")),
      closeButton_(new QPushButton("Close")) {
  setObjectName("HeaderBytesBox");
  setWindowTitle("Header Bytes");
  copyButton_->setObjectName("HeaderBytesCopy");
  copyButton_->setToolTip("Copies the selected text, or everything when nothing is selected");
  closeButton_->setObjectName("HeaderBytesClose");
  closeButton_->setDefault(true);

  const QFontMetrics metrics(bytesPane_->font());
  const int paneWidth = metrics.horizontalAdvance(QString(RowColumns, QLatin1Char('0')));
  bytesPane_->setMinimumSize(paneWidth, metrics.lineSpacing() * VisibleRows);
  fieldsPane_->setMinimumHeight(metrics.lineSpacing() * VisibleFields);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(copyButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Offset (decimal), hex and EBCDIC text, 16 bytes a row:"));
  layout->addWidget(bytesPane_, 3);
  layout->addWidget(new QLabel("Decoded fields: offset, length, name and value:"));
  layout->addWidget(fieldsPane_, 1);
  layout->addLayout(buttons);

  connect(copyButton_, &QPushButton::clicked, this, &THeaderBytesBox::CopyClick);
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void THeaderBytesBox::ShowDocument(const vantorel::FrameDocument& document) {
  const std::vector<vantorel::HeaderByteRow> rows = vantorel::HeaderByteRows(document.HeaderRecord());
  const std::vector<vantorel::HeaderFieldSource> fields = vantorel::HeaderFieldSources(document.Header());
  bytesPane_->setPlainText(PartText(vantorel::HeaderBytesText(rows, {})));
  fieldsPane_->setPlainText(PartText(vantorel::HeaderBytesText({}, fields)));
  everything_ = vantorel::HeaderBytesText(rows, fields);
}

void THeaderBytesBox::CopyClick() {
  // The pane last worked in first, when both hold a selection.
  QPlainTextEdit* panes[] = {bytesPane_, fieldsPane_};
  if (fieldsPane_->hasFocus()) std::swap(panes[0], panes[1]);
  for (QPlainTextEdit* pane : panes) {
    const QTextCursor cursor = pane->textCursor();
    if (cursor.hasSelection()) {
      QApplication::clipboard()->setText(cursor.selection().toPlainText());
      return;
    }
  }
  QApplication::clipboard()->setText(QString::fromLatin1(everything_.data(), qsizetype(everything_.size())));
}
