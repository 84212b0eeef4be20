// Runs part of a test in a forked child: to let it be killed at a chosen
// moment, to bound a call that could block, or to run it as a user without
// privileges (nobody when the tests run as root, else the test's own user).
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace kd71::test {

struct ChildEnd {
  bool exited = false;  // ended by _exit; `code` holds the status
  int code = -1;
  int signal = 0;  // the signal that ended it, otherwise 0
  std::string describe() const;
};

struct ChildOptions {
  bool unprivileged = false;  // as nobody when root
  unsigned alarm_s = 10;      // SIGALRM ends a child that blocks longer
};

// Runs `body` in a child and waits for it; the child exits with the body's
// result.
ChildEnd run_in_child(const std::function<int()>& body, ChildOptions options = {});

// The user an unprivileged child runs as.
bool running_as_root();
uid_t unprivileged_uid();
gid_t unprivileged_gid();

}  // namespace kd71::test
