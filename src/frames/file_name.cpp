#include "frames/file_name.h"

#include <algorithm>

namespace vantorel {

namespace {

constexpr char DirectorySeparator = '/';
constexpr char ExtensionMark = '.';
constexpr std::string_view Mariner9NamePrefix = "MME";

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

}  // namespace

std::string_view FileNamePart(std::string_view path) {
  const std::size_t separator = path.rfind(DirectorySeparator);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string DirectoryPart(std::string_view path) {
  const std::size_t separator = path.rfind(DirectorySeparator);
  return separator == std::string_view::npos ? std::string(".") + DirectorySeparator
                                             : std::string(path.substr(0, separator + 1));
}

std::string_view ExtensionPart(std::string_view path) {
  const std::string_view name = FileNamePart(path);
  const std::size_t dot = name.rfind(ExtensionMark);
  return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return UpperAscii(c); });
  return upper;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

bool HasMariner9NamePrefix(std::string_view fileName) {
  return SameIgnoringAsciiCase(fileName.substr(0, std::min(fileName.size(), Mariner9NamePrefix.size())),
                               Mariner9NamePrefix);
}

}  // namespace vantorel
