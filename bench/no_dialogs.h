// The window's benchmarks answer no dialog and show none: nothing may block a measurement.
#pragma once

#include <QtGlobal>

#include "app/dialogs.h"

namespace vantorel::bench {

class NoDialogs final : public Dialogs {
 public:
  std::optional<QString> ChooseFile(QFileDialog&) override { return std::nullopt; }
  int ShowModal(QDialog&) override { return 0; }
  bool ConfirmPrint(QPrinter&, QWidget*) override { return false; }
  void PageSetup(QPrinter&, QWidget*) override {}
  void ShowError(QWidget*, const QString&, const QString& text) override { qWarning("%s", qPrintable(text)); }
  void ShowInformation(QWidget*, const QString&, const QString&) override {}
  std::optional<QString> AskText(QWidget*, const QString&, const QString&) override { return std::nullopt; }
};

}  // namespace vantorel::bench
