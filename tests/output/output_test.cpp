#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "export/export_format.h"
#include "output/fits_file.h"
#include "output/print_rect.h"
#include "support/ebcdic_text.h"

namespace vantorel {
namespace {

TEST(BuildFitsFile, CardsInEightyCharacterRowsThenThePlane) {
  std::vector<std::uint8_t> plane(FitsPlaneBytes);
  for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = std::uint8_t(i % 251 + 1);
  HeaderState state;
  DecodeHeader(testing::Mariner10Frame(), "f.img", state);
  const std::vector<std::uint8_t> file = BuildFitsFile(state.LabelCards, plane);
  const auto text = [&file](std::size_t offset, std::size_t length) {
    return std::string(file.begin() + std::ptrdiff_t(offset), file.begin() + std::ptrdiff_t(offset + length));
  };
  ASSERT_EQ(file.size(), 585'280u);
  EXPECT_EQ(text(0, 80), "SIMPLE  =                    T " + std::string(49, ' '));
  EXPECT_EQ(text(400, 80), "IMAGE_SOURCE_ID                 = 'NSSDC_DATA_SET_ID = PSPA-00108'" + std::string(14, ' '));
  EXPECT_EQ(text(2080, 80), "END" + std::string(77, ' '));
  EXPECT_EQ(text(2160, 720), std::string(720, ' '));
  EXPECT_TRUE(std::equal(plane.begin(), plane.end(), file.begin() + 2880));
}

// Standard FITS only where it was chosen, and only for a FITS name.
TEST(ExportFormatFor, ByTheExtensionOfTheFileNameInAnyCase) {
  for (const auto& [path, format] :
       {std::pair<const char*, std::optional<ExportFormat>>{"/tmp/frame.bmp", ExportFormat::Bmp},
        {"frame.Bmp", ExportFormat::Bmp},
        {"/tmp/frame.BMP", ExportFormat::Bmp},
        {"/tmp/frame.fit", ExportFormat::Fits},
        {"/tmp/frame.FIT", ExportFormat::Fits},
        {"/tmp/frame.fits", ExportFormat::Fits},
        {"/tmp/frame.Fits", ExportFormat::Fits},
        {"/tmp/frame.fit.bmp", ExportFormat::Bmp},
        {"/tmp/frame.png", ExportFormat::Png},
        {"frame.Png", ExportFormat::Png},
        {"/tmp/frame.bmp.PNG", ExportFormat::Png},
        {"/tmp/a.fts", std::nullopt},
        {"/tmp/a.jpg", std::nullopt},
        {"/tmp/frame", std::nullopt},
        {"/x.bmp/name", std::nullopt},
        {"/a.b/name", std::nullopt}}) {
    EXPECT_EQ(ExportFormatFor(path, false), format) << path;
    EXPECT_EQ(ExportFormatFor(path, true), format == ExportFormat::Fits ? ExportFormat::StandardFits : format) << path;
  }
}

// Save As: the typed extension decides; .fit is the 36-card layout whatever
// entry is chosen. The suggestion swaps only an extension of the dialog's own.
TEST(ExportFormatFor, SaveAsTakesTheTypedExtensionAndSuggestsTheFramesName) {
  using enum ExportFormat;
  const struct {
    const char* path;
    ExportFormat chosen;
    std::optional<ExportFormat> format;
  } saves[] = {{"a.fit", StandardFits, Fits}, {"a.FITS", StandardFits, StandardFits}, {"a.fits", Fits, Fits},
               {"a.fits", Bmp, Fits},         {"a.png", StandardFits, Png},           {"a.bmp", Png, Bmp},
               {"a.jpg", Png, std::nullopt}};
  for (const auto& save : saves) EXPECT_EQ(ExportFormatForSave(save.path, save.chosen), save.format) << save.path;

  const struct {
    const char* name;
    ExportFormat format;
    const char* suggested;
  } names[] = {{"MVE0101.012", Bmp, "MVE0101.012.bmp"},
               {"MVE0101.012", Fits, "MVE0101.012.fit"},
               {"MVE0101.012.bmp", StandardFits, "MVE0101.012.fits"},
               {"MVE0101.012.FIT", Png, "MVE0101.012.png"},
               {"notes.txt", Png, "notes.txt.png"},
               {"frame", Fits, "frame.fit"}};
  for (const auto& name : names) EXPECT_EQ(SuggestedExportName(name.name, name.format), name.suggested) << name.name;
}

// The 832 x 700 bitmap on pages of several sizes.
TEST(PrintRectangle, FitsTheBitmapToThePage) {
  for (const auto& [pageWidth, pageHeight, width, height] : std::initializer_list<std::array<int, 4>>{
           {4800, 6600, 4800, 4038},  // height truncated, not rounded
           {4992, 6600, 4992, 4200},  // whole scale
           {6600, 4800, 6600, 4800},  // height limited by the page, proportion lost
           {832, 1100, 832, 700},     // not strictly wider: no scaling
           {600, 800, 832, 700},      // narrower page: the bitmap size
           {833, 1100, 833, 700},     // 700.84 truncated
       })
    EXPECT_EQ(PrintRectangle(pageWidth, pageHeight, 832, 700), (PrintRect{0, 0, width, height}))
        << pageWidth << " x " << pageHeight;
}

}  // namespace
}  // namespace vantorel
