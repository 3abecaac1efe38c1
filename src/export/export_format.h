// The formats a picture is exported in, in one table that the window's Save
// As dialog and vantorel-render both read.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vantorel {

enum class ExportFormat { Bmp, Fits, StandardFits, Png };

struct ExportFormatEntry {
  ExportFormat Format;
  std::string_view Name;          // vantorel-render's --format (with --standard-fits for standard FITS)
  std::string_view Extension;     // what folder mode gives its files
  std::string_view DialogFilter;  // the Save As dialog's entry
  std::string_view DialogSuffix;  // added by the dialog to a name typed without one
};

// In the Save As dialog's order.
inline constexpr std::array<ExportFormatEntry, 4> ExportFormats = {{
    {ExportFormat::Bmp, "bmp", "bmp", "*.bmp", "bmp"},
    {ExportFormat::Fits, "fits", "fits", "*.fit", "bmp"},
    {ExportFormat::StandardFits, "fits", "fits", "FITS, standard (*.fits)", "fits"},
    {ExportFormat::Png, "png", "png", "PNG image (*.png)", "png"},
}};

const ExportFormatEntry& EntryOf(ExportFormat format);

// By the extension of the file name, in any case: .bmp, .png, .fit or .fits
// (standard FITS when that was chosen); nothing for any other or none.
std::optional<ExportFormat> ExportFormatFor(std::string_view path, bool standardFitsChosen);

}  // namespace vantorel
