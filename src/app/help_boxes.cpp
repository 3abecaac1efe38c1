#include "app/help_boxes.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/command_table.h"

// Q_INIT_RESOURCE declares a function, so it must be used outside any namespace.
static void InitHelpQrc() { Q_INIT_RESOURCE(help); }

namespace {

// The box's own layout: its content above a Close button.
void LayOut(QDialog& box, QWidget& content) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(&content);
  layout->addWidget(buttons);
}

}  // namespace

TShortcutsBox::TShortcutsBox(QWidget* parent) : QDialog(parent), list_(new QTreeWidget) {
  setObjectName("ShortcutsBox");
  setWindowTitle("Keyboard Shortcuts");
  list_->setObjectName("ShortcutsList");
  list_->setColumnCount(2);
  list_->setHeaderLabels({"Command", "Keys"});
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  list_->setFocusPolicy(Qt::NoFocus);

  QTreeWidgetItem* group = nullptr;
  for (const vantorel::KeyListing& line : vantorel::KeyboardShortcuts()) {
    if (!group || group->text(0) != line.Place) {
      group = new QTreeWidgetItem(list_, {line.Place});
      group->setFirstColumnSpanned(true);
      QFont bold = group->font(0);
      bold.setBold(true);
      group->setFont(0, bold);
    }
    new QTreeWidgetItem(group, {line.Command, line.Keys});
  }
  list_->expandAll();
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  LayOut(*this, *list_);
  resize(560, 640);
}

TUserGuideBox::TUserGuideBox(QWidget* parent) : QDialog(parent), page_(new QTextBrowser) {
  InitHelpQrc();
  setObjectName("UserGuideBox");
  setWindowTitle("Vantorel User Guide");
  page_->setObjectName("UserGuidePage");
  // The guide is part of the program; nothing is fetched from elsewhere.
  page_->setOpenLinks(false);
  page_->setSource(QUrl("qrc:/help/user_guide.html"));
  LayOut(*this, *page_);
  resize(720, 640);
}
