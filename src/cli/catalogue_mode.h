// vantorel-render --catalog and --select: the catalogue brought up to date from
// the command line, and what it holds printed for scripts and xargs.
#pragma once

#include <ostream>

#include "cli/render_arguments.h"

namespace vantorel::cli {

// Walks the paths given into the catalogue, with progress and a summary on err
// as folder mode gives them.
int UpdateCatalogueFile(const RenderArguments& arguments, bool terminal, std::ostream& err);

// The entries selected, one a line as paths (or NUL-ended), CSV or JSON lines.
int PrintSelection(const RenderArguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace vantorel::cli
