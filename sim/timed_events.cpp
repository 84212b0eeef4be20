#include "sim/timed_events.h"

#include <algorithm>
#include <cstdio>

#include "platform/os/c_locale.h"
#include "sim/sim_board.h"

namespace kd71::sim {

TimedEvents::TimedEvents(const std::vector<TimedEvent>& events, double origin) : origin_(origin) {
  for (const TimedEvent& e : events) {
    const double until = e.at_s + e.for_s;
    const std::string lasting = e.for_s > 0 ? c_locale::format(" for %.3f s", e.for_s) : "";
    switch (e.kind) {
      case TimedEvent::Kind::Unplug:
        add(
            e.at_s, [](SimBoard& b) { b.unplug(); }, "unplugged" + lasting);
        add(
            until, [](SimBoard& b) { b.plug(); }, "plugged in again");
        break;
      case TimedEvent::Kind::ChannelChange:
        add(
            e.at_s,
            [n = e.channel, change = e.change](SimBoard& b) {
              ChannelScenario signal = b.channel(n);
              change(signal);
              b.set_channel(n, signal);
            },
            e.text);
        break;
      case TimedEvent::Kind::ReplyFault:
        add(
            e.at_s,
            [f = e.fault](SimBoard& b) {
              switch (f.kind) {
                case ReplyFault::Kind::Drop:
                  b.drop_replies(f.count, f.request_type);
                  break;
                case ReplyFault::Kind::Cut:
                  b.cut_replies(f.count, f.cut_to, f.request_type);
                  break;
                case ReplyFault::Kind::CorruptTrailer:
                  b.corrupt_trailers(f.count, f.request_type);
                  break;
              }
            },
            e.text);
        break;
      case TimedEvent::Kind::I2cNack:
        add(
            e.at_s, [a = e.address](SimBoard& b) { b.set_i2c_nack(a, true); }, e.text + lasting);
        if (e.for_s > 0)
          add(
              until, [a = e.address](SimBoard& b) { b.set_i2c_nack(a, false); },
              c_locale::format("0x%02X acknowledges again", e.address));
        break;
      case TimedEvent::Kind::SdaStuck:
        add(
            e.at_s, [](SimBoard& b) { b.set_sda_stuck(true); }, e.text + lasting);
        if (e.for_s > 0)
          add(
              until, [](SimBoard& b) { b.set_sda_stuck(false); }, "SDA released");
        break;
    }
  }
  std::stable_sort(steps_.begin(), steps_.end(),
                   [](const Step& a, const Step& b) { return a.at_s < b.at_s; });
}

void TimedEvents::add(double at_s, std::function<void(SimBoard&)> act, std::string text) {
  steps_.push_back({at_s, std::move(act), std::move(text)});
}

void TimedEvents::run_due(double now, const std::vector<SimBoard*>& boards) {
  if (boards.empty()) return;
  while (next_ < steps_.size() && steps_[next_].at_s <= now - origin_) {
    const Step& step = steps_[next_++];
    log(step.at_s, step.text);
    for (SimBoard* board : boards) step.act(*board);
  }
}

void TimedEvents::note(double now, const std::string& what) const {
  if (!empty()) log(now - origin_, what);
}

void TimedEvents::log(double at_s, const std::string& what) const {
  c_locale::print(stderr, "simulated board: %.3f s: %s\n", at_s, what.c_str());
}

}  // namespace kd71::sim
