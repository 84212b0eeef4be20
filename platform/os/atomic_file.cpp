#include "platform/os/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/os/c_locale.h"
#include "platform/os/link_rule.h"

namespace kd71::platform {
namespace {

constexpr int kNameAttempts = 100;

std::string failed(const char* call) { return std::string(call) + ": " + std::strerror(errno); }

bool fail(std::string* reason, const std::string& why) {
  if (reason) *reason = why;
  return false;
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

mode_t current_umask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

void sync_folder(const std::string& folder) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  fsync(dir);
  ::close(dir);
}

// Removes the temporaries that saves into `folder` left when they were
// killed: this user's regular files under the save prefix that no save
// holds locked. Each is checked through an open descriptor and removed only
// while its name still leads to that same file.
void remove_stale_temporaries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const int dfd = dirfd(dir);
  const std::size_t prefix = std::strlen(kSaveTemporaryPrefix);
  while (const dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, kSaveTemporaryPrefix, prefix) != 0) continue;
    const int fd =
        openat(dfd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held, named;
    if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(dfd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_dev == held.st_dev && named.st_ino == held.st_ino)
      unlinkat(dfd, entry->d_name, 0);
    ::close(fd);
  }
  closedir(dir);
}

std::string temporary_name(const std::string& folder) {
  static std::mt19937_64 random{std::random_device{}()};
  return folder + "/" + kSaveTemporaryPrefix +
         c_locale::format("%d-%012llx", static_cast<int>(getpid()),
                          static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
}

// A temporary file of a save: unnamed until it is complete where the file
// system allows, otherwise named from the start.
struct Temporary {
  int fd = -1;
  std::string name;  // empty while unnamed
};

bool open_unnamed(const std::string& folder, Temporary* temp) {
  temp->fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  return temp->fd >= 0 && flock(temp->fd, LOCK_EX) == 0;
}

bool open_named(const std::string& folder, Temporary* temp) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temp->name = temporary_name(folder);
    temp->fd =
        ::open(temp->name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (temp->fd >= 0) return flock(temp->fd, LOCK_EX) == 0;
    if (errno != EEXIST) break;
  }
  temp->name.clear();
  return false;
}

// Gives a complete unnamed temporary its name, through /proc (linkat with
// AT_EMPTY_PATH would need a privilege).
bool link_unnamed(const std::string& folder, Temporary* temp) {
  const std::string self = c_locale::format("/proc/self/fd/%d", temp->fd);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = temporary_name(folder);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp->name = name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void discard(Temporary* temp) {
  if (!temp->name.empty()) unlink(temp->name.c_str());
  if (temp->fd >= 0) ::close(temp->fd);
  *temp = Temporary{};
}

enum class Outcome { Saved, Failed, FolderRefused };

// Writes `content` through a temporary in `folder` and renames it over
// `target`. `old` is the file being replaced, or null.
Outcome save_through_temporary(const std::string& folder, const std::string& target,
                               const std::string& content, const struct stat* old,
                               std::string* reason) {
  Temporary temp;
  bool unnamed = open_unnamed(folder, &temp);
  if (!unnamed) {
    discard(&temp);
    if (!open_named(folder, &temp)) {
      fail(reason, "create a file in " + folder + ": " + std::strerror(errno));
      discard(&temp);
      return Outcome::FolderRefused;
    }
  }
  for (;;) {
    // Owner and mode of the old file, where they can be given: only root may
    // give a file away, and a file system without modes refuses modes. The
    // save goes on all the same.
    [[maybe_unused]] const bool owner_kept = old && fchown(temp.fd, old->st_uid, old->st_gid) == 0;
    const mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~current_umask());
    [[maybe_unused]] const bool mode_kept = fchmod(temp.fd, mode) == 0;
    if (!write_all(temp.fd, content)) {
      fail(reason, failed("write"));
      discard(&temp);
      return Outcome::Failed;
    }
    if (fsync(temp.fd) != 0) {
      fail(reason, failed("fsync"));
      discard(&temp);
      return Outcome::Failed;
    }
    if (!unnamed || link_unnamed(folder, &temp)) break;
    // No way to name the unnamed file (no /proc): again with a named one.
    discard(&temp);
    unnamed = false;
    if (!open_named(folder, &temp)) {
      fail(reason, "create a file in " + folder + ": " + std::strerror(errno));
      discard(&temp);
      return Outcome::FolderRefused;
    }
  }
  if (rename(temp.name.c_str(), target.c_str()) != 0) {
    fail(reason, failed("rename"));
    discard(&temp);
    return Outcome::Failed;
  }
  ::close(temp.fd);  // the lock goes with it, after the rename
  sync_folder(folder);
  return Outcome::Saved;
}

// Rewrites the open file `fd` in place; see the header for why a kill at any
// moment leaves a readable file.
bool rewrite_in_place(int fd, const std::string& content, std::string* reason) {
  const std::string laid = content + "\n";
  if (laid.size() > kInPlaceLimit)
    return fail(reason,
                "the folder takes no new file and the content is too long to "
                "rewrite in place safely");
  // What the write covers, to put back should it land only in part.
  std::string before(laid.size(), '\0');
  const ssize_t got = pread(fd, before.data(), before.size(), 0);
  before.resize(got > 0 ? static_cast<std::size_t>(got) : 0);

  const ssize_t put = pwrite(fd, laid.data(), laid.size(), 0);
  if (put != static_cast<ssize_t>(laid.size())) {
    const std::string why = put < 0 ? failed("pwrite") : "pwrite: short write";
    [[maybe_unused]] const bool restored = put > 0 && pwrite(fd, before.data(), before.size(), 0) ==
                                                          static_cast<ssize_t>(before.size());
    return fail(reason, why);
  }
  if (ftruncate(fd, static_cast<off_t>(content.size())) != 0)
    return fail(reason, failed("ftruncate"));
  if (fsync(fd) != 0) return fail(reason, failed("fsync"));
  return true;
}

}  // namespace

bool write_file_atomically(const std::string& path, const std::string& content,
                           std::string* reason) {
  if (path.empty()) return fail(reason, "no file name");
  std::string target;
  if (!writing_target(path, &target, reason)) return false;
  const std::string folder = folder_of(target);

  struct stat old;
  const bool existed = stat(target.c_str(), &old) == 0;
  if (!existed && errno != ENOENT) return fail(reason, failed("stat"));
  int writable = -1;  // the old file, open for writing
  if (existed) {
    if (!S_ISREG(old.st_mode)) return fail(reason, "not a regular file");
    if ((old.st_mode & 0222) == 0)
      return fail(reason, c_locale::format("the file is read-only (mode %04o)",
                                           static_cast<unsigned>(old.st_mode & 07777)));
    writable = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (writable < 0) return fail(reason, failed("open for writing"));
  }

  remove_stale_temporaries(folder);
  const Outcome outcome =
      save_through_temporary(folder, target, content, existed ? &old : nullptr, reason);
  bool saved = outcome == Outcome::Saved;
  if (outcome == Outcome::FolderRefused && writable >= 0)
    saved = rewrite_in_place(writable, content, reason);
  if (writable >= 0) ::close(writable);
  return saved;
}

}  // namespace kd71::platform
