// The views of each kind of control; make_control_view picks among them.
#pragma once

#include <memory>

#include "ui/qt/control_view.h"

namespace kd71::qt {

using ViewPtr = std::unique_ptr<ControlView>;

ViewPtr make_command_button_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_toggle_button_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_checkbox_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_ring_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_ring_slide_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_numeric_entry_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_readout_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_level_bar_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_slider_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_string_entry_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_text_box_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_text_message_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_led_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_color_indicator_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_graph_view(int panel, const uir::ControlDef& def, InputSink& sink);

}  // namespace kd71::qt
