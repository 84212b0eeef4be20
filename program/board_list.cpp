#include "program/board_list.h"

#include "platform/bridge/board_description.h"
#include "platform/bridge/bridge_backend.h"

namespace {

constexpr std::string_view kLinePrefix = "kd71: ";

// The backend's line without the program's name in front: it stands in a
// line of the list here.
std::string access_text(const kd71::bridge::DeviceInfo& info) {
  if (info.access_problem.empty()) return "may be opened";
  std::string_view text = info.access_problem;
  if (text.substr(0, kLinePrefix.size()) == kLinePrefix) text.remove_prefix(kLinePrefix.size());
  return std::string(text);
}

}  // namespace

int list_boards(std::FILE* out, const std::string& serial) {
  DWORD count = 0;
  FT_CreateDeviceInfoList(&count);
  int listed = 0;
  for (const kd71::bridge::DeviceInfo& info : kd71::bridge::listed_devices()) {
    if (!kd71::describes_board(info.description)) continue;
    if (!serial.empty() && info.serial != serial) continue;
    std::fprintf(out, "%s  %s  %s  %s\n", info.serial.empty() ? "(no serial)" : info.serial.c_str(),
                 info.description.c_str(),
                 info.location.empty() ? "(USB path unknown)" : info.location.c_str(),
                 access_text(info).c_str());
    ++listed;
  }
  std::fflush(out);
  if (listed > 0) return 0;
  if (serial.empty())
    std::fprintf(stderr, "kd71: no KD71 board is attached\n");
  else
    std::fprintf(stderr, "kd71: no KD71 board with serial number %s is attached\n", serial.c_str());
  return 1;
}
