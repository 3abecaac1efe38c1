#include "app/disk_path.h"

#include <filesystem>
#include <system_error>

#include <QFile>

namespace vantorel {

namespace {

std::string EncodedName(const QString& name) { return QFile::encodeName(name).toStdString(); }

bool EntryExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// The bytes of the entry of folder (bytes, ending with '/' or empty for the
// working folder) that shows as name.
std::string EntryNameIn(const std::string& folder, const QString& name) {
  const std::string encoded = EncodedName(name);
  // Only a name that lost bytes in decoding can show as something it is not,
  // so a plain new name never costs a listing of a large folder.
  if (!name.contains(QChar::ReplacementCharacter) || EntryExists(folder + encoded)) return encoded;
  std::error_code error;
  std::filesystem::directory_iterator entries(folder.empty() ? std::string(".") : folder, error);
  std::string match;
  int matches = 0;
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::string entryName = entries->path().filename().native();
    if (DisplayPath(entryName) != name) continue;
    match = entryName;
    ++matches;
  }
  return matches == 1 ? match : encoded;
}

// Appends the components of relative (separated by '/') to path (empty or
// ending with '/'), each by the bytes of its entry on disk.
std::string WithComponents(std::string path, const QString& relative) {
  const QStringList components = relative.split(u'/');
  for (qsizetype i = 0; i < components.size(); ++i) {
    if (i > 0) path += '/';
    path += EntryNameIn(path, components[i]);
  }
  return path;
}

}  // namespace

QString DisplayPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string DiskPathFor(const QString& chosen, const std::string& currentFrame) {
  if (!currentFrame.empty() && chosen == DisplayPath(currentFrame)) return currentFrame;
  const std::size_t lastSeparator = currentFrame.rfind('/');
  if (lastSeparator != std::string::npos && lastSeparator > 0) {
    const std::string folder = currentFrame.substr(0, lastSeparator);
    const QString shownFolder = DisplayPath(folder);
    if (chosen == shownFolder) return folder;
    if (chosen.startsWith(shownFolder + u'/')) return WithComponents(folder + '/', chosen.mid(shownFolder.size() + 1));
  }
  return WithComponents(std::string(), chosen);
}

}  // namespace vantorel
