// The File > Open Recent list: the latest first, each path once, at most ten.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vantorel {

inline constexpr std::size_t RecentListLength = 10;

// The list with path put first (moved there if it was already in it), cut to RecentListLength.
std::vector<std::string> WithRecent(std::vector<std::string> list, const std::string& path);

// Whether anything is at path (for StillPresent).
bool PathExists(const std::string& path);

// The list without the paths that exists says are gone, and without empty
// entries and repeats (a hand-edited store may hold them), cut to RecentListLength.
std::vector<std::string> StillPresent(const std::vector<std::string>& list,
                                      const std::function<bool(const std::string&)>& exists);

}  // namespace vantorel
