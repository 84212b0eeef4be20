// Control values: each control keeps its value in its own type; a value of
// another numeric type is converted, clamped to the control's range, and a
// ring takes only the values of its items.

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store_internal.h"

namespace kd71::ui {
namespace {

using namespace detail;

// Limits of an integer value type, narrowed by the control's range.
void integer_limits(const ControlDef& def, long long* lo, long long* hi) {
  switch (def.type) {
    case ValueType::UChar:
      *lo = 0;
      *hi = 255;
      break;
    case ValueType::Int:
      *lo = std::numeric_limits<int>::min();
      *hi = std::numeric_limits<int>::max();
      break;
    case ValueType::UInt:
      *lo = 0;
      *hi = std::numeric_limits<unsigned int>::max();
      break;
    default:
      *lo = std::numeric_limits<long long>::min();
      *hi = std::numeric_limits<long long>::max();
      break;
  }
  if (def.has_range) {
    // Ranges of 64-bit controls stay well inside what a double holds exactly.
    const long double rmin = std::ceil(static_cast<long double>(def.min));
    const long double rmax = std::floor(static_cast<long double>(def.max));
    if (rmin > *lo) *lo = static_cast<long long>(rmin);
    if (rmax < *hi) *hi = static_cast<long long>(rmax);
  }
}

// A numeric value as it arrives from SetCtrlVal, in the caller's type.
struct Incoming {
  enum { Signed, Unsigned, Real } kind;
  long long s = 0;
  unsigned long long u = 0;
  double d = 0.0;
};

double as_double(const Incoming& in) {
  switch (in.kind) {
    case Incoming::Signed:
      return static_cast<double>(in.s);
    case Incoming::Unsigned:
      return static_cast<double>(in.u);
    default:
      return in.d;
  }
}

// The exact integer an incoming value stands for, if it is one.
bool exact_integer(const Incoming& in, long long* out) {
  switch (in.kind) {
    case Incoming::Signed:
      *out = in.s;
      return true;
    case Incoming::Unsigned:
      if (in.u > static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
        return false;
      *out = static_cast<long long>(in.u);
      return true;
    default:
      if (!std::isfinite(in.d) || std::trunc(in.d) != in.d || std::fabs(in.d) > 9.0e18)
        return false;
      *out = static_cast<long long>(in.d);
      return true;
  }
}

long long clamp_to_integer(const Incoming& in, long long lo, long long hi) {
  switch (in.kind) {
    case Incoming::Signed:
      return std::clamp(in.s, lo, hi);
    case Incoming::Unsigned:
      if (hi < 0) return hi;
      if (in.u > static_cast<unsigned long long>(hi)) return hi;
      return std::max(static_cast<long long>(in.u), lo);
    default: {
      const long double v = std::trunc(static_cast<long double>(in.d));
      if (v <= static_cast<long double>(lo)) return lo;
      if (v >= static_cast<long double>(hi)) return hi;
      return static_cast<long long>(v);
    }
  }
}

int assign_numeric(ControlState& c, const Incoming& in) {
  const ControlDef& def = *c.def;
  if (!is_integer(def.type) && !is_real(def.type)) return UIE_WRONG_TYPE;
  if (in.kind == Incoming::Real && std::isnan(in.d)) return UIE_VALUE_REJECTED;

  if (is_list(def.kind)) {
    long long v = 0;
    if (!exact_integer(in, &v)) return UIE_VALUE_REJECTED;
    const bool listed =
        std::any_of(def.items.begin(), def.items.end(),
                    [v](const kd71::uir::RingItem& item) { return item.value == v; });
    if (!listed) return UIE_VALUE_REJECTED;
    c.ival = v;
    return UIE_NO_ERROR;
  }

  if (is_real(def.type)) {
    double v = as_double(in);
    if (def.has_range) v = std::clamp(v, def.min, def.max);
    if (def.type == ValueType::Float) {
      if (std::isfinite(v))
        v = std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
      v = static_cast<float>(v);
    }
    c.dval = v;
    return UIE_NO_ERROR;
  }

  if (is_on_off(def.kind)) {
    c.ival = as_double(in) != 0.0 ? 1 : 0;
    return UIE_NO_ERROR;
  }
  long long lo = 0, hi = 0;
  integer_limits(def, &lo, &hi);
  c.ival = clamp_to_integer(in, lo, hi);
  return UIE_NO_ERROR;
}

int set_numeric(int panel, int control, const Incoming& in) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  const int result = assign_numeric(*c, in);
  if (result == UIE_NO_ERROR) notify(panel, control, Change::Value);
  return result;
}

// Reads a numeric control into T, checking that T is the control's type.
template <typename T>
int get_numeric(int panel, int control, T* out, ValueType expected) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  const ValueType type = c->def->type;
  if (!is_integer(type) && !is_real(type)) {
    assert(!"GetCtrlVal on a control without a numeric value");
    return UIE_WRONG_TYPE;
  }
  const int result = type == expected ? UIE_NO_ERROR : UIE_WRONG_TYPE;
  assert(result == UIE_NO_ERROR && "GetCtrlVal into a type other than the control's");
  *out = is_real(type) ? static_cast<T>(c->dval) : static_cast<T>(c->ival);
  return result;
}

Incoming signed_in(long long v) {
  Incoming in{Incoming::Signed};
  in.s = v;
  return in;
}
Incoming unsigned_in(unsigned long long v) {
  Incoming in{Incoming::Unsigned};
  in.u = v;
  return in;
}
Incoming real_in(double v) {
  Incoming in{Incoming::Real};
  in.d = v;
  return in;
}

}  // namespace
}  // namespace kd71::ui

