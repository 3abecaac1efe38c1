// The Info box of Mariner 9 frames: twelve pieces of the text header, in columns.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <string>

class QLabel;
class QPushButton;

class TInfoBox2 : public QDialog {
  Q_OBJECT

 public:
  static constexpr int LabelCount = 12;

  explicit TInfoBox2(QWidget* parent = nullptr);

  // Shows the texts exactly as decoded, spaces included; Label1 gets texts[0].
  void SetLabels(const std::array<std::string, LabelCount>& texts);
  // The text of Label1..Label12; empty for any other index.
  QString LabelText(int oneBasedIndex) const;
  QPushButton* HeaderBytesButton() const { return HeaderBytesBtn; }

 signals:
  // "Header Bytes..." was clicked: the owner shows the header's bytes.
  void HeaderBytesRequested();

 private:
  std::array<QLabel*, LabelCount> Labels{};
  QPushButton* BitBtn1 = nullptr;
  QPushButton* HeaderBytesBtn = nullptr;
};
