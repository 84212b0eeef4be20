// Numbers as text in the C conventions: what the parsers take and refuse,
// and formatting of any length.
#include "platform/os/c_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using kd71::c_locale::format;
using kd71::c_locale::parse_double;
using kd71::c_locale::parse_integer;

TEST(CLocaleParse, DecimalNumbersAsStrtodSpellsThem) {
  double v = 0;
  EXPECT_TRUE(parse_double("1.5", &v));
  EXPECT_DOUBLE_EQ(v, 1.5);
  EXPECT_TRUE(parse_double("+2.25e1", &v));
  EXPECT_DOUBLE_EQ(v, 22.5);
  EXPECT_TRUE(parse_double("-.5", &v));
  EXPECT_DOUBLE_EQ(v, -0.5);
  EXPECT_TRUE(parse_double("-1e-400", &v));  // underflows to zero of its sign
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(std::signbit(v));
  EXPECT_TRUE(parse_double("inf", &v));
  EXPECT_TRUE(std::isinf(v));
}

TEST(CLocaleParse, AnythingButOneWholeNumberIsRefusedAndLeavesTheValue) {
  double v = 42.0;
  for (const char* bad :
       {"", "+", "-", "1,5", "1.5 ", " 1.5", "1.5x", "--1", "+-1", "1e400", "0x10", "e5"}) {
    EXPECT_FALSE(parse_double(bad, &v)) << '"' << bad << '"';
    EXPECT_EQ(v, 42.0) << '"' << bad << '"';
  }
}

TEST(CLocaleParse, IntegersDecimalOrWithAHexPrefix) {
  long long v = 0;
  EXPECT_TRUE(parse_integer("-12", &v));
  EXPECT_EQ(v, -12);
  EXPECT_TRUE(parse_integer("0x2104", &v, 0));
  EXPECT_EQ(v, 0x2104);
  EXPECT_TRUE(parse_integer("017", &v, 0));  // no octal: a leading zero is a zero
  EXPECT_EQ(v, 17);
  EXPECT_TRUE(parse_integer("-9223372036854775808", &v));
  EXPECT_EQ(v, std::numeric_limits<long long>::min());
  v = 5;
  for (const char* bad : {"", "9223372036854775808", "0x2104", "12a", "+-3", "0x", "1.0"})
    EXPECT_FALSE(parse_integer(bad, &v)) << '"' << bad << '"';
  EXPECT_FALSE(parse_integer("0x", &v, 0));
  EXPECT_EQ(v, 5);
}

TEST(CLocaleFormat, TextOfAnyLength) {
  EXPECT_EQ(format("%.9E", 1e13), "1.000000000E+13");
  const std::string long_text = format("%s|%d", std::string(300, 'x').c_str(), 7);
  EXPECT_EQ(long_text.size(), 302u);
  EXPECT_EQ(long_text.substr(298), "xx|7");
  char small[6];
  EXPECT_EQ(kd71::c_locale::format_to(small, sizeof small, "%.3f", 12.5), 6);
  EXPECT_STREQ(small, "12.50");  // cut to the room, as snprintf does
}

}  // namespace
