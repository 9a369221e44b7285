#include "app/data_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "support.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using Args = std::vector<std::string>;

EnvLookup FakeEnvironment(std::map<std::string, std::string> vars) {
  return [vars](const std::string& name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

TEST(DataDirArgumentTest, ReadsTheFolderInEitherForm) {
  struct Case {
    Args args;
    std::optional<std::string> dir;
    bool error;
  };
  const std::vector<Case> cases = {
      {{"mochuan"}, std::nullopt, false},
      {{"mochuan", "--data-dir", "/srv/题库"}, "/srv/题库", false},
      {{"mochuan", "--data-dir=/srv/x"}, "/srv/x", false},
      {{"mochuan", "-platform", "offscreen", "--data-dir", "d"}, "d", false},
      {{"--data-dir", "ignored-as-program"}, std::nullopt, false},
      {{"mochuan", "--data-dir"}, std::nullopt, true},
      {{"mochuan", "--data-dir="}, std::nullopt, true},
      {{"mochuan", "--data-dir", ""}, std::nullopt, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const auto got = ParseDataDirArgument(c.args);
    EXPECT_EQ(got.dir, c.dir);
    EXPECT_EQ(!got.error.empty(), c.error);
  }
}

TEST(ProgramOptionsTest, ReadsDemoAndDataDirOnceAndRefusesTheRest) {
  struct Case {
    Args args;
    bool demo;
    std::optional<std::string> dir;
    std::string usageError;
    bool dataDirError;
  };
  const std::vector<Case> cases = {
      {{"mochuan"}, false, std::nullopt, "", false},
      {{"mochuan", "--demo"}, true, std::nullopt, "", false},
      {{"mochuan", "--data-dir", "d"}, false, "d", "", false},
      {{"mochuan", "--data-dir=d"}, false, "d", "", false},
      // The folder's absence is the data folder's error, not a usage one.
      {{"mochuan", "--data-dir"}, false, std::nullopt, "", true},
      {{"mochuan", "--data-dir", "--demo"}, false, "--demo", "", false},
      {{"mochuan", "--demo", "--data-dir", "d"}, true, "d", "--demo 与 --data-dir 不能同时使用", false},
      {{"mochuan", "--demo", "--data-dir"}, true, std::nullopt, "--demo 与 --data-dir 不能同时使用", true},
      {{"mochuan", "-x", "--demo"}, false, std::nullopt, "未知的参数：-x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const auto got = ReadProgramOptions(c.args);
    EXPECT_EQ(got.demo, c.demo);
    EXPECT_EQ(got.dataDir.dir, c.dir);
    EXPECT_EQ(got.usageError, c.usageError);
    EXPECT_EQ(!got.dataDir.error.empty(), c.dataDirError);
  }
}

class DataDirTest : public ::testing::Test {
 protected:
  TempDir tmp;
};

TEST_F(DataDirTest, AGivenFolderWinsAndIsCreatedWhenMissing) {
  const std::string wanted = tmp / "given/sub";
  const auto got = ResolveDataDirectory(wanted, tmp.path(), FakeEnvironment({}));
  ASSERT_TRUE(got.ok()) << got.error;
  EXPECT_EQ(got.path, wanted);
  EXPECT_TRUE(fs::is_directory(wanted));
}

TEST_F(DataDirTest, ARelativeGivenFolderBecomesAbsolute) {
  const fs::path before = fs::current_path();
  fs::current_path(tmp.path());
  const auto got = ResolveDataDirectory(std::string("rel"), {}, FakeEnvironment({}));
  fs::current_path(before);
  ASSERT_TRUE(got.ok()) << got.error;
  EXPECT_EQ(got.path, tmp / "rel");
}

TEST_F(DataDirTest, TheExecutableFolderIsUsedWhenWritable) {
  const auto got = ResolveDataDirectory(std::nullopt, tmp.path(),
                                        FakeEnvironment({{"XDG_DATA_HOME", tmp / "xdg"}}));
  ASSERT_TRUE(got.ok()) << got.error;
  EXPECT_EQ(got.path, tmp.path());
  EXPECT_FALSE(fs::exists(tmp / "xdg"));
}

TEST_F(DataDirTest, OtherwiseTheUsersDataFolderIsMadeAndUsed) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> env;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"XDG_DATA_HOME", {{"XDG_DATA_HOME", tmp / "xdg"}, {"HOME", tmp / "home"}}, tmp / "xdg/mochuan"},
      {"HOME default", {{"HOME", tmp / "home"}}, tmp / "home/.local/share/mochuan"},
      {"relative XDG_DATA_HOME ignored", {{"XDG_DATA_HOME", "rel"}, {"HOME", tmp / "h2"}},
       tmp / "h2/.local/share/mochuan"},
  };
  // A folder that does not exist cannot be written: same as read-only.
  const std::string noExecutableFolder = tmp / "no-such-folder";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = ResolveDataDirectory(std::nullopt, noExecutableFolder, FakeEnvironment(c.env));
    ASSERT_TRUE(got.ok()) << got.error;
    EXPECT_EQ(got.path, c.expected);
    EXPECT_TRUE(fs::is_directory(c.expected));
  }
}

