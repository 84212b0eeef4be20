// What a routine leaves on the panel is what the board holds and what a
// quit saves: the threshold that "Init" finds, the user's next move of a
// slider after it, and the sampling delay shown on entering manual mode.
#include <gtest/gtest.h>

#include "app/channel_init.h"
#include "app/saved_settings.h"
#include "app/slider_state.h"
#include "hardware/packet_codec.h"
#include "tests/support/sim_program_fixture.h"

namespace {

class SavedSettingsFollowTest : public kd71::test::SimProgramTest {};

TEST_F(SavedSettingsFollowTest, InitsThresholdAndTheNextSliderMoveAreSavedAndOnTheBoard) {
  kd71::sim::Scenario s;
  s.channel(1).offset_mv = 20.0;  // Init moves the threshold well off 0 mV
  kd71::sim::SimBoard* board = start(s);
  run_until(1.0);
  CB_InitChan(panelHandle, PANELMAIN_INIT_CH1, EVENT_COMMIT, nullptr, 0, 0);
  const float found = static_cast<float>(number(PANELMAIN_CH1_THRES));
  EXPECT_GT(found, 10.0f);
  EXPECT_FLOAT_EQ(Ch1_Threshold, found);

  slide(PANELMAIN_CH2_THRES, -7.5);  // one move, on either channel
  run_until(Timer() + 0.1);
  EXPECT_FLOAT_EQ(Ch2_Threshold, -7.5f);
  EXPECT_EQ(board->threshold(2).code_p, threshold_code_p(-7.5f));
}

TEST_F(SavedSettingsFollowTest, TheDelayShownOnReturningToManualModeIsTheOneSaved) {
  start();
  run_until(1.0);
  smoothDelay = 0;
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  slide(PANELMAIN_CH1_SAMPDEL, 2.4);  // outside the eye (0.46 to 1.94 V): errors
  run_until(Timer() + 2.0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 0);  // out of an errored run
  run_until(Timer() + 1.0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  run_until(Timer() + 0.1);
  const float shown = static_cast<float>(number(PANELMAIN_CH1_SAMPDEL));
  EXPECT_NEAR(shown, 1.2f, 0.05f);  // where the board's automatic delay sits
  EXPECT_FLOAT_EQ(Ch1_SamplingDelay, shown);
}

}  // namespace
