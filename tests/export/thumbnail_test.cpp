#include "export/thumbnail.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "export/md5.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(Md5, TheTestSuiteOfItsDefinition) {
  const std::pair<std::string, std::string> table[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : table) EXPECT_EQ(Md5Hex(text), digest) << text;
}

// The composed BMP of a picture whose left `white` columns are white, the rest black.
std::vector<std::uint8_t> SplitBmp(int white) {
  std::vector<std::uint8_t> bmp(BmpFileBytes, 0);
  for (int y = 0; y < FrameLines; ++y)
    std::fill_n(bmp.begin() + BmpHeaderBytes + std::ptrdiff_t(y) * BmpRowBytes, white * 3, 255);
  return bmp;
}

TEST(ScalePicture, LongerSideFitsAndEachPixelIsTheMeanOfTheAreaUnderIt) {
  const struct {
    int Size, White, Width, Height;
    std::vector<int> Row;  // the top row's blue values
  } table[] = {
      {1, 416, 1, 1, {128}},          // half white: 127.5 rounds up
      {2, 416, 2, 2, {255, 0}},       // the edge on the pixels' edge
      {3, 416, 3, 3, {255, 128, 0}},  // the middle pixel half over each side
      {4, 1, 4, 3, {1, 0, 0, 0}},     // one white column of 208: 255 / 208 = 1.2
      {128, 0, 128, 108, {}},        {256, 832, 256, 215, {}}, {1024, 832, 1024, 862, {}},
  };
  for (const auto& row : table) {
    const ScaledPicture scaled = ScalePicture(SplitBmp(row.White), row.Size);
    ASSERT_EQ(scaled.Width, row.Width);
    ASSERT_EQ(scaled.Height, row.Height);
    ASSERT_EQ(scaled.Bgr.size(), std::size_t(row.Width) * std::size_t(row.Height) * 3);
    for (int y = 0; y < row.Height; ++y) {
      for (int x = 0; x < row.Width; ++x) {
        const std::uint8_t* pixel = &scaled.Bgr[(std::size_t(y) * std::size_t(row.Width) + std::size_t(x)) * 3];
        const int expected = row.Row.empty() ? (row.White == 0 ? 0 : 255) : row.Row[std::size_t(x)];
        ASSERT_TRUE(pixel[0] == expected && pixel[1] == expected && pixel[2] == expected)
            << "size " << row.Size << " at " << x << "," << y << ": " << int(pixel[0]);
      }
    }
  }
}

TEST(FileUri, KeepsWhatGLibKeepsAndEscapesEveryOtherByte) {
  EXPECT_EQ(FileUri("/a b/MVE0101.012"), "file:///a%20b/MVE0101.012");
  EXPECT_EQ(FileUri("/!$&'()*+,-.:=@_~/\xC3\xBC%;#?[]\x7F"), "file:///!$&'()*+,-.:=@_~/%C3%BC%25%3B%23%3F%5B%5D%7F");
}

// The sample frames, moved to a folder of the test's own.
std::string CopySample(const TempDir& dir, const std::string& name) {
  fs::copy_file(fs::path(VANTOREL_SAMPLES_DIR) / name, dir / name);
  return dir / name;
}

