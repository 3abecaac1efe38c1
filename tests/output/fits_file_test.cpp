#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "output/fits_file.h"

namespace vantorel {
namespace {

std::vector<std::uint8_t> PatternPlane() {
  std::vector<std::uint8_t> plane(FitsPlaneBytes);
  for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = std::uint8_t(i % 251 + 1);
  return plane;
}

LabelCardSet CardsOfFrame(std::string_view name, std::uint8_t markByte) {
  FrameBuffer frame = MakeFrameBuffer();
  frame[0] = markByte;
  frame[1] = markByte;
  HeaderState state;
  DecodeHeader(frame, name, state);
  return state.LabelCards;
}

std::string Text(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t length) {
  return std::string(bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(offset + length));
}

bool AllSpaces(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
  return std::all_of(bytes.begin() + std::ptrdiff_t(from), bytes.begin() + std::ptrdiff_t(to),
                     [](std::uint8_t b) { return b == ' '; });
}

TEST(BuildFitsFile, Mariner10FileLayout) {
  const std::vector<std::uint8_t> plane = PatternPlane();
  const std::vector<std::uint8_t> file = BuildFitsFile(CardsOfFrame("f.img", 0xF7), plane);

  ASSERT_EQ(file.size(), 585'280u);
  EXPECT_EQ(Text(file, 0, 31), "SIMPLE  =                    T ");
  EXPECT_TRUE(AllSpaces(file, 31, 80));
  EXPECT_EQ(Text(file, 400, 80),
            "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPA-00108'              ");
  EXPECT_EQ(Text(file, 2080, 80), "END" + std::string(77, ' '));
  EXPECT_TRUE(AllSpaces(file, 2160, 2880));
  EXPECT_TRUE(std::equal(plane.begin(), plane.end(), file.begin() + 2880));
}

TEST(BuildFitsFile, Mariner9FileNamesItsDataSet) {
  const std::vector<std::uint8_t> file = BuildFitsFile(CardsOfFrame("MME0001.IMG", 0), PatternPlane());
  EXPECT_EQ(Text(file, 400, 66), "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPG-00235'");
  EXPECT_EQ(Text(file, 13 * 80, 47), "FILE_NAME                       = 'MME0001.IMG'");
}

TEST(BuildFitsHeader, EmptyCardsAreBlankAndOverlongCardsAreCut) {
  LabelCardSet cards;
  cards[0] = std::string(100, 'A');
  cards[1] = std::string(1, 'B');  // a literal trips a false GCC 12 -Wrestrict warning
  const std::vector<std::uint8_t> header = BuildFitsHeader(cards);
  ASSERT_EQ(header.size(), 2880u);
  EXPECT_EQ(Text(header, 0, 80), std::string(80, 'A'));
  EXPECT_EQ(Text(header, 80, 80), "B" + std::string(79, ' '));
  EXPECT_TRUE(AllSpaces(header, 160, 2880));
}

TEST(BuildFitsFile, PlaneIsAlwaysOneFullPlane) {
  const std::vector<std::uint8_t> shortPlane(10, 7);
  const std::vector<std::uint8_t> file = BuildFitsFile(LabelCardSet{}, shortPlane);
  ASSERT_EQ(file.size(), FitsFileBytes);
  EXPECT_EQ(file[2880 + 9], 7);
  EXPECT_EQ(file[2880 + 10], 0);
}

struct FormatCase {
  const char* path;
  SaveFormat format;
};

class SaveFormatForTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SaveFormatForTest, ByExtension) { EXPECT_EQ(SaveFormatFor(GetParam().path), GetParam().format) << GetParam().path; }

INSTANTIATE_TEST_SUITE_P(
    Extensions, SaveFormatForTest,
    ::testing::Values(FormatCase{"/tmp/frame.bmp", SaveFormat::Bmp}, FormatCase{"/tmp/frame.Bmp", SaveFormat::Bmp},
                      FormatCase{"/tmp/frame.BMP", SaveFormat::Bmp}, FormatCase{"frame.bmp", SaveFormat::Bmp},
                      FormatCase{"/tmp/frame.fit", SaveFormat::Fits}, FormatCase{"/tmp/frame.FIT", SaveFormat::Fits},
                      FormatCase{"/tmp/frame.fits", SaveFormat::Fits}, FormatCase{"/tmp/frame.Fits", SaveFormat::Fits},
                      FormatCase{"/tmp/frame.fit.bmp", SaveFormat::Bmp},
                      FormatCase{"/tmp/frame.bmp.fits", SaveFormat::Fits},
                      FormatCase{"/tmp/frame.fts", SaveFormat::Unsupported},
                      FormatCase{"/tmp/frame.jpg", SaveFormat::Unsupported},
                      FormatCase{"/tmp/frame.bmpx", SaveFormat::Unsupported},
                      FormatCase{"/tmp/frame.", SaveFormat::Unsupported},
                      FormatCase{"/tmp/frame", SaveFormat::Unsupported},
                      FormatCase{"/a.b/name", SaveFormat::Unsupported},
                      FormatCase{"/x.bmp/name", SaveFormat::Unsupported}, FormatCase{"", SaveFormat::Unsupported}));

}  // namespace
}  // namespace vantorel
