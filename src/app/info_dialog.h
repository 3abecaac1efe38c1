// What the two Info boxes share: a fixed-size box titled Info holding Label1,
// Label2, ... with the decoded header, the OK button and "Header Bytes...".
#pragma once

#include <string>
#include <vector>

#include <QDialog>
#include <QString>

class QFont;
class QLabel;
class QPushButton;

namespace vantorel {

class InfoDialog : public QDialog {
  Q_OBJECT

 public:
  // The text of Label1, Label2, ...; empty for any other index.
  QString LabelText(int oneBasedIndex) const;
  QPushButton* HeaderBytesButton() const { return headerBytesBtn_; }

 signals:
  // "Header Bytes..." was clicked: the owner shows the header's bytes.
  void HeaderBytesRequested();

 protected:
  // boxSize is the box without the row of the Header Bytes button.
  InfoDialog(const char* objectName, QSize boxSize, QWidget* parent);
  // The next label, named after its place; plain text, which keeps leading and trailing spaces.
  QLabel* AddLabel(const QFont& font);
  // OK at okAt, and "Header Bytes..." centred under it.
  void AddButtons(QPoint okAt);
  // One character per header byte, whatever its code.
  void SetLabelText(std::size_t index, const std::string& text);
  const std::vector<QLabel*>& Labels() const { return labels_; }

 private:
  std::vector<QLabel*> labels_;
  QPushButton* bitBtn1_ = nullptr;
  QPushButton* headerBytesBtn_ = nullptr;
};

}  // namespace vantorel
