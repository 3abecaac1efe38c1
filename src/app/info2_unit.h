// The Info box of Mariner 9 frames: twelve pieces of the text header, in columns.
#pragma once

#include <array>
#include <string>

#include "app/info_dialog.h"

class TInfoBox2 : public vantorel::InfoDialog {
  Q_OBJECT

 public:
  static constexpr int LabelCount = 12;

  explicit TInfoBox2(QWidget* parent = nullptr);

  // Shows the texts exactly as decoded, spaces included; Label1 gets texts[0].
  void SetLabels(const std::array<std::string, LabelCount>& texts);
};
