#include "gui/panel_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gui/control_view.h"
#include "gui/eye_scan_window.h"
#include "gui/input_sink.h"
#include "gui/look.h"
#include "gui/measurement_pane.h"
#include "gui/program_icon.h"
#include "gui/report_action.h"
#include "gui/view_kinds.h"
#include "hardware/lowlevel_link.h"
#include "platform/ui_runtime/userint.h"
#include "ui/main_uir.h"

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
  content_ = new QWidget;
  lay_out_groups(content_);
  align_columns();
  // A window smaller than its panel scrolls instead of squeezing the figures.
  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content_);
  setCentralWidget(scroll);
  if (def.menubar) build_menu_bar();
  if (def.resource_id == PANELMAIN) statusBar()->setSizeGripEnabled(false);
  setWindowIcon(program_icon());
  show_title();
}

PanelWindow::~PanelWindow() = default;

ControlView* PanelWindow::view(int control) const {
  auto it = views_.find(control);
  return it == views_.end() ? nullptr : it->second.get();
}

QSize PanelWindow::content_size() const {
  QSize size = content_->sizeHint().expandedTo(content_->minimumSizeHint());
  if (def_.menubar) size.rheight() += menuBar()->sizeHint().height();
  if (def_.resource_id == PANELMAIN) size.rheight() += statusBar()->sizeHint().height();
  return size;
}

void PanelWindow::show_progress(const QString& text) {
  if (def_.resource_id != PANELMAIN) return;
  statusBar()->showMessage(text);
  statusBar()->repaint();
}

