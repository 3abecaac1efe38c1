// The formats a picture is exported in, in one table that the window's Save
// As dialog and vantorel-render both read.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

enum class ExportFormat { Bmp, Fits, StandardFits, Png };

struct ExportFormatEntry {
  ExportFormat Format;
  std::string_view Name;           // vantorel-render's --format (with --legacy-fits for the 36-card layout)
  std::string_view Extension;      // what folder mode gives its files: it tells the layout, as with -o
  std::string_view DialogFilter;   // the Save As dialog's entry
  std::string_view DialogSuffix;   // added by the dialog to a name typed without one
  std::string_view SaveExtension;  // what the dialog's suggested name ends in
};

// In the Save As dialog's order.
inline constexpr std::array<ExportFormatEntry, 4> ExportFormats = {{
    {ExportFormat::Bmp, "bmp", "bmp", "BMP image (*.bmp)", "bmp", "bmp"},
    {ExportFormat::Fits, "fits", "fit", "FITS, 36-card layout (*.fit)", "bmp", "fit"},
    {ExportFormat::StandardFits, "fits", "fits", "FITS, standard (*.fits)", "fits", "fits"},
    {ExportFormat::Png, "png", "png", "PNG image (*.png)", "png", "png"},
}};

const ExportFormatEntry& EntryOf(ExportFormat format);

// Which FITS layout a FITS name gets: the one its extension says (.fit the
// 36-card layout, .fits standard FITS), or the one asked for by name.
enum class FitsLayoutChoice { ByExtension, Standard, CardLayout };

// By the extension of the file name, in any case: .bmp, .png, .fit or .fits;
// nothing for any other or none.
std::optional<ExportFormat> ExportFormatFor(std::string_view path,
                                            FitsLayoutChoice fitsLayout = FitsLayoutChoice::ByExtension);

// Save As: the typed extension decides between BMP, PNG and FITS; a FITS
// entry chosen in the dialog decides the layout of any FITS name, under the
// other entries its extension does.
std::optional<ExportFormat> ExportFormatForSave(std::string_view path, ExportFormat chosenEntry);

// The name Save As suggests for a frame: its file name with the entry's
// extension ("MVE0101.012.png"); a name that already ends in one of the
// dialog's extensions has it replaced, so that switching entries switches it.
std::string SuggestedExportName(std::string_view fileName, ExportFormat format);

}  // namespace vantorel
