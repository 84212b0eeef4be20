// The machine-wide single-instance guard. It has two parts, and every
// instance, whichever user starts it and in whatever environment, takes both:
// - an abstract unix socket name, bound and never listened on. It is no
//   file: no permission, umask, TMPDIR or leftover can make two instances
//   miss each other, and the kernel frees the name when the holder exits.
//   Its reach is the network namespace, which on a desktop is the machine.
// - an exclusive flock on a lock file in a fixed folder (/run/lock, which
//   every user may write; /tmp where there is none). It also reaches an
//   instance started in another network namespace on the same machine, and
//   it is what earlier releases took. The file is made readable by all
//   (whatever the umask), since flock needs only a read-only descriptor, and
//   it is never opened through a symbolic link.
// Either part held by another process means another instance runs. The
// kernel drops both when the holder exits, so a crash leaves nothing behind.
#pragma once

#include <string>

namespace kd71::instance {

enum class Guard {
  Acquired,       // this process holds the guard now
  HeldElsewhere,  // another process holds it
  Unavailable,    // neither part could be taken; the guard cannot be applied
};

// Folder of the lock file: $KD71_LOCK_DIR when set (tests point it at their
// own folder), else /run/lock when it is a folder, else /tmp.
std::string lock_directory();
std::string lock_path(const std::string& name);
// The socket's abstract name (without the leading NUL): `name`, and under
// $KD71_LOCK_DIR a digest of that folder, so that tests in their own folders
// neither meet each other nor a kd71 the user runs.
std::string socket_name(const std::string& name);

// Takes the guard "<name>". Holding it twice in one process is refused. The
// guard belongs to the process that took it: a forked child holds nothing.
Guard acquire(const std::string& name);
// Releases both parts (the lock file stays in place for the next run).
void release();
bool held();

}  // namespace kd71::instance
