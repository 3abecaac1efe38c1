// Folder mode: every frame rendered into DIR/NAME.EXT on several cores, each
// reported in the order given, as soon as it is durably written.
#pragma once

#include <ostream>

#include "cli/render_arguments.h"

namespace vantorel::cli {

// The exit status: ExitSuccess, ExitFailure when any frame failed, or
// ExitInterrupted. terminal: err is one, and gets a progress line redrawn in place.
int RenderIntoFolder(const RenderArguments& arguments, bool terminal, std::ostream& err);

}  // namespace vantorel::cli
