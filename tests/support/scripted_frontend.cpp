#include "tests/support/scripted_frontend.h"

namespace kd71::test {

void ScriptedFrontEnd::message_popup(const std::string& title, const std::string& text) {
  popups.emplace_back(title, text);
}

int ScriptedFrontEnd::file_select_popup(const kd71::ui::FileSelectRequest& request,
                                        std::string& path) {
  file_requests.push_back(request);
  if (file_answers.empty()) {
    path.clear();
    return 0;
  }
  const FileAnswer answer = file_answers.front();
  file_answers.pop_front();
  path = answer.path;
  return answer.result;
}

}  // namespace kd71::test
