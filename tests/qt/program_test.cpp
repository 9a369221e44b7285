// The program as a person starts it: its data folder, the first run, a
// second copy, the demonstration folder and bad command lines. The host's
// automation (MC_AUTO_CLOSE, MC_EVENT_LOG) stands in for the person.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "qt_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    fs::create_directories(runtime());
    fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
  }
  fs::path runtime() const { return scratch.path() / "run"; }

  // A process of the program with a runtime folder of the test's own.
  std::unique_ptr<QProcess> start(const QStringList& args, const fs::path& log, bool autoClose) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime().string()));
    env.insert("MC_EVENT_LOG", QString::fromStdString(log.string()));
    if (autoClose) env.insert("MC_AUTO_CLOSE", "1");
    env.remove("XDG_DATA_HOME");
    // What it remembers stays in the test's folder.
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((scratch.path() / "config").string()));
    p->setProcessEnvironment(env);
    p->start(QStringLiteral(MOCHUAN_PATH), args);
    EXPECT_TRUE(p->waitForStarted(30000));
    return p;
  }
  struct Result {
    int code = -1;
    std::string log;
    std::string err;
  };
  Result run(const QStringList& args) {
    const fs::path log = scratch.path() / "run.log";
    fs::remove(log);
    auto p = start(args, log, true);
    EXPECT_TRUE(p->waitForFinished(120000)) << "mochuan did not end";
    return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1, readFile(log),
            p->readAllStandardError().toStdString()};
  }
  static bool waitForLine(const fs::path& log, const std::string& line, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
      if (readFile(log).find(line) != std::string::npos) return true;
      QThread::msleep(100);
    }
    return false;
  }

  qt_test::ScratchDir scratch;
};

TEST_F(ProgramTest, AnEmptyDataFolderShowsTheFirstRunDialogAndCancellingEndsWithZero) {
  const fs::path data = scratch.path() / "data";
  fs::create_directories(data);
  const Result r = run({"--data-dir", QString::fromStdString(data.string())});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.log.find("window 墨川题库与组卷系统 2.0"), std::string::npos) << r.log;
  EXPECT_NE(r.log.find("window 设置管理员姓名密码"), std::string::npos) << r.log;
  EXPECT_NE(r.log.find("exit 0"), std::string::npos) << r.log;

  // Nothing was confirmed, so the next start asks again.
  const Result again = run({"--data-dir", QString::fromStdString(data.string())});
  EXPECT_EQ(again.code, 0);
  EXPECT_NE(again.log.find("window 设置管理员姓名密码"), std::string::npos) << again.log;
}

TEST_F(ProgramTest, ASecondCopyOfTheSameProgramFileSaysSoAndEnds) {
  const fs::path first = scratch.path() / "first";
  const fs::path firstLog = scratch.path() / "first.log";
  fs::create_directories(first);
  // The first copy waits in its first-run dialog, holding the lock.
  auto running = start({"--data-dir", QString::fromStdString(first.string())}, firstLog, false);
  ASSERT_TRUE(waitForLine(firstLog, "window 设置管理员姓名密码", 60)) << readFile(firstLog);

  const fs::path second = scratch.path() / "second";
  fs::create_directories(second);
  const Result r = run({"--data-dir", QString::fromStdString(second.string())});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.log.find("message 信息： 程序 mochuan 已经运行！"), std::string::npos) << r.log;
  EXPECT_EQ(r.log.find("window "), std::string::npos) << r.log;  // no window of its own

  EXPECT_EQ(running->state(), QProcess::Running);
  running->kill();
  running->waitForFinished(30000);
}

TEST_F(ProgramTest, TheDemonstrationStartsOnAFreshFolderWithACourseOfSampleQuestions) {
  const fs::path log = scratch.path() / "demo.log";
  auto p = start({"--demo"}, log, true);
  ASSERT_TRUE(waitForLine(log, "window 墨川题库与组卷系统 2.0", 120)) << readFile(log);
  QThread::msleep(500);
  EXPECT_EQ(p->state(), QProcess::Running) << readFile(log);
  p->kill();
  p->waitForFinished(30000);
  EXPECT_EQ(readFile(log).find("设置管理员姓名密码"), std::string::npos) << readFile(log);
  // The folder lives in the program's private temporary folder.
  std::vector<fs::path> folders;
  for (const auto& e : fs::directory_iterator(runtime() / "mochuan")) folders.push_back(e.path());
  ASSERT_EQ(folders.size(), 1u);
  for (const char* file : {"课程库.edb", "题型库.edb", "示例课程.edb", "示例课程.edt"}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(fs::exists(folders.front() / file));
  }
}

TEST_F(ProgramTest, BadCommandLinesAndUnusableDataFoldersEndWithAClearMessage) {
  const fs::path file = scratch.path() / "a-file";
  std::ofstream(file) << "not a folder";
  const fs::path readOnly = scratch.path() / "read-only";
  fs::create_directories(readOnly);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  struct Case {
    const char* name;
    QStringList args;
    int code;
    const char* says;
  };
  const Case cases[] = {
      {"unknown option", {"--colour"}, 2, "--colour"},
      {"demo with a folder", {"--demo", "--data-dir", "x"}, 2, "--demo"},
      {"a file as folder", {"--data-dir", QString::fromStdString(file.string())}, 2, "a-file"},
      {"a folder that cannot be made", {"--data-dir", "/proc/mochuan-test/data"}, 2, "mochuan-test"},
      {"a read-only folder", {"--data-dir", QString::fromStdString(readOnly.string())}, 2, "read-only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "a read-only folder" && ::geteuid() == 0) continue;  // root writes anyway
    const Result r = run(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.log.find("window "), std::string::npos) << r.log;
  }
  fs::permissions(readOnly, fs::perms::owner_all, fs::perm_options::replace);
}

}  // namespace
