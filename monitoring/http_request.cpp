#include "monitoring/http_request.h"

#include "platform/os/c_locale.h"

namespace kd71::metrics {
namespace {

// The head ends at its first empty line; bare line feeds are taken too.
std::size_t head_end(const std::string& buffer, std::size_t* terminator) {
  const std::size_t crlf = buffer.find("\r\n\r\n");
  const std::size_t lf = buffer.find("\n\n");
  if (crlf != std::string::npos && (lf == std::string::npos || crlf < lf)) {
    *terminator = 4;
    return crlf;
  }
  *terminator = 2;
  return lf;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

bool same_word(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (c_locale::ascii_upper(a[i]) != c_locale::ascii_upper(b[i])) return false;
  return true;
}

bool token(std::string_view word) {
  if (word.empty()) return false;
  for (const char c : word)
    if (!c_locale::ascii_letter(c)) return false;
  return true;
}

// "GET /metrics HTTP/1.1"
bool request_line(std::string_view line, HttpRequest* request, bool* http10) {
  const std::size_t first = line.find(' ');
  const std::size_t last = line.rfind(' ');
  if (first == std::string_view::npos || first == last) return false;
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, last - first - 1);
  const std::string_view version = line.substr(last + 1);
  if (!token(method) || target.empty() || target.front() != '/') return false;
  if (target.find_first_of(" \t") != std::string_view::npos) return false;
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
  for (const char c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  request->method = method;
  request->path = target.substr(0, target.find('?'));
  *http10 = version == "HTTP/1.0";
  return true;
}

const char* reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 431:
      return "Request Header Fields Too Large";
    default:
      return "Error";
  }
}

}  // namespace

HeadState take_request(std::string& buffer, HttpRequest* request) {
  std::size_t terminator = 0;
  const std::size_t end = head_end(buffer, &terminator);
  if (end == std::string::npos)
    return buffer.size() > kMaxRequestHead ? HeadState::TooLarge : HeadState::Incomplete;
  if (end > kMaxRequestHead) return HeadState::TooLarge;
  const std::string head = buffer.substr(0, end);
  buffer.erase(0, end + terminator);

  std::size_t start = 0;
  std::size_t stop = head.find('\n');
  bool http10 = false;
  *request = {};
  if (!request_line(trimmed(std::string_view(head).substr(0, stop)), request, &http10))
    return HeadState::Malformed;
  bool close = false, keep = false;
  while (stop != std::string::npos) {
    start = stop + 1;
    stop = head.find('\n', start);
    const std::string_view line = trimmed(std::string_view(head).substr(start, stop - start));
    if (line.empty()) continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return HeadState::Malformed;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = trimmed(line.substr(colon + 1));
    // A body would follow the head, and none is read: the rest of the
    // stream could not be told from the next request.
    if (same_word(name, "Transfer-Encoding")) return HeadState::Malformed;
    if (same_word(name, "Content-Length") && value != "0") return HeadState::Malformed;
    if (same_word(name, "Connection")) {
      close = close || same_word(value, "close");
      keep = keep || same_word(value, "keep-alive");
    }
  }
  request->keep_alive = !close && (!http10 || keep);
  return HeadState::Complete;
}

std::string http_response(int status, std::string_view content_type, std::string_view body,
                          bool keep_alive, bool with_body) {
  std::string out = c_locale::format("HTTP/1.1 %d %s\r\nContent-Type: ", status, reason(status));
  out += content_type;
  out += c_locale::format("\r\nContent-Length: %zu\r\n", body.size());
  if (status == 405) out += "Allow: GET, HEAD\r\n";
  out += keep_alive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
  if (with_body) out += body;
  return out;
}

}  // namespace kd71::metrics
