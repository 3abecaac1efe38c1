#include "export/thumbnail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "export/md5.h"
#include "export/png_text.h"
#include "frames/file_name.h"
#include "output/atomic_file.h"
#include "output/png_file.h"
#include "output/unique_fd.h"

namespace vantorel {

namespace {

std::string ErrnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

// For each pixel of a row of `to` pixels, the pixels of a row of `from` under
// it and their weights: in units where an output pixel is `from` long and an
// input pixel `to`, the overlaps are whole numbers summing to `from`.
struct Coverage {
  int First = 0;
  std::vector<std::uint32_t> Weights;
};

std::vector<Coverage> AreaCoverage(int from, int to) {
  std::vector<Coverage> coverage(std::size_t(to), Coverage{});
  for (int k = 0; k < to; ++k) {
    const std::int64_t low = std::int64_t(k) * from, high = low + from;
    Coverage& pixel = coverage[std::size_t(k)];
    pixel.First = int(low / to);
    for (std::int64_t i = pixel.First; i * to < high; ++i)
      pixel.Weights.push_back(std::uint32_t(std::min(high, (i + 1) * to) - std::max(low, i * to)));
  }
  return coverage;
}

// Small files: cache entries are a few kilobytes, a failure record less.
constexpr std::size_t LargestCacheFile = 4 << 20;
constexpr std::uint8_t PngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t BigEndian32(const std::uint8_t* at) {
  return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 | at[3];
}

// What the cache needs of a PNG file: its size and tEXt chunks. Nothing when
// the file is not a whole PNG file.
struct PngSummary {
  int Width = 0;
  int Height = 0;
  std::map<std::string, std::string, std::less<>> Texts;
};

std::optional<PngSummary> Summarize(const std::vector<std::uint8_t>& png) {
  if (png.size() < std::size(PngSignature) ||
      !std::equal(std::begin(PngSignature), std::end(PngSignature), png.begin()))
    return std::nullopt;
  PngSummary summary;
  std::size_t at = std::size(PngSignature);
  while (png.size() - at >= 12) {
    const std::size_t length = BigEndian32(png.data() + at);
    if (png.size() - at - 12 < length) return std::nullopt;
    const std::string_view type(reinterpret_cast<const char*>(png.data() + at + 4), 4);
    const std::uint8_t* data = png.data() + at + 8;
    if (type == "IHDR" && length >= 8) {
      summary.Width = int(std::min<std::uint32_t>(BigEndian32(data), 1 << 30));
      summary.Height = int(std::min<std::uint32_t>(BigEndian32(data + 4), 1 << 30));
    } else if (type == "tEXt") {
      const std::string_view chunk(reinterpret_cast<const char*>(data), length);
      if (const std::size_t nul = chunk.find('\0'); nul != std::string_view::npos)
        summary.Texts.emplace(std::string(chunk.substr(0, nul)), std::string(chunk.substr(nul + 1)));
    } else if (type == "IEND") {
      return summary;
    }
    at += 12 + length;
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadSmallFile(const std::string& path) {
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      std::size_t(info.st_size) > LargestCacheFile)
    return std::nullopt;
  std::vector<std::uint8_t> bytes(std::size_t(info.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(file.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    got += std::size_t(n);
  }
  return bytes;
}

PngText SourceText(const ThumbnailSource& source) {
  return {
      {ThumbUriKeyword, source.Uri},
      {ThumbMTimeKeyword, std::to_string(source.ModificationTime)},
      {ThumbSizeKeyword, std::to_string(source.Bytes)},
      {PngSoftwareKeyword, std::string("Vantorel ") + VANTOREL_VERSION},
  };
}

// Whether a cache file describes the source as it is now.
bool Describes(const PngSummary& summary, const ThumbnailSource& source) {
  const auto text = [&summary](std::string_view keyword) {
    const auto found = summary.Texts.find(keyword);
    return found == summary.Texts.end() ? std::optional<std::string>() : found->second;
  };
  const std::optional<std::string> size = text(ThumbSizeKeyword);
  return text(ThumbUriKeyword) == source.Uri && text(ThumbMTimeKeyword) == std::to_string(source.ModificationTime) &&
         (!size || *size == std::to_string(source.Bytes));
}

// Makes each missing folder on the way to folder, 0700: a cache of what the
// user sees is theirs alone.
std::string MakeFolders(const std::filesystem::path& folder) {
  std::filesystem::path made;
  for (const std::filesystem::path& part : folder) {
    made /= part;
    if (::mkdir(made.c_str(), S_IRWXU) != 0 && errno != EEXIST) return ErrnoText(errno);
  }
  return {};
}

std::string CacheTrouble(const std::string& path, std::string_view reason) {
  std::string message = "cannot write the thumbnail " + path + ": ";
  message += reason;
  return message;
}

// Writes a cache file, its folders first; the trouble, or nothing.
std::string Store(const std::filesystem::path& file, std::span<const std::uint8_t> png) {
  if (std::string error = MakeFolders(file.parent_path()); !error.empty()) return CacheTrouble(file, error);
  const SaveOutcome outcome = SaveCacheFileAtomically(file, {png});
  return outcome.Saved ? std::string() : CacheTrouble(file, outcome.Error);
}

}  // namespace

OptionSet ThumbnailOptions() {
  OptionSet options{};
  for (const Option option : {Option::Reconstruct, Option::Despeckle, Option::Stretch}) Entry(options, option) = 1;
  return options;
}

ScaledPicture ScalePicture(std::span<const std::uint8_t> bmp, int size) {
  ScaledPicture scaled;
  scaled.Width = size;
  scaled.Height = std::max(1, (FrameLines * size + PictureSamples / 2) / PictureSamples);
  const std::vector<Coverage> across = AreaCoverage(PictureSamples, scaled.Width);
  const std::vector<Coverage> down = AreaCoverage(FrameLines, scaled.Height);
  // Each picture row summed across first: at most 255 * 832 a value.
  const std::size_t rowValues = std::size_t(scaled.Width) * 3;
  std::vector<std::uint32_t> rowSums(rowValues * FrameLines, 0);
  for (int y = 0; y < FrameLines; ++y) {
    const std::uint8_t* row = bmp.data() + BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes;
    std::uint32_t* sums = rowSums.data() + std::size_t(y) * rowValues;
    for (const Coverage& pixel : across) {
      const std::uint8_t* source = row + std::size_t(pixel.First) * 3;
      std::uint32_t blue = 0, green = 0, red = 0;
      for (const std::uint32_t weight : pixel.Weights) {
        blue += weight * source[0];
        green += weight * source[1];
        red += weight * source[2];
        source += 3;
      }
      *sums++ = blue;
      *sums++ = green;
      *sums++ = red;
    }
  }
  // Then down: at most 255 * 832 * 700, well within 32 bits.
  constexpr std::uint32_t Area = std::uint32_t(PictureSamples) * FrameLines;
  scaled.Bgr.resize(rowValues * std::size_t(scaled.Height));
  std::vector<std::uint32_t> sums(rowValues);
  for (int y = 0; y < scaled.Height; ++y) {
    const Coverage& pixel = down[std::size_t(y)];
    std::fill(sums.begin(), sums.end(), 0);
    for (std::size_t k = 0; k < pixel.Weights.size(); ++k) {
      const std::uint32_t* row = rowSums.data() + (std::size_t(pixel.First) + k) * rowValues;
      for (std::size_t i = 0; i < rowValues; ++i) sums[i] += pixel.Weights[k] * row[i];
    }
    std::uint8_t* out = scaled.Bgr.data() + std::size_t(y) * rowValues;
    for (std::size_t i = 0; i < rowValues; ++i) out[i] = std::uint8_t((sums[i] + Area / 2) / Area);
  }
  return scaled;
}

std::string FileUri(std::string_view absolutePath) {
  constexpr std::string_view Hex = "0123456789ABCDEF";
  constexpr std::string_view Kept = "!$&'()*+,-./:=@_~";
  std::string uri = "file://";
  for (const char c : absolutePath) {
    const auto byte = std::uint8_t(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        Kept.find(c) != std::string_view::npos) {
      uri += c;
    } else {
      uri += '%';
      uri += Hex[byte >> 4];
      uri += Hex[byte & 0xF];
    }
  }
  return uri;
}

std::optional<ThumbnailSource> IdentifySource(const std::string& path, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = ErrnoText(errno);
    return std::nullopt;
  }
  std::error_code failure;
  const std::filesystem::path absolute = std::filesystem::absolute(path, failure);
  if (failure) {
    error = failure.message();
    return std::nullopt;
  }
  return ThumbnailSource{path, FileUri(absolute.lexically_normal().native()), std::int64_t(info.st_mtime),
                         std::uint64_t(info.st_size)};
}

Thumbnail MakeThumbnail(FrameDocument& document, const ThumbnailSource& source, int size) {
  Thumbnail thumbnail;
  if (size < 1 || size > LargestThumbnailSize) {
    thumbnail.Error = "a thumbnail is 1 to " + std::to_string(LargestThumbnailSize) + " pixels";
    return thumbnail;
  }
  document.Open(source.Path, ThumbnailOptions());
  const std::string name(FileNamePart(source.Path));
  if (!document.ReadError().empty()) {
    thumbnail.Error = document.ReadError();
    return thumbnail;
  }
  thumbnail.Notice = NotAFrameNotice(name, document.FileCheck());
  if (document.LineCount() <= 0) {
    thumbnail.Error = "it holds no image line to show";
    thumbnail.NothingToShow = true;
    return thumbnail;
  }
  const ScaledPicture scaled = ScalePicture(document.CurrentBmp(), size);
  // The encoder's default is also the best here: level 9 with the adaptive
  // filter took up to three times as long for files 4 to 6% larger.
  std::optional<std::vector<std::uint8_t>> png =
      BuildPngFile(BgrPicture{scaled.Bgr, scaled.Width, scaled.Height}, SourceText(source));
  if (!png) {
    thumbnail.Error = "the thumbnail could not be encoded";
    return thumbnail;
  }
  thumbnail.Png = std::move(*png);
  thumbnail.Width = scaled.Width;
  thumbnail.Height = scaled.Height;
  return thumbnail;
}

std::string ThumbnailCacheRoot() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
    return std::string(cache) + "/thumbnails";
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.cache/thumbnails";
  return {};
}

CachedThumbnail ThumbnailFor(FrameDocument& document, const std::string& path, int size, const std::string& root) {
  CachedThumbnail cached;
  std::string error;
  const std::optional<ThumbnailSource> source = IdentifySource(path, error);
  if (!source) {
    cached.Picture.Error = error;
    return cached;
  }
  const std::string fileName = Md5Hex(source->Uri) + ".png";
  const std::filesystem::path folder(root);
  const std::filesystem::path file = folder / (size <= NormalThumbnailSize ? "normal" : "large") / fileName;
  const std::filesystem::path failure = folder / "fail" / (std::string("vantorel-") + VANTOREL_VERSION) / fileName;
  if (!root.empty()) {
    for (const std::filesystem::path& candidate : {file, failure}) {
      std::optional<std::vector<std::uint8_t>> bytes = ReadSmallFile(candidate);
      const std::optional<PngSummary> summary = bytes ? Summarize(*bytes) : std::nullopt;
      if (!summary || !Describes(*summary, *source)) continue;
      cached.FromCache = true;
      if (candidate == failure) {
        cached.Picture.Error = "no thumbnail could be made of it, and it has not changed since";
      } else {
        cached.Picture.Png = std::move(*bytes);
        cached.Picture.Width = summary->Width;
        cached.Picture.Height = summary->Height;
      }
      return cached;
    }
  }
  cached.Picture = MakeThumbnail(document, *source, size);
  if (root.empty()) {
    cached.Message = "no thumbnail cache: neither XDG_CACHE_HOME nor HOME is set";
  } else if (!cached.Picture.Png.empty()) {
    cached.Message = Store(file, cached.Picture.Png);
  } else if (cached.Picture.NothingToShow) {
    // A failure record, so that it is not read again until it changes.
    const std::uint8_t black[3] = {0, 0, 0};
    if (const auto record = BuildPngFile(BgrPicture{black, 1, 1}, SourceText(*source)))
      cached.Message = Store(failure, *record);
  }
  return cached;
}

}  // namespace vantorel
