// A front-end for tests: records popups and answers file dialogs from a script.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui_runtime/ui_frontend.h"

namespace kd71::test {

class ScriptedFrontEnd : public kd71::ui::FrontEnd {
 public:
  struct FileAnswer {
    int result = 0;
    std::string path;
  };

  std::vector<std::pair<std::string, std::string>> popups;  // (title, text)
  std::vector<kd71::ui::FileSelectRequest> file_requests;
  std::deque<FileAnswer> file_answers;  // when empty: cancelled
  std::vector<std::string> progress;    // routine progress texts, "" at each end
  int draws = 0;
  int pumps = 0;

  void message_popup(const std::string& title, const std::string& text) override;
  int file_select_popup(const kd71::ui::FileSelectRequest& request, std::string& path) override;
  void draw() override { ++draws; }
  void pump_input() override { ++pumps; }
  void routine_progress(const std::string& text) override { progress.push_back(text); }
};

}  // namespace kd71::test
