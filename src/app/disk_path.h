// Paths are bytes on disk and in the core; Qt decodes them as UTF-8, which
// turns every byte that is not UTF-8 into U+FFFD and cannot be undone by
// encoding. These are the two crossings between the two.
#pragma once

#include <string>

#include <QString>

namespace vantorel {

// A path as the user reads it; only for captions, messages and dialogs.
QString DisplayPath(const std::string& path);

// The bytes on disk of a path chosen in a file dialog. The frame on screen and
// its folder are known by their bytes, so a choice that shows as one of them is
// taken as it. Otherwise each component that exists on disk only under other
// bytes takes the bytes of the one entry of its folder that shows as it; when
// no entry or several do, the component keeps its UTF-8 spelling.
std::string DiskPathFor(const QString& chosen, const std::string& currentFrame);

}  // namespace vantorel