void SetModificationTime(const std::string& path, std::time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

TEST(ThumbnailFor, CarriesTheStandardsTextsIsReusedAndRemadeWhenTheFrameChanges) {
  TempDir dir;
  const std::string frame = CopySample(dir, "MVE0101.012"), root = dir / "cache/thumbnails";
  SetModificationTime(frame, 1'000'000'000);
  const fs::path cacheFile = fs::path(root) / "large" / (Md5Hex("file://" + frame) + ".png");
  FrameDocument document;
  const CachedThumbnail made = ThumbnailFor(document, frame, LargeThumbnailSize, root);
  EXPECT_FALSE(made.FromCache);
  EXPECT_EQ(made.Message, "");
  ASSERT_TRUE(fs::exists(cacheFile));
  EXPECT_EQ(testing::ReadBytes(cacheFile), made.Picture.Png);
  EXPECT_EQ(ModeOf(cacheFile), 0600u);
  EXPECT_EQ(ModeOf(cacheFile.parent_path()), 0700u);
  EXPECT_EQ(ModeOf(dir / "cache"), 0700u);
  const std::optional<testing::DecodedPng> png = testing::DecodePng(made.Picture.Png);
  ASSERT_TRUE(png);
  EXPECT_EQ(std::pair(png->Width, png->Height), std::pair(256, 215));
  EXPECT_EQ(png->TextOf("Thumb::URI"), "file://" + frame);
  EXPECT_EQ(png->TextOf("Thumb::MTime"), "1000000000");
  EXPECT_EQ(png->TextOf("Thumb::Size"), std::to_string(FullFrameFileBytes));
  EXPECT_EQ(png->TextOf("Software"), std::string("Vantorel ") + VANTOREL_VERSION);

  const CachedThumbnail reused = ThumbnailFor(document, frame, LargeThumbnailSize, root);
  EXPECT_TRUE(reused.FromCache);
  EXPECT_EQ(reused.Picture.Png, made.Picture.Png);

  // Another frame's bytes under the same name, a second later.
  fs::copy_file(fs::path(VANTOREL_SAMPLES_DIR) / "MVE0257.120", frame, fs::copy_options::overwrite_existing);
  SetModificationTime(frame, 1'000'000'001);
  const CachedThumbnail remade = ThumbnailFor(document, frame, LargeThumbnailSize, root);
  EXPECT_FALSE(remade.FromCache);
  EXPECT_NE(remade.Picture.Png, made.Picture.Png);
  EXPECT_EQ(testing::DecodePng(testing::ReadBytes(cacheFile))->TextOf("Thumb::MTime"), "1000000001");
}

TEST(ThumbnailFor, AnUnwritableCacheStillGivesThePictureAndNothingToShowIsRecorded) {
  TempDir dir;
  const std::string frame = CopySample(dir, "MME0101.001");
  testing::WriteBytes(dir / "cache", {'x'});  // a file where the cache's folder should be
  FrameDocument document;
  const CachedThumbnail unwritable = ThumbnailFor(document, frame, NormalThumbnailSize, dir / "cache/thumbnails");
  EXPECT_EQ(testing::DecodePng(unwritable.Picture.Png)->Width, 128);
  EXPECT_NE(unwritable.Message.find("cannot write the thumbnail"), std::string::npos) << unwritable.Message;

  // A header and no line: a failure record, then no second try while it stays so.
  testing::WriteBytes(dir / "short", std::vector<std::uint8_t>(RecordBytes, 0xF7));
  const std::string root = dir / "thumbnails";
  const CachedThumbnail failed = ThumbnailFor(document, dir / "short", NormalThumbnailSize, root);
  EXPECT_TRUE(failed.Picture.Png.empty() && !failed.Picture.Error.empty() && !failed.FromCache);
  const fs::path record = fs::path(root) / "fail" / (std::string("vantorel-") + VANTOREL_VERSION) /
                          (Md5Hex("file://" + dir / "short") + ".png");
  EXPECT_EQ(testing::DecodePng(testing::ReadBytes(record))->TextOf("Thumb::URI"), "file://" + dir / "short");
  EXPECT_TRUE(ThumbnailFor(document, dir / "short", NormalThumbnailSize, root).FromCache);
  EXPECT_FALSE(fs::exists(fs::path(root) / "normal"));
}

// The match rules of the installed type, applied as shared-mime-info applies
// them: any one rule's bytes at its offset.
TEST(MimeType, MagicKnowsBothDataSetsAndNothingElse) {
  std::ifstream in(std::string(VANTOREL_SOURCE_DIR) + "/data/vantorel-mime.xml");
  std::stringstream xml;
  xml << in.rdbuf();
  const std::string text = xml.str();
  const std::regex match(R"re(<match type="string" offset="(\d+)" value="([^"]*)"/>)re");
  std::vector<std::pair<std::size_t, std::string>> rules;
  for (std::sregex_iterator it(text.begin(), text.end(), match), end; it != end; ++it) {
    std::string bytes;
    const std::string value = (*it)[2];
    for (std::size_t i = 0; i < value.size(); i += 4) {
      EXPECT_EQ(value.substr(i, 2), "\\x");
      bytes += char(std::stoi(value.substr(i + 2, 2), nullptr, 16));
    }
    rules.emplace_back(std::stoul((*it)[1]), bytes);
  }
  ASSERT_EQ(rules.size(), 2u);
  const auto recognised = [&rules](const std::vector<std::uint8_t>& file) {
    return std::any_of(rules.begin(), rules.end(), [&file](const auto& rule) {
      return file.size() >= rule.first + rule.second.size() &&
             std::equal(rule.second.begin(), rule.second.end(), file.begin() + std::ptrdiff_t(rule.first),
                        [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
    });
  };
  for (const auto& sample : fs::directory_iterator(VANTOREL_SAMPLES_DIR)) {
    if (sample.path().filename() != ".stamp") {
      EXPECT_TRUE(recognised(testing::ReadBytes(sample.path()))) << sample;
    }
  }
  const std::vector<std::uint8_t> mariner9 = testing::ReadBytes(std::string(VANTOREL_SAMPLES_DIR) + "/MME0101.001");
  const std::vector<std::vector<std::uint8_t>> odd = {
      {},
      {'M', 'A', 'R', 'I', 'N', 'E', 'R', ' ', '9', '\n'},
      {0xF7},
      {mariner9.begin(), mariner9.begin() + 80},  // cut before the "9"
      std::vector<std::uint8_t>(FullFrameFileBytes, 0),
  };
  for (const auto& file : odd) EXPECT_FALSE(recognised(file)) << file.size() << " bytes";
}

}  // namespace
}  // namespace vantorel
