// Figures as the panels show them.
#include "ui/value_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using kd71::uir::ControlDef;
using kd71::uir::ValueType;

TEST(ValueText, DigitsAndExponentFormFollowTheControl) {
  const ControlDef rate{.type = ValueType::Float, .precision = 3};
  const ControlDef ratio{.type = ValueType::Float, .precision = 3, .scientific = true};
  const ControlDef open{.type = ValueType::Double};
  const ControlDef count{.type = ValueType::Int64};
  EXPECT_EQ(kd71::uir::value_text(rate, 10.0), "10.000");
  EXPECT_EQ(kd71::uir::value_text(rate, 9.9996), "10.000");
  EXPECT_EQ(kd71::uir::value_text(ratio, 1.0 / 17179869184.0), "5.821e-11");
  EXPECT_EQ(kd71::uir::value_text(ratio, 0.5), "5.000e-01");
  EXPECT_EQ(kd71::uir::value_text(open, 0.25), "0.250");
  EXPECT_EQ(kd71::uir::value_text(count, 1099511627775.0), "1099511627775");
  EXPECT_EQ(kd71::uir::value_text(count, 0.0), "0");
}

TEST(ValueText, DivisionsByAZeroSampleLengthShowAsInfinity) {
  const ControlDef ratio{.type = ValueType::Float, .precision = 3, .scientific = true};
  EXPECT_EQ(kd71::uir::value_text(ratio, std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(kd71::uir::value_text(ratio, -std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(kd71::uir::value_text(ratio, std::numeric_limits<double>::quiet_NaN()), "nan");
}

}  // namespace
