#include "remote/scpi_session.h"

#include <algorithm>

#include "app/routine_guard.h"
#include "platform/ui_runtime/ui_store.h"
#include "remote/scpi_errors.h"

namespace kd71::scpi {

namespace {

constexpr char kLineEnd = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kResponseSeparator = ';';
constexpr int kOperationCompleteBit = 0x01;
// Status byte bits.
constexpr int kErrorAvailable = 0x04;
constexpr int kMessageAvailable = 0x10;
constexpr int kEventSummary = 0x20;
constexpr int kServiceRequest = 0x40;

// The header as typed, for the error queue.
std::string header_text(const Header& h) {
  std::string text = h.common ? "*" : h.absolute ? ":" : "";
  for (std::size_t i = 0; i < h.parts.size(); ++i) {
    if (i > 0) text += ':';
    text += h.parts[i].name;
    if (h.parts[i].has_suffix) text += std::to_string(h.parts[i].suffix);
  }
  if (h.query) text += '?';
  return text;
}

}  // namespace

void Context::error(int code, std::string_view detail) { session.push_error(code, detail); }

bool Session::receive(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find(kLineEnd);
    const std::string_view piece = bytes.substr(0, end);
    if (partial_.size() + piece.size() > kMaxLine) return false;
    partial_.append(piece);
    buffered_ += piece.size();
    if (end == std::string_view::npos) return true;
    if (!partial_.empty() && partial_.back() == kCarriageReturn) {
      partial_.pop_back();
      --buffered_;
    }
    lines_.push_back(std::move(partial_));
    partial_.clear();
    bytes.remove_prefix(end + 1);
  }
  return true;
}

void Session::end_input() {
  buffered_ -= partial_.size();
  partial_.clear();
  ended_ = true;
}

void Session::start_line(std::string line) {
  buffered_ -= std::min(buffered_, line.size());
  units_ = parse_message(line);
  unit_index_ = 0;
  line_open_ = true;
  path_.clear();
  responses_.clear();
}

void Session::finish_line(std::string& out) {
  line_open_ = false;
  units_.clear();
  unit_index_ = 0;
  if (responses_.empty()) return;
  for (std::size_t i = 0; i < responses_.size(); ++i) {
    if (i > 0) out += kResponseSeparator;
    out += responses_[i];
  }
  out += kLineEnd;
  responses_.clear();
}

Session::Progress Session::run(int budget, std::string& out) {
  check_operation_complete();
  for (;;) {
    if (unit_index_ >= units_.size()) {
      if (line_open_) finish_line(out);
      if (lines_.empty()) return Progress::Done;
      if (budget <= 0) return Progress::Budget;
      std::string line = std::move(lines_.front());
      lines_.pop_front();
      start_line(std::move(line));
      continue;
    }
    if (budget <= 0) return Progress::Budget;
    const Unit& unit = units_[unit_index_];
    if (unit.error != 0) {
      push_error(unit.error, unit.detail);
      ++unit_index_;
      --budget;
      continue;
    }
    const Resolved r = resolve(table_, unit.header, path_);
    if (!r.command) {
      push_error(r.error, header_text(unit.header));
      ++unit_index_;
      --budget;
      continue;
    }
    const int count = static_cast<int>(unit.params.size());
    const bool params_fit = count >= r.command->min_params && count <= r.command->max_params;
    if (params_fit && !may_run(r.command->kind)) return Progress::Waiting;
    path_ = r.next_path;
    ++unit_index_;
    --budget;
    if (count < r.command->min_params) {
      push_error(kMissingParameter, header_text(unit.header));
    } else if (count > r.command->max_params) {
      push_error(kParameterNotAllowed, header_text(unit.header));
    } else {
      Context context{*this, unit, r.channel, responses_};
      r.command->run(context);
      check_operation_complete();
    }
  }
}

bool Session::may_run(Kind kind) {
  switch (kind) {
    case Kind::Query:
    case Kind::Status:
    case Kind::Stop:
      return true;
    case Kind::Setting:
    case Kind::Overlapped:
      return kd71::ui::loop_running() && !kd71::ui::in_callback() && !kd71::ui::modal_open() &&
             operations_complete();
    case Kind::Wait:
      return operations_complete();
  }
  return false;
}

bool Session::operations_complete() {
  // A routine is done once its press has been dispatched and its callback
  // has returned; one that stopped without its result (the board was lost
  // under it) says why in this client's queue, so that *OPC?'s caller can
  // tell.
  std::erase_if(operations_, [this](unsigned long long s) {
    if (kd71::ui::event_waiting(s) || kd71::ui::dispatched_event() == s) return false;
    if (const char* why = routine_failure(s)) push_error(kExecutionError, why);
    return true;
  });
  return operations_.empty() && !kd71::ui::in_callback();
}

void Session::check_operation_complete() {
  if (opc_armed_ && operations_complete()) {
    opc_armed_ = false;
    event_status_ |= kOperationCompleteBit;
  }
}

void Session::push_error(int code, std::string_view detail) {
  event_status_ |= event_status_bit(code);
  if (errors_.size() >= kErrorQueueDepth) {
    // The oldest errors stay; the newest place tells that some were lost.
    errors_.back() = {kQueueOverflow, error_text(kQueueOverflow)};
    event_status_ |= event_status_bit(kQueueOverflow);
    return;
  }
  std::string text = error_text(code);
  if (!detail.empty()) {
    text += ';';
    text.append(detail);
  }
  errors_.emplace_back(code, std::move(text));
}

std::pair<int, std::string> Session::next_error() {
  if (errors_.empty()) return {kNoError, error_text(kNoError)};
  auto e = std::move(errors_.front());
  errors_.pop_front();
  return e;
}

void Session::clear_status() {
  errors_.clear();
  event_status_ = 0;
  opc_armed_ = false;
}

int Session::take_event_status() {
  const int esr = event_status_;
  event_status_ = 0;
  return esr;
}

int Session::status_byte() const {
  int stb = 0;
  if (!errors_.empty()) stb |= kErrorAvailable;
  if (!responses_.empty()) stb |= kMessageAvailable;
  if (event_status_ & event_enable) stb |= kEventSummary;
  if (stb & service_enable & ~kServiceRequest) stb |= kServiceRequest;
  return stb;
}

}  // namespace kd71::scpi
