// The system-wide single-instance guard: an exclusive flock on a lock file.
// The kernel drops the lock when the holder exits, so a crashed instance
// never leaves it behind.
#pragma once

#include <string>

namespace kd71::instance {

enum class Guard {
  Acquired,       // this process holds the lock now
  HeldElsewhere,  // another process holds it
  Unavailable,    // no lock file could be opened; the guard cannot be applied
};

// Folder of the lock file: $KD71_LOCK_DIR when set (tests point it at their
// own folder), else /run/lock when writable, else $TMPDIR or /tmp.
std::string lock_directory();
std::string lock_path(const std::string& name);

// Takes the lock "<name>.lock". Holding it twice in one process is refused.
Guard acquire(const std::string& name);
// Releases and closes the lock file (it is left in place for the next run).
void release();
bool held();

}  // namespace kd71::instance
