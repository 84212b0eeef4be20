// Graph plots: recorded per graph control for tests and front-ends.

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store_internal.h"

using namespace kd71::ui;
using namespace kd71::ui::detail;

namespace {

ControlState* find_graph(int panel, int control, int* error) {
  ControlState* c = find_control(panel, control, error);
  if (c && c->def->kind != Kind::Graph) {
    *error = UIE_BAD_CONTROL;
    return nullptr;
  }
  return c;
}

}  // namespace

int PlotPoint(int panel, int control, double x, double y, int pointStyle, int color) {
  int error = 0;
  ControlState* c = find_graph(panel, control, &error);
  if (!c) return error;
  Plot p;
  p.handle = g.next_plot++;
  p.x = x;
  p.y = y;
  p.point_style = pointStyle;
  p.color = color;
  c->plots.push_back(p);
  notify(panel, control, Change::Plots);
  return p.handle;
}

int PlotWaveform(int panel, int control, const int* values, int numberOfPoints, double yGain,
                 double yOffset, double initialX, double xIncrement, int plotStyle, int pointStyle,
                 int lineStyle, int pointFrequency, int color) {
  int error = 0;
  ControlState* c = find_graph(panel, control, &error);
  if (!c) return error;
  if (!values || numberOfPoints < 0) return UIE_VALUE_REJECTED;
  Plot p;
  p.handle = g.next_plot++;
  p.waveform = true;
  p.values.assign(values, values + numberOfPoints);
  p.y_gain = yGain;
  p.y_offset = yOffset;
  p.initial_x = initialX;
  p.x_increment = xIncrement;
  p.plot_style = plotStyle;
  p.point_style = pointStyle;
  p.line_style = lineStyle;
  p.point_frequency = pointFrequency;
  p.color = color;
  c->plots.push_back(std::move(p));
  notify(panel, control, Change::Plots);
  return c->plots.back().handle;
}

int DeleteGraphPlot(int panel, int control, int plotHandle, int /*refresh*/) {
  int error = 0;
  ControlState* c = find_graph(panel, control, &error);
  if (!c) return error;
  if (plotHandle == -1) {
    c->plots.clear();
  } else {
    auto it = std::find_if(c->plots.begin(), c->plots.end(),
                           [plotHandle](const Plot& p) { return p.handle == plotHandle; });
    if (it == c->plots.end()) return UIE_VALUE_REJECTED;
    c->plots.erase(it);
  }
  notify(panel, control, Change::Plots);
  return UIE_NO_ERROR;
}