TEST_F(DataDirTest, AReadOnlyExecutableFolderIsPassedOver) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
  const std::string exe = tmp / "bin";
  fs::create_directories(exe);
  fs::permissions(exe, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  const auto got = ResolveDataDirectory(std::nullopt, exe, FakeEnvironment({{"HOME", tmp / "home"}}));
  fs::permissions(exe, fs::perms::owner_all, fs::perm_options::replace);
  ASSERT_TRUE(got.ok()) << got.error;
  EXPECT_EQ(got.path, tmp / "home/.local/share/mochuan");
}

TEST_F(DataDirTest, UnusableFoldersGiveAMessage) {
  std::ofstream(tmp / "a-file") << "x";
  struct Case {
    const char* what;
    std::optional<std::string> requested;
    std::map<std::string, std::string> env;
    std::string messageStart;
  };
  const std::vector<Case> cases = {
      {"given folder is a file", tmp / "a-file", {}, "数据目录 " + (tmp / "a-file") + " 不是一个目录"},
      {"given folder cannot be made", tmp / "a-file/sub", {}, "无法创建数据目录 " + (tmp / "a-file/sub")},
      {"no home at all", std::nullopt, {}, "找不到数据目录"},
      {"data home cannot be made", std::nullopt, {{"XDG_DATA_HOME", tmp / "a-file"}},
       "无法创建数据目录 " + (tmp / "a-file/mochuan")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = ResolveDataDirectory(c.requested, tmp / "no-such-folder", FakeEnvironment(c.env));
    EXPECT_FALSE(got.ok());
    EXPECT_EQ(got.error.rfind(c.messageStart, 0), 0u) << got.error;
  }
}

TEST_F(DataDirTest, SetUpMakesTheFolderTheWorkingDirectoryOrFailsWithAMessage) {
  const fs::path before = fs::current_path();
  const auto ok = SetUpDataDirectory({"mochuan", "--data-dir", tmp / "data"}, "/nonexistent/mochuan");
  const fs::path after = fs::current_path();
  fs::current_path(before);
  ASSERT_TRUE(ok.ok()) << ok.error;
  EXPECT_EQ(after, fs::path(tmp / "data"));

  const auto missing = SetUpDataDirectory({"mochuan", "--data-dir"}, "/nonexistent/mochuan");
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(missing.error, "--data-dir 后面缺少数据目录");
  EXPECT_EQ(fs::current_path(), before);
  EXPECT_NE(kDataDirectoryExitCode, 0);
}

TEST(ExecutablePathTest, NamesTheRunningTestProgram) {
  EXPECT_EQ(fs::path(ExecutablePath()).filename(), "app_data_dir_test");
}

}  // namespace
}  // namespace app
