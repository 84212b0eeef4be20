#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

namespace kd71::platform {
namespace {

constexpr int kMaxLinkHops = 40;

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a chain of symbolic links ends at (which need not exist yet).
std::string real_target(const std::string& path) {
  std::string target = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::vector<char> link(PATH_MAX);
    const ssize_t n = readlink(target.c_str(), link.data(), link.size() - 1);
    if (n < 0) break;
    const std::string next(link.data(), static_cast<std::size_t>(n));
    target = next.front() == '/' ? next : folder_of(target) + "/" + next;
  }
  return target;
}

bool write_all(int fd, const std::string& content) {
  const char* p = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

bool rewrite_in_place(const std::string& target, const std::string& content) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = write_all(fd, content) && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok;
}

mode_t current_umask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

bool write_file_atomically(const std::string& path, const std::string& content) {
  if (path.empty()) return false;
  const std::string target = real_target(path);
  const std::string folder = folder_of(target);

  struct stat old;
  const bool existed = stat(target.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) return false;

  std::string temp = folder + "/.kd71-save-XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    // A folder that takes no new file: rewrite a writable file where it is.
    if (existed && access(target.c_str(), W_OK) == 0) return rewrite_in_place(target, content);
    return false;
  }
  const mode_t mode = existed ? (old.st_mode & 07777) : (0666 & ~current_umask());
  bool ok = fchmod(fd, mode) == 0 && write_all(fd, content) && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace kd71::platform
