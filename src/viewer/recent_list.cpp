#include "viewer/recent_list.h"

#include <sys/stat.h>

#include <algorithm>

namespace vantorel {

std::vector<std::string> WithRecent(std::vector<std::string> list, const std::string& path) {
  std::erase(list, path);
  list.insert(list.begin(), path);
  if (list.size() > RecentListLength) list.resize(RecentListLength);
  return list;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::string> StillPresent(const std::vector<std::string>& list,
                                      const std::function<bool(const std::string&)>& exists) {
  std::vector<std::string> present;
  for (const std::string& path : list) {
    if (present.size() == RecentListLength) break;
    if (path.empty() || std::ranges::find(present, path) != present.end() || !exists(path)) continue;
    present.push_back(path);
  }
  return present;
}

}  // namespace vantorel
