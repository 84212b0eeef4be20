#include "app/console_status.h"

#include "hardware/lowlevel.h"
#include "platform/ui_store.h"
#include "ui/main_uir.h"
#include "ui/value_text.h"

namespace {

constexpr int kPatternSyncBit = 0x01;  // sync_flags bit 0

struct ChannelControls {
  const char* name;
  int bit_rate, error_count, error_ratio, ratio_bound, error_free;
};

constexpr ChannelControls kChannels[] = {
    {"CH1", PANELMAIN_CLOCK_FREQUENCY_CH1, PANELMAIN_ERROR_COUNT_CH1, PANELMAIN_ERROR_RATIO_CH1,
     PANELMAIN_TEXTMSG_LT_ER_CH1, PANELMAIN_ERROR_FREE_CH1},
    {"CH2", PANELMAIN_CLOCK_FREQUENCY_CH2, PANELMAIN_ERROR_COUNT_CH2, PANELMAIN_ERROR_RATIO_CH2,
     PANELMAIN_TEXTMSG_LT_ER_CH2, PANELMAIN_ERROR_FREE_CH2},
};

// A control's value as the panel shows it.
std::string shown(int panel, int control) {
  const kd71::uir::ControlDef* def = kd71::ui::control_def(panel, control);
  return def ? kd71::uir::value_text(*def, kd71::ui::numeric_value(panel, control)) : "?";
}

std::string channel_status(int panel, const ChannelControls& c, bool sync) {
  int bound = 0;
  GetCtrlAttribute(panel, c.ratio_bound, ATTR_VISIBLE, &bound);
  return std::string(c.name) + " " + shown(panel, c.bit_rate) + " Gbps errors " +
         shown(panel, c.error_count) + " ratio " + (bound ? "<" : "") +
         shown(panel, c.error_ratio) + " ef " + shown(panel, c.error_free) + "s " +
         (sync ? "sync" : "no sync");
}

}  // namespace

std::string console_status_line(int panel, bool sync1, bool sync2) {
  return kd71::ui::text_value(panel, PANELMAIN_NOTIFY_USER) + " | " +
         channel_status(panel, kChannels[0], sync1) + " | " +
         channel_status(panel, kChannels[1], sync2);
}

std::string console_status_line(int panel) {
  return console_status_line(panel, (packets[1].sync_flags & kPatternSyncBit) != 0,
                             (packets[2].sync_flags & kPatternSyncBit) != 0);
}
