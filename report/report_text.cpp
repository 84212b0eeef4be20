#include "report/report_text.h"

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

std::string time_text(const std::tm& tm, const char* format) {
  char text[64];
  return std::strftime(text, sizeof text, format, &tm) > 0 ? text : "";
}

}  // namespace

std::string utc_time_text(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return time_text(tm, "%Y-%m-%d %H:%M:%S UTC");
}

std::string local_time_text(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return time_text(tm, "%Y-%m-%d %H:%M:%S %Z");
}
