#include "monitoring/exposition.h"

#include <prometheus/metric_family.h>
#include <prometheus/text_serializer.h>

#include <locale>
#include <sstream>

#include "app/statistics.h"
#include "hardware/link_state.h"
#include "monitoring/sample_tally.h"
#include "platform/os/c_locale.h"
#include "results/run_verdict.h"

namespace kd71::metrics {
namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

MetricFamily family(const char* name, const char* help, MetricType type) {
  MetricFamily f;
  f.name = name;
  f.help = help;
  f.type = type;
  return f;
}

ClientMetric::Label label(const char* name, std::string value) { return {name, std::move(value)}; }

void add(MetricFamily& f, std::vector<ClientMetric::Label> labels, double value) {
  ClientMetric m;
  m.label = std::move(labels);
  if (f.type == MetricType::Counter)
    m.counter.value = value;
  else
    m.gauge.value = value;
  f.metric.push_back(std::move(m));
}

bool connected() { return prevLinkState == 1 && !link_lost(); }

}  // namespace

std::vector<MetricFamily> collect_metrics() {
  MetricFamily link = family("kd71_link_up", "1 while the board is connected", MetricType::Gauge);
  MetricFamily rate =
      family("kd71_bit_rate_bits_per_second", "Bit rate of the last sample", MetricType::Gauge);
  MetricFamily errors = family(
      "kd71_errors_total",
      "Errors of every new sample aligned to its pattern from start to end, since the program "
      "started",
      MetricType::Counter);
  MetricFamily bits = family("kd71_bits_total",
                             "Bits of every new sample aligned to its pattern from start to end, "
                             "since the program started",
                             MetricType::Counter);
  MetricFamily aligning = family(
      "kd71_samples_aligning_total",
      "Samples left out of the error and bit counts: they spanned the pattern's alignment (the "
      "first after the board is configured, those out of sync and the first after sync returns)",
      MetricType::Counter);
  MetricFamily ratio =
      family("kd71_error_ratio", "Error ratio of the last sample, as the panel shows it",
             MetricType::Gauge);
  MetricFamily bound = family(
      "kd71_error_ratio_is_bound",
      "1 while the error ratio is only the bound of a sample without errors", MetricType::Gauge);
  MetricFamily sync =
      family("kd71_pattern_sync", "1 while the last sample was in pattern sync", MetricType::Gauge);
  MetricFamily error_free = family("kd71_error_free_seconds",
                                   "Seconds of the current error-free stretch", MetricType::Gauge);
  MetricFamily test_running =
      family("kd71_timed_test_running", "1 while the channel's timed test adds samples",
             MetricType::Gauge);
  MetricFamily test_bound = family("kd71_timed_test_ber_bound",
                                   "Upper bound of the timed test's error ratio at the confidence "
                                   "level (percent)",
                                   MetricType::Gauge);
  MetricFamily missed =
      family("kd71_samples_missed_total",
             "Samples the board published that no measurement tick read", MetricType::Counter);

  MetricFamily target = family("kd71_target_error_ratio",
                               "The ratio timed tests are judged by, as the window's Target BER "
                               "box or --target sets it: alert rules can compare with it",
                               MetricType::Gauge);

  const std::string serial = metrics_serial();
  add(link, {label("serial", serial)}, connected() ? 1.0 : 0.0);
  add(target, {label("serial", serial)}, berCriteria.target);

  for (const BoardTally& board : board_tallies()) {
    for (int n = 1; n <= 2; ++n) {
      const ChannelTally& c = board.channels[n];
      std::vector<ClientMetric::Label> labels = {label("channel", std::to_string(n)),
                                                 label("serial", board.serial)};
      add(errors, labels, c.errors);
      add(bits, labels, c.bits);
      add(missed, labels, c.missed);
      add(aligning, labels, c.aligning);
      if (board.serial != serial || channel_shut_off(n)) continue;

      if (c.seen && connected()) {
        add(rate, labels, c.bit_rate_bps);
        add(ratio, labels, c.ratio);
        add(bound, labels, c.ratio_is_bound ? 1.0 : 0.0);
        add(sync, labels, c.sync ? 1.0 : 0.0);
        add(error_free, labels, channelStats[n].errorFreeSeconds);
      }
      const RunVerdict v = run_verdict(n);
      add(test_running, labels, v.running ? 1.0 : 0.0);
      if (v.solved) {
        std::vector<ClientMetric::Label> with_confidence = labels;  // in name order
        with_confidence.insert(
            with_confidence.begin() + 1,
            label("confidence", c_locale::format("%g", berCriteria.confidencePercent)));
        add(test_bound, with_confidence, v.judgement.bound);
      }
    }
  }
  std::vector<MetricFamily> page;
  for (MetricFamily* f : {&link, &rate, &errors, &bits, &ratio, &bound, &sync, &error_free,
                          &test_running, &test_bound, &missed, &aligning, &target})
    page.push_back(std::move(*f));
  return page;
}

std::string metrics_page() {
  std::ostringstream out;
  out.imbue(std::locale::classic());  // figures with a decimal point, whatever the desktop's
  prometheus::TextSerializer().Serialize(out, collect_metrics());
  return out.str();
}

}  // namespace kd71::metrics
