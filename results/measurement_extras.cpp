#include "results/measurement_extras.h"

#include <cstdint>

#include "app/measurement.h"
#include "app/statistics.h"
#include "hardware/fpga_protocol.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/userint.h"
#include "results/measurement_log.h"
#include "results/ratio_history.h"
#include "results/run_verdict.h"

namespace {

int g_connected = 0;  // the link state last noted

}  // namespace

void extras_new_sample(int channel, const PacketRecord& r) {
  if (channel < 1 || channel > 2) return;
  run_verdict_note_sample(channel);
  const bool bound = r.error_count == 0;
  const double ratio = sample_error_ratio(channel, r);
  history_note_sample(channel, Timer(), ratio, bound, (r.sync_flags & kPatternSyncFlag) != 0);
  log_sample_row(channel, r, ratio);
}

void extras_link_state(int connected, double noticed_at) {
  if (connected == g_connected) return;
  g_connected = connected;
  run_verdict_note_link(connected != 0);
  history_note_link(connected != 0, noticed_at);
  log_link_row(connected != 0, noticed_at);
}

void attach_results_to_measurement() {
  add_measurement_listener({.new_sample = extras_new_sample, .link_state = extras_link_state});
}

void measurement_extras_reset() { g_connected = 0; }
