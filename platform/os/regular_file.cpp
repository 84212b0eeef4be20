#include "platform/os/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kd71::platform {
namespace {

bool fail(std::string* reason, const std::string& why) {
  if (reason) *reason = why;
  return false;
}

}  // namespace

bool read_regular_file(const std::string& path, std::size_t max_bytes, std::string* text,
                       std::string* reason) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer; O_NOCTTY keeps a
  // terminal named by mistake from becoming the controlling one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(reason, std::string("open: ") + std::strerror(errno));
  struct stat st;
  std::string why;
  if (fstat(fd, &st) != 0)
    why = std::string("fstat: ") + std::strerror(errno);
  else if (!S_ISREG(st.st_mode))
    why = "not a regular file";
  if (!why.empty()) {
    ::close(fd);
    return fail(reason, why);
  }
  std::string content;
  char chunk[4096];
  while (content.size() < max_bytes) {
    const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, max_bytes - content.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string why = std::string("read: ") + std::strerror(errno);
      ::close(fd);
      return fail(reason, why);
    }
    if (n == 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  *text = std::move(content);
  return true;
}

}  // namespace kd71::platform
