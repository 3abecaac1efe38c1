// A document's last render in an export format: the bytes of the file, made
// the same way for the window's Save As and for vantorel-render.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "export/export_format.h"
#include "output/standard_fits.h"
#include "viewer/frame_document.h"

namespace vantorel {

struct EncodedExport {
  std::vector<std::uint8_t> Encoded;
  std::span<const std::uint8_t> Bytes;  // the file: Encoded, or the document's BMP where it lies
  std::string Error;                    // why there are no bytes
};

EncodedExport EncodeExport(const FrameDocument& document, ExportFormat format);

// The standard FITS file of what a document shows.
StandardFitsFile BuildStandardFitsFileFor(const FrameDocument& document);

}  // namespace vantorel
