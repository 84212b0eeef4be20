// Types of the panel definitions that stand in for the resource "main.uir":
// every panel, control and menu item with its identifier, kind, value type,
// resource default, range and callback name. They are the control store's
// vocabulary; the definitions themselves live in ui/main_uir.cpp, which
// provides the three look-ups at the end of this header.
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

// The type a control's text is set in.
enum class Look {
  Plain,
  Title,    // panel and channel names
  Heading,  // the caption that heads a group
  Figure,   // a figure read from a distance: larger digits
};

// Where a control sits on its panel: in group `group` (0: not shown), at
// `row` and `col` of the group's grid, over `span` columns, with its label in
// column `label_col` of the same row (-1: no label beside it; buttons and
// check boxes carry their label on themselves).
struct Place {
  int group = 0;
  int row = 0;
  int col = 0;
  int span = 1;
  int label_col = -1;
  Look look = Look::Plain;
};

// A framed group of controls. A panel lays its groups out in bands from top
// to bottom; each band holds columns side by side, each column its groups
// from top to bottom in the order of the panel's group list. Groups with the
// same non-zero `grid` share their column widths, so that their captions and
// figures line up. Groups that name a `page` go on that page of a set of
// tabs, laid out there by their bands and columns in the same way; the tabs
// take the band and column of the first such group among the others.
struct GroupDef {
  int id = 0;
  const char* title = "";  // "" when a heading control inside names the group
  int band = 0;
  int column = 0;
  int grid = 0;
  const char* page = "";  // "": on the panel itself
};

struct ControlDef {
  int id = 0;
  const char* constant = "";
  Kind kind = Kind::Decoration;
  ValueType type = ValueType::None;
  const char* callback = nullptr;  // name of the callback; nullptr = none
  const char* label = "";
  const char* tooltip = "";
  double value = 0.0;     // numeric resource default
  const char* text = "";  // text resource default
  bool has_range = false;
  double min = 0.0;
  double max = 0.0;
  double increment = 1.0;   // attribute 733
  int precision = -1;       // digits shown after the point; -1 = front-end's choice
  bool scientific = false;  // shown in exponent form
  std::span<const RingItem> items{};
  bool indicator = false;  // shows a figure; the user cannot edit it
  bool visible = true;
  int text_color = kNoColor;  // kNoColor: the default black
  int fill_color = kNoColor;  // kNoColor: the default white
  int on_color = kNoColor;    // LEDs; kNoColor: green
  double interval = 0.0;      // timers, seconds
  bool enabled = true;        // timers
  const char* x_label = "";   // graphs
  const char* y_label = "";
  int columns = 0;  // text boxes: the characters of a line shown whole
  Place place{};    // layout on the panel
  // A second place that shows the same control, for a setting a button
  // elsewhere on the panel acts on (group 0: none).
  Place also{};
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
  std::span<const GroupDef> groups{};  // layout of the placed controls
};

}  // namespace kd71::uir
