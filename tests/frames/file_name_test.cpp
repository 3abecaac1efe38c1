#include "frames/file_name.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(FileName, SplitsPathsAsBytes) {
  const struct {
    std::string_view Path, Directory, Name, Extension;
  } table[] = {
      {"/data/MVE0101.012", "/data/", "MVE0101.012", ".012"},
      {"MVE0101", "./", "MVE0101", ""},
      {"a.b/c", "a.b/", "c", ""},
      {"dir/", "dir/", "", ""},
      {"x/.hidden", "x/", ".hidden", ".hidden"},
      {"d\xff/a\xfe.Fits", "d\xff/", "a\xfe.Fits", ".Fits"},
  };
  for (const auto& row : table) {
    EXPECT_EQ(DirectoryPart(row.Path), row.Directory) << row.Path;
    EXPECT_EQ(FileNamePart(row.Path), row.Name) << row.Path;
    EXPECT_EQ(ExtensionPart(row.Path), row.Extension) << row.Path;
  }
  EXPECT_EQ(UpperAscii("mMe\xe9.fit"), "MME\xe9.FIT");
}

}  // namespace
}  // namespace vantorel
