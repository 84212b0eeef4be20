// The window of one panel, built from its panel definition: the groups in
// their bands and columns (and pages), every placed control as the widget of
// its kind with its label beside it, and the menu bar where the panel has
// one, with the keys of its commands.
#pragma once

#include <QMainWindow>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui_runtime/panel_def_types.h"

class QAction;
class QFrame;
class QGridLayout;
class QKeySequence;
class QMenu;

namespace kd71::qt {

// Object name of the About box.
inline constexpr const char* kAboutBoxName = "about";

class ControlView;
class InputSink;

class PanelWindow : public QMainWindow {
 public:
  PanelWindow(int panel, const uir::PanelDef& def, InputSink& sink);
  ~PanelWindow() override;

  int panel() const { return panel_; }
  const uir::PanelDef& def() const { return def_; }
  // The view of control `control`, or nullptr when the control has no widget.
  ControlView* view(int control) const;
  // Every view of control `control`: its own and the one at its second place.
  std::vector<ControlView*> views(int control) const;
  // Follows the panel's title in the store.
  void show_title();
  // The size at which the window shows all it holds without scrolling.
  QSize content_size() const;
  // What a long routine is doing, in the main window's status bar (empty
  // text clears it); painted at once, since the routine holds the loop.
  void show_progress(const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Group {
    QFrame* frame = nullptr;
    QGridLayout* grid = nullptr;
    bool fills = false;  // holds a graph or a text box, which take the spare room
  };

  void build_groups();
  void build_controls();
  // A view of `def` at its place, or nullptr.
  std::unique_ptr<ControlView> place_view(const uir::ControlDef& def);
  void lay_out_groups(QWidget* content);
  void align_columns();
  void build_menu_bar();
  // The program's own commands beside the resource's menus: Quit in the
  // File menu, and a Help menu with About.
  void add_program_commands(QMenu* file_menu);
  QAction* add_action(QWidget* owner, const QString& text, const QKeySequence& keys);

  int panel_;
  const uir::PanelDef& def_;
  QWidget* content_ = nullptr;
  InputSink& sink_;
  std::map<int, Group> groups_;  // by group id
  std::map<int, std::unique_ptr<ControlView>> views_;
  // The views at second places, and the definitions they are made from.
  std::map<int, std::unique_ptr<ControlView>> second_views_;
  std::deque<uir::ControlDef> second_defs_;
};

}  // namespace kd71::qt
