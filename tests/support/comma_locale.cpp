#include "tests/support/comma_locale.h"

#include <clocale>
#include <cstdio>
#include <string>

namespace kd71::test {

bool enter_comma_locale() {
  if (!std::setlocale(LC_ALL, kCommaLocale)) return false;
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", 0.5);
  return std::string(text) == "0,5";
}

void leave_comma_locale() { std::setlocale(LC_ALL, "C"); }

void CommaLocaleTest::SetUp() {
  FreshState::SetUp();
  if (!enter_comma_locale()) GTEST_SKIP() << kCommaLocaleMissing;
}

void CommaLocaleTest::TearDown() {
  leave_comma_locale();
  FreshState::TearDown();
}

}  // namespace kd71::test
