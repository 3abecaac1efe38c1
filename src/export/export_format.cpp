#include "export/export_format.h"

#include <algorithm>

#include "frames/file_name.h"

namespace vantorel {

const ExportFormatEntry& EntryOf(ExportFormat format) {
  return *std::ranges::find(ExportFormats, format, &ExportFormatEntry::Format);
}

std::optional<ExportFormat> ExportFormatFor(std::string_view path, bool standardFitsChosen) {
  const std::string extension = UpperAscii(ExtensionPart(path));
  if (extension == ".BMP") return ExportFormat::Bmp;
  if (extension == ".PNG") return ExportFormat::Png;
  if (extension == ".FIT" || extension == ".FITS")
    return standardFitsChosen ? ExportFormat::StandardFits : ExportFormat::Fits;
  return std::nullopt;
}

}  // namespace vantorel
