// The Frames dock over folders of 1,000 and 10,000 frames, on the offscreen
// platform: how long until the first screenful of thumbnails and until all of
// them, with the thumbnail cache empty and again with it warm; the longest
// gap between ticks of a 10 ms timer meanwhile (how long the window was kept
// waiting); and the window's resident memory with the dock over 10,000 frames
// against the same window without it. Prints one line a figure.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QTimer>

#include "app/dialogs.h"
#include "app/frames_dock.h"
#include "app/main_unit.h"
#include "no_dialogs.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using vantorel::bench::NoDialogs;

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double ResidentMb() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// files frames, hard links to the samples under names of their own: each is a
// file of its own to the thumbnail cache, and the disk holds four.
fs::path MakeFolder(const fs::path& root, int files) {
  const fs::path folder = root / ("frames-" + std::to_string(files));
  fs::create_directories(folder);
  const char* const samples[] = {"MVE0101.012", "MVE0257.120", "MVE0301.230", "MME0101.001"};
  for (int i = 0; i < files; ++i) {
    const std::string sample = samples[i % 4];
    char name[32];
    std::snprintf(name, sizeof name, "%.3s%05d%s", sample.c_str(), i, sample.substr(sample.find('.')).c_str());
    fs::create_hard_link(fs::path(VANTOREL_SAMPLES_DIR) / sample, folder / name);
  }
  return folder;
}

struct Run {
  double FirstScreenMs = -1, AllMs = -1, LongestGapMs = 0, ResidentBeforeMb = 0, ResidentAfterMb = 0;
};

// Opens the folder's first frame, then shows the dock and waits for every thumbnail.
Run Measure(const fs::path& folder, bool scrollThrough) {
  NoDialogs dialogs;
  TMainForm form(dialogs);
  form.resize(1400, 1000);
  form.show();
  form.OpenPath(folder.string());
  QCoreApplication::processEvents();
  Run run;
  run.ResidentBeforeMb = ResidentMb();
  vantorel::FramesDock& dock = form.Frames();
  QEventLoop loop;
  QTimer ticks;
  ticks.setInterval(10);
  const Clock::time_point start = Clock::now();
  Clock::time_point lastTick = start;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    run.LongestGapMs = std::max(run.LongestGapMs, Ms(now - lastTick));
    lastTick = now;
    if (run.FirstScreenMs < 0 && dock.Browser().Entries().size() > 0 && dock.VisibleThumbnailsReady())
      run.FirstScreenMs = Ms(now - start);
    if (run.AllMs < 0 && !dock.Listing() && dock.Browser().Entries().size() > 0 && dock.ThumbnailsToMake() == 0)
      run.AllMs = Ms(now - start);
    if ((run.FirstScreenMs >= 0 && run.AllMs >= 0) || now - start > std::chrono::seconds(300)) loop.quit();
  });
  ticks.start();
  form.findChild<QAction*>("Frames1")->trigger();
  loop.exec();
  if (scrollThrough) {
    // Down to the end and back, a screenful at a time, as a reader would.
    QScrollBar& bar = *dock.View().verticalScrollBar();
    for (int step : {bar.pageStep(), -bar.pageStep()})
      for (int i = 0; i < 200; ++i) {
        bar.setValue(bar.value() + step * 5);
        QTimer::singleShot(40, &loop, &QEventLoop::quit);
        loop.exec();
      }
  }
  run.ResidentAfterMb = ResidentMb();
  form.findChild<QAction*>("Frames1")->trigger();
  return run;
}

void Report(const char* what, const Run& run) {
  std::printf("%-34s first screenful %8.1f ms   all %8.1f ms   longest tick gap %6.1f ms   RSS %7.1f -> %7.1f MB\n",
              what, run.FirstScreenMs, run.AllMs, run.LongestGapMs, run.ResidentBeforeMb, run.ResidentAfterMb);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const fs::path root = fs::temp_directory_path() / ("vantorel-frames-bench-" + std::to_string(::getpid()));
  fs::create_directories(root / "cache");
  fs::create_directories(root / "config");
  qputenv("XDG_CACHE_HOME", (root / "cache").c_str());
  qputenv("XDG_CONFIG_HOME", (root / "config").c_str());
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Vantorel");
  QApplication::setApplicationName("Vantorel-bench");

  std::printf("%u cores\n", std::thread::hardware_concurrency());
  const fs::path thousand = MakeFolder(root, 1000);
  Report("1,000 frames, empty cache", Measure(thousand, false));
  Report("1,000 frames, warm cache", Measure(thousand, false));

  // A cache that cannot be written: thumbnails made and held in memory.
  // (A file where its folder would be: even root cannot write there.)
  std::ofstream(root / "not-a-folder").put('\n');
  qputenv("XDG_CACHE_HOME", (root / "not-a-folder").c_str());
  Report("1,000 frames, cache not writable", Measure(thousand, false));
  qputenv("XDG_CACHE_HOME", (root / "cache").c_str());
  if (argc < 2 || std::string(argv[1]) != "--thousand") {
    const fs::path tenThousand = MakeFolder(root, 10000);
    const Run big = Measure(tenThousand, true);
    Report("10,000 frames, empty cache", big);
    const Run warm = Measure(tenThousand, true);
    Report("10,000 frames, warm cache", warm);
    std::printf("memory of the dock over 10,000 frames: %.1f MB (empty cache), %.1f MB (warm cache)\n",
                big.ResidentAfterMb - big.ResidentBeforeMb, warm.ResidentAfterMb - warm.ResidentBeforeMb);
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
