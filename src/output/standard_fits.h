// Standard FITS, written with CFITSIO: the shown grey plane as the primary
// image with keywords from the decoded header, and the header record kept
// whole in an extension. What a .fits name gets; .fit keeps the 36-card file
// of fits_file.h.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "header/header_decode.h"
#include "pipeline/render_context.h"

namespace vantorel {

struct FitsKeyword {
  std::string Name;
  std::variant<std::string, double> Value;
  std::string Comment;

  bool operator==(const FitsKeyword&) const = default;
};

// What the decoded header says, as FITS keywords and COMMENT texts. A value
// the header does not give is left out, never written as a placeholder.
struct HeaderKeywords {
  std::vector<FitsKeyword> Keywords;
  std::vector<std::string> Comments;
};

HeaderKeywords KeywordsForHeader(const HeaderState& header, std::string_view fileName);

// The HISTORY texts: "Original Image", or each option that was on and shaped
// the grey plane (not Colorize, which colours only the bitmap) and the three
// counters.
std::vector<std::string> ProcessingHistory(const OptionSet& options, const ToneSteps& steps, bool original);

struct StandardFitsSource {
  const HeaderState& Header;
  std::string_view FileName;
  std::span<const std::uint8_t> Plane;         // FitsPlaneBytes, line 1 first
  std::span<const std::uint8_t> HeaderRecord;  // the first RecordBytes of the frame
  const OptionSet& Options;
  ToneSteps Steps;
  bool Original = false;
  // The display scale the picture was shown with, which the plane does not
  // take: a HISTORY note when not empty.
  std::string_view DisplayScale;
};

struct StandardFitsFile {
  std::vector<std::uint8_t> Bytes;  // empty when CFITSIO failed
  std::string Error;
};

StandardFitsFile BuildStandardFitsFile(const StandardFitsSource& source);

// A cube of planes (a colour composite's red, green and blue): each plane
// FitsPlaneBytes, line 1 first, with keywords of its own (numbered by the
// caller) in the one header, and the processing as HISTORY.
struct FitsCubeSource {
  std::vector<std::span<const std::uint8_t>> Planes;
  std::vector<FitsKeyword> Keywords;
  std::vector<std::string> History;
};
StandardFitsFile BuildStandardFitsCube(const FitsCubeSource& source);

}  // namespace vantorel
