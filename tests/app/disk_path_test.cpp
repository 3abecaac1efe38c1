// Mapping a path chosen in a file dialog back to the bytes of the entries on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/disk_path.h"
#include "support/test_support.h"

namespace vantorel::testing {
namespace {

TEST(DiskPathFor, FindsTheBytesThatADialogCouldOnlyShow) {
  TempDir dir;
  // a\xfe.001 and a\xff.001 both show as "a\uFFFD.001"; so do the folders e\xfe and e\xff.
  for (const char* folder : {"d\xff", "e\xfe", "e\xff"}) std::filesystem::create_directory(dir / folder);
  for (const char* frame : {"a\xfe.001", "a\xff.001", "b.001", "\xc3\xa9.001", "e\xfe/f.001"})
    WriteBytes(dir / frame, {1});

  struct Case {
    const char* what;
    std::string chosen;        // bytes as they were on disk, shown the way Qt shows them
    std::string currentFrame;  // bytes
    std::string expected;      // bytes
  };
  const std::string replacement = "\xef\xbf\xbd";  // U+FFFD in UTF-8
  const Case cases[] = {
      {"the frame on screen", dir / "a\xff.001", dir / "a\xff.001", dir / "a\xff.001"},
      {"the frame on screen after Next", dir / "a\xfe.001", dir / "a\xfe.001", dir / "a\xfe.001"},
      {"two entries show alike", dir / "a\xff.001", dir / "b.001", dir / ("a" + replacement + ".001")},
      {"one folder shows so", dir / "d\xff/x.bmp", dir / "b.001", dir / "d\xff/x.bmp"},
      {"the folder of the frame", dir / "e\xfe/x.bmp", dir / "e\xfe/f.001", dir / "e\xfe/x.bmp"},
      {"the folder of the frame itself", dir / "e\xfe", dir / "e\xfe/f.001", dir / "e\xfe"},
      {"two folders show alike", dir / "e\xfe/x.bmp", dir / "b.001", dir / ("e" + replacement + "/x.bmp")},
      {"a UTF-8 name", dir / "\xc3\xa9.001", "", dir / "\xc3\xa9.001"},
      {"a new name", dir / "d\xff/n\xff.bmp", "", dir / ("d\xff/n" + replacement + ".bmp")},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    EXPECT_EQ(DiskPathFor(QString::fromStdString(test.chosen), test.currentFrame), test.expected);
  }
}

}  // namespace
}  // namespace vantorel::testing
