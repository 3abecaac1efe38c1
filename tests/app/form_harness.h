// A scripted Dialogs and a fixture that drives TMainForm the way a user does:
// triggering menu items and clicking tool buttons, answering dialogs from a script.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/main_unit.h"
#include "support/test_support.h"

namespace vantorel::testing {

class ScriptedDialogs final : public Dialogs {
 public:
  // Answers for file dialogs, in order; an empty queue (or nullopt) cancels.
  std::deque<std::optional<QString>> FileAnswers;
  // The directory each file dialog started in.
  std::vector<QString> StartDirectories;
  int FileDialogsShown = 0;

  std::vector<QDialog*> ModalShown;
  std::function<void(QDialog&)> WhileModal;

  bool PrintConfirmed = true;
  int PrintDialogsShown = 0;
  int PageSetupsShown = 0;
  QPrinter* PageSetupPrinter = nullptr;

  std::vector<QString> Errors;
  std::vector<QString> Informations;

  std::optional<QString> ChooseFile(QFileDialog& dialog) override {
    ++FileDialogsShown;
    StartDirectories.push_back(dialog.directory().absolutePath());
    if (FileAnswers.empty()) return std::nullopt;
    std::optional<QString> answer = FileAnswers.front();
    FileAnswers.pop_front();
    // The save dialog adds its default suffix to a name typed without one.
    if (answer && dialog.acceptMode() == QFileDialog::AcceptSave && QFileInfo(*answer).suffix().isEmpty() &&
        !dialog.defaultSuffix().isEmpty())
      *answer += "." + dialog.defaultSuffix();
    return answer;
  }
  int ShowModal(QDialog& dialog) override {
    ModalShown.push_back(&dialog);
    if (WhileModal) WhileModal(dialog);
    return QDialog::Accepted;
  }
  bool ConfirmPrint(QPrinter&, QWidget*) override {
    ++PrintDialogsShown;
    return PrintConfirmed;
  }
  void PageSetup(QPrinter& printer, QWidget*) override {
    ++PageSetupsShown;
    PageSetupPrinter = &printer;
  }
  void ShowError(QWidget*, const QString&, const QString& text) override { Errors.push_back(text); }
  void ShowInformation(QWidget*, const QString&, const QString& text) override { Informations.push_back(text); }
};

// Header bytes that make a frame a Mariner 10 frame (offsets 0 and 1 hold EBCDIC "7").
inline std::vector<std::uint8_t> Mariner10Frame(std::uint8_t cameraByte = 0xC1) {
  std::vector<std::uint8_t> bytes = PatternFrameFile(std::size_t(FullFrameFileBytes));
  bytes[0] = 0xF7;
  bytes[1] = 0xF7;
  bytes[151] = cameraByte;  // C1 camera A, C2 camera B
  return bytes;
}

// "MARINER 9" in EBCDIC at offsets 72..80.
inline std::vector<std::uint8_t> Mariner9Frame() {
  std::vector<std::uint8_t> bytes = PatternFrameFile(std::size_t(FullFrameFileBytes));
  const std::uint8_t mark[] = {0xD4, 0xC1, 0xD9, 0xC9, 0xD5, 0xC5, 0xD9, 0x40, 0xF9};
  std::copy(std::begin(mark), std::end(mark), bytes.begin() + 72);
  return bytes;
}

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TMainForm>(dialogs);
    form->resize(1400, 1000);
    form->show();
  }
  void TearDown() override {
    form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QAction* Action(const char* name) const {
    auto* action = form->findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
  }
  QToolButton* Button(const char* name) const {
    auto* button = form->findChild<QToolButton*>(name);
    EXPECT_NE(button, nullptr) << name;
    return button;
  }
  void Trigger(const char* name) const {
    if (QAction* action = Action(name)) action->trigger();
  }
  void Click(const char* name) const {
    if (QToolButton* button = Button(name)) QTest::mouseClick(button, Qt::LeftButton);
  }
  QString Memo() const { return form->findChild<QLineEdit*>("Memo1")->text(); }
  QTimer& Timer() const { return *form->findChild<QTimer*>("Timer1"); }
  QString Caption() const { return form->ImageWindow() ? form->ImageWindow()->windowTitle() : QString(); }
  QString StatusText() const { return form->statusBar()->currentMessage(); }

  // Open through the File menu with the dialog answering path.
  TChild* Open(const std::string& path) {
    dialogs.FileAnswers.push_back(QString::fromStdString(path));
    Trigger("Open1");
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
  std::unique_ptr<TMainForm> form;
  TempDir dir;
};

}  // namespace vantorel::testing
