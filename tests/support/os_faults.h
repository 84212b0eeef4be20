// Faults of a few system calls, for tests of what the program does when the
// operating system lets it down or the process is killed in the middle of a
// step. The calls are replaced for the whole test process (the library
// reaches them through the dynamic linker, which finds the test program's
// own definitions first); unarmed, they pass straight to the kernel.
#pragma once

namespace kd71::test {

enum class OsCall { Fchmod, Ftruncate, Rename, Count };

// From now on `call` fails with errno `error` instead of running.
void fail_os_call(OsCall call, int error);
// From now on `call` kills the process with SIGKILL instead of running:
// the moment a kill leaves a file in. Use it in a forked child.
void die_at_os_call(OsCall call);
// Back to the kernel's calls; the counts start again from 0.
void clear_os_faults();
// How often `call` was reached since the last clear (armed or not): shows
// that the replacement is in effect.
int os_call_count(OsCall call);

}  // namespace kd71::test
