#include "gui/view_kinds.h"

namespace kd71::qt {

std::unique_ptr<ControlView> make_control_view(int panel, const uir::ControlDef& def,
                                               InputSink& sink) {
  using uir::Kind;
  switch (def.kind) {
    case Kind::CommandButton:
    case Kind::ToggleButton:
    case Kind::Checkbox:
      return make_button_view(panel, def, sink);
    case Kind::Ring:
    case Kind::RingSlide:
      return make_choice_view(panel, def, sink);
    case Kind::Numeric:
      return def.indicator ? make_readout_view(panel, def, sink)
                           : make_numeric_view(panel, def, sink);
    case Kind::NumericSlide:
      return def.indicator ? make_numeric_view(panel, def, sink)
                           : make_slider_view(panel, def, sink);
    case Kind::String:
      return def.indicator ? make_readout_view(panel, def, sink) : make_text_view(panel, def, sink);
    case Kind::TextBox:
    case Kind::TextMessage:
      return make_text_view(panel, def, sink);
    case Kind::Led:
    case Kind::ColorIndicator:
      return make_lamp_view(panel, def, sink);
    case Kind::Graph:
      return make_graph_view(panel, def, sink);
    case Kind::Timer:
    case Kind::Decoration:
    case Kind::Canvas:
      return nullptr;
  }
  return nullptr;
}

}  // namespace kd71::qt
