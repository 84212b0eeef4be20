#include "platform/os/instance_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/work_folder.h"

namespace {

namespace fs = std::filesystem;
using kd71::instance::Guard;

constexpr const char* kName = "com_kolvidra_apps_KD71_2CH";

// What the lock file alone says to another process: a read-only open and an
// flock, as any user can do.
Guard probe_file(const std::string& name) {
  const int fd = open(kd71::instance::lock_path(name).c_str(), O_RDONLY | O_NOFOLLOW);
  if (fd < 0) return Guard::Unavailable;
  const Guard g = flock(fd, LOCK_EX | LOCK_NB) == 0 ? Guard::Acquired : Guard::HeldElsewhere;
  close(fd);
  return g;
}

// What the socket name alone says to another process.
Guard probe_socket(const std::string& name) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  const std::string abstract = kd71::instance::socket_name(name);
  std::memcpy(a.sun_path + 1, abstract.data(), abstract.size());
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + abstract.size());
  const int r = bind(fd, reinterpret_cast<const sockaddr*>(&a), size);
  const int error = errno;
  close(fd);
  return r == 0 ? Guard::Acquired : error == EADDRINUSE ? Guard::HeldElsewhere : Guard::Unavailable;
}

// The guard as another instance finds it, started in a child process.
Guard acquire_in_child(const std::string& name, kd71::test::ChildOptions options = {}) {
  const auto end = kd71::test::run_in_child(
      [&] { return static_cast<int>(kd71::instance::acquire(name)); }, options);
  EXPECT_TRUE(end.exited) << end.describe();
  return static_cast<Guard>(end.code);
}

class InstanceLockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    kd71::instance::release();
    umask(old_umask_);
  }
  kd71::test::WorkFolder folder_;  // KD71_LOCK_DIR points there
  const fs::path dir_ = folder_.path();
  const mode_t old_umask_ = umask(022);
};

TEST_F(InstanceLockTest, OneHolderSystemWide) {
  EXPECT_EQ(kd71::instance::lock_path("x"), (dir_ / "x.lock").string());
  ASSERT_EQ(kd71::instance::acquire(kName), Guard::Acquired);
  EXPECT_EQ(acquire_in_child(kName), Guard::HeldElsewhere);
  EXPECT_EQ(probe_file(kName), Guard::HeldElsewhere);
  EXPECT_EQ(probe_socket(kName), Guard::HeldElsewhere);
  EXPECT_EQ(acquire_in_child("another_program"), Guard::Acquired);
  kd71::instance::release();
  EXPECT_EQ(acquire_in_child(kName), Guard::Acquired);
}

TEST_F(InstanceLockTest, AHolderThatDiesLeavesNoLockBehind) {
  const auto end = kd71::test::run_in_child([] {
    kd71::instance::acquire("crashy");
    std::abort();  // no release
    return 0;
  });
  EXPECT_EQ(end.signal, SIGABRT) << end.describe();
  EXPECT_EQ(kd71::instance::acquire("crashy"), Guard::Acquired);
}

TEST_F(InstanceLockTest, WithoutAUsableFolderTheSocketStillGuards) {
  setenv("KD71_LOCK_DIR", "/nonexistent/kd71", 1);
  EXPECT_EQ(kd71::instance::acquire(kName), Guard::Acquired);
  EXPECT_EQ(acquire_in_child(kName), Guard::HeldElsewhere);
}

TEST_F(InstanceLockTest, TestFoldersKeepTheirGuardsApart) {
  ASSERT_EQ(kd71::instance::acquire(kName), Guard::Acquired);
  kd71::test::WorkFolder other;  // another test's folder
  EXPECT_NE(kd71::instance::socket_name(kName), kName);
  EXPECT_EQ(acquire_in_child(kName), Guard::Acquired);
}

TEST_F(InstanceLockTest, AnotherUsersInstanceIsRefusedWhateverTheUmask) {
  if (!kd71::test::running_as_root())
    GTEST_SKIP() << "needs root, to start the second instance as another user";
  chmod(dir_.c_str(), 01777);  // a folder like /run/lock
  umask(077);
  ASSERT_EQ(kd71::instance::acquire(kName), Guard::Acquired);
  struct stat st;
  ASSERT_EQ(stat(kd71::instance::lock_path(kName).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u) << "readable by every user whatever the umask";

  const kd71::test::ChildOptions as_nobody{.unprivileged = true};
  EXPECT_EQ(acquire_in_child(kName, as_nobody), Guard::HeldElsewhere);
  // Each part on its own refuses the other user.
  const auto parts = kd71::test::run_in_child(
      [] {
        return (probe_file(kName) == Guard::HeldElsewhere ? 1 : 0) |
               (probe_socket(kName) == Guard::HeldElsewhere ? 2 : 0);
      },
      as_nobody);
  EXPECT_EQ(parts.code, 3) << "1: the file refuses, 2: the socket refuses; " << parts.describe();
}

TEST_F(InstanceLockTest, AnotherTmpdirFindsTheSameGuard) {
  // The machine-wide folder and name, as the program uses them; the name is
  // this test's own so that it meets no kd71 running on the machine.
  unsetenv("KD71_LOCK_DIR");
  const std::string name = "kd71_lock_test_" + std::to_string(getpid());
  EXPECT_EQ(kd71::instance::socket_name(name), name);
  setenv("TMPDIR", dir_.c_str(), 1);
  const std::string folder = kd71::instance::lock_directory();
  EXPECT_NE(folder, dir_.string());
  ASSERT_EQ(kd71::instance::acquire(name), Guard::Acquired);
  const auto end = kd71::test::run_in_child([&] {
    setenv("TMPDIR", "/var/tmp", 1);
    return static_cast<int>(kd71::instance::acquire(name));
  });
  EXPECT_EQ(static_cast<Guard>(end.code), Guard::HeldElsewhere) << end.describe();
  kd71::instance::release();
  unsetenv("TMPDIR");
  fs::remove(kd71::instance::lock_path(name));
}

TEST_F(InstanceLockTest, ASymbolicLinkAtTheLockPathIsNotFollowed) {
  const fs::path victim = dir_ / "victim";
  close(open(victim.c_str(), O_CREAT | O_WRONLY, 0600));
  chmod(victim.c_str(), 0600);
  fs::create_symlink(victim, kd71::instance::lock_path(kName));
  EXPECT_EQ(kd71::instance::acquire(kName), Guard::Acquired);  // the socket guards
  struct stat st;
  ASSERT_EQ(stat(victim.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const int fd = open(victim.c_str(), O_RDONLY);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the link's target was not locked";
  close(fd);
}

}  // namespace
