#include "fuzz/fuzz_input.h"

#include <sanitizer/common_interface_defs.h>

#include <cstdio>
#include <cstdlib>

namespace kd71::fuzz {

void silence_console() {
  if (!std::freopen("/dev/null", "w", stdout)) std::perror("fuzz: /dev/null");
}

void finding(const char* what) {
  // Through the sanitizers' report, which stays on when the fuzzer closes
  // the target's standard error.
  __sanitizer_report_error_summary(what);
  std::abort();
}

}  // namespace kd71::fuzz
