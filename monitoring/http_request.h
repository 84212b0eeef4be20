// The little HTTP/1.1 a scraper speaks: request heads taken one at a time
// from what a connection has sent, and the responses to them. No request
// here carries a body; one that announces one is refused.
#pragma once

#include <string>
#include <string_view>

namespace kd71::metrics {

// A request head is at most this long; a longer one is refused, whatever
// follows, so that a client cannot make the server hold its bytes.
inline constexpr std::size_t kMaxRequestHead = 8 * 1024;

struct HttpRequest {
  std::string method;
  std::string path;  // the target without its query
  bool keep_alive = true;
};

enum class HeadState {
  Incomplete,  // more bytes are needed
  Complete,    // one request was taken from the front of the buffer
  Malformed,   // 400: the connection ends after the answer
  TooLarge,    // 431: the head passes kMaxRequestHead
};

// Takes the first request head from `buffer`, removing it.
HeadState take_request(std::string& buffer, HttpRequest* request);

// A whole response. `body` goes out only when `with_body` (not for HEAD),
// its length always.
std::string http_response(int status, std::string_view content_type, std::string_view body,
                          bool keep_alive, bool with_body = true);

}  // namespace kd71::metrics
