// The command tree of the remote-control protocol: a table of headers in
// the SCPI notation, and the look-up of a typed header in it.
//
// A table header names its nodes in mixed case, the upper-case letters
// being the short form ("INPut" is INPUT or INP, in any letter case); "#"
// after a node takes the channel suffix 1 or 2 (1 when none is typed); a
// node in brackets may be left out ("SYSTem:ERRor[:NEXT]?"); "?" ends a
// query. A header without a leading ':' that follows another in the same
// line is looked up under the node the previous one ended in (":INP1:PATT
// PRBS9;THR 5" sets INPut1's threshold; after ":TEST1 ON", which leaves
// out [:STATe], that node is TEST1), then under each node above that, the
// root last; common commands ("*IDN?") leave that place as it is.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "remote/scpi_parser.h"

namespace kd71::scpi {

inline constexpr int kChannels = 2;

struct Context;

// When a command may run.
enum class Kind {
  Query,       // reads: at any time, also while a routine holds the program
  Status,      // the connection's own status and error queue: at any time
  Stop,        // presses a stop button: at any time (a running search takes it)
  Setting,     // changes a control: between events, after the connection's routines
  Overlapped,  // starts a routine: as a setting; *OPC? tells when it has ended
  Wait,        // *OPC? and *WAI: once the connection's routines have ended
};

struct Command {
  const char* header;
  Kind kind;
  int min_params;
  int max_params;
  void (*run)(Context&);
};

// Where the next relative header is looked up: the nodes the last one
// passed through, in their long form, with their suffixes.
using Path = std::vector<Mnemonic>;

struct Resolved {
  const Command* command = nullptr;
  int channel = 1;
  int error = 0;  // kUndefinedHeader or kHeaderSuffixOutOfRange when no command
  Path next_path;
};

// Looks `header` up in `table` from `path`.
Resolved resolve(std::span<const Command> table, const Header& header, const Path& path);

// The table's headers as SYSTem:HELP:HEADers? lists them, one a line: a
// header with its query form once, "/qonly/" after a query without a
// command form, "/nquery/" after a command without a query form, and
// "[1|2]" for the channel suffix.
std::string help_headers(std::span<const Command> table);

}  // namespace kd71::scpi
