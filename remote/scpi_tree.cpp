#include "remote/scpi_tree.h"

#include <map>

#include "platform/os/c_locale.h"
#include "remote/scpi_errors.h"

namespace kd71::scpi {

namespace {

constexpr char kChannelMark = '#';

struct Node {
  std::string long_form;   // upper case
  std::string short_form;  // the upper-case letters of the table's spelling
  bool channel = false;
  bool optional = false;
};

struct Pattern {
  bool common = false;
  bool query = false;
  std::vector<Node> nodes;
};

Pattern compile(std::string_view header) {
  Pattern p;
  if (!header.empty() && header.back() == '?') {
    p.query = true;
    header.remove_suffix(1);
  }
  if (!header.empty() && header.front() == '*') {
    p.common = true;
    header.remove_prefix(1);
  }
  bool optional = false;
  Node node;
  auto finish = [&] {
    if (!node.long_form.empty()) p.nodes.push_back(node);
    node = Node{};
    node.optional = optional;
  };
  for (char c : header) {
    if (c == '[') {
      finish();
      optional = node.optional = true;
    } else if (c == ']') {
      finish();
      optional = node.optional = false;
    } else if (c == ':') {
      finish();
    } else if (c == kChannelMark) {
      node.channel = true;
    } else {
      node.long_form += kd71::c_locale::ascii_upper(c);
      if (kd71::c_locale::ascii_upper(c) == c) node.short_form += c;  // capitals and digits
    }
  }
  finish();
  return p;
}

// The compiled patterns of a table, made once for each table.
const std::vector<Pattern>& patterns(std::span<const Command> table) {
  struct Compiled {
    std::vector<const char*> headers;
    std::vector<Pattern> patterns;
  };
  static std::map<const Command*, Compiled> compiled;
  Compiled& c = compiled[table.data()];
  bool same = c.headers.size() == table.size();
  for (std::size_t i = 0; same && i < table.size(); ++i) same = c.headers[i] == table[i].header;
  if (same) return c.patterns;
  c.headers.clear();
  c.patterns.clear();
  for (const Command& command : table) {
    c.headers.push_back(command.header);
    c.patterns.push_back(compile(command.header));
  }
  return c.patterns;
}

enum class Match { None, Suffix, Full };

bool names_match(const Mnemonic& typed, const Node& node) {
  return typed.name == node.long_form || typed.name == node.short_form;
}

bool suffix_fits(const Mnemonic& typed, const Node& node) {
  if (!typed.has_suffix) return true;
  return node.channel && typed.suffix >= 1 && typed.suffix <= kChannels;
}

// Typed parts from `t` on against nodes from `n` on; a node in brackets may
// be passed over. `channel` gets the suffix of the channel node.
Match match(const std::vector<Mnemonic>& typed, std::size_t t, const std::vector<Node>& nodes,
            std::size_t n, int* channel) {
  if (t == typed.size()) {
    for (; n < nodes.size(); ++n)
      if (!nodes[n].optional) return Match::None;
    return Match::Full;
  }
  if (n == nodes.size()) return Match::None;
  Match best = Match::None;
  if (names_match(typed[t], nodes[n])) {
    int ch = *channel;
    Match rest = match(typed, t + 1, nodes, n + 1, &ch);
    if (rest == Match::Full && !suffix_fits(typed[t], nodes[n])) rest = Match::Suffix;
    if (rest == Match::Full) {
      *channel = nodes[n].channel && typed[t].has_suffix ? typed[t].suffix : ch;
      return Match::Full;
    }
    best = rest;
  }
  if (nodes[n].optional) {
    const Match skipped = match(typed, t, nodes, n + 1, channel);
    if (skipped == Match::Full) return skipped;
    if (skipped == Match::Suffix) best = Match::Suffix;
  }
  return best;
}

// `leaf_typed`: the header named the command's last node; otherwise that
// node was left out (a header ending in "[:STATe]") and the typed header is
// the place for the next one.
Resolved look_up(std::span<const Command> table, const Header& header,
                 const std::vector<Mnemonic>& typed, bool* leaf_typed = nullptr) {
  Resolved r;
  bool suffix_error = false;
  const std::vector<Pattern>& compiled = patterns(table);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const Pattern& p = compiled[i];
    if (p.common != header.common || p.query != header.query) continue;
    int channel = 1;
    const Match m = match(typed, 0, p.nodes, 0, &channel);
    if (m == Match::Full) {
      r.command = &table[i];
      r.channel = channel;
      if (leaf_typed) *leaf_typed = !typed.empty() && names_match(typed.back(), p.nodes.back());
      return r;
    }
    if (m == Match::Suffix) suffix_error = true;
  }
  r.error = suffix_error ? kHeaderSuffixOutOfRange : kUndefinedHeader;
  return r;
}

}  // namespace

Resolved resolve(std::span<const Command> table, const Header& header, const Path& path) {
  if (header.common) {
    Resolved r = look_up(table, header, header.parts);
    r.next_path = path;
    return r;
  }
  // Under the whole path first, then under each node above it, the root last.
  const std::size_t deepest = header.absolute ? 0 : path.size();
  bool suffix_error = false;
  for (std::size_t depth = deepest + 1; depth-- > 0;) {
    std::vector<Mnemonic> typed(path.begin(), path.begin() + static_cast<long>(depth));
    typed.insert(typed.end(), header.parts.begin(), header.parts.end());
    bool leaf_typed = true;
    Resolved r = look_up(table, header, typed, &leaf_typed);
    if (r.command) {
      r.next_path.assign(typed.begin(), leaf_typed ? typed.end() - 1 : typed.end());
      return r;
    }
    suffix_error = suffix_error || r.error == kHeaderSuffixOutOfRange;
  }
  Resolved r;
  r.error = suffix_error ? kHeaderSuffixOutOfRange : kUndefinedHeader;
  return r;
}

std::string help_headers(std::span<const Command> table) {
  struct Forms {
    bool command = false, query = false;
  };
  std::vector<std::string> order;
  std::map<std::string, Forms> forms;
  for (const Command& c : table) {
    std::string h = c.header;
    const bool query = !h.empty() && h.back() == '?';
    if (query) h.pop_back();
    std::string shown = h.front() == '*' || h.front() == ':' ? "" : ":";
    for (char ch : h) {
      if (ch == kChannelMark)
        shown += "[1|2]";
      else
        shown += ch;
    }
    if (!forms.count(shown)) order.push_back(shown);
    (query ? forms[shown].query : forms[shown].command) = true;
  }
  std::string out;
  for (const std::string& h : order) {
    const Forms& f = forms[h];
    out += h;
    if (f.query) out += '?';
    if (f.query && !f.command) out += "/qonly/";
    if (f.command && !f.query) out += "/nquery/";
    out += '\n';
  }
  return out;
}

}  // namespace kd71::scpi
