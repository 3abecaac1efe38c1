// The Info box of Mariner 10 frames: nine decoded header lines.
#pragma once

#include <array>
#include <string>

#include "app/info_dialog.h"

class QFrame;

class TInfoBox : public vantorel::InfoDialog {
  Q_OBJECT

 public:
  static constexpr int LabelCount = 9;

  explicit TInfoBox(QWidget* parent = nullptr);

  // Shows the texts exactly as decoded; Label1 gets texts[0].
  void SetLabels(const std::array<std::string, LabelCount>& texts);

 private:
  QFrame* bevel1_ = nullptr;
};