using namespace kd71::ui;
using namespace kd71::ui::detail;

int SetCtrlVal(int panel, int control, int value) {
  return set_numeric(panel, control, signed_in(value));
}
int SetCtrlVal(int panel, int control, long value) {
  return set_numeric(panel, control, signed_in(value));
}
int SetCtrlVal(int panel, int control, long long value) {
  return set_numeric(panel, control, signed_in(value));
}
int SetCtrlVal(int panel, int control, unsigned char value) {
  return set_numeric(panel, control, unsigned_in(value));
}
int SetCtrlVal(int panel, int control, unsigned int value) {
  return set_numeric(panel, control, unsigned_in(value));
}
int SetCtrlVal(int panel, int control, unsigned long value) {
  return set_numeric(panel, control, unsigned_in(value));
}
int SetCtrlVal(int panel, int control, unsigned long long value) {
  return set_numeric(panel, control, unsigned_in(value));
}
int SetCtrlVal(int panel, int control, float value) {
  return set_numeric(panel, control, real_in(value));
}
int SetCtrlVal(int panel, int control, double value) {
  return set_numeric(panel, control, real_in(value));
}

int SetCtrlVal(int panel, int control, const char* text) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (c->def->type != ValueType::Text || !text) return UIE_WRONG_TYPE;
  if (c->def->kind == Kind::TextBox) {
    c->text += text;  // a text box is a log, with its newest lines kept
    if (c->text.size() > kTextBoxLimit) {
      std::size_t cut = c->text.size() - kTextBoxLimit / 2;
      const std::size_t line = c->text.find('\n', cut);
      cut = line == std::string::npos ? cut : line + 1;
      c->text.erase(0, cut);
      c->text.shrink_to_fit();
    }
  } else
    c->text = text;
  notify(panel, control, Change::Value);
  return UIE_NO_ERROR;
}

int SetCtrlVal(int panel, int control, const std::string& text) {
  return SetCtrlVal(panel, control, text.c_str());
}

int GetCtrlVal(int panel, int control, unsigned char* value) {
  return get_numeric(panel, control, value, ValueType::UChar);
}
int GetCtrlVal(int panel, int control, int* value) {
  return get_numeric(panel, control, value, ValueType::Int);
}
int GetCtrlVal(int panel, int control, unsigned int* value) {
  return get_numeric(panel, control, value, ValueType::UInt);
}
int GetCtrlVal(int panel, int control, long* value) {
  return get_numeric(panel, control, value, ValueType::Int64);
}
int GetCtrlVal(int panel, int control, long long* value) {
  return get_numeric(panel, control, value, ValueType::Int64);
}
int GetCtrlVal(int panel, int control, float* value) {
  return get_numeric(panel, control, value, ValueType::Float);
}
int GetCtrlVal(int panel, int control, double* value) {
  return get_numeric(panel, control, value, ValueType::Double);
}

int GetCtrlVal(int panel, int control, std::string* text) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (c->def->type != ValueType::Text) {
    assert(!"GetCtrlVal of text from a control without text");
    return UIE_WRONG_TYPE;
  }
  *text = c->text;
  return UIE_NO_ERROR;
}

int GetCtrlValText(int panel, int control, char* buffer, std::size_t size) {
  std::string text;
  const int result = GetCtrlVal(panel, control, &text);
  if (result != UIE_NO_ERROR || size == 0) return result;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return UIE_NO_ERROR;
}
