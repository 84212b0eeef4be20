// Types of the panel definitions that stand in for the resource "main.uir":
// every panel, control and menu item with its identifier, kind, value type,
// resource default, range and callback name.
#pragma once

#include <span>

namespace kd71::uir {

enum class Kind {
  CommandButton,
  ToggleButton,
  Checkbox,
  Ring,
  RingSlide,
  Numeric,
  NumericSlide,
  String,
  TextBox,
  TextMessage,
  Led,
  ColorIndicator,
  Graph,
  Timer,
  Decoration,
  Canvas,
};

// The type in which a control keeps its value.
enum class ValueType {
  None,   // buttons, timers, graphs, decorations
  UChar,  // unsigned 8-bit
  Int,    // signed 32-bit
  UInt,   // unsigned 32-bit
  Int64,  // signed 64-bit
  Float,
  Double,
  Text,
};

struct RingItem {
  const char* label;
  int value;
};

inline constexpr int kNoColor = -1;

struct ControlDef {
  int id = 0;
  const char* constant = "";
  Kind kind = Kind::Decoration;
  ValueType type = ValueType::None;
  const char* callback = nullptr;  // name of the callback; nullptr = none
  const char* label = "";
  const char* tooltip = "";
  double value = 0.0;               // numeric resource default
  const char* text = "";            // text resource default
  bool has_range = false;
  double min = 0.0;
  double max = 0.0;
  double increment = 1.0;           // attribute 733
  int precision = -1;               // digits shown after the point; -1 = front-end's choice
  bool scientific = false;          // shown in exponent form
  std::span<const RingItem> items{};
  bool indicator = false;           // shows a figure; the user cannot edit it
  bool visible = true;
  int text_color = kNoColor;        // kNoColor: the default black
  int fill_color = kNoColor;        // kNoColor: the default white
  int on_color = kNoColor;          // LEDs; kNoColor: green
  double interval = 0.0;            // timers, seconds
  bool enabled = true;              // timers
  const char* x_label = "";         // graphs
  const char* y_label = "";
};

struct MenuItemDef {
  int id = 0;
  const char* constant = "";
  const char* label = "";
  const char* callback = nullptr;
  int parent = 0;  // 0: entry of the bar itself; otherwise the id of its menu
};

struct MenuBarDef {
  int resource_id = 0;
  const char* constant = "";
  std::span<const MenuItemDef> items{};
};

struct PanelDef {
  int resource_id = 0;
  const char* constant = "";
  const char* title = "";
  std::span<const ControlDef> controls{};
  const MenuBarDef* menubar = nullptr;
};

// The panel `resource_id` of resource file `file` ("main.uir", with or without
// a folder), or nullptr.
const PanelDef* find_panel(const char* file, int resource_id);

// Every panel of "main.uir", in resource-id order.
std::span<const PanelDef* const> all_panels();

// The control `id` of `panel`, or nullptr.
const ControlDef* find_control(const PanelDef& panel, int id);

}  // namespace kd71::uir
