// Thumbnails of frames: every frame in one fixed look, scaled to fit a square,
// as a PNG file with the text chunks of the freedesktop Thumbnail Managing
// Standard; and the cache where that standard puts them, which the window
// and file managers share.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/render_context.h"
#include "viewer/frame_document.h"

namespace vantorel {

// The cache's two sizes ("normal" and "large"); the command line takes any
// size up to the largest.
inline constexpr int NormalThumbnailSize = 128;
inline constexpr int LargeThumbnailSize = 256;
inline constexpr int LargestThumbnailSize = 1024;

inline constexpr const char* ThumbUriKeyword = "Thumb::URI";
inline constexpr const char* ThumbMTimeKeyword = "Thumb::MTime";
inline constexpr const char* ThumbSizeKeyword = "Thumb::Size";

// The look of every thumbnail: reconstruct, despeckle and stretch, nothing else.
OptionSet ThumbnailOptions();

// A picture scaled down (or up) so that its longer side is size pixels.
struct ScaledPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Bgr;  // top row first, blue first
};
// Each pixel of the result is the mean of the composed BMP's pixels under it,
// each weighted by the area it covers, rounded to the nearest value; so a
// flat picture stays flat and an edge between two pixels blends. size 1..1024.
ScaledPicture ScalePicture(std::span<const std::uint8_t> bmp, int size);

// "file://" and the absolute path, each byte outside letters, digits and
// !$&'()*+,-./:=@_~ written as %XX (as GLib writes file URIs, so that the
// cache names match those of GNOME's programs).
std::string FileUri(std::string_view absolutePath);

// A file as the cache tells it: by its URI, and changed when its modification
// time (in seconds) or its size is.
struct ThumbnailSource {
  std::string Path;
  std::string Uri;
  std::int64_t ModificationTime = 0;
  std::uint64_t Bytes = 0;
};
// Nothing, with the reason in error, when the file cannot be looked at.
std::optional<ThumbnailSource> IdentifySource(const std::string& path, std::string& error);

struct Thumbnail {
  std::vector<std::uint8_t> Png;  // empty when none could be made
  int Width = 0;
  int Height = 0;
  std::string Error;           // why there is none
  std::string Notice;          // a file that is not a whole frame, shown as far as it goes
  bool NothingToShow = false;  // read, but without an image line: a failure the cache records
};

// Loads the file into document in the fixed look and encodes it at size
// (1..1024): reads at most one frame's bytes of a regular file and writes
// nothing. No thumbnail of a file that cannot be read or holds no image line.
Thumbnail MakeThumbnail(FrameDocument& document, const ThumbnailSource& source, int size);

// $XDG_CACHE_HOME/thumbnails, else $HOME/.cache/thumbnails; empty when neither is set.
std::string ThumbnailCacheRoot();

struct CachedThumbnail {
  Thumbnail Picture;
  bool FromCache = false;  // Picture.Png is the cache's file (or failure record), not made now
  std::string Message;     // why the cache could not be used or written; the thumbnail is made all the same
};

// The thumbnail at NormalThumbnailSize or LargeThumbnailSize from the cache
// under root ("ROOT/normal/MD5.png"), when its URI and modification time are
// the file's; otherwise made, and put in the cache (0600 files, 0700 folders).
// A file with nothing to show leaves a failure record under
// "ROOT/fail/vantorel-VERSION/", and is not tried again until it changes.
CachedThumbnail ThumbnailFor(FrameDocument& document, const std::string& path, int size, const std::string& root);

}  // namespace vantorel
