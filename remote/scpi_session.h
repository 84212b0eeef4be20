// One remote client's conversation with the instrument: the lines it sends,
// run unit by unit between the program's events, its error queue and its
// status registers, and the routines it has started.
//
// A unit runs when its kind allows (see Kind in scpi_tree.h); the first one
// that has to wait holds the rest of the client's units behind it, so that
// a client's commands always take effect in the order it sent them. The
// answers to the queries of one line go out together at its end, separated
// by ";", ended by "\n".
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "remote/scpi_parser.h"
#include "remote/scpi_tree.h"

namespace kd71::scpi {

inline constexpr std::size_t kMaxLine = 4096;  // a longer line closes the connection
inline constexpr std::size_t kErrorQueueDepth = 20;

class Session;

// What a command sees while it runs.
struct Context {
  Session& session;
  const Unit& unit;
  int channel;
  std::vector<std::string>& responses;

  const std::vector<Param>& params() const { return unit.params; }
  void respond(std::string text) { responses.push_back(std::move(text)); }
  void error(int code, std::string_view detail = {});
};

class Session {
 public:
  explicit Session(std::span<const Command> table) : table_(table) {}

  // Bytes from the client. False when a line passes kMaxLine: the lines
  // before it stay to run, that one and the rest are not taken, and the
  // connection is to be closed once they have run.
  bool receive(std::string_view bytes);
  // The client will send nothing more: a line it left without its end is
  // dropped unrun.
  void end_input();
  bool input_ended() const { return ended_; }
  // Bytes received and not yet run.
  std::size_t buffered() const { return buffered_; }

  enum class Progress {
    Done,     // nothing left to run
    Waiting,  // the next unit waits for a routine, a popup or the event loop
    Budget,   // `budget` units have run and more are ready
  };
  // Runs at most `budget` units; the answers of the lines that are complete
  // are appended to `out`.
  Progress run(int budget, std::string& out);
  bool has_work() const { return !lines_.empty() || unit_index_ < units_.size(); }

  // Status: the error queue and the registers of IEEE 488.2.
  void push_error(int code, std::string_view detail = {});
  // The oldest error, or 0 "No error"; taken from the queue.
  std::pair<int, std::string> next_error();
  std::size_t error_count() const { return errors_.size(); }
  // *CLS: the queue and the event status emptied, *OPC forgotten.
  void clear_status();
  // *ESR?: the event status register, cleared by reading.
  int take_event_status();
  int status_byte() const;
  int event_enable = 0;    // *ESE
  int service_enable = 0;  // *SRE

  // The routines this client has started: the serial numbers of their
  // posted button presses.
  void add_operation(unsigned long long serial) { operations_.push_back(serial); }
  // True once each has run and no routine holds the program.
  bool operations_complete();
  // *OPC: the event status register's operation-complete bit is set once
  // they are.
  void arm_operation_complete() { opc_armed_ = true; }

 private:
  bool may_run(Kind kind);
  void start_line(std::string line);
  void finish_line(std::string& out);
  void check_operation_complete();

  std::span<const Command> table_;
  std::string partial_;            // the line under way
  std::deque<std::string> lines_;  // complete lines not yet begun
  std::size_t buffered_ = 0;
  bool ended_ = false;

  std::vector<Unit> units_;  // the line being run
  std::size_t unit_index_ = 0;
  bool line_open_ = false;
  Path path_;
  std::vector<std::string> responses_;

  std::deque<std::pair<int, std::string>> errors_;
  int event_status_ = 0;
  bool opc_armed_ = false;
  std::vector<unsigned long long> operations_;
};

}  // namespace kd71::scpi
