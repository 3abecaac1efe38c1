// The Help menu's windows: the keys of every command, listed from the command
// table so that the list cannot drift from the keys, and the user guide that
// ships inside the program.
#pragma once

#include <QDialog>

class QTextBrowser;
class QTreeWidget;

class TShortcutsBox : public QDialog {
  Q_OBJECT
 public:
  explicit TShortcutsBox(QWidget* parent = nullptr);

  // One top-level row per menu and for the tool bar, its commands beneath.
  QTreeWidget& List() const { return *list_; }

 private:
  QTreeWidget* list_;
};

class TUserGuideBox : public QDialog {
  Q_OBJECT
 public:
  explicit TUserGuideBox(QWidget* parent = nullptr);

  QTextBrowser& Page() const { return *page_; }

 private:
  QTextBrowser* page_;
};
