// --animate: the frames of the command line (or of standard input) as one
// animation, with the run's progress and messages.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/render_arguments.h"

namespace vantorel::cli {

// The names of a NUL-separated list (as find -print0 and --select -0 write it).
std::vector<std::string> NulSeparatedNames(std::string_view list);

// The exit status: ExitSuccess, ExitFailure when a frame failed (the animation
// holds the others) or nothing could be written, or ExitInterrupted (nothing
// written). Without frames on the command line, their names are read
// NUL-separated from standard input. terminal: err is one.
int WriteAnimation(const RenderArguments& arguments, bool terminal, std::ostream& err);

}  // namespace vantorel::cli
