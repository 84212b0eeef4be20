// The panel definitions of "main.uir" and their look-ups. The program
// registers them with the control store before it loads a panel.
#pragma once

#include <span>

#include "platform/ui_runtime/panel_def_types.h"

namespace kd71::uir {

// The panel `resource_id` of resource file `file` ("main.uir", with or without
// a folder), or nullptr.
const PanelDef* find_panel(const char* file, int resource_id);

// Every panel of "main.uir", in resource-id order.
std::span<const PanelDef* const> all_panels();

// The control `id` of `panel`, or nullptr.
const ControlDef* find_control(const PanelDef& panel, int id);

// Registers the panels with the control store (LoadPanel finds them then).
void register_main_uir();

}  // namespace kd71::uir
