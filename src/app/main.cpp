#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <QApplication>

#include "app/command_line.h"
#include "app/dialogs.h"
#include "app/icon_resources.h"
#include "app/main_unit.h"

namespace {

std::vector<std::string> ArgumentsOf(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer before Qt looks for a display.
  const vantorel::LaunchArguments early = vantorel::ParseLaunchArguments(ArgumentsOf(argc, argv));
  if (early.Mode == vantorel::LaunchMode::Help) {
    std::fputs(vantorel::LaunchUsage().data(), stdout);
    return 0;
  }
  if (early.Mode == vantorel::LaunchMode::Version) {
    std::fputs(vantorel::VersionText().c_str(), stdout);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("Vantorel");
  QApplication::setWindowIcon(vantorel::ApplicationIcon());
  // Qt has taken its own options (-platform, -style ...) out of argv by now.
  const vantorel::LaunchArguments launch = vantorel::ParseLaunchArguments(ArgumentsOf(argc, argv));
  if (launch.Mode == vantorel::LaunchMode::Error) {
    std::fprintf(stderr, "vantorel: %s\n\n%s", launch.Error.c_str(), vantorel::LaunchUsage().data());
    return 2;
  }

  vantorel::QtDialogs dialogs;
  TMainForm mainForm(dialogs);
  mainForm.showMaximized();
  if (!launch.Path.empty()) {
    // The folder listing and the Open dialog want to know where the frame is.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(launch.Path, error);
    mainForm.OpenPath(error ? launch.Path : absolute.lexically_normal().string());
  }
  return app.exec();
}
