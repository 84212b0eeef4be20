// The SCPI server's reading of what a client sends, on any bytes: the
// lines cut from them in pieces of any size, each line taken apart into its
// units and their headers looked up in the instrument's command tree.
//  - A connection is refused exactly when a line passes 4096 bytes; the
//    bytes waiting to run are those of the line under way.
//  - A unit read without error has a header of upper-case mnemonics of at
//    most 12 letters and finite numbers; one with an error says which, with
//    a number of the error queue.
//  - Written out again in its canonical form, a unit reads back the same.
//  - A header found in the tree is found for its own kind (query or not,
//    common or not) and a channel of the board; one not found gets -113 or
//    -114.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/os/c_locale.h"
#include "remote/scpi_commands.h"
#include "remote/scpi_errors.h"
#include "remote/scpi_parser.h"
#include "remote/scpi_session.h"

namespace {

using kd71::fuzz::finding;
using kd71::scpi::Param;
using kd71::scpi::Unit;

constexpr int kKnownErrors[] = {
    kd71::scpi::kCommandError,           kd71::scpi::kSyntaxError,      kd71::scpi::kDataTypeError,
    kd71::scpi::kParameterNotAllowed,    kd71::scpi::kMissingParameter, kd71::scpi::kMnemonicTooLong,
    kd71::scpi::kHeaderSuffixOutOfRange, kd71::scpi::kSuffixNotAllowed, kd71::scpi::kDataOutOfRange};

bool known_error(int code) {
  for (int known : kKnownErrors)
    if (code == known) return true;
  return false;
}

// A header part (`digits` false: its suffix is apart) or a word parameter
// (`digits` true): a letter, then letters, '_' and maybe digits, in upper
// case, at most 12 of them.
bool is_name(const std::string& text, bool digits) {
  using kd71::c_locale::ascii_digit;
  if (text.empty() || text.size() > kd71::scpi::kMaxMnemonic || text[0] < 'A' || text[0] > 'Z')
    return false;
  for (char c : text)
    if (!((c >= 'A' && c <= 'Z') || c == '_' || (digits && ascii_digit(c)))) return false;
  return true;
}

// The unit as a client would type it in full.
std::string canonical(const Unit& u) {
  std::string text = u.header.common ? "*" : u.header.absolute ? ":" : "";
  for (std::size_t i = 0; i < u.header.parts.size(); ++i) {
    if (i > 0) text += ':';
    text += u.header.parts[i].name;
    if (u.header.parts[i].has_suffix) text += std::to_string(u.header.parts[i].suffix);
  }
  if (u.header.query) text += '?';
  for (std::size_t i = 0; i < u.params.size(); ++i) {
    const Param& p = u.params[i];
    text += i == 0 ? " " : ",";
    if (p.type == Param::Type::Number) {
      text += kd71::c_locale::format("%.17g", p.number);
    } else if (p.type == Param::Type::Word) {
      text += p.text;
    } else {
      text += '"';
      for (char c : p.text) text += c == '"' ? std::string("\"\"") : std::string(1, c);
      text += '"';
    }
  }
  return text;
}

bool same(const Unit& a, const Unit& b) {
  if (a.error != b.error || a.header.common != b.header.common ||
      a.header.absolute != b.header.absolute || a.header.query != b.header.query ||
      a.header.parts.size() != b.header.parts.size() || a.params.size() != b.params.size())
    return false;
  for (std::size_t i = 0; i < a.header.parts.size(); ++i) {
    const auto &x = a.header.parts[i], &y = b.header.parts[i];
    if (x.name != y.name || x.has_suffix != y.has_suffix || x.suffix != y.suffix) return false;
  }
  for (std::size_t i = 0; i < a.params.size(); ++i) {
    const Param &x = a.params[i], &y = b.params[i];
    if (x.type != y.type || x.text != y.text || x.number != y.number) return false;
  }
  return true;
}

void check_unit(const Unit& u) {
  if (u.error != 0) {
    if (!known_error(u.error)) finding("a unit's error is not one of the queue's");
    if (u.detail.empty()) finding("a unit's error without its detail");
    return;
  }
  const kd71::scpi::Header& h = u.header;
  if (h.parts.empty()) finding("a unit without a header");
  if (h.common && (h.parts.size() != 1 || h.parts[0].has_suffix))
    finding("a common command of more than one part");
  for (const kd71::scpi::Mnemonic& m : h.parts) {
    if (!is_name(m.name, false)) finding("a header part that is no mnemonic");
    if (m.suffix < 0 || (!m.has_suffix && m.suffix != 0)) finding("a suffix out of place");
  }
  for (const Param& p : u.params) {
    if (p.type == Param::Type::Number && !std::isfinite(p.number)) finding("a number not finite");
    if (p.type == Param::Type::Word && !is_name(p.text, true)) finding("a word parameter misread");
  }
  const std::vector<Unit> again = kd71::scpi::parse_message(canonical(u));
  if (again.size() != 1 || !same(again[0], u)) finding("a unit reads back changed");
}

void check_lookup(const Unit& u, kd71::scpi::Path* path) {
  if (u.error != 0) return;
  const kd71::scpi::Resolved r = kd71::scpi::resolve(kd71::scpi::command_table(), u.header, *path);
  if (!r.command) {
    if (r.error != kd71::scpi::kUndefinedHeader && r.error != kd71::scpi::kHeaderSuffixOutOfRange)
      finding("a header not found without -113 or -114");
    return;
  }
  const std::string header = r.command->header;
  if ((header.back() == '?') != u.header.query) finding("a query found as a command or back");
  if ((header.front() == '*') != u.header.common) finding("a common command found in the tree");
  if (r.channel < 1 || r.channel > kd71::scpi::kChannels) finding("a channel the board does not have");
  *path = r.next_path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kd71::fuzz::FuzzInput input(data, size);
  const std::size_t piece = 1 + input.take<std::uint16_t>() % 6000;
  const std::string_view bytes = input.rest();

  // The session's cut into lines, fed in pieces, against the lines as they
  // are: refused at the first one over the limit.
  kd71::scpi::Session session(kd71::scpi::command_table());
  bool refused = false;
  for (std::size_t at = 0; at < bytes.size() && !refused; at += piece)
    refused = !session.receive(bytes.substr(at, piece));
  bool over = false;
  std::vector<std::string> lines;
  std::string partial;
  for (char c : bytes) {
    if (c != '\n') {
      partial += c;
      if (partial.size() > kd71::scpi::kMaxLine) over = true;
      if (over) break;
      continue;
    }
    if (!partial.empty() && partial.back() == '\r') partial.pop_back();
    lines.push_back(std::move(partial));
    partial.clear();
  }
  if (refused != over) finding("a connection refused for other than a line over the limit");
  if (!refused) {
    std::size_t waiting = partial.size();
    for (const std::string& line : lines) waiting += line.size();
    if (session.buffered() != waiting) finding("the bytes waiting miscounted");
    session.end_input();
    if (session.buffered() != waiting - partial.size())
      finding("a line left without its end still waits");
  }

  for (const std::string& line : lines) {
    kd71::scpi::Path path;
    for (const Unit& u : kd71::scpi::parse_message(line)) {
      check_unit(u);
      check_lookup(u, &path);
    }
  }
  return 0;
}
