// What the window costs: a measurement tick on the simulated board with the
// window attached (the changed figures painted, as the loop does after each
// tick) against the same tick without a window; and a line added to a long
// log against one added to a short log, which should cost the same.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/measurement.h"
#include "app/startup.h"
#include "gui/qt_front_end.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "ui/main_uir.h"

namespace {

void ensure_app() {
  static int argc = 1;
  static char name[] = "window_benchmark";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QApplication app(argc, argv);
}

// Front-ends that keep the "Restore Error" popup from waiting for a user.
class QuietWindow : public kd71::qt::QtFrontEnd {
  void message_popup(const std::string&, const std::string&) override {}
};
class QuietConsole : public kd71::ui::FrontEnd {
  void message_popup(const std::string&, const std::string&) override {}
};

void tick() {
  kd71::clock::spend(0.2);
  CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
}

void BM_MeasurementTick(benchmark::State& state) {
  const bool window = state.range(0) != 0;
  ensure_app();
  kd71::test::reset_all();
  std::unique_ptr<kd71::ui::FrontEnd> front_end;
  if (window)
    front_end = std::make_unique<QuietWindow>();
  else
    front_end = std::make_unique<QuietConsole>();
  kd71::ui::set_front_end(front_end.get());
  kd71::sim::install_simulated_board();
  start_program();
  for (int i = 0; i < 25; ++i) tick();  // connected, both channels measuring
  for (auto _ : state) {
    tick();
    if (window) QApplication::processEvents();
  }
  kd71::ui::set_front_end(nullptr);
  front_end.reset();
  kd71::test::reset_all();
}
BENCHMARK(BM_MeasurementTick)->ArgName("window")->Arg(0)->Arg(1);

void BM_LogLine(benchmark::State& state) {
  ensure_app();
  kd71::test::reset_all();
  auto front_end = std::make_unique<QuietWindow>();
  kd71::ui::set_front_end(front_end.get());
  const int debug = LoadPanel(0, "main.uir", PANELDEBUG);
  DisplayPanel(debug);
  const std::string line =
      "startRange: -12.500000 voltSetting (end): 30.000000 abscInc: 1.328125 \n";
  for (long i = 0; i < state.range(0); ++i) SetCtrlVal(debug, PANELDEBUG_DEBUG_OUTPUT, line);
  QApplication::processEvents();
  for (auto _ : state) {
    SetCtrlVal(debug, PANELDEBUG_DEBUG_OUTPUT, line);
    QApplication::processEvents();
  }
  kd71::ui::set_front_end(nullptr);
  front_end.reset();
  kd71::test::reset_all();
}
BENCHMARK(BM_LogLine)->ArgName("lines_before")->Arg(100)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
