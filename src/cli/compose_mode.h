// A colour composite of three frames on the command line: rendered alike,
// aligned to the first, written as one RGB PNG, with the offsets found.
#pragma once

#include <ostream>
#include <string>

#include "analysis/alignment.h"
#include "cli/render_arguments.h"

namespace vantorel::cli {

// "offset FILE LINES SAMPLES": whole numbers when the offset is whole, else to a tenth.
std::string OffsetLine(const std::string& frame, const PictureOffset& offset);

// The exit status: ExitSuccess, or ExitFailure when a frame could not be read,
// the frames could not be aligned or the file could not be written.
int WriteComposite(const RenderArguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace vantorel::cli
