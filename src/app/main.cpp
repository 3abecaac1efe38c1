#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <QApplication>
#include <QSocketNotifier>

#include "app/command_line.h"
#include "app/dialogs.h"
#include "app/icon_resources.h"
#include "app/main_unit.h"
#include "header/ascii_text.h"
#include "output/descriptors.h"

namespace {

std::vector<std::string> ArgumentsOf(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

// --help and --version succeed only when their text was written.
int Printed(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return 0;
  std::fputs("vantorel: the output could not be written\n", stderr);
  return 1;
}

// SIGINT and SIGTERM close the window as the user would: a save under way
// finishes (or is undone) before the program ends, never half-way.
int signalPipe[2] = {-1, -1};

void WakeOnSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

void QuitOnSignals(QApplication& app) {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QApplication::closeAllWindows(); });
  struct sigaction action {};
  action.sa_handler = WakeOnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction earlier {};
    // One ignored from the start (nohup) stays ignored.
    if (::sigaction(signal, nullptr, &earlier) == 0 && earlier.sa_handler != SIG_IGN)
      ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  vantorel::EnsureStandardDescriptors();
  // --help and --version answer before Qt looks for a display.
  const vantorel::LaunchArguments early = vantorel::ParseLaunchArguments(ArgumentsOf(argc, argv));
  if (early.Mode == vantorel::LaunchMode::Help) return Printed(std::string(vantorel::LaunchUsage()));
  if (early.Mode == vantorel::LaunchMode::Version) return Printed(vantorel::VersionText());

  QApplication app(argc, argv);
  QApplication::setApplicationName("Vantorel");
  QApplication::setOrganizationName("Vantorel");  // the settings store: ~/.config/Vantorel/Vantorel.conf
  QApplication::setWindowIcon(vantorel::ApplicationIcon());
  QuitOnSignals(app);
  // Qt has taken its own options (-platform, -style ...) out of argv by now.
  const vantorel::LaunchArguments launch = vantorel::ParseLaunchArguments(ArgumentsOf(argc, argv));
  if (launch.Mode == vantorel::LaunchMode::Error) {
    std::fprintf(stderr, "vantorel: %s\n\n%s", vantorel::EscapedForTerminal(launch.Error).c_str(),
                 vantorel::LaunchUsage().data());
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
