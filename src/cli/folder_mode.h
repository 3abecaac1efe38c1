// Folder mode: every frame rendered into DIR/NAME.EXT on several cores, each
// reported in the order given, as soon as it is durably written.
#pragma once

#include <ostream>

#include "cli/render_arguments.h"

namespace vantorel::cli {

// The exit status: ExitSuccess, ExitFailure when any frame failed, or ExitInterrupted.
int RenderIntoFolder(const RenderArguments& arguments, std::ostream& err);

}  // namespace vantorel::cli
