#include "app/open_target.h"

#include <filesystem>
#include <system_error>

#include <QFile>

#include "app/disk_path.h"
#include "frames/file_list.h"

namespace vantorel {

OpenTarget OpenTargetFor(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) return {path, {}};
  std::string folder = path;
  if (!folder.ends_with('/')) folder += '/';
  const FileListing listing = BuildFileList(folder, {});
  if (listing.FileList.empty()) return {{}, QString("No frame files in %1").arg(DisplayPath(path))};
  return {folder + listing.FileList.front(), {}};
}

OpenTarget OpenTargetForDrop(const QList<QUrl>& urls) {
  for (const QUrl& url : urls)
    if (url.isLocalFile()) return OpenTargetFor(QFile::encodeName(url.toLocalFile()).toStdString());
  if (urls.isEmpty()) return {{}, QString("Nothing to open in what was dropped")};
  return {{}, QString("Only files and folders on this computer can be opened: %1").arg(urls.front().toDisplayString())};
}

}  // namespace vantorel
