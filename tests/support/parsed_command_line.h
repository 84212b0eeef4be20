// The command line as the program would read it from `args` (the program's
// name is put in front).
#pragma once

#include <string>
#include <vector>

#include "program/command_line.h"

namespace kd71::test {

inline CommandLine parse(std::vector<std::string> args) {
  args.insert(args.begin(), "kd71");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return parse_command_line(static_cast<int>(argv.size()), argv.data());
}

}  // namespace kd71::test
