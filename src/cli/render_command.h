// vantorel-render: one load and one render of the core per frame, written as
// BMP, PNG or FITS, or the decoded header printed.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vantorel::cli {

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;  // some frame not read, or some output not written
inline constexpr int ExitUsage = 2;
inline constexpr int ExitInterrupted = 130;  // SIGINT or SIGTERM: what was begun landed, the rest was not taken

// Which standard streams are terminals: no picture is written to one, and
// progress on one is a single line redrawn in place.
struct Terminals {
  bool Out = false;
  bool Err = false;
};

// args are the arguments after the program name. Texts asked for (--info,
// --cards, --help, --version) and the picture of -o - go to out; progress and
// messages to err.
int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, Terminals terminals = {});

}  // namespace vantorel::cli
