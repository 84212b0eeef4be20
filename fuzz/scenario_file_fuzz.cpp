// The simulator's scenario file reader on any text. A text it refuses
// leaves the scenario as it was and names the file and the line; one it
// takes yields only values within the documented ranges, and its timed
// events can all be carried out on the board.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/bridge/bridge_backend.h"
#include "platform/bridge/ftd2xx.h"
#include "platform/os/clock.h"
#include "sim/scenario_file.h"
#include "sim/sim_board.h"

namespace {

using kd71::fuzz::finding;
using kd71::sim::ChannelScenario;
using kd71::sim::Scenario;

bool in(double v, double lo, double hi) { return v >= lo && v <= hi; }

void check_channel(const ChannelScenario& c) {
  if (c.rate_mhz < 0 || c.rate_mhz > 100000) finding("bit rate out of range");
  if (c.pattern < 0 || c.pattern > 8) finding("pattern out of range");
  if (!in(c.eye_width_ui, 0.0, 1.0) || !in(c.noise_mv, 0.0, 1000.0) ||
      !in(c.amplitude_mv, 0.0, 1000.0) || !in(c.offset_mv, -1000.0, 1000.0) ||
      !in(c.eye_centre_v, 0.0, 10.0))
    finding("an analog value out of range");
  if ((c.rj_ps && !in(*c.rj_ps, 0.0, 20.0)) || (c.dj_ps && !in(*c.dj_ps, 0.0, 1e6)) ||
      !in(c.transition_density, 0.0, 1.0))
    finding("a jitter value out of range");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The board logs each event on standard error: scripts/fuzz.sh runs the
  // targets with -close_fd_mask=3, which keeps only the fuzzer's report.
  kd71::fuzz::silence_console();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kd71::fuzz::FuzzInput input(data, size);
  const std::string text(input.rest());
  Scenario scenario;
  scenario.seed = 77;
  std::string error;
  if (!kd71::sim::parse_scenario(text, "fuzz.txt", &scenario, &error)) {
    if (error.rfind("fuzz.txt:", 0) != 0) finding("an error that does not name the file");
    if (scenario.seed != 77 || !scenario.events.empty() || scenario.channel(1).rate_mhz != 10000 ||
        scenario.channel(2).rate_mhz != 28000)
      finding("a refused file changed the scenario");
    return 0;
  }
  check_channel(scenario.channel(1));
  check_channel(scenario.channel(2));
  if (scenario.firmware_version < 0 || scenario.firmware_version > 0xFFFF)
    finding("firmware version out of range");

  // Every event falls due by the end of the run and is carried out by the
  // next bridge call.
  kd71::clock::reset();
  kd71::clock::use_virtual(0.0);
  kd71::sim::install_simulated_board(scenario);
  double end = 0.0;
  for (const auto& e : scenario.events) end = std::max(end, e.at_s + e.for_s);
  kd71::clock::spend(end + 1.0);
  DWORD devices = 0;
  FT_CreateDeviceInfoList(&devices);
  if (kd71::sim::SimBoard* board = kd71::sim::simulated_board()) {
    check_channel(board->channel(1));
    check_channel(board->channel(2));
  }
  kd71::bridge::reset();
  return 0;
}
