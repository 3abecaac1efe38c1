// A scripted Dialogs and a fixture that drives TMainForm the way a user does:
// triggering menu items and clicking tool buttons, answering dialogs from a script.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/main_unit.h"
#include "support/ebcdic_text.h"
#include "support/test_support.h"

namespace vantorel::testing {

class ScriptedDialogs final : public Dialogs {
 public:
  std::deque<QString> FileAnswers;  // answered in order; an empty queue cancels
  // When set, works the file dialog itself instead of the queue.
  std::function<std::optional<QString>(QFileDialog&)> FileDialogUser;
  int FileDialogsShown = 0;
  std::vector<QDialog*> ModalShown;
  std::vector<QString> Errors;
  std::vector<QString> Informations;

  std::optional<QString> ChooseFile(QFileDialog& dialog) override {
    ++FileDialogsShown;
    if (FileDialogUser) return FileDialogUser(dialog);
    if (FileAnswers.empty()) return std::nullopt;
    const QString answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
  }
  // When set, answers the modal dialogs instead of accepting them as they are.
  std::function<int(QDialog&)> ModalUser;
  int ShowModal(QDialog& dialog) override {
    ModalShown.push_back(&dialog);
    if (ModalUser) return ModalUser(dialog);
    return QDialog::Accepted;
  }
  bool ConfirmPrint(QPrinter&, QWidget*) override { return true; }
  void PageSetup(QPrinter&, QWidget*) override {}
  void ShowError(QWidget*, const QString&, const QString& text) override { Errors.push_back(text); }
  void ShowInformation(QWidget*, const QString&, const QString& text) override { Informations.push_back(text); }
  std::optional<QString> AskText(QWidget*, const QString&, const QString&) override { return std::nullopt; }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings().clear();
    form = std::make_unique<TMainForm>(dialogs);
    form->resize(1400, 1000);
    form->show();
  }

  QAction* Action(const char* name) const { return form->findChild<QAction*>(name); }
  QToolButton* Button(const char* name) const { return form->findChild<QToolButton*>(name); }
  void Click(const char* name) const { QTest::mouseClick(Button(name), Qt::LeftButton); }
  QString Memo() const { return form->findChild<QLineEdit*>("Memo1")->text(); }
  QTimer& Timer() const { return *form->findChild<QTimer*>("Timer1"); }
  QString Caption() const { return form->ImageWindow() ? form->ImageWindow()->windowTitle() : QString(); }

  // Writes bytes as name in the temporary folder and returns the path.
  std::string WriteFrame(const std::string& name, const std::vector<std::uint8_t>& bytes = Mariner10FrameFile()) {
    WriteBytes(dir / name, bytes);
    return dir / name;
  }
  // Open through the File menu with the dialog answering path.
  TChild* Open(const std::string& path) {
    dialogs.FileAnswers.push_back(QString::fromStdString(path));
    Action("Open1")->trigger();
    return form->ImageWindow();
  }
  void CloseImageWindow() {
    ASSERT_NE(form->ImageWindow(), nullptr);
    form->ImageWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  std::vector<std::uint8_t> ShownBmp() const {
    return form->ImageWindow() ? form->ImageWindow()->BmpFile() : std::vector<std::uint8_t>{};
  }

  ScriptedDialogs dialogs;
  TempDir dir;
  std::unique_ptr<TMainForm> form;  // closed before the folder and the dialogs go
};

}  // namespace vantorel::testing
