#include "ui/qt/panel_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <utility>
#include <vector>

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

// Graphs and logs take whatever room the panel has to spare.
bool fills_room(Kind kind) { return kind == Kind::Graph || kind == Kind::TextBox; }

}  // namespace

PanelWindow::PanelWindow(int panel, const uir::PanelDef& def, InputSink& sink)
    : panel_(panel), def_(def), sink_(sink) {
  build_groups();
  build_controls();
  auto* content = new QWidget;
  lay_out_groups(content);
  align_columns();
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

void PanelWindow::build_groups() {
  for (const uir::GroupDef& def : def_.groups) {
    Group& group = groups_[def.id];
    group.frame = new QFrame;
    style_group_frame(group.frame);
    auto* frame_layout = new QVBoxLayout(group.frame);
    if (*def.title) {
      auto* title = new QLabel(QString::fromUtf8(def.title));
      title->setFont(look_font(uir::Look::Heading, title->font()));
      frame_layout->addWidget(title);
    }
    group.grid = new QGridLayout;
    group.grid->setVerticalSpacing(group.frame->fontMetrics().height() / 2);
    frame_layout->addLayout(group.grid, 1);
  }
}

void PanelWindow::build_controls() {
  for (const uir::ControlDef& def : def_.controls) {
    const uir::Place& at = def.place;
    auto found = groups_.find(at.group);
    if (found == groups_.end()) continue;
    Group& group = found->second;
    std::unique_ptr<ControlView> view = make_control_view(panel_, def, sink_);
    if (!view) continue;
    const bool lamp = def.kind == Kind::Led || def.kind == Kind::ColorIndicator;
    group.grid->addWidget(view->widget(), at.row, at.col, 1, at.span,
                          lamp ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment());
    if (at.label_col >= 0) {
      auto* label = new QLabel;
      group.grid->addWidget(label, at.row, at.label_col);
      view->attach_label(label);
    }
    if (fills_room(def.kind)) {
      group.fills = true;
      group.grid->setRowStretch(at.row, 1);
      for (int col = at.col; col < at.col + at.span; ++col) group.grid->setColumnStretch(col, 1);
    } else if (takes_spare_width(def.kind) && at.span == 1) {
      group.grid->setColumnStretch(at.col, 1);
    }
    view->refresh_all();
    views_.emplace(def.id, std::move(view));
  }
}

void PanelWindow::lay_out_groups(QWidget* content) {
  // Bands and columns in the order in which the group list names them.
  std::vector<int> bands;
  std::map<int, std::vector<int>> columns_of_band;
  std::map<std::pair<int, int>, std::vector<const uir::GroupDef*>> groups_of_column;
  for (const uir::GroupDef& def : def_.groups) {
    if (std::find(bands.begin(), bands.end(), def.band) == bands.end()) bands.push_back(def.band);
    std::vector<int>& columns = columns_of_band[def.band];
    if (std::find(columns.begin(), columns.end(), def.column) == columns.end())
      columns.push_back(def.column);
    groups_of_column[{def.band, def.column}].push_back(&def);
  }

  auto* panel_layout = new QVBoxLayout(content);
  bool any_band_fills = false;
  for (int band : bands) {
    auto* band_layout = new QHBoxLayout;
    bool band_fills = false;
    for (int column : columns_of_band[band]) {
      auto* column_layout = new QVBoxLayout;
      bool column_fills = false;
      for (const uir::GroupDef* def : groups_of_column[{band, column}]) {
        const Group& group = groups_.at(def->id);
        column_layout->addWidget(group.frame, group.fills ? 1 : 0);
        column_fills = column_fills || group.fills;
      }
      // Groups without a graph or a log sit at the top of their column.
      if (!column_fills) column_layout->addStretch(1);
      band_layout->addLayout(column_layout, 1);
      band_fills = band_fills || column_fills;
    }
    panel_layout->addLayout(band_layout, band_fills ? 1 : 0);
    any_band_fills = any_band_fills || band_fills;
  }
  if (!any_band_fills) panel_layout->addStretch(1);
}

void PanelWindow::align_columns() {
  // Groups that share a grid share their column widths and the columns that
  // take the spare width, so that captions, figures and units line up from
  // group to group.
  std::map<int, std::vector<QGridLayout*>> shared;
  for (const uir::GroupDef& def : def_.groups)
    if (def.grid != 0) shared[def.grid].push_back(groups_.at(def.id).grid);
  for (auto& [grid_id, grids] : shared) {
    std::map<int, int> widths;
    std::set<int> stretching;
    for (QGridLayout* grid : grids) {
      for (int i = 0; i < grid->count(); ++i) {
        int row = 0, col = 0, rows = 0, cols = 0;
        grid->getItemPosition(i, &row, &col, &rows, &cols);
        QWidget* w = grid->itemAt(i)->widget();
        if (cols != 1 || !w || qobject_cast<QAbstractButton*>(w)) continue;
        widths[col] = std::max({widths[col], w->minimumWidth(), w->minimumSizeHint().width()});
      }
      for (int col = 0; col < grid->columnCount(); ++col)
        if (grid->columnStretch(col) > 0) stretching.insert(col);
    }
    for (QGridLayout* grid : grids) {
      for (const auto& [col, width] : widths) grid->setColumnMinimumWidth(col, width);
      for (int col : stretching) grid->setColumnStretch(col, 1);
    }
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
    const bool is_menu =
        std::any_of(items.begin(), items.end(),
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
