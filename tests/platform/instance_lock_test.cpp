#include "platform/instance_lock.h"
#include "tests/support/work_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using kd71::instance::Guard;

class InstanceLockTest : public ::testing::Test {
 protected:
  void TearDown() override { kd71::instance::release(); }
  // What another process sees when it tries the lock file.
  static Guard try_in_child(const std::string& name) {
    const pid_t pid = fork();
    if (pid == 0) {
      const int fd = open(kd71::instance::lock_path(name).c_str(), O_RDWR | O_CREAT, 0666);
      if (fd < 0) _exit(static_cast<int>(Guard::Unavailable));
      _exit(static_cast<int>(flock(fd, LOCK_EX | LOCK_NB) == 0 ? Guard::Acquired
                                                               : Guard::HeldElsewhere));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return static_cast<Guard>(WEXITSTATUS(status));
  }
  kd71::test::WorkFolder folder_;  // KD71_LOCK_DIR points there
  const std::filesystem::path dir_ = folder_.path();
};

TEST_F(InstanceLockTest, OneHolderSystemWide) {
  EXPECT_EQ(kd71::instance::lock_path("x"), (dir_ / "x.lock").string());
  ASSERT_EQ(kd71::instance::acquire("com_kolvidra_apps_KD71_2CH"), Guard::Acquired);
  EXPECT_EQ(try_in_child("com_kolvidra_apps_KD71_2CH"), Guard::HeldElsewhere);
  EXPECT_EQ(try_in_child("another_program"), Guard::Acquired);
  kd71::instance::release();
  EXPECT_EQ(try_in_child("com_kolvidra_apps_KD71_2CH"), Guard::Acquired);
}

TEST_F(InstanceLockTest, AHolderThatDiesLeavesNoLockBehind) {
  const pid_t pid = fork();
  if (pid == 0) {
    kd71::instance::acquire("crashy");
    std::abort();  // no release
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(kd71::instance::acquire("crashy"), Guard::Acquired);
}

TEST_F(InstanceLockTest, UnusableFolderIsReportedNotMistakenForABusyLock) {
  setenv("KD71_LOCK_DIR", "/nonexistent/kd71", 1);
  EXPECT_EQ(kd71::instance::acquire("x"), Guard::Unavailable);
  EXPECT_FALSE(kd71::instance::held());
}

}  // namespace
