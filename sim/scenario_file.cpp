#include "sim/scenario_file.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "platform/bridge/board_description.h"
#include "platform/os/c_locale.h"
#include "platform/os/regular_file.h"

namespace kd71::sim {
namespace {

constexpr std::size_t kMaxScenarioBytes = 1 << 20;
constexpr int kMaxRateMhz = 100000;
constexpr double kMaxMillivolts = 1000.0;
constexpr double kMaxDelayVolts = 10.0;
constexpr double kMaxRjPs = 20.0;
// One bit period at 1 MHz; a file's DJ is checked against its channel's period.
constexpr double kMaxDjPs = 1e6;
constexpr long long kMaxFirmwareVersion = 0xFFFF;
constexpr long long kMaxI2cAddress = 0x7F;
constexpr long long kMaxRequestType = 15;
constexpr long long kMaxReplyBytes = 255;
constexpr long long kMaxFaultCount = 1000000;

using Words = std::vector<std::string_view>;
// What is wrong with a line; empty when nothing is.
using Fault = std::string;

// Appended piece by piece: GCC 12's -Wrestrict misreads the temporaries of
// "\"" + std::string(word) + "\"" in an optimised build.
std::string quoted(std::string_view word) {
  std::string text = "\"";
  text += word;
  text += '"';
  return text;
}

std::string joined(const Words& words) {
  std::string text;
  for (const std::string_view word : words) {
    if (!text.empty()) text += ' ';
    text += word;
  }
  return text;
}

Words split(std::string_view line) {
  if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
    line = line.substr(0, hash);
  Words words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// ---- Values --------------------------------------------------------------

template <typename T>
Fault whole(std::string_view word, long long lo, long long hi, const char* what, T* out) {
  long long v = 0;
  if (!c_locale::parse_integer(word, &v, 0))
    return std::string("expected ") + what + ", not " + quoted(word);
  if (v < lo || v > hi)
    return c_locale::format("%s must lie between %lld and %lld, not %lld", what, lo, hi, v);
  *out = static_cast<T>(v);
  return {};
}

Fault real(std::string_view word, double lo, double hi, const char* what, double* out) {
  double v = 0.0;
  if (!c_locale::parse_double(word, &v) || !std::isfinite(v))
    return std::string("expected ") + what + ", not " + quoted(word);
  if (v < lo || v > hi) return c_locale::format("%s must lie between %g and %g", what, lo, hi);
  *out = v;
  return {};
}

Fault seconds(std::string_view word, double* out) {
  return real(word, 0.0, 1e9, "a time in seconds", out);
}

Fault flag(std::string_view word, bool* out) {
  for (const char* yes : {"yes", "on", "true"})
    if (word == yes) return *out = true, Fault{};
  for (const char* no : {"no", "off", "false"})
    if (word == no) return *out = false, Fault{};
  return "expected yes or no, not " + quoted(word);
}

template <typename T, std::size_t N>
Fault choice(std::string_view word, const std::pair<const char*, T> (&choices)[N], T* out) {
  std::string names;
  for (const auto& [name, value] : choices) {
    if (word == name) return *out = value, Fault{};
    names += (names.empty() ? "" : ", ") + std::string(name);
  }
  return "expected one of " + names + ", not " + quoted(word);
}

// ---- Channel settings ------------------------------------------------------

const std::pair<const char*, ClockMode> kClockModes[] = {
    {"clock", ClockMode::Clock}, {"clock_half", ClockMode::ClockHalf}, {"div4", ClockMode::Div4}};

const std::pair<const char*, int> kPatterns[] = {{"PRBS7", 0},  {"PRBS9", 1},  {"PRBS11", 2},
                                                 {"PRBS15", 3}, {"PRBS17", 4}, {"PRBS20", 5},
                                                 {"PRBS23", 6}, {"PRBS29", 7}, {"PRBS31", 8}};

struct ChannelKey {
  const char* name;
  Fault (*set)(ChannelScenario&, std::string_view);
  bool timing = false;  // one of the keys that give the eye's jitter
};

Fault picoseconds(std::string_view w, double hi, const char* what, std::optional<double>* out) {
  double v = 0.0;
  Fault f = real(w, 0.0, hi, what, &v);
  if (f.empty()) *out = v;
  return f;
}

const ChannelKey kChannelKeys[] = {
    {"rate_mhz",
     [](ChannelScenario& c, std::string_view w) {
       return whole(w, 0, kMaxRateMhz, "a bit rate in MHz", &c.rate_mhz);
     }},
    {"clock_present",
     [](ChannelScenario& c, std::string_view w) { return flag(w, &c.clock_present); }},
    {"clock_mode",
     [](ChannelScenario& c, std::string_view w) { return choice(w, kClockModes, &c.clock_mode); }},
    {"data_present",
     [](ChannelScenario& c, std::string_view w) { return flag(w, &c.data_present); }},
    {"pattern",
     [](ChannelScenario& c, std::string_view w) { return choice(w, kPatterns, &c.pattern); }},
    {"inverted", [](ChannelScenario& c, std::string_view w) { return flag(w, &c.inverted); }},
    {"offset_mv",
     [](ChannelScenario& c, std::string_view w) {
       return real(w, -kMaxMillivolts, kMaxMillivolts, "millivolts", &c.offset_mv);
     }},
    {"amplitude_mv",
     [](ChannelScenario& c, std::string_view w) {
       return real(w, 0.0, kMaxMillivolts, "millivolts", &c.amplitude_mv);
     }},
    {"noise_mv",
     [](ChannelScenario& c, std::string_view w) {
       return real(w, 0.0, kMaxMillivolts, "millivolts", &c.noise_mv);
     }},
    {"eye_width_ui",
     [](ChannelScenario& c, std::string_view w) {
       return real(w, 0.0, 1.0, "a fraction of the bit period", &c.eye_width_ui);
     },
     true},
    {"rj_ps",
     [](ChannelScenario& c, std::string_view w) {
       return picoseconds(w, kMaxRjPs, "picoseconds of random jitter", &c.rj_ps);
     },
     true},
    {"dj_ps",
     [](ChannelScenario& c, std::string_view w) {
       return picoseconds(w, kMaxDjPs, "picoseconds of deterministic jitter", &c.dj_ps);
     },
     true},
    {"transition_density",
     [](ChannelScenario& c, std::string_view w) {
       return real(w, 0.0, 1.0, "a share of the bits", &c.transition_density);
     }},
    {"eye_centre_v",
     [](ChannelScenario& c, std::string_view w) {
       return real(w, 0.0, kMaxDelayVolts, "volts of sampling delay", &c.eye_centre_v);
     }},
    {"good_phases",
     [](ChannelScenario& c, std::string_view w) {
       if (w == "auto") return c.good_phases.reset(), Fault{};
       std::uint8_t mask = 0;
       Fault f = whole(w, 0, 0xFF, "auto or a mask of the eight phase combinations", &mask);
       if (f.empty()) c.good_phases = mask;
       return f;
     }},
};

// "ch1.noise_mv" names channel 1's noise; nullptr for anything else.
const ChannelKey* channel_key(std::string_view key, int* channel) {
  if (key.size() < 5 || key.substr(0, 2) != "ch" || key[3] != '.') return nullptr;
  if (key[2] != '1' && key[2] != '2') return nullptr;
  *channel = key[2] - '0';
  for (const ChannelKey& k : kChannelKeys)
    if (key.substr(4) == k.name) return &k;
  return nullptr;
}

// ---- Board settings ---------------------------------------------------------

Fault set_devices(Scenario& s, std::string_view w) {
  const std::pair<const char*, Scenario (*)()> presets[] = {
      {"board", [] { return Scenario{}; }},
      {"no_board", Scenario::no_board},
      {"board_and_foreign", Scenario::board_and_foreign},
      {"two_boards", Scenario::two_boards},
      {"many_devices", Scenario::many_devices}};
  Scenario (*preset)() = nullptr;
  Fault f = choice(w, presets, &preset);
  if (!f.empty()) return f;
  const Scenario p = preset();
  s.devices = p.devices;
  s.board_serials = p.board_serials;
  s.plugged = p.plugged;
  return {};
}

// "devices board:SERIAL board:SERIAL ...": boards of the serial numbers
// given ("board" alone: the default one of its place), in that order.
Fault set_boards(Scenario& s, const Words& words) {
  constexpr std::string_view kBoard = "board";
  Scenario boards;
  boards.devices.clear();
  for (const std::string_view w : words) {
    if (w.substr(0, kBoard.size()) != kBoard ||
        (w.size() > kBoard.size() && w[kBoard.size()] != ':'))
      return "expected board or board:SERIAL for each board, not " + quoted(w);
    const std::string_view serial = w.size() > kBoard.size() ? w.substr(kBoard.size() + 1) : "";
    if (w.size() > kBoard.size()) {
      if (const std::string problem = serial_problem(serial); !problem.empty())
        return quoted(w) + ": " + problem;
      for (const std::string& other : boards.board_serials)
        if (other == serial) return "the serial number " + quoted(serial) + " is given twice";
    }
    boards.devices.push_back(Attached::Board);
    boards.board_serials.emplace_back(serial);
  }
  s.devices = boards.devices;
  s.board_serials = boards.board_serials;
  s.plugged = true;
  return {};
}

Fault set_latency(Scenario& s, std::string_view w) {
  const std::pair<const char*, Latency (*)()> profiles[] = {
      {"none", [] { return Latency{}; }}, {"usb_full_speed", Latency::usb_full_speed}};
  Latency (*profile)() = nullptr;
  Fault f = choice(w, profiles, &profile);
  if (f.empty()) s.latency = profile();
  return f;
}

struct BoardKey {
  const char* name;
  Fault (*set)(Scenario&, std::string_view);
};

const BoardKey kBoardKeys[] = {
    {"firmware_version",
     [](Scenario& s, std::string_view w) {
       return whole(w, 0, kMaxFirmwareVersion, "a firmware version", &s.firmware_version);
     }},
    {"devices", set_devices},
    {"seed",
     [](Scenario& s, std::string_view w) {
       return whole(w, 0, INT64_MAX, "a seed (a whole number)", &s.seed);
     }},
    {"latency", set_latency},
};

// ---- Events -------------------------------------------------------------------

// The optional "NAME VALUE" pairs after an event's own words.
struct Options {
  std::map<std::string, std::string_view> given;
  Fault read(const Words& words, std::size_t from, std::initializer_list<const char*> allowed) {
    for (std::size_t i = from; i < words.size(); i += 2) {
      bool known = false;
      for (const char* name : allowed) known = known || words[i] == name;
      if (!known) return "unexpected " + quoted(words[i]);
      if (i + 1 >= words.size()) return quoted(words[i]) + " needs a value";
      if (!given.emplace(std::string(words[i]), words[i + 1]).second)
        return quoted(words[i]) + " is given twice";
    }
    return {};
  }
  const std::string_view* find(const char* name) const {
    const auto it = given.find(name);
    return it == given.end() ? nullptr : &it->second;
  }
};

Fault lasting(const Options& options, double* for_s) {
  const std::string_view* w = options.find("for");
  return w ? seconds(*w, for_s) : Fault{};
}

Fault reply_fault(const Words& what, TimedEvent* e) {
  const std::pair<const char*, ReplyFault::Kind> kinds[] = {
      {"drop_replies", ReplyFault::Kind::Drop},
      {"cut_replies", ReplyFault::Kind::Cut},
      {"corrupt_trailers", ReplyFault::Kind::CorruptTrailer}};
  e->kind = TimedEvent::Kind::ReplyFault;
  Fault f = choice(what[0], kinds, &e->fault.kind);
  if (!f.empty()) return f;
  if (what.size() < 2) return quoted(what[0]) + " needs a count of replies";
  f = whole(what[1], 1, kMaxFaultCount, "a count of replies", &e->fault.count);
  if (!f.empty()) return f;
  Options options;
  if (e->fault.kind == ReplyFault::Kind::Cut)
    f = options.read(what, 2, {"bytes", "type"});
  else
    f = options.read(what, 2, {"type"});
  if (!f.empty()) return f;
  if (const std::string_view* w = options.find("bytes"))
    f = whole(*w, 0, kMaxReplyBytes, "a count of bus bytes", &e->fault.cut_to);
  if (!f.empty()) return f;
  if (const std::string_view* w = options.find("type"))
    f = whole(*w, 0, kMaxRequestType, "a request type", &e->fault.request_type);
  return f;
}

// What follows "at SECONDS".
Fault event(const Words& what, TimedEvent* e) {
  e->text = joined(what);
  int channel = 0;
  if (what[0] == "unplug") {
    e->kind = TimedEvent::Kind::Unplug;
    if (what.size() != 3 || what[1] != "for") return "expected \"unplug for SECONDS\"";
    Fault f = seconds(what[2], &e->for_s);
    if (f.empty() && e->for_s <= 0.0) f = "an unplug lasts longer than 0 seconds";
    return f;
  }
  if (const ChannelKey* key = channel_key(what[0], &channel)) {
    e->kind = TimedEvent::Kind::ChannelChange;
    e->channel = channel;
    if (what.size() != 2) return quoted(what[0]) + " takes one value";
    ChannelScenario trial;
    Fault f = key->set(trial, what[1]);
    if (!f.empty()) return std::string(what[0]) + ": " + f;
    e->change = [set = key->set, value = std::string(what[1])](ChannelScenario& c) {
      set(c, value);
    };
    return {};
  }
  if (what[0] == "nack") {
    e->kind = TimedEvent::Kind::I2cNack;
    if (what.size() < 2) return "expected \"nack ADDRESS [for SECONDS]\"";
    Fault f = whole(what[1], 0, kMaxI2cAddress, "a 7-bit I2C address", &e->address);
    Options options;
    if (f.empty()) f = options.read(what, 2, {"for"});
    if (f.empty()) f = lasting(options, &e->for_s);
    e->text = c_locale::format("0x%02X stops acknowledging", e->address);
    return f;
  }
  if (what[0] == "sda_stuck") {
    e->kind = TimedEvent::Kind::SdaStuck;
    Options options;
    Fault f = options.read(what, 1, {"for"});
    if (f.empty()) f = lasting(options, &e->for_s);
    e->text = "SDA held low";
    return f;
  }
  if (what[0] == "drop_replies" || what[0] == "cut_replies" || what[0] == "corrupt_trailers")
    return reply_fault(what, e);
  return "unknown event " + quoted(what[0]);
}

// ---- Lines ------------------------------------------------------------------------

class Reader {
 public:
  explicit Reader(Scenario* scenario) : s_(scenario) {}

  Fault line(int number, const Words& words) {
    if (words.empty()) return {};
    if (words[0] == "at" || words[0] == "from") return timed(words);
    int channel = 0;
    const ChannelKey* ck = channel_key(words[0], &channel);
    const BoardKey* bk = nullptr;
    for (const BoardKey& k : kBoardKeys)
      if (words[0] == k.name) bk = &k;
    if (!ck && !bk) return "unknown key " + quoted(words[0]);
    const auto [first, fresh] = set_on_.emplace(std::string(words[0]), number);
    if (!fresh)
      return c_locale::format("%s is set twice (first on line %d)", std::string(words[0]).c_str(),
                              first->second);
    if (words[0] == "devices" && words.size() > 1 &&
        (words.size() > 2 || words[1].find(':') != std::string_view::npos)) {
      const Fault f = set_boards(*s_, Words(words.begin() + 1, words.end()));
      return f.empty() ? f : "devices: " + f;
    }
    if (words.size() != 2) return std::string(words[0]) + " takes one value";
    // A file that gives any of a channel's timing keys gives its eye afresh:
    // the ones it leaves out take the defaults of a channel (0.6 UI, RJ 1 ps,
    // DJ from the width), not those of the board.
    if (ck && ck->timing && timed_channels_.insert(channel).second) {
      const ChannelScenario fresh;
      ChannelScenario& c = s_->channel(channel);
      c.eye_width_ui = fresh.eye_width_ui;
      c.rj_ps = fresh.rj_ps;
      c.dj_ps = fresh.dj_ps;
    }
    const Fault f = ck ? ck->set(s_->channel(channel), words[1]) : bk->set(*s_, words[1]);
    return f.empty() ? f : std::string(words[0]) + ": " + f;
  }

  // What the whole file gives wrong: a channel's DJ beyond its bit period.
  // Empty, or the fault and its line.
  std::pair<Fault, int> finish() const {
    for (int n = 1; n <= 2; ++n) {
      const ChannelScenario& c = s_->channel(n);
      const std::string key = c_locale::format("ch%d.dj_ps", n);
      const auto given = set_on_.find(key);
      if (given == set_on_.end() || c.rate_mhz <= 0 || *c.dj_ps <= 1e6 / c.rate_mhz) continue;
      return {c_locale::format("%s: picoseconds of deterministic jitter must lie between 0 and "
                               "%g (one bit period at %d MHz)",
                               key.c_str(), 1e6 / c.rate_mhz, c.rate_mhz),
              given->second};
    }
    return {};
  }

 private:
  Fault timed(const Words& words) {
    if (words.size() < 3)
      return "expected \"" + std::string(words[0]) + " SECONDS\" and what happens then";
    TimedEvent e;
    Fault f = seconds(words[1], &e.at_s);
    if (!f.empty()) return std::string(words[0]) + ": " + f;
    f = event(Words(words.begin() + 2, words.end()), &e);
    if (f.empty()) s_->events.push_back(std::move(e));
    return f;
  }

  Scenario* s_;
  std::map<std::string, int> set_on_;  // settings already given, and on which line
  std::set<int> timed_channels_;       // channels whose timing keys the file gives
};

}  // namespace

bool parse_scenario(const std::string& text, const std::string& name, Scenario* scenario,
                    std::string* error) {
  Scenario read = *scenario;
  Reader reader(&read);
  // Editors on some desktops begin a UTF-8 file with a byte-order mark.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  std::size_t start = text.rfind(kByteOrderMark, 0) == 0 ? kByteOrderMark.size() : 0;
  for (int number = 1; start <= text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const Fault f = reader.line(number, split(std::string_view(text).substr(start, end - start)));
    if (!f.empty()) {
      if (error) *error = c_locale::format("%s:%d: %s", name.c_str(), number, f.c_str());
      return false;
    }
    start = end + 1;
  }
  if (const auto [f, number] = reader.finish(); !f.empty()) {
    if (error) *error = c_locale::format("%s:%d: %s", name.c_str(), number, f.c_str());
    return false;
  }
  *scenario = std::move(read);
  return true;
}

bool read_scenario_file(const std::string& path, Scenario* scenario, std::string* error) {
  std::string text, reason;
  if (!kd71::platform::read_regular_file(path, kMaxScenarioBytes, &text, &reason)) {
    if (error) *error = path + ": cannot be read: " + reason;
    return false;
  }
  return parse_scenario(text, path, scenario, error);
}

}  // namespace kd71::sim
