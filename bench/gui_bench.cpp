// Click to picture: from an option button's click to the end of the paint
// that shows the new picture, over the real widgets on the offscreen platform,
// with every option on, at several zooms; and a plain repaint at each zoom
// for comparison.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/main_unit.h"
#include "no_dialogs.h"

namespace {

using vantorel::bench::NoDialogs;

// Counts the paints of one widget; a paint has ended once the event loop
// that delivered it returns.
class PaintCounter final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return false;
  }
  int Paints = 0;
};

const char* const kOptionItems[] = {"Atostretch1", "Despeckleon1", "Reconstruct1", "FlipVertically1", "Rotate1",
                                    "Sharpen1",    "Invert1",      "Minimize1",    "Colour1"};

// The main window with a sample frame open, every option on, at a zoom in percent.
struct Scene {
  NoDialogs dialogs;
  TMainForm form{dialogs};
  PaintCounter counter;

  explicit Scene(int zoomPercent) {
    form.resize(1400, 1000);
    form.show();
    for (const char* item : kOptionItems) form.findChild<QAction*>(item)->trigger();
    form.OpenPath(VANTOREL_SAMPLES_DIR "/MVE0101.012");
    TChild& window = *form.ImageWindow();
    window.Image()->installEventFilter(&counter);
    while (window.Zoom() * 100 < zoomPercent) window.ZoomIn();
    while (window.Zoom() * 100 > zoomPercent) window.ZoomOut();
    QCoreApplication::processEvents();
  }
  // Runs the event loop until the picture has been painted again.
  void AwaitPaint(int paintsBefore) {
    for (int round = 0; round < 100 && counter.Paints == paintsBefore; ++round) QCoreApplication::processEvents();
  }
  void Click(QToolButton& button) {
    const int before = counter.Paints;
    button.click();
    AwaitPaint(before);
  }
};

void BM_ClickToPicture(benchmark::State& state) {
  Scene scene(int(state.range(0)));
  if (!scene.form.ImageWindow()) return state.SkipWithError("no sample frame");
  QToolButton& invert = *scene.form.findChild<QToolButton*>("ToolButton19");
  for (auto _ : state) {
    // Off untimed, so that every timed click renders with every option on.
    state.PauseTiming();
    scene.Click(invert);
    state.ResumeTiming();
    scene.Click(invert);
  }
  if (!invert.isChecked()) state.SkipWithError("the option did not end up on");
}

void BM_Repaint(benchmark::State& state) {
  Scene scene(int(state.range(0)));
  if (!scene.form.ImageWindow()) return state.SkipWithError("no sample frame");
  QWidget& image = *scene.form.ImageWindow()->Image();
  for (auto _ : state) {
    const int before = scene.counter.Paints;
    image.update();
    scene.AwaitPaint(before);
  }
}

// From a limit marker's drag to the end of the paint that shows the picture
// under the new limits: z-scale with the viridis map, the histogram on screen.
void BM_DragLimitToPicture(benchmark::State& state) {
  Scene scene(int(state.range(0)));
  if (!scene.form.ImageWindow()) return state.SkipWithError("no sample frame");
  scene.form.findChild<QAction*>("Histogram1")->trigger();
  scene.form.findChild<QAction*>("ColorMap_viridis")->trigger();
  auto& mode = *scene.form.Histogram().findChild<QComboBox*>("DisplayScaleMode");
  mode.setCurrentIndex(mode.findData(int(vantorel::ScaleMode::ZScale)));
  emit mode.activated(mode.currentIndex());
  QCoreApplication::processEvents();
  int high = 100;
  for (auto _ : state) {
    high = high == 200 ? 100 : high + 1;
    const int before = scene.counter.Paints;
    emit scene.form.Histogram().View()->LimitsDragged({10, double(high)});
    scene.AwaitPaint(before);
  }
  if (scene.form.Viewer().Document().Display().HeldLimits != vantorel::ScaleLimits{10, double(high)})
    state.SkipWithError("the limits were not taken");
}

void Zooms(benchmark::internal::Benchmark* benchmark) {
  for (int percent : {25, 50, 100, 200, 1600}) benchmark->Arg(percent);
  benchmark->ArgName("zoom%")->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
}

BENCHMARK(BM_ClickToPicture)->Apply(Zooms);
BENCHMARK(BM_Repaint)->Apply(Zooms);
BENCHMARK(BM_DragLimitToPicture)->Apply(Zooms);

}  // namespace

int main(int argc, char** argv) {
  // The real widgets without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
