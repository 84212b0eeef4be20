#include "platform/os/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/os/c_locale.h"

namespace kd71::instance {
namespace {

// Readable by every user, so that anyone's instance can open it to lock it;
// written by nobody.
constexpr mode_t kLockFileMode = 0644;
constexpr int kOpenAttempts = 3;

int g_socket = -1;
int g_file = -1;
pid_t g_owner = 0;  // the process that took the guard

// A forked child shares the guard's descriptors but is another process: it
// drops its copies without unlocking, which would free the parent's lock.
void drop_inherited() {
  if (g_owner == getpid()) return;
  if (g_file >= 0) ::close(g_file);
  if (g_socket >= 0) ::close(g_socket);
  g_file = g_socket = -1;
}

enum class Part { Taken, Busy, Unusable };

const char* test_folder() {
  const char* dir = std::getenv("KD71_LOCK_DIR");
  return dir && *dir ? dir : nullptr;
}

bool is_folder(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// FNV-1a: a stable digest of a folder name, the same in every process.
std::uint64_t digest(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const unsigned char c : text) h = (h ^ c) * 0x100000001b3ull;
  return h;
}

Part take_socket(const std::string& name) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Part::Unusable;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // An abstract name: a NUL, then the name's bytes (no terminator).
  const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
    g_socket = fd;
    return Part::Taken;
  }
  const bool busy = errno == EADDRINUSE;
  ::close(fd);
  return busy ? Part::Busy : Part::Unusable;
}

// The lock file, created readable by all, or opened read-only when it is
// there already: opening another user's file in a sticky folder without
// O_CREAT is allowed where creating over it is not (protected_regular).
int open_lock_file(const std::string& path) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    int fd =
        ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kLockFileMode);
    if (fd >= 0) {
      // The umask (077 on some desktops) would keep other users out.
      [[maybe_unused]] const bool opened_to_all = fchmod(fd, kLockFileMode) == 0;
      return fd;
    }
    if (errno != EEXIST) return -1;
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT) return fd;
    // Removed between the two opens: try again.
  }
  return -1;
}

Part take_file(const std::string& path) {
  const int fd = open_lock_file(path);
  if (fd < 0) return Part::Unusable;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Part::Unusable;
  }
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Part::Busy : Part::Unusable;
  }
  g_file = fd;
  return Part::Taken;
}

}  // namespace

std::string lock_directory() {
  if (const char* dir = test_folder()) return dir;
  // The same folder for every user and environment: never $TMPDIR.
  return is_folder("/run/lock") ? "/run/lock" : "/tmp";
}

std::string lock_path(const std::string& name) { return lock_directory() + "/" + name + ".lock"; }

std::string socket_name(const std::string& name) {
  const char* dir = test_folder();
  if (!dir) return name;
  return name + c_locale::format("@%016llx", static_cast<unsigned long long>(digest(dir)));
}

Guard acquire(const std::string& name) {
  drop_inherited();
  if (held()) return Guard::HeldElsewhere;
  g_owner = getpid();
  const Part socket_part = take_socket(socket_name(name));
  if (socket_part == Part::Busy) return Guard::HeldElsewhere;
  const Part file_part = take_file(lock_path(name));
  if (file_part == Part::Busy) {
    release();
    return Guard::HeldElsewhere;
  }
  if (socket_part == Part::Unusable && file_part == Part::Unusable) return Guard::Unavailable;
  return Guard::Acquired;
}

void release() {
  drop_inherited();
  if (g_file >= 0) {
    flock(g_file, LOCK_UN);
    ::close(g_file);
    g_file = -1;
  }
  if (g_socket >= 0) {
    ::close(g_socket);
    g_socket = -1;
  }
}

bool held() { return g_owner == getpid() && (g_socket >= 0 || g_file >= 0); }

}  // namespace kd71::instance
