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
  std::string_view Name;           // vantorel-render's --format (with --standard-fits for standard FITS)
  std::string_view Extension;      // what folder mode gives its files
  std::string_view DialogFilter;   // the Save As dialog's entry
  std::string_view DialogSuffix;   // added by the dialog to a name typed without one
  std::string_view SaveExtension;  // what the dialog's suggested name ends in
};

// In the Save As dialog's order.
inline constexpr std::array<ExportFormatEntry, 4> ExportFormats = {{
    {ExportFormat::Bmp, "bmp", "bmp", "BMP image (*.bmp)", "bmp", "bmp"},
    {ExportFormat::Fits, "fits", "fits", "FITS, 36-card layout (*.fit)", "bmp", "fit"},
    {ExportFormat::StandardFits, "fits", "fits", "FITS, standard (*.fits)", "fits", "fits"},
    {ExportFormat::Png, "png", "png", "PNG image (*.png)", "png", "png"},
}};

const ExportFormatEntry& EntryOf(ExportFormat format);

// By the extension of the file name, in any case: .bmp, .png, .fit or .fits
// (standard FITS when that was chosen); nothing for any other or none.
std::optional<ExportFormat> ExportFormatFor(std::string_view path, bool standardFitsChosen);

// Save As: the typed extension decides, the entry chosen only between the two
// FITS layouts of a .fits name (.fit is always the 36-card one).
std::optional<ExportFormat> ExportFormatForSave(std::string_view path, ExportFormat chosenEntry);

// The name Save As suggests for a frame: its file name with the entry's
// extension ("MVE0101.012.png"); a name that already ends in one of the
// dialog's extensions has it replaced, so that switching entries switches it.
std::string SuggestedExportName(std::string_view fileName, ExportFormat format);

}  // namespace vantorel
