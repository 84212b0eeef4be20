#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kd71::instance {
namespace {

int g_fd = -1;

bool writable_dir(const char* dir) { return dir && *dir && access(dir, W_OK | X_OK) == 0; }

}  // namespace

std::string lock_directory() {
  if (const char* dir = std::getenv("KD71_LOCK_DIR"); dir && *dir) return dir;
  if (writable_dir("/run/lock")) return "/run/lock";
  if (const char* tmp = std::getenv("TMPDIR"); writable_dir(tmp)) return tmp;
  return "/tmp";
}

std::string lock_path(const std::string& name) { return lock_directory() + "/" + name + ".lock"; }

Guard acquire(const std::string& name) {
  if (g_fd >= 0) return Guard::HeldElsewhere;
  const std::string path = lock_path(name);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);  // made by another user
  if (fd < 0) return Guard::Unavailable;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Guard::HeldElsewhere : Guard::Unavailable;
  }
  g_fd = fd;
  return Guard::Acquired;
}

void release() {
  if (g_fd < 0) return;
  flock(g_fd, LOCK_UN);
  ::close(g_fd);
  g_fd = -1;
}

bool held() { return g_fd >= 0; }

}  // namespace kd71::instance
