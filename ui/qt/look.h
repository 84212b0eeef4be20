// The instrument look: colours from the store's 0xRRGGBB values and the type
// sizes of the panels, all scaled from the system font so the window grows
// with it.
#pragma once

#include <QColor>
#include <QFont>

#include "platform/panel_def_types.h"

class QFrame;
class QWidget;

namespace kd71::qt {

QColor to_qcolor(int rgb);

// Gives `widget` the fill and text colours for its normal states and a
// washed-out pair for its dimmed state, so a dimmed field still looks dimmed.
void paint_colors(QWidget* widget, int fill, int text);

// The font of a look, derived from `base` (the system font).
QFont look_font(uir::Look look, const QFont& base);

// The frame of a group of controls: a raised panel a shade lighter than the
// window.
void style_group_frame(QFrame* frame);
// A read-out: margins inside its box, and the box drawn over its fill.
void style_readout(QFrame* readout);
void draw_readout_box(QWidget* readout);

// Object names that tell the groups and read-outs apart.
inline constexpr const char* kGroupFrameName = "group";
inline constexpr const char* kReadoutName = "readout";

}  // namespace kd71::qt