void PanelWindow::show_title() {
  std::string title;
  GetPanelAttribute(panel_, ATTR_TITLE, &title);
  // A copy for one board of several says which, also while it awaits it.
  const char* serial = chosen_board_serial();
  if (def_.resource_id == PANELMAIN && serial[0] != '\0')
    title += " (board " + std::string(serial) + ")";
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

std::vector<ControlView*> PanelWindow::views(int control) const {
  std::vector<ControlView*> all;
  if (ControlView* own = view(control)) all.push_back(own);
  auto it = second_views_.find(control);
  if (it != second_views_.end()) all.push_back(it->second.get());
  return all;
}

void PanelWindow::build_controls() {
  for (const uir::ControlDef& def : def_.controls) {
    if (auto view = place_view(def)) views_.emplace(def.id, std::move(view));
    if (def.also.group == 0) continue;
    uir::ControlDef& second = second_defs_.emplace_back(def);
    second.place = def.also;
    if (auto view = place_view(second)) second_views_.emplace(def.id, std::move(view));
  }
}

std::unique_ptr<ControlView> PanelWindow::place_view(const uir::ControlDef& def) {
  const uir::Place& at = def.place;
  auto found = groups_.find(at.group);
  if (found == groups_.end()) return nullptr;
  Group& group = found->second;
  std::unique_ptr<ControlView> view = make_control_view(panel_, def, sink_);
  if (!view) return nullptr;
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
  return view;
}

namespace {

// A framed group, or the tabs, at its band and column.
struct Block {
  int band = 0;
  int column = 0;
  QWidget* widget = nullptr;
  bool fills = false;  // takes the spare room
};

// Bands from top to bottom, their columns side by side, and each column's
// blocks from top to bottom, all in the order in which `blocks` names them.
void arrange(const std::vector<Block>& blocks, QWidget* into) {
  std::vector<int> bands;
  std::map<int, std::vector<int>> columns_of_band;
  std::map<std::pair<int, int>, std::vector<const Block*>> blocks_of_column;
  for (const Block& block : blocks) {
    if (std::find(bands.begin(), bands.end(), block.band) == bands.end())
      bands.push_back(block.band);
    std::vector<int>& columns = columns_of_band[block.band];
    if (std::find(columns.begin(), columns.end(), block.column) == columns.end())
      columns.push_back(block.column);
    blocks_of_column[{block.band, block.column}].push_back(&block);
  }

  auto* panel_layout = new QVBoxLayout(into);
  bool any_band_fills = false;
  for (int band : bands) {
    auto* band_layout = new QHBoxLayout;
    bool band_fills = false;
    for (int column : columns_of_band[band]) {
      auto* column_layout = new QVBoxLayout;
      bool column_fills = false;
      for (const Block* block : blocks_of_column[{band, column}]) {
        column_layout->addWidget(block->widget, block->fills ? 1 : 0);
        column_fills = column_fills || block->fills;
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

}  // namespace

void PanelWindow::lay_out_groups(QWidget* content) {
  std::vector<Block> blocks;
  std::vector<std::string> pages;  // in the order the group list names them
  std::map<std::string, std::vector<Block>> blocks_of_page;
  for (const uir::GroupDef& def : def_.groups) {
    const Group& group = groups_.at(def.id);
    const Block block{def.band, def.column, group.frame, group.fills};
    if (!*def.page) {
      blocks.push_back(block);
      continue;
    }
    // The tabs take the place of the first group on a page.
    if (pages.empty()) blocks.push_back({def.band, def.column, nullptr, false});
    if (std::find(pages.begin(), pages.end(), def.page) == pages.end()) pages.push_back(def.page);
    blocks_of_page[def.page].push_back(block);
  }
  if (!pages.empty()) {
    auto* tabs = new QTabWidget;
    bool fills = false;
    for (const std::string& name : pages) {
      auto* page = new QWidget;
      arrange(blocks_of_page[name], page);
      tabs->addTab(page, QString::fromStdString(name));
      for (const Block& block : blocks_of_page[name]) fills = fills || block.fills;
    }
    for (Block& block : blocks)
      if (!block.widget) block = {block.band, block.column, tabs, fills};
  }
  arrange(blocks, content);
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

namespace {

// The keys of the menu commands, as desktop programs have them (set
// explicitly: without a desktop's theme Qt knows no key for quitting).
const QKeySequence kSaveKeys(Qt::CTRL | Qt::Key_S);
const QKeySequence kOpenKeys(Qt::CTRL | Qt::Key_O);
const QKeySequence kQuitKeys(Qt::CTRL | Qt::Key_Q);
const QKeySequence kHelpKeys(Qt::Key_F1);

// Keys of the resource's menu commands.
QKeySequence keys_of(int menu_item) {
  switch (menu_item) {
    case MENUBAR_FILE_FILESAVEAS:
      return kSaveKeys;
    case MENUBAR_FILE_FILEOPEN:
      return kOpenKeys;
    default:
      return {};
  }
}

QString about_text(int panel) {
  std::string version, built;
  GetCtrlVal(panel, PANELMAIN_VER, &version);
  GetCtrlAttribute(panel, PANELMAIN_VER, ATTR_TOOLTIP_TEXT, &built);
  return QStringLiteral(
             "<b>KD71 Error Detector</b><p>Control and monitoring program of the "
             "KD71 two-channel serial-data error detector.</p><p>Version %1<br>"
             "Built %2</p>")
      .arg(QString::fromStdString(version).toHtmlEscaped(),
           QString::fromStdString(built).toHtmlEscaped());
}

}  // namespace

QAction* PanelWindow::add_action(QWidget* owner, const QString& text, const QKeySequence& keys) {
  auto* action = new QAction(text, owner);
  action->setShortcut(keys);
  // From whichever of the program's windows has the focus.
  action->setShortcutContext(Qt::ApplicationShortcut);
  owner->addAction(action);
  return action;
}

void PanelWindow::build_menu_bar() {
  const auto& items = def_.menubar->items;
  QMenu* file_menu = nullptr;
  auto add_item = [this](QWidget* owner, const uir::MenuItemDef& item) {
    QAction* action = add_action(owner, QString::fromUtf8(item.label), keys_of(item.id));
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
    if (entry.id == MENUBAR_FILE) file_menu = menu;
  }
  if (def_.resource_id == PANELMAIN && file_menu) add_program_commands(file_menu);
}

void PanelWindow::add_program_commands(QMenu* file_menu) {
  attach_measurement_pane(this, file_menu);
  add_report_action(this, file_menu);
  // Quit: exactly the Quit button, whose commit saves the settings.
  file_menu->addSeparator();
  QAction* quit = add_action(file_menu, tr("Quit"), kQuitKeys);
  connect(quit, &QAction::triggered, this,
          [this] { sink_.post(panel_, PANELMAIN_CMDQUIT, EVENT_COMMIT); });

  add_eye_scan_menu(this);
  QMenu* help = menuBar()->addMenu(tr("Help"));
  QAction* about = add_action(help, tr("About"), kHelpKeys);
  connect(about, &QAction::triggered, this, [this] {
    auto* box = new QMessageBox(QMessageBox::NoIcon, tr("About KD71"), about_text(panel_),
                                QMessageBox::Ok, this);
    box->setObjectName(kAboutBoxName);
    box->setIconPixmap(program_icon().pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();  // the measurement goes on meanwhile
  });
}

}  // namespace kd71::qt
