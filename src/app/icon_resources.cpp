#include "app/icon_resources.h"

#include <QFile>
#include <QStringList>

// Q_INIT_RESOURCE declares a function, so it must be used outside any namespace.
static void InitIconsQrc() { Q_INIT_RESOURCE(icons); }

namespace vantorel {

void EnsureIconResources() {
  static const bool done = (InitIconsQrc(), true);
  (void)done;
}

QIcon ToolGlyph(const QString& objectName) {
  EnsureIconResources();
  const QString path = QStringLiteral(":/icons/%1.svg").arg(objectName);
  if (!QFile::exists(path)) return {};
  return QIcon(path);
}

QIcon ApplicationIcon() { return ToolGlyph(QStringLiteral("vantorel")); }

const QStringList& ToolGlyphNames() {
  static const QStringList names = {// First tool-bar row.
                                    "FileOpenBtn", "FileSaveBtn", "ToolButton17", "FileTylAutBtn", "FileTylBtn",
                                    "FileStopBtn", "FileForBtn", "FileForAutoBtn", "ToolButton9", "ToolButton10",
                                    "ToolButton2", "ToolButton11", "ToolButton12", "ToolButton13", "ToolButton18",
                                    // Second row.
                                    "ToolButton27", "ToolButton28", "ToolButton20", "ToolButton21", "ToolButton22",
                                    "ToolButton23", "ToolButton19", "ToolButton32", "ToolButton30", "ToolButton29",
                                    "HelpAboutBtn",
                                    // Menu items that have no button.
                                    "Exit1", "PrintSetup1", "Toolbar1", "ScanPause"};
  return names;
}

}  // namespace vantorel
