// The header's bytes: offset, hex and EBCDIC text of the header record, 16
// bytes a row, and the decoded fields with the bytes they were read from. The
// rows, the fields and the text are the core's (header/header_bytes.h).
#pragma once

#include <string>

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace vantorel {
class FrameDocument;
}

class THeaderBytesBox : public QDialog {
  Q_OBJECT

 public:
  explicit THeaderBytesBox(QWidget* parent = nullptr);

  // Shows the header record and decoded fields of the frame on screen.
  void ShowDocument(const vantorel::FrameDocument& document);
  // Copy: the selection of either pane, or everything when nothing is selected.
  void CopyClick();

  QPlainTextEdit* BytesPane() const { return bytesPane_; }
  QPlainTextEdit* FieldsPane() const { return fieldsPane_; }

 private:
  QPlainTextEdit* bytesPane_;
  QPlainTextEdit* fieldsPane_;
  QPushButton* copyButton_;
  QPushButton* closeButton_;
  std::string everything_;
};
