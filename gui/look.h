// The instrument look: colours from the store's 0xRRGGBB values and the type
// sizes of the panels, all scaled from the system font so the window grows
// with it.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>

#include "platform/ui_runtime/panel_def_types.h"

class QFrame;
class QPainter;
class QRectF;
class QWidget;

namespace kd71::qt {

QColor to_qcolor(int rgb);

// Gives `widget` the fill and text colours for its normal states and a
// washed-out pair for its dimmed state: a dimmed field's value is as grey as
// the dimmed caption beside it, whatever colours the program gave it.
void paint_colors(QWidget* widget, int fill, int text);

// The text colour of a dimmed caption in the style in use.
QColor dimmed_caption_color();

// Paints a lamp in `color` into `r`: a round LED with a glint, or a square
// colour indicator. `dimmed` washes it out as a dimmed control.
enum class LampShape { Round, Square };
void paint_lamp(QPainter& p, const QRectF& r, QColor color, LampShape shape, bool dimmed,
                const QColor& rim);

// The icon of a toggle button: a lamp that is lit while the button is on,
// `size` pixels across.
QIcon toggle_lamp_icon(int size);

// The font of a look, derived from `base` (the system font).
QFont look_font(uir::Look look, const QFont& base);

// The frame of a group of controls: a raised panel a shade lighter than the
// window.
void style_group_frame(QFrame* frame);
// A read-out: margins inside its box, and the box drawn over its fill.
void style_readout(QFrame* readout);
void draw_readout_box(QWidget* readout);

// A round step (1, 2 or 5 times a power of ten) for about six labels over
// `span`; the plots' axes use it.
double axis_step(double span);

// The plots' logarithmic scales of error ratios: log10 of `ratio` held
// within the decades a count of bits can reach (1e-30 .. 1), and `otherwise`
// for what is no ratio at all (0, negative, NaN), so that no scale is drawn
// from an infinite or undefined end. An infinite ratio is taken as the top.
double ratio_decades(double ratio, double otherwise);
// The decade at or below, and at or above, a ratio (`otherwise` for no ratio).
double decade_below(double ratio, double otherwise);
double decade_above(double ratio, double otherwise);

// Object names that tell the groups and read-outs apart.
inline constexpr const char* kGroupFrameName = "group";
inline constexpr const char* kReadoutName = "readout";

}  // namespace kd71::qt
