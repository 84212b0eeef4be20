#include "platform/os/link_rule.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace kd71::platform {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit

// The kernel's may_follow_link, for this process's user.
bool may_follow(const struct stat& link, const std::string& folder) {
  struct stat dir;
  if (stat(folder.c_str(), &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
  return !shared || link.st_uid == geteuid() || link.st_uid == dir.st_uid;
}

}  // namespace

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writing_target(const std::string& path, std::string* target, std::string* reason) {
  std::string at = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = at;
      return true;
    }
    const std::string folder = folder_of(at);
    if (!may_follow(st, folder)) {
      if (reason)
        *reason = at + " is a link of another user in the shared folder " + folder +
                  " (sticky and world-writable); it is not followed";
      return false;
    }
    std::vector<char> link(PATH_MAX);
    const ssize_t n = readlink(at.c_str(), link.data(), link.size() - 1);
    if (n <= 0) break;
    const std::string next(link.data(), static_cast<std::size_t>(n));
    at = next.front() == '/' ? next : folder + "/" + next;
  }
  if (reason) *reason = "too many links on the way to " + path;
  return false;
}

}  // namespace kd71::platform
