#include "tests/soak/fault_injector.h"

#include <algorithm>

#include "platform/os/c_locale.h"
#include "platform/os/clock.h"

namespace kd71::test {
namespace {

constexpr std::size_t kHistoryLines = 12;
constexpr int kLatestStart = 400;  // calls ahead a fault may start
constexpr double kTick = 0.2;
const std::uint8_t kI2cDevices[] = {0x56, 0x57, 0x60, 0x61};
// Request types of the polls: routine 5/13, management 7, read-backs 1/9/2,
// subchannels 3/11, snapshots 4/12; -1 any.
const int kPollTypes[] = {-1, -1, 5, 13, 7, 1, 9, 2, 3, 11, 4, 12};
const char* const kNames[] = {"unplugs shorter than a tick",
                              "unplugs for seconds",
                              "replugs between two calls",
                              "dropped replies",
                              "cut replies",
                              "corrupted trailers",
                              "NACKs",
                              "stuck SDA"};

}  // namespace

FaultInjector::FaultInjector(kd71::sim::SimBoard* board, std::uint64_t seed)
    : board_(board), seed_(seed), rng_(seed) {
  board_->on_each_call([this] { on_call(); });
}

FaultInjector::~FaultInjector() { board_->on_each_call({}); }

void FaultInjector::at_call(std::uint64_t call, std::function<void()> act) {
  pending_.push_back({call, -1.0, std::move(act)});
}

void FaultInjector::at_time(double t, std::function<void()> act) {
  pending_.push_back({0, t, std::move(act)});
}

void FaultInjector::on_call() {
  ++calls_;
  if (i2c_faults_on_ > 0) ++i2c_faulted_calls_;
  const double now = kd71::clock::now();
  for (std::size_t i = 0; i < pending_.size();) {
    const Action& a = pending_[i];
    if ((a.at_time < 0 && calls_ >= a.at_call) || (a.at_time >= 0 && now >= a.at_time)) {
      const std::function<void()> act = std::move(pending_[i].act);
      pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
      act();  // may add actions
      i = 0;
    } else {
      ++i;
    }
  }
}

void FaultInjector::note(Kind kind, const std::string& what) {
  ++counts_[kind];
  history_.push_back(c_locale::format("%.3f s, call %llu: ", kd71::clock::now(),
                                      static_cast<unsigned long long>(calls_)) +
                     what);
  if (history_.size() > kHistoryLines) history_.pop_front();
}

void FaultInjector::arm_random_fault() {
  const Kind kind = static_cast<Kind>(between(0, kKinds - 1));
  const std::uint64_t start = calls_ + static_cast<std::uint64_t>(between(1, kLatestStart));
  kd71::sim::SimBoard* b = board_;
  switch (kind) {
    case ShortUnplug:
    case LongUnplug:
      at_call(start, [this, b, kind] {
        const double away =
            kind == ShortUnplug ? uniform(0.001, kTick * 0.95) : uniform(kTick, 3.0);
        note(kind, c_locale::format("unplugged for %.3f s", away));
        b->unplug();
        ++unplugs_;
        at_time(kd71::clock::now() + away, [b] { b->plug(); });
      });
      break;
    case ReplugBetweenCalls:
      at_call(start, [this, b] {
        const int calls = between(1, 30);
        note(ReplugBetweenCalls, c_locale::format("unplugged for %d calls", calls));
        b->unplug();
        ++unplugs_;
        at_call(calls_ + static_cast<std::uint64_t>(calls), [b] { b->plug(); });
      });
      break;
    case Drop:
    case Cut:
    case Corrupt:
      at_call(start, [this, b, kind] {
        const int count = between(1, 12);
        const int type = kPollTypes[between(0, std::size(kPollTypes) - 1)];
        const int bytes = between(0, 30);
        note(kind, c_locale::format("%d %s of type %d", count, kNames[kind], type) +
                       (kind == Cut ? c_locale::format(" to %d bytes", bytes) : ""));
        if (kind == Drop) b->drop_replies(count, type);
        if (kind == Cut) b->cut_replies(count, bytes, type);
        if (kind == Corrupt) b->corrupt_trailers(count, type);
      });
      break;
    case Nack:
    case SdaStuck:
      at_call(start, [this, b, kind] {
        const std::uint8_t address = kI2cDevices[between(0, std::size(kI2cDevices) - 1)];
        const double lasting = kind == Nack ? uniform(0.01, 1.5) : uniform(0.001, 0.5);
        note(kind, kind == Nack
                       ? c_locale::format("0x%02x not acknowledging for %.3f s", address, lasting)
                       : c_locale::format("SDA held low for %.3f s", lasting));
        ++i2c_faults_on_;
        if (kind == Nack) b->set_i2c_nack(address, true);
        if (kind == SdaStuck) b->set_sda_stuck(true);
        at_time(kd71::clock::now() + lasting, [this, b, kind, address] {
          if (kind == Nack) b->set_i2c_nack(address, false);
          if (kind == SdaStuck) b->set_sda_stuck(false);
          --i2c_faults_on_;
          ++i2c_faulted_calls_;  // the call that ends it still saw it
        });
      });
      break;
    case kKinds:
      break;
  }
}

std::string FaultInjector::history() const {
  std::string text = "recent faults:\n";
  for (const std::string& line : history_) text += "  " + line + "\n";
  return text;
}

std::uint64_t FaultInjector::injected() const {
  std::uint64_t n = 0;
  for (std::uint64_t c : counts_) n += c;
  return n;
}

std::string FaultInjector::summary() const {
  std::string text = c_locale::format("%llu faults (", static_cast<unsigned long long>(injected()));
  for (int k = 0; k < kKinds; ++k)
    text += c_locale::format("%s%llu %s", k ? ", " : "",
                             static_cast<unsigned long long>(counts_[k]), kNames[k]);
  return text + ")";
}

}  // namespace kd71::test
