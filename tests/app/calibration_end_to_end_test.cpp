#include <gtest/gtest.h>

#include <cstdio>

#include "app/channel_config.h"
#include "app/channel_init.h"
#include "app/delay_auto_search.h"
#include "app/startup.h"
#include "app/threshold_search.h"
#include "hardware/lowlevel.h"
#include "platform/ui_store.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace {
using kd71::sim::Scenario;
using kd71::sim::SimBoard;

class CalibrationTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    kd71::ui::set_front_end(&fe_);
  }
  SimBoard* start(const Scenario& scenario = {}) {
    SimBoard* board = kd71::sim::install_simulated_board(scenario);
    EXPECT_EQ(start_program(), 0);
    return board;
  }
  kd71::test::ScriptedFrontEnd fe_;
  kd71::test::WorkFolder folder_;
};

TEST_F(CalibrationTest, Explore) {
  Scenario s;
  s.channel(1).offset_mv = 20.0;
  SimBoard* board = start(s);
  kd71::ui::run_until(1.0);
  auto before = board->counters();
  double t0 = Timer();
  CB_InitChan(panelHandle, PANELMAIN_INIT_CH1, EVENT_COMMIT, nullptr, 0, 0);
  auto after = board->counters();
  std::printf("time %f polls %llu regs5 %llu stops %llu\n", Timer() - t0,
              (unsigned long long)(after.polls[5] - before.polls[5]),
              (unsigned long long)(after.register_writes[5] - before.register_writes[5]),
              (unsigned long long)(after.i2c.stops - before.i2c.stops));
  std::printf("lo %f hi %f mask %d thr %f lock %d\n", thresholdRange[1].rangeLo,
              thresholdRange[1].rangeHi, thresholdRange[1].onesMask, board->threshold(1).mv,
              board->threshold(1).lock);
  for (int c : board->pattern_history(1)) std::printf("%d ", c);
  std::printf("\n");
  kd71::ui::run_until(Timer() + 5.0);
  std::printf("errors %llu sync %d\n", (unsigned long long)board->error_count(1), board->pattern_sync(1));
}

TEST_F(CalibrationTest, ExploreSearch) {
  for (int rate : {10000, 28000}) {
  kd71::test::reset_all();
  kd71::ui::set_front_end(&fe_);
  Scenario s;
  s.channel(1).rate_mhz = rate;
  SimBoard* board = start(s);
  kd71::ui::run_until(1.0);
  SetCtrlVal(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  general_purpose_IO(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH1, EVENT_COMMIT, nullptr, 0, 0);
  kd71::ui::run_until(2.0);
  double t0 = Timer();
  AutoSearch(panelHandle, PANELMAIN_CH1_AUTOSEARCH, EVENT_COMMIT, nullptr, 0, 0);
  std::printf("rate %d time %f delay %f board %f\n", rate, Timer() - t0,
              kd71::ui::numeric_value(panelHandle, PANELMAIN_CH1_SAMPDEL), board->sampling_delay_v(1));
  if (!fe_.progress.empty()) std::printf("%s | %s\n", fe_.progress[0].c_str(), fe_.progress[fe_.progress.size()-2].c_str());
  fe_.progress.clear();
  }
}
}  // namespace
