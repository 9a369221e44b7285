#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// Runs Acquire in a child process: 0 acquired, 1 held elsewhere, 2 other.
int AcquireInChild(const std::string& name, const std::string& dir) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const auto lock = SingleInstanceLock::Acquire(name, dir);
    ::_exit(lock.state() == SingleInstanceLock::State::Acquired        ? 0
           : lock.state() == SingleInstanceLock::State::HeldElsewhere ? 1
                                                                       : 2);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lockDir = dir / "run";
    fs::create_directories(lockDir);
    fs::permissions(lockDir, fs::perms::owner_all, fs::perm_options::replace);
  }
  TempDir dir;
  std::string lockDir;
};

TEST_F(SingleInstanceTest, AnotherProcessIsRefusedTheSameNameButNotAnotherName) {
  auto lock = SingleInstanceLock::Acquire("mochuan", lockDir);
  ASSERT_EQ(lock.state(), SingleInstanceLock::State::Acquired) << lock.error();
  EXPECT_TRUE(lock.held());
  EXPECT_EQ(lock.path(), lockDir + "/mochuan.lock");

  EXPECT_EQ(AcquireInChild("mochuan", lockDir), 1);
  EXPECT_EQ(AcquireInChild("mochuan-copy", lockDir), 0);

  lock.Release();
  EXPECT_FALSE(lock.held());
  EXPECT_EQ(AcquireInChild("mochuan", lockDir), 0);
}

TEST_F(SingleInstanceTest, TheLockEndsWithItsOwnerAndMovesWithIt) {
  {
    auto first = SingleInstanceLock::Acquire("mochuan", lockDir);
    SingleInstanceLock moved = std::move(first);
    EXPECT_FALSE(first.held());
    EXPECT_TRUE(moved.held());
    EXPECT_EQ(SingleInstanceLock::Acquire("mochuan", lockDir).state(),
              SingleInstanceLock::State::HeldElsewhere);
  }
  EXPECT_EQ(SingleInstanceLock::Acquire("mochuan", lockDir).state(),
            SingleInstanceLock::State::Acquired);
}

TEST_F(SingleInstanceTest, ALockFileThatCannotBeMadeReportsUnavailable) {
  const auto lock = SingleInstanceLock::Acquire("mochuan", dir / "missing-folder");
  EXPECT_EQ(lock.state(), SingleInstanceLock::State::Unavailable);
  EXPECT_FALSE(lock.held());
  EXPECT_FALSE(lock.error().empty());
}

TEST_F(SingleInstanceTest, ALinkPlantedInTheLockFilesPlaceIsNotFollowed) {
  const std::string target = dir / "elsewhere";
  fs::create_symlink(target, LockFilePath("mochuan", lockDir));
  const auto lock = SingleInstanceLock::Acquire("mochuan", lockDir);
  EXPECT_EQ(lock.state(), SingleInstanceLock::State::Unavailable);
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(SingleInstanceTest, ASharedFolderGetsAPerUserLockName) {
  const std::string shared = dir / "shared";
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
  EXPECT_EQ(LockFilePath("mochuan", shared),
            shared + "/mochuan-" + std::to_string(::geteuid()) + ".lock");
  EXPECT_EQ(LockFilePath("mochuan", lockDir + "/"), lockDir + "/mochuan.lock");
}

TEST(ProgramFileNameTest, KeepsOnlyTheFileName) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/opt/mochuan/bin/mochuan", "mochuan"},
      {"./墨川", "墨川"},
      {"mochuan", "mochuan"},
      {"/usr/bin/mochuan-2", "mochuan-2"},
  };
  for (const auto& [path, name] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ProgramFileName(path), name);
  }
}

TEST(DefaultLockDirectoryTest, PrefersTheRuntimeFolder) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string keep = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
  EXPECT_EQ(DefaultLockDirectory(), "/run/user/4242");
  ::setenv("XDG_RUNTIME_DIR", "relative", 1);
  EXPECT_NE(DefaultLockDirectory(), "relative");
  if (saved) {
    ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

}  // namespace
}  // namespace app
