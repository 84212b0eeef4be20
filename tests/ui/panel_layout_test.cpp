// The layout in the panel definitions: every control that shows something
// has a place, places do not collide, and channel 2 mirrors channel 1.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "platform/ui_runtime/panel_def_types.h"
#include "ui/main_uir.h"
#include "ui/main_uir_panels.h"

namespace {

using kd71::uir::ControlDef;
using kd71::uir::Kind;
using kd71::uir::PanelDef;

const PanelDef& panel(int id) { return *kd71::uir::find_panel("main.uir", id); }

bool has_widget(Kind kind) {
  return kind != Kind::Timer && kind != Kind::Decoration && kind != Kind::Canvas;
}

TEST(PanelLayout, EveryControlWithAWidgetHasAPlaceInAGroupOfItsPanel) {
  // The secondary error-free fields are only ever dimmed; they show nothing.
  const std::set<std::string> unshown = {"PANELMAIN_ERROR_FREE_CH1_2",
                                         "PANELMAIN_ERROR_FREE_CH2_2"};
  for (const PanelDef* p : kd71::uir::all_panels()) {
    std::set<int> groups, used;
    for (const auto& g : p->groups)
      EXPECT_TRUE(groups.insert(g.id).second) << p->constant << " group " << g.id;
    for (const ControlDef& c : p->controls) {
      if (!has_widget(c.kind) || unshown.count(c.constant)) {
        EXPECT_EQ(c.place.group, 0) << c.constant;
        continue;
      }
      EXPECT_TRUE(groups.count(c.place.group)) << c.constant << " in group " << c.place.group;
      EXPECT_GE(c.place.row, 0) << c.constant;
      EXPECT_GE(c.place.col, 0) << c.constant;
      EXPECT_GE(c.place.span, 1) << c.constant;
      used.insert(c.place.group);
    }
    EXPECT_EQ(used, groups) << p->constant << ": a group without controls";
  }
}

TEST(PanelLayout, NoTwoControlsOrLabelsShareACell) {
  for (const PanelDef* p : kd71::uir::all_panels()) {
    std::map<std::tuple<int, int, int>, std::string> cells;
    auto take = [&](const ControlDef& c, int col, const char* what) {
      const auto cell = std::make_tuple(c.place.group, c.place.row, col);
      const auto [it, fresh] = cells.emplace(cell, std::string(c.constant) + what);
      EXPECT_TRUE(fresh) << c.constant << what << " on " << it->second;
    };
    for (const ControlDef& c : p->controls) {
      if (c.place.group == 0) continue;
      for (int col = c.place.col; col < c.place.col + c.place.span; ++col) take(c, col, "");
      if (c.place.label_col >= 0) {
        EXPECT_TRUE(*c.label) << c.constant << " has a label column but no label";
        take(c, c.place.label_col, " (label)");
      }
    }
  }
}

// The channel-2 twin of a channel-1 constant ("..._CH1..." to "..._CH2...").
std::string twin(const std::string& constant) {
  std::string other = constant;
  const auto at = other.find("CH1");
  if (at != std::string::npos) other[at + 2] = '2';
  return other;
}

TEST(PanelLayout, ChannelTwoMirrorsChannelOne) {
  const PanelDef& main = panel(PANELMAIN);
  std::map<std::string, const ControlDef*> by_name;
  for (const ControlDef& c : main.controls) by_name[c.constant] = &c;
  std::map<int, int> group_twin;  // channel-1 group -> channel-2 group
  int mirrored = 0;
  for (const ControlDef& c : main.controls) {
    const std::string name = c.constant;
    if (name.find("CH1") == std::string::npos || c.place.group == 0) continue;
    const ControlDef* other = by_name[twin(name)];
    ASSERT_NE(other, nullptr) << name;
    EXPECT_EQ(other->place.row, c.place.row) << name;
    EXPECT_EQ(other->place.col, c.place.col) << name;
    EXPECT_EQ(other->place.span, c.place.span) << name;
    EXPECT_EQ(other->place.label_col, c.place.label_col) << name;
    EXPECT_EQ(other->place.look, c.place.look) << name;
    const auto [it, fresh] = group_twin.emplace(c.place.group, other->place.group);
    EXPECT_EQ(it->second, other->place.group) << name << ": twins in different group pairs";
    ++mirrored;
  }
  EXPECT_GE(mirrored, 25);
  // Channel 1 in the left column, channel 2 in the right, groups in the same order.
  std::map<int, std::pair<int, int>> column_and_order;
  std::map<std::pair<int, int>, int> count;  // groups so far in each band's column
  for (const auto& g : main.groups)
    column_and_order[g.id] = {g.column, count[{g.band, g.column}]++};
  for (const auto& [g1, g2] : group_twin) {
    EXPECT_EQ(column_and_order[g1].first, 0) << g1;
    EXPECT_EQ(column_and_order[g2].first, 1) << g2;
    EXPECT_EQ(column_and_order[g1].second, column_and_order[g2].second) << g1 << " / " << g2;
  }
}

TEST(PanelLayout, TheBoundCaptionsSitJustBeforeTheirRatios) {
  const PanelDef& main = panel(PANELMAIN);
  const std::pair<int, int> pairs[] = {
      {PANELMAIN_TEXTMSG_LT_ER_CH1, PANELMAIN_ERROR_RATIO_CH1},
      {PANELMAIN_TEXTMSG_LT_ER_CH2, PANELMAIN_ERROR_RATIO_CH2},
      {PANELMAIN_TEXTMSG_LT_CH1, PANELMAIN_TOT_ERROR_RATIO_CH1},
      {PANELMAIN_TEXTMSG_LT_CH2, PANELMAIN_TOT_ERROR_RATIO_CH2},
  };
  for (const auto& [caption, ratio] : pairs) {
    const auto& a = kd71::uir::find_control(main, caption)->place;
    const auto& b = kd71::uir::find_control(main, ratio)->place;
    EXPECT_EQ(a.group, b.group) << caption;
    EXPECT_EQ(a.row, b.row) << caption;
    EXPECT_EQ(a.col + 1, b.col) << caption;
  }
}

}  // namespace
