#include "export/export_document.h"

#include <algorithm>

#include "export/png_text.h"
#include "output/fits_file.h"
#include "output/png_file.h"

namespace vantorel {

StandardFitsFile BuildStandardFitsFileFor(const FrameDocument& document) {
  const FrameBuffer& frame = document.PristineFrame();
  const std::span<const std::uint8_t> record(frame.data(), std::min<std::size_t>(frame.size(), RecordBytes));
  const std::string displayScale = DisplayScaleText(document.Display(), document.DisplayLimits());
  return BuildStandardFitsFile({document.Header(), document.CurrentFileName(), document.FitsPlane(), record,
                                document.ActiveOptions(), document.Steps(), document.ShowsOriginal(), displayScale});
}

EncodedExport EncodeExport(const FrameDocument& document, ExportFormat format) {
  EncodedExport output;
  switch (format) {
    case ExportFormat::Bmp: output.Bytes = document.CurrentBmp(); return output;
    case ExportFormat::Png:
      if (auto png = BuildPngFile(document.CurrentBmp(), PngTextFor(document))) output.Encoded = std::move(*png);
      break;
    case ExportFormat::Fits: output.Encoded = BuildFitsFile(document.LabelCards(), document.FitsPlane()); break;
    case ExportFormat::StandardFits: {
      StandardFitsFile file = BuildStandardFitsFileFor(document);
      output.Encoded = std::move(file.Bytes);
      output.Error = std::move(file.Error);
      break;
    }
  }
  if (output.Encoded.empty() && output.Error.empty()) output.Error = "the picture could not be encoded";
  output.Bytes = output.Encoded;
  return output;
}

}  // namespace vantorel
