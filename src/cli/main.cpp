#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/render_command.h"
#include "output/descriptors.h"

int main(int argc, char** argv) {
  vantorel::EnsureStandardDescriptors();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const vantorel::cli::Terminals terminals{.Out = ::isatty(STDOUT_FILENO) == 1, .Err = ::isatty(STDERR_FILENO) == 1};
  return vantorel::cli::RunRender(args, std::cout, std::cerr, terminals);
}
