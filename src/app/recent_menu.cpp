#include "app/recent_menu.h"

#include <QMenu>

#include "app/disk_path.h"
#include "frames/file_name.h"
#include "viewer/recent_list.h"

namespace vantorel {
namespace {

// The entry's access key, and the path with its own "&" kept.
QString EntryText(int number, const std::string& path) {
  QString shown = DisplayPath(path);
  shown.replace('&', "&&");
  return number < 10 ? QString("&%1 %2").arg(number).arg(shown) : QString("1&0 %1").arg(shown);
}

}  // namespace

RecentMenu::RecentMenu(QMenu& menu, RememberedSettings& remembered, std::function<void(const std::string&)> open,
                       std::function<void()> changed)
    : QObject(&menu), menu_(menu), remembered_(remembered), open_(std::move(open)), changed_(std::move(changed)) {
  connect(&menu_, &QMenu::aboutToShow, this, &RecentMenu::Fill);
}

void RecentMenu::Note(const std::string& framePath) {
  remembered_.RecentFrames = WithRecent(remembered_.RecentFrames, framePath);
  std::string folder = DirectoryPart(framePath);
  if (folder.size() > 1) folder.pop_back();  // "/data/m10", not "/data/m10/"
  remembered_.RecentFolders = WithRecent(remembered_.RecentFolders, folder);
  changed_();
}

void RecentMenu::Fill() {
  menu_.clear();
  remembered_.RecentFrames = StillPresent(remembered_.RecentFrames, PathExists);
  remembered_.RecentFolders = StillPresent(remembered_.RecentFolders, PathExists);
  for (const std::vector<std::string>* paths : {&remembered_.RecentFrames, &remembered_.RecentFolders}) {
    if (paths->empty()) continue;
    if (!menu_.isEmpty()) menu_.addSeparator();
    int number = 0;
    for (const std::string& path : *paths)
      menu_.addAction(EntryText(++number, path), this, [this, path] { open_(path); });
  }
  if (menu_.isEmpty()) {
    menu_.addAction("No recent frames")->setEnabled(false);
    return;
  }
  menu_.addSeparator();
  menu_.addAction("&Clear Menu", this, [this] {
    remembered_.RecentFrames.clear();
    remembered_.RecentFolders.clear();
    changed_();
  });
}

}  // namespace vantorel
