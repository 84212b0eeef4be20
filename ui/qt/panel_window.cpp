#include "ui/qt/panel_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QVBoxLayout>
#include <utility>

#include "platform/userint.h"
#include "ui/qt/control_view.h"
#include "ui/qt/input_sink.h"
#include "ui/qt/look.h"

namespace kd71::qt {

using uir::Kind;

namespace {

// Controls whose widget takes up the spare width of its columns; captions,
// buttons and lamps keep their natural size.
bool takes_spare_width(Kind kind) {
  switch (kind) {
    case Kind::TextMessage:
    case Kind::CommandButton:
    case Kind::ToggleButton:
    case Kind::Checkbox:
    case Kind::Led:
    case Kind::ColorIndicator:
      return false;
    default:
      return true;
  }
}

}  // namespace

PanelWindow::PanelWindow(int panel, const uir::PanelDef& def, InputSink& sink)
    : panel_(panel), def_(def), sink_(sink) {
  setStyleSheet(QString::fromUtf8(kPanelStyleSheet));
  auto* content = new QWidget;
  build_groups(content);
  build_controls();
  // A window smaller than its panel scrolls instead of squeezing the figures.
  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);
  setCentralWidget(scroll);
  if (def.menubar) build_menu_bar();
  show_title();
}

PanelWindow::~PanelWindow() = default;

ControlView* PanelWindow::view(int control) const {
  auto it = views_.find(control);
  return it == views_.end() ? nullptr : it->second.get();
}

void PanelWindow::show_title() {
  std::string title;
  GetPanelAttribute(panel_, ATTR_TITLE, &title);
  setWindowTitle(QString::fromStdString(title));
}

void PanelWindow::closeEvent(QCloseEvent* event) {
  // The program decides what closing means (quit, close the panel); the
  // window goes when the store discards its panel.
  event->ignore();
  sink_.close_requested(panel_);
}

void PanelWindow::build_groups(QWidget* content) {
  auto* bands = new QVBoxLayout(content);
  std::map<int, QHBoxLayout*> band_rows;
  std::map<std::pair<int, int>, QVBoxLayout*> columns;
  for (const uir::GroupDef& group : def_.groups) {
    QHBoxLayout*& band = band_rows[group.band];
    if (!band) {
      band = new QHBoxLayout;
      bands->addLayout(band);
    }
    QVBoxLayout*& column = columns[{group.band, group.column}];
    if (!column) {
      column = new QVBoxLayout;
      band->addLayout(column, 1);
    }
    auto* frame = new QFrame;
    frame->setObjectName(kGroupFrameName);
    auto* frame_layout = new QVBoxLayout(frame);
    if (*group.title) {
      auto* title = new QLabel(QString::fromUtf8(group.title));
      title->setFont(look_font(uir::Look::Heading, title->font()));
      frame_layout->addWidget(title);
    }
    auto* grid = new QGridLayout;
    frame_layout->addLayout(grid);
    column->addWidget(frame);
    grids_[group.id] = grid;
  }
  // Groups sit at the top of their column.
  for (auto& [key, column] : columns) column->addStretch(1);
}

void PanelWindow::build_controls() {
  for (const uir::ControlDef& def : def_.controls) {
    const uir::Place& at = def.place;
    auto grid = grids_.find(at.group);
    if (grid == grids_.end()) continue;
    std::unique_ptr<ControlView> view = make_control_view(panel_, def, sink_);
    if (!view) continue;
    grid->second->addWidget(view->widget(), at.row, at.col, 1, at.span);
    if (at.label_col >= 0) {
      auto* label = new QLabel;
      grid->second->addWidget(label, at.row, at.label_col);
      view->attach_label(label);
    }
    if (takes_spare_width(def.kind))
      for (int col = at.col; col < at.col + at.span; ++col) grid->second->setColumnStretch(col, 1);
    view->refresh_all();
    views_.emplace(def.id, std::move(view));
  }
}

void PanelWindow::build_menu_bar() {
  const auto& items = def_.menubar->items;
  auto add_item = [this](auto* owner, const uir::MenuItemDef& item) {
    QAction* action = owner->addAction(QString::fromUtf8(item.label));
    const int id = item.id;
    connect(action, &QAction::triggered, this, [this, id] { sink_.post_menu(panel_, id); });
  };
  for (const uir::MenuItemDef& entry : items) {
    if (entry.parent != 0) continue;
    const bool is_menu = std::any_of(items.begin(), items.end(),
                                     [&entry](const uir::MenuItemDef& i) { return i.parent == entry.id; });
    if (!is_menu) {
      add_item(menuBar(), entry);
      continue;
    }
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(entry.label));
    for (const uir::MenuItemDef& item : items)
      if (item.parent == entry.id) add_item(menu, item);
  }
}

}  // namespace kd71::qt
