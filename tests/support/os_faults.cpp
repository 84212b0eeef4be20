#include "tests/support/os_faults.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

namespace kd71::test {
namespace {

enum class Action { Pass, Fail, Die };

struct Fault {
  Action action = Action::Pass;
  int error = 0;
  int count = 0;
};

std::array<Fault, static_cast<int>(OsCall::Count)> g_faults;

Fault& fault(OsCall call) { return g_faults[static_cast<int>(call)]; }

// True when the call is to go to the kernel; otherwise errno is set (or the
// process is gone).
bool pass(OsCall call) {
  Fault& f = fault(call);
  ++f.count;
  if (f.action == Action::Die) kill(getpid(), SIGKILL);
  if (f.action == Action::Fail) {
    errno = f.error;
    return false;
  }
  return true;
}

}  // namespace

void fail_os_call(OsCall call, int error) { fault(call) = {Action::Fail, error, 0}; }
void die_at_os_call(OsCall call) { fault(call) = {Action::Die, 0, 0}; }
void clear_os_faults() { g_faults = {}; }
int os_call_count(OsCall call) { return fault(call).count; }

}  // namespace kd71::test

using kd71::test::OsCall;

extern "C" int fchmod(int fd, mode_t mode) noexcept {
  if (!kd71::test::pass(OsCall::Fchmod)) return -1;
  return static_cast<int>(syscall(SYS_fchmod, fd, mode));
}

extern "C" int ftruncate(int fd, off_t length) noexcept {
  if (!kd71::test::pass(OsCall::Ftruncate)) return -1;
  return static_cast<int>(syscall(SYS_ftruncate, fd, length));
}

extern "C" int rename(const char* from, const char* to) noexcept {
  if (!kd71::test::pass(OsCall::Rename)) return -1;
  return static_cast<int>(syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to));
}
