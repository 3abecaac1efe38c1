#include "export/export_format.h"

#include <algorithm>

#include "frames/file_name.h"

namespace vantorel {

const ExportFormatEntry& EntryOf(ExportFormat format) {
  return *std::ranges::find(ExportFormats, format, &ExportFormatEntry::Format);
}

std::optional<ExportFormat> ExportFormatFor(std::string_view path, FitsLayoutChoice fitsLayout) {
  const std::string extension = UpperAscii(ExtensionPart(path));
  if (extension == ".BMP") return ExportFormat::Bmp;
  if (extension == ".PNG") return ExportFormat::Png;
  if (extension != ".FIT" && extension != ".FITS") return std::nullopt;
  switch (fitsLayout) {
    case FitsLayoutChoice::Standard: return ExportFormat::StandardFits;
    case FitsLayoutChoice::CardLayout: return ExportFormat::Fits;
    case FitsLayoutChoice::ByExtension: break;
  }
  return extension == ".FITS" ? ExportFormat::StandardFits : ExportFormat::Fits;
}

std::optional<ExportFormat> ExportFormatForSave(std::string_view path, ExportFormat chosenEntry) {
  switch (chosenEntry) {
    case ExportFormat::Fits: return ExportFormatFor(path, FitsLayoutChoice::CardLayout);
    case ExportFormat::StandardFits: return ExportFormatFor(path, FitsLayoutChoice::Standard);
    case ExportFormat::Bmp:
    case ExportFormat::Png: break;
  }
  return ExportFormatFor(path);
}

std::string SuggestedExportName(std::string_view fileName, ExportFormat format) {
  const std::string_view extension = ExtensionPart(fileName);
  const std::string upper = UpperAscii(extension.substr(std::min<std::size_t>(1, extension.size())));
  const bool ours = !extension.empty() && std::ranges::any_of(ExportFormats, [&upper](const ExportFormatEntry& entry) {
    return upper == UpperAscii(entry.SaveExtension);
  });
  std::string name(ours ? fileName.substr(0, fileName.size() - extension.size()) : fileName);
  name += '.';
  name += EntryOf(format).SaveExtension;
  return name;
}

}  // namespace vantorel
