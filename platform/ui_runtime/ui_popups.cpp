// Popups through the front-end, and the clock calls.

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store_internal.h"

namespace kd71::ui {

void FrontEnd::message_popup(const std::string& title, const std::string& text) {
  std::printf("%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stdout);
}

void FrontEnd::wait_for_input(double deadline) { kd71::clock::wait_until(deadline); }

int FrontEnd::file_select_popup(const FileSelectRequest&, std::string& path) {
  path.clear();
  return VAL_NO_FILE_SELECTED;
}

namespace {
constexpr double kProgressLinePeriod = 1.0;  // seconds between console progress lines
double g_next_progress_line = -1.0;
}  // namespace

void FrontEnd::routine_progress(const std::string& text) {
  if (text.empty()) {
    g_next_progress_line = -1.0;  // the next routine's first line shows at once
    return;
  }
  const double now = kd71::clock::now();
  if (g_next_progress_line >= 0.0 && now < g_next_progress_line) return;
  g_next_progress_line = now + kProgressLinePeriod;
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

}  // namespace kd71::ui

void kd71::ui::detail::reset_progress_lines() { g_next_progress_line = -1.0; }

using namespace kd71::ui;
using namespace kd71::ui::detail;

int MessagePopup(const char* title, const char* message) {
  ++g.modal_depth;
  frontend().message_popup(title ? title : "", message ? message : "");
  --g.modal_depth;
  return UIE_NO_ERROR;
}

int FileSelectPopupEx(const char* defaultDirectory, const char* defaultFileSpec,
                      const char* fileTypeList, const char* title, int buttonLabel,
                      int restrictDirectory, int restrictExtension, char* pathName) {
  FileSelectRequest request;
  request.default_directory = defaultDirectory ? defaultDirectory : "";
  request.default_file_spec = defaultFileSpec ? defaultFileSpec : "";
  request.file_type_list = fileTypeList ? fileTypeList : "";
  request.title = title ? title : "";
  request.button_kind = buttonLabel;
  request.restrict_directory = restrictDirectory != 0;
  request.restrict_extension = restrictExtension != 0;
  std::string path;
  ++g.modal_depth;
  int result = frontend().file_select_popup(request, path);
  --g.modal_depth;
  // A path that does not fit the caller's buffer is refused rather than cut
  // short, so that a setting is never written to or read from the wrong file.
  if (result != VAL_NO_FILE_SELECTED && path.size() >= MAX_PATHNAME_LEN)
    result = VAL_NO_FILE_SELECTED;
  if (pathName) {
    const std::string& shown = result == VAL_NO_FILE_SELECTED ? std::string() : path;
    std::memcpy(pathName, shown.c_str(), shown.size() + 1);
  }
  return result;
}

void Delay(double seconds) { kd71::clock::spend(seconds); }

double Timer() { return kd71::clock::now(); }
