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

// .fits is standard FITS and .fit the 36-card layout, in any case; a layout
// chosen by name goes to either FITS name and to no other.
TEST(ExportFormatFor, ByTheExtensionOfTheFileNameInAnyCase) {
  using enum ExportFormat;
  const std::pair<std::optional<ExportFormat>, std::vector<const char*>> namesByFormat[] = {
      {Bmp, {"/tmp/frame.bmp", "frame.Bmp", "/tmp/frame.BMP", "/tmp/frame.fit.bmp"}},
      {Fits, {"/tmp/frame.fit", "/tmp/frame.FIT", "frame.fits.fit"}},
      {StandardFits, {"/tmp/frame.fits", "frame.Fits", "frame.fit.FITS"}},
      {Png, {"/tmp/frame.png", "frame.Png", "/tmp/frame.bmp.PNG"}},
      {std::nullopt, {"/tmp/a.fts", "/tmp/a.fitsx", "/tmp/a.jpg", "/tmp/frame", "/x.fits/name", "/a.b/name"}}};
  for (const auto& [format, paths] : namesByFormat) {
    const bool fits = format == Fits || format == StandardFits;
    for (const char* path : paths) {
      EXPECT_EQ(ExportFormatFor(path), format) << path;
      EXPECT_EQ(ExportFormatFor(path, FitsLayoutChoice::Standard), fits ? StandardFits : format) << path;
      EXPECT_EQ(ExportFormatFor(path, FitsLayoutChoice::CardLayout), fits ? Fits : format) << path;
    }
  }
}

// Save As: the typed extension decides, a FITS entry the layout of a FITS
// name. The suggestion swaps only an extension of the dialog's own.
TEST(ExportFormatFor, SaveAsTakesTheTypedExtensionAndSuggestsTheFramesName) {
  using enum ExportFormat;
  const struct {
    const char* path;
    ExportFormat chosen;
    std::optional<ExportFormat> format;
  } saves[] = {{"a.FIT", StandardFits, StandardFits}, {"a.fits", Fits, Fits},
               {"a.fits", Bmp, StandardFits},         {"a.fit", Png, Fits},
               {"a.png", StandardFits, Png},          {"a.bmp", Fits, Bmp},
               {"a.jpg", Png, std::nullopt},          {"a.fit", Bmp, Fits}};
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
