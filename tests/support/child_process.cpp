#include "tests/support/child_process.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kd71::test {
namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

}  // namespace

std::string ChildEnd::describe() const {
  if (exited) return "exited with " + std::to_string(code);
  return std::string("ended by signal ") + (signal ? strsignal(signal) : "?");
}

bool running_as_root() { return geteuid() == 0; }
uid_t unprivileged_uid() { return running_as_root() ? kNobody : geteuid(); }
gid_t unprivileged_gid() { return running_as_root() ? kNogroup : getegid(); }

ChildEnd run_in_child(const std::function<int()>& body, ChildOptions options) {
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(options.alarm_s);
    if (options.unprivileged && running_as_root()) {
      if (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0) _exit(125);
    }
    const int result = body();
    std::fflush(nullptr);
    _exit(result);
  }
  ChildEnd end;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return end;
  end.exited = WIFEXITED(status);
  end.code = end.exited ? WEXITSTATUS(status) : -1;
  end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return end;
}

}  // namespace kd71::test
