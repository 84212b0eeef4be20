// A control's numeric value as the panels show it: the digits after the point
// and the exponent form that the panel definition gives the control. The Qt
// read-outs and the console status line both print figures through it, so a
// figure reads the same in the window and on the console.
#pragma once

#include <string>

#include "platform/ui_runtime/panel_def_types.h"

namespace kd71::uir {

// Digits shown after the point when a real-valued control leaves it open.
inline constexpr int kDefaultRealPrecision = 3;

// `value` in the form of control `def`: "10.000", "5.821e-11", "12".
// Integer-typed controls show whole numbers; infinities and NaN show as
// "inf", "-inf" and "nan".
std::string value_text(const ControlDef& def, double value);

}  // namespace kd71::uir
