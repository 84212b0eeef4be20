// Control attributes: dimmed, visible, operable, tooltip, colours,
// increment, label, and the timers' interval and enabled state.

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

int set_int_attribute(int panel, int control, int attribute, int value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  Change change = Change::Value;
  switch (attribute) {
    case ATTR_DIMMED:
      c->dimmed = value != 0;
      change = Change::Dimmed;
      break;
    case ATTR_VISIBLE:
      c->visible = value != 0;
      change = Change::Visible;
      break;
    case ATTR_CTRL_MODE:
      c->operable = value != 0;
      change = Change::Operable;
      break;
    case ATTR_TEXT_COLOR:
      c->text_color = value;
      change = Change::TextColor;
      break;
    case ATTR_FILL_COLOR:
      c->fill_color = value;
      change = Change::FillColor;
      break;
    case ATTR_ON_COLOR:
      c->on_color = value;
      change = Change::OnColor;
      break;
    case ATTR_INCR_VALUE:
      c->increment = value;
      change = Change::Increment;
      break;
    case ATTR_ENABLED:
      if (c->def->kind != Kind::Timer) return UIE_BAD_ATTRIBUTE;
      if (value && !c->enabled) c->restart(clock::now());
      c->enabled = value != 0;
      change = Change::Timer;
      break;
    default:
      return UIE_BAD_ATTRIBUTE;
  }
  notify(panel, control, change);
  return UIE_NO_ERROR;
}

}  // namespace
}  // namespace kd71::ui

using namespace kd71::ui;
using namespace kd71::ui::detail;

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
  return set_int_attribute(panel, control, attribute, value);
}

int SetCtrlAttribute(int panel, int control, int attribute, unsigned int value) {
  return set_int_attribute(panel, control, attribute, static_cast<int>(value));
}

int SetCtrlAttribute(int panel, int control, int attribute, double value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (attribute == ATTR_INCR_VALUE) {
    c->increment = value;
    notify(panel, control, Change::Increment);
    return UIE_NO_ERROR;
  }
  if (attribute == ATTR_INTERVAL) {
    if (c->def->kind != Kind::Timer) return UIE_BAD_ATTRIBUTE;
    c->interval = value;
    c->restart(kd71::clock::now());
    notify(panel, control, Change::Timer);
    return UIE_NO_ERROR;
  }
  if (!std::isfinite(value)) return UIE_VALUE_REJECTED;
  return set_int_attribute(panel, control, attribute, static_cast<int>(value));
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (!value) return UIE_VALUE_REJECTED;
  if (attribute == ATTR_TOOLTIP_TEXT) {
    c->tooltip = value;
    notify(panel, control, Change::Tooltip);
    return UIE_NO_ERROR;
  }
  if (attribute == ATTR_LABEL_TEXT) {
    c->label = value;
    notify(panel, control, Change::Label);
    return UIE_NO_ERROR;
  }
  return UIE_BAD_ATTRIBUTE;
}

int GetCtrlAttribute(int panel, int control, int attribute, int* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  switch (attribute) {
    case ATTR_DIMMED:
      *value = c->dimmed;
      break;
    case ATTR_VISIBLE:
      *value = c->visible;
      break;
    case ATTR_CTRL_MODE:
      *value = c->operable;
      break;
    case ATTR_TEXT_COLOR:
      *value = c->text_color;
      break;
    case ATTR_FILL_COLOR:
      *value = c->fill_color;
      break;
    case ATTR_ON_COLOR:
      *value = c->on_color;
      break;
    case ATTR_INCR_VALUE:
      *value = static_cast<int>(c->increment);
      break;
    case ATTR_ENABLED:
      *value = c->enabled;
      break;
    default:
      return UIE_BAD_ATTRIBUTE;
  }
  return UIE_NO_ERROR;
}

int GetCtrlAttribute(int panel, int control, int attribute, double* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (attribute == ATTR_INCR_VALUE)
    *value = c->increment;
  else if (attribute == ATTR_INTERVAL)
    *value = c->interval;
  else
    return UIE_BAD_ATTRIBUTE;
  return UIE_NO_ERROR;
}

int GetCtrlAttribute(int panel, int control, int attribute, float* value) {
  double d = 0.0;
  const int result = GetCtrlAttribute(panel, control, attribute, &d);
  if (result == UIE_NO_ERROR) *value = static_cast<float>(d);
  return result;
}

int GetCtrlAttribute(int panel, int control, int attribute, std::string* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (attribute == ATTR_TOOLTIP_TEXT)
    *value = c->tooltip;
  else if (attribute == ATTR_LABEL_TEXT)
    *value = c->label;
  else
    return UIE_BAD_ATTRIBUTE;
  return UIE_NO_ERROR;
}
