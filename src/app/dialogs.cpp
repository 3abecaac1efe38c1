#include "app/dialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace vantorel {

void HideCompleterPopupsOnFinish(QFileDialog& dialog) {
  QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog] {
    // Looked up now: a non-native dialog builds its widgets lazily.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
      if (QAbstractItemView* popup = completer->popup()) popup->hide();
  });
}

void SelectFileNameField(QFileDialog& dialog) {
  auto* field = dialog.findChild<QLineEdit*>("fileNameEdit");
  if (!field) return;  // a native dialog
  field->selectAll();
  field->setFocus();
}

std::optional<QString> QtDialogs::ChooseFile(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  return files.front();
}

int QtDialogs::ShowModal(QDialog& dialog) { return dialog.exec(); }

bool QtDialogs::ConfirmPrint(QPrinter& printer, QWidget* parent) {
  QPrintDialog dialog(&printer, parent);
  dialog.setObjectName("PrintDialog1");
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::PageSetup(QPrinter& printer, QWidget* parent) {
  QPageSetupDialog dialog(&printer, parent);
  dialog.setObjectName("PrinterSetupDialog1");
  dialog.exec();
}

void QtDialogs::ShowError(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::critical(parent, title, text);
}

void QtDialogs::ShowInformation(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::information(parent, title, text);
}

std::optional<QString> QtDialogs::AskText(QWidget* parent, const QString& title, const QString& label) {
  bool accepted = false;
  const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString(), &accepted);
  if (!accepted) return std::nullopt;
  return text;
}

}  // namespace vantorel
