// The Info box of Mariner 10 frames: nine decoded header lines.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <string>

class QFrame;
class QLabel;
class QPushButton;

class TInfoBox : public QDialog {
  Q_OBJECT

 public:
  static constexpr int LabelCount = 9;

  explicit TInfoBox(QWidget* parent = nullptr);

  // Shows the texts exactly as decoded; Label1 gets texts[0].
  void SetLabels(const std::array<std::string, LabelCount>& texts);
  // The text of Label1..Label9; empty for any other index.
  QString LabelText(int oneBasedIndex) const;
  QPushButton* HeaderBytesButton() const { return HeaderBytesBtn; }

 signals:
  // "Header Bytes..." was clicked: the owner shows the header's bytes.
  void HeaderBytesRequested();

 private:
  QFrame* Bevel1 = nullptr;
  std::array<QLabel*, LabelCount> Labels{};
  QPushButton* BitBtn1 = nullptr;
  QPushButton* HeaderBytesBtn = nullptr;
};
