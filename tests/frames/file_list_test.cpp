#include "frames/file_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::TempDir;

void MakeFile(const TempDir& dir, const std::string& name, std::uintmax_t size) {
  const std::string path = dir / name;
  { std::ofstream touch(path, std::ios::binary); }
  std::filesystem::resize_file(path, size);
}

TEST(FileList, ListsAcceptedSizesSortedAndFindsTheCurrentFile) {
  TempDir dir;
  MakeFile(dir, "b.001", FullFrameFileBytes);
  MakeFile(dir, "a.001", ShortFrameFileBytes);
  MakeFile(dir, "e.001", Mariner9FrameFileBytes);
  MakeFile(dir, "c.001", FullFrameFileBytes - 1);
  MakeFile(dir, "README", 12);
  MakeFile(dir, "no-digits.txt", FullFrameFileBytes);  // the size is the only filter
  const FileListing listing = BuildFileList(dir.Path().string() + "/", "b.001");
  EXPECT_EQ(listing.FileList, (std::vector<std::string>{"a.001", "b.001", "e.001", "no-digits.txt"}));
  EXPECT_EQ(listing.FileIndex, 2);
}

TEST(FileList, NeverListsEntriesThatAreNotRegularFiles) {
  TempDir dir;
  MakeFile(dir, "real.001", FullFrameFileBytes);
  std::filesystem::create_directory(dir.Path() / "folder.001");
  ASSERT_EQ(::mkfifo((dir / "pipe.001").c_str(), 0600), 0);
  std::filesystem::create_symlink(dir.Path() / "gone.001", dir.Path() / "broken.001");
  std::filesystem::create_symlink(dir.Path() / "real.001", dir.Path() / "link.001");
  const FileListing listing = BuildFileList(dir.Path().string() + "/", "real.001");
  EXPECT_EQ(listing.FileList, (std::vector<std::string>{"link.001", "real.001"}));
}

TEST(FileList, ComparesBytesAsUnsignedWithPrefixesFirst) {
  const std::vector<std::string> names = {"\xC3\xA9t\xC3\xA9.001", "ab.001", "ab.0011", "AB.001", "ab", "Z.001"};
  TempDir dir;
  for (const auto& name : names) MakeFile(dir, name, FullFrameFileBytes);
  const FileListing listing = BuildFileList(dir.Path().string() + "/", "");
  EXPECT_EQ(listing.FileList,
            (std::vector<std::string>{"AB.001", "Z.001", "ab", "ab.001", "ab.0011", "\xC3\xA9t\xC3\xA9.001"}));
  EXPECT_EQ(listing.FileIndex, 0);
}

TEST(FileList, MatchesAsciiCaseInsensitivelyAndTheLastMatchWins) {
  EXPECT_EQ(FindFileIndex({"ABC.001", "b.001"}, "abc.001"), 1);
  EXPECT_EQ(FindFileIndex({"ABC.001", "Abc.001", "abc.001", "b.001"}, "aBc.001"), 3);
  EXPECT_EQ(FindFileIndex({"ABC.001"}, "abc.00"), 0);
  // Only a-z fold: non-ASCII bytes must match exactly.
  EXPECT_EQ(FindFileIndex({"\xC3\x89.001"}, "\xC3\xA9.001"), 0);
}

TEST(FileList, KeepsLongNamesWhole) {
  TempDir dir;
  MakeFile(dir, "MVE0101.001.backup", FullFrameFileBytes);
  MakeFile(dir, "MVE0101.001", FullFrameFileBytes);
  const FileListing listing = BuildFileList(dir.Path().string() + "/", "mve0101.001.backup");
  EXPECT_EQ(listing.FileList, (std::vector<std::string>{"MVE0101.001", "MVE0101.001.backup"}));
  EXPECT_EQ(listing.FileIndex, 2);
}

// A folder large enough to be listed in parts, merged afterwards.
TEST(FileList, ListsALargeFolderInOneSortedList) {
  TempDir dir;
  std::vector<std::string> expected;
  for (int i = 0; i < 800; ++i) {
    const std::string name = std::to_string((i * 7919) % 800) + ".001";  // not created in order
    const bool accepted = i % 3 != 0;
    MakeFile(dir, name, accepted ? FullFrameFileBytes : FullFrameFileBytes + 1);
    if (accepted) expected.push_back(name);
  }
  std::filesystem::create_directory(dir.Path() / "folder.001");
  std::sort(expected.begin(), expected.end());
  const FileListing listing = BuildFileList(dir.Path().string(), expected[345]);
  EXPECT_EQ(listing.FileList, expected);
  EXPECT_EQ(listing.FileIndex, 346);
}

TEST(FileList, UnreadableDirectoryGivesAnEmptyList) {
  const FileListing listing = BuildFileList("/nonexistent-vantorel-folder/", "x.001");
  EXPECT_EQ(listing.FileCount(), 0);
  EXPECT_EQ(listing.FileIndex, 0);
}

}  // namespace
}  // namespace vantorel
