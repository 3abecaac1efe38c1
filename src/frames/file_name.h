// File names and paths as byte strings: splitting, ASCII case, and the name
// prefix of the Mariner 9 data set. Nothing here assumes an encoding.
#pragma once

#include <string>
#include <string_view>

namespace vantorel {

// The part after the last '/', or the whole path.
std::string_view FileNamePart(std::string_view path);
// The part up to and including the last '/'; "./" when there is none.
std::string DirectoryPart(std::string_view path);
// From the last '.' of the file-name part to its end, dot included; empty without one.
std::string_view ExtensionPart(std::string_view path);

// a-z to A-Z; every other byte unchanged.
std::string UpperAscii(std::string_view text);
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

// "MME" in any case: a frame of the Mariner 9 data set by its name.
bool HasMariner9NamePrefix(std::string_view fileName);

}  // namespace vantorel
