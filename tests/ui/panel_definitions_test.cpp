#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/ui_runtime/ui_store.h"
#include "tests/support/fresh_state.h"
#include "ui/main_uir.h"
#include "ui/main_uir_panels.h"

namespace {

using kd71::uir::ControlDef;
using kd71::uir::Kind;
using kd71::uir::PanelDef;
using kd71::uir::ValueType;

const ControlDef& def(int panel, int id) {
  const PanelDef* p = kd71::uir::find_panel("main.uir", panel);
  EXPECT_NE(p, nullptr);
  const ControlDef* c = kd71::uir::find_control(*p, id);
  EXPECT_NE(c, nullptr) << "control " << id << " of panel " << panel;
  static const ControlDef missing{};
  return c ? *c : missing;
}

TEST(PanelDefinitions, IdentifiersAreUniqueAndStartAtTwo) {
  for (const PanelDef* panel : kd71::uir::all_panels()) {
    std::set<int> ids;
    const std::string prefix = std::string(panel->constant) + "_";
    for (const ControlDef& c : panel->controls) {
      EXPECT_GE(c.id, 2) << c.constant;
      EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id << " in " << panel->constant;
      EXPECT_EQ(std::string(c.constant).rfind(prefix, 0), 0u) << c.constant;
    }
  }
  EXPECT_EQ(kd71::uir::find_panel("main.uir", PANELMAIN)->controls.size(), 81u);
  EXPECT_EQ(kd71::uir::find_panel("main.uir", PANELDEBUG)->controls.size(), 185u);
  EXPECT_EQ(kd71::uir::find_panel("main.uir", PANELSCOPE)->controls.size(), 3u);
}

TEST(PanelDefinitions, ASampleOfEachPanelHasItsIdentifierKindAndType) {
  EXPECT_EQ(PANELMAIN, 2);
  EXPECT_EQ(PANELDEBUG, 1);
  EXPECT_EQ(PANELSCOPE, 3);
  EXPECT_EQ(PANELMAIN_CH1_THRES, 5);
  EXPECT_EQ(def(PANELMAIN, PANELMAIN_CH1_THRES).kind, Kind::NumericSlide);
  EXPECT_EQ(def(PANELMAIN, PANELMAIN_CH1_THRES).type, ValueType::Float);
  EXPECT_STREQ(def(PANELMAIN, PANELMAIN_CH1_THRES).callback, "CB_DAC");
  EXPECT_STREQ(def(PANELMAIN, PANELMAIN_CH1_THRES).label, "Data Offset");
  EXPECT_EQ(def(PANELMAIN, PANELMAIN_ERROR_COUNT_CH2).type, ValueType::Int64);
  EXPECT_EQ(def(PANELMAIN, PANELMAIN_DATA_SELECT_CH1).type, ValueType::UInt);
  EXPECT_EQ(def(PANELMAIN, PANELMAIN_RING_IN_CLK_CH1).type, ValueType::Int);
  EXPECT_EQ(def(PANELMAIN, PANELMAIN_NO_ERR_IND_CH1).kind, Kind::ColorIndicator);
  EXPECT_EQ(PANELMAIN_COM_TOT_ERR_CNT_CH1, 59);
  EXPECT_EQ(PANELMAIN_COM_TOT_ERR_CNT_CH2, 61);
  EXPECT_EQ(PANELMAIN_INIT_CH1, 76);
  EXPECT_EQ(PANELMAIN_INIT_CH2, 75);
  EXPECT_EQ(def(PANELMAIN, PANELMAIN_CH1_AUTOSEARCH_STOP).callback, nullptr);

  // Subchannels 30 and 31 have swapped identifiers.
  EXPECT_EQ(PANELDEBUG_ERRS_SUBCH_00, 118);
  EXPECT_EQ(PANELDEBUG_ERRS_SUBCH_29, 147);
  EXPECT_EQ(PANELDEBUG_ERRS_SUBCH_30, 149);
  EXPECT_EQ(PANELDEBUG_ERRS_SUBCH_31, 148);
  EXPECT_EQ(PANELDEBUG_ADJ_SUBCH_00, 86);
  EXPECT_EQ(PANELDEBUG_ADJ_SUBCH_30, 117);
  EXPECT_EQ(PANELDEBUG_ADJ_SUBCH_31, 116);
  EXPECT_EQ(PANELDEBUG_GP_0, 38);
  EXPECT_EQ(PANELDEBUG_GP_17, 11);
  EXPECT_STREQ(def(PANELDEBUG, PANELDEBUG_GP_7).tooltip, "9340 Phs1 Ch1  lsb");
  EXPECT_STREQ(def(PANELDEBUG, PANELDEBUG_GP_7).label, "7");
  EXPECT_EQ(def(PANELDEBUG, PANELDEBUG_CHANNEL_STATE_CH1).type, ValueType::UChar);
  EXPECT_EQ(def(PANELDEBUG, PANELDEBUG_LAG_NO).type, ValueType::Double);
  EXPECT_EQ(def(PANELDEBUG, PANELDEBUG_EXTRA_DELAY).type, ValueType::Float);
  EXPECT_EQ(def(PANELDEBUG, PANELDEBUG_SNAPSHOT).kind, Kind::TextBox);
  EXPECT_EQ(def(PANELDEBUG, PANELDEBUG_SNAPSHOT_HEX).kind, Kind::String);
  EXPECT_STREQ(def(PANELDEBUG, PANELDEBUG_DEBUG_I2C).label, "debug_i2c");
  EXPECT_STREQ(def(PANELDEBUG, PANELDEBUG_TLOCK_CKBOX).tooltip,
               "Data Lock for Threshold Hunt, turns off No Data test and alignment state machine");

  EXPECT_EQ(def(PANELSCOPE, PANELSCOPE_GRAPH_ONES).kind, Kind::Graph);
  EXPECT_STREQ(def(PANELSCOPE, PANELSCOPE_GRAPH_ONES).label, "Ones");
  EXPECT_STREQ(def(PANELSCOPE, PANELSCOPE_GRAPH_ERRS).x_label, "Threshold");
}

TEST(PanelDefinitions, DefaultsAndRangesThatTheRoutinesRelyOn) {
  EXPECT_STREQ(def(PANELMAIN, PANELMAIN_NOTIFY_USER).text, "USB NOT CONNECTED");
  EXPECT_STREQ(def(PANELMAIN, PANELMAIN_ELAPSED_TIME_CH1).text, "0:00:00");
  EXPECT_STREQ(def(PANELMAIN, PANELMAIN_TOT_ERROR_COUNT_CH2).text, "0,000,000,000,000");
  EXPECT_DOUBLE_EQ(def(PANELDEBUG, PANELDEBUG_SAMPLE_LEN).value, 17179869184.0);
  for (int id : {PANELMAIN_CH1_THRES, PANELMAIN_CH2_THRES}) {
    EXPECT_DOUBLE_EQ(def(PANELMAIN, id).min, -89.45);
    EXPECT_DOUBLE_EQ(def(PANELMAIN, id).max, 89.45);
  }
  for (int id : {PANELMAIN_CH1_SAMPDEL, PANELMAIN_CH2_SAMPDEL}) {
    EXPECT_DOUBLE_EQ(def(PANELMAIN, id).min, 0.0);
    EXPECT_DOUBLE_EQ(def(PANELMAIN, id).max, 2.7);
    EXPECT_STREQ(def(PANELMAIN, id).tooltip, "Skew Adjustment, Clock to Data");
  }
  EXPECT_DOUBLE_EQ(def(PANELDEBUG, PANELDEBUG_SNAPSHOT_CH).min, 1.0);
  EXPECT_DOUBLE_EQ(def(PANELDEBUG, PANELDEBUG_SNAPSHOT_CH).max, 2.0);
  EXPECT_DOUBLE_EQ(def(PANELMAIN, PANELMAIN_TIMER).interval, 0.2);
  EXPECT_TRUE(def(PANELMAIN, PANELMAIN_TIMER).enabled);
  EXPECT_DOUBLE_EQ(def(PANELDEBUG, PANELDEBUG_DEBUG_TIMER).interval, 1.0);
  EXPECT_DOUBLE_EQ(def(PANELDEBUG, PANELDEBUG_SMOOTH).value, 1.0);
  EXPECT_FALSE(def(PANELMAIN, PANELMAIN_RETRIES).visible);

  const auto& patterns = def(PANELMAIN, PANELMAIN_DATA_SELECT_CH2).items;
  ASSERT_EQ(patterns.size(), 10u);
  EXPECT_STREQ(patterns[0].label, "PRBS7");
  EXPECT_EQ(patterns[8].value, 8);
  EXPECT_STREQ(patterns[9].label, "Shut Off");
  EXPECT_EQ(patterns[9].value, 99);
  const auto& clocks = def(PANELMAIN, PANELMAIN_RING_IN_CLK_CH1).items;
  ASSERT_EQ(clocks.size(), 3u);
  EXPECT_STREQ(clocks[0].label, "Clock/2");
  EXPECT_STREQ(clocks[1].label, "Clock");
  EXPECT_STREQ(clocks[2].label, "Div /4");
}

TEST(PanelDefinitions, MenuBarOfTheMainPanel) {
  const PanelDef* main = kd71::uir::find_panel("main.uir", PANELMAIN);
  ASSERT_NE(main->menubar, nullptr);
  std::set<std::string> labels;
  for (const auto& item : main->menubar->items) labels.insert(item.label);
  EXPECT_EQ(labels, (std::set<std::string>{"Debug", "File", "Save As Configuration",
                                           "Open Configuration"}));
  EXPECT_EQ(kd71::uir::find_panel("main.uir", PANELDEBUG)->menubar, nullptr);
  EXPECT_NE(kd71::uir::find_panel("/opt/kd71/main.uir", PANELMAIN), nullptr);
  EXPECT_EQ(kd71::uir::find_panel("main.uir.bak", PANELMAIN), nullptr);
}

}  // namespace
