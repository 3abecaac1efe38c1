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

std::optional<ExportFormat> ExportFormatForSave(std::string_view path, ExportFormat chosenEntry) {
  const bool fitsName = UpperAscii(ExtensionPart(path)) == ".FITS";
  return ExportFormatFor(path, fitsName && chosenEntry == ExportFormat::StandardFits);
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
