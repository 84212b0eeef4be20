// Tests under a locale that writes decimal commas, as a German desktop has
// it (and the window toolkit adopts at start-up).
#pragma once

#include "tests/support/fresh_state.h"

namespace kd71::test {

inline constexpr const char* kCommaLocale = "de_DE.UTF-8";
inline constexpr const char* kCommaLocaleMissing =
    "the de_DE.UTF-8 locale is not installed (scripts/kd71.sh test generates it)";

// Sets the process locale to kCommaLocale; true when the C library then
// writes 0.5 as "0,5".
bool enter_comma_locale();
// Back to the C locale.
void leave_comma_locale();

// A fresh state under the comma locale; the test is skipped when the locale
// is missing.
class CommaLocaleTest : public FreshState {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace kd71::test
