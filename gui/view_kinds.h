// The views of each kind of control, and make_control_view, which picks among them.
#pragma once

#include <memory>

#include "gui/control_view.h"

namespace kd71::qt {

using ViewPtr = std::unique_ptr<ControlView>;

// The view of a control, or nullptr for controls without a widget (timers,
// decorations, canvases).
ViewPtr make_control_view(int panel, const uir::ControlDef& def, InputSink& sink);

// Command buttons, toggle buttons and check boxes.
ViewPtr make_button_view(int panel, const uir::ControlDef& def, InputSink& sink);
// Rings and ring slides.
ViewPtr make_choice_view(int panel, const uir::ControlDef& def, InputSink& sink);
// Figures and texts that only show (numeric and string indicators).
ViewPtr make_readout_view(int panel, const uir::ControlDef& def, InputSink& sink);
// Numeric entries, and numeric slides that only show a level.
ViewPtr make_numeric_view(int panel, const uir::ControlDef& def, InputSink& sink);
// Numeric slides the user moves.
ViewPtr make_slider_view(int panel, const uir::ControlDef& def, InputSink& sink);
// Text messages, string entries and text boxes.
ViewPtr make_text_view(int panel, const uir::ControlDef& def, InputSink& sink);
// LEDs and colour indicators.
ViewPtr make_lamp_view(int panel, const uir::ControlDef& def, InputSink& sink);
ViewPtr make_graph_view(int panel, const uir::ControlDef& def, InputSink& sink);

}  // namespace kd71::qt
