// What a path given to the program (on its command line, or dropped on its
// window) opens.
#pragma once

#include <string>

#include <QList>
#include <QString>
#include <QUrl>

namespace vantorel {

struct OpenTarget {
  std::string FramePath;  // the file to load; empty when there is nothing to open
  QString Problem;        // why not, for the status bar
};

// A folder opens the first frame file of its listing (nothing when it lists
// none); anything else opens as a file, as a name typed into the Open dialog
// does, so that an unreadable one shows as a black picture.
OpenTarget OpenTargetFor(const std::string& path);

// A drop opens the first local file or folder among urls; anything else (a
// web address) is not opened.
OpenTarget OpenTargetForDrop(const QList<QUrl>& urls);

}  // namespace vantorel
