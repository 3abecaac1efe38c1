// Everything the main window asks the user through a modal dialog goes through
// this interface, so that tests can answer with a script and never block.
#pragma once

#include <optional>

#include <QString>

class QDialog;
class QFileDialog;
class QPrinter;
class QWidget;

namespace vantorel {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Runs a file dialog the caller has set up (filters, directory, suffix);
  // the chosen file name, or nothing when the user cancelled.
  virtual std::optional<QString> ChooseFile(QFileDialog& dialog) = 0;
  // Shows an application dialog (About, Info) modally; its result code.
  virtual int ShowModal(QDialog& dialog) = 0;
  // The print dialog on printer; true when the user confirmed printing.
  virtual bool ConfirmPrint(QPrinter& printer, QWidget* parent) = 0;
  // The page setup dialog on printer; what it changes serves the next print.
  virtual void PageSetup(QPrinter& printer, QWidget* parent) = 0;
  virtual void ShowError(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void ShowInformation(QWidget* parent, const QString& title, const QString& text) = 0;
  // Asks for one line of text; nothing when the user cancelled.
  virtual std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& label) = 0;
};

// A completer pop-up of a file dialog's name field is a window of its own: when
// Return in the pop-up accepts the dialog, the pop-up stays open over the
// main window and swallows the next click. This hides them whenever the dialog
// finishes, however it is shown.
void HideCompleterPopupsOnFinish(QFileDialog& dialog);

// Selects the whole name in the file dialog's name field, so that typing
// replaces it. Showing the dialog selects it only when the field gains focus,
// which it may not after an earlier use.
void SelectFileNameField(QFileDialog& dialog);

// The real thing: Qt's dialogs and message boxes.
class QtDialogs final : public Dialogs {
 public:
  std::optional<QString> ChooseFile(QFileDialog& dialog) override;
  int ShowModal(QDialog& dialog) override;
  bool ConfirmPrint(QPrinter& printer, QWidget* parent) override;
  void PageSetup(QPrinter& printer, QWidget* parent) override;
  void ShowError(QWidget* parent, const QString& title, const QString& text) override;
  void ShowInformation(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& label) override;
};

}  // namespace vantorel
