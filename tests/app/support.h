// Shared pieces of the application tests: a fresh data folder, an
// installation built through the database layer, and a fixture that starts
// the program on the scripted host as main() does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/app_context.h"
#include "app/course_admin.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"
#include "tests/support/database_result.h"
#include "tests/support/temp_dir.h"
#include "ui/testing/scripted_host.h"

namespace app::testing {

namespace fs = std::filesystem;

using mc::testing::ReadFileBytes;
using mc::testing::TempDir;

struct CourseSpec {
  std::string name;
  std::string password;
  int questions = 0;  // empty records appended to the bank
};

// An installation as earlier runs of the program leave it.
inline void MakeInstallation(const std::string& dir, const std::string& adminName,
                             const std::string& adminPassword,
                             const std::vector<CourseSpec>& courses) {
  recfile::RecordFileEngine engine;
  databases::DatabaseContext db{engine, dir};
  ASSERT_EQ(databases::OpenCourseLibrary(db), mc::testing::Done());
  ASSERT_TRUE(engine.Append(
      {recfile::Value(adminName), recfile::Value(databases::EncipherPassword(adminPassword))}));
  ASSERT_EQ(databases::OpenQuestionTypeLibrary(db), mc::testing::Done());
  for (const auto& c : courses) {
    ASSERT_EQ(databases::CreateCourseBank(db, c.name, c.password), mc::testing::Done());
    if (c.questions > 0) {
      ASSERT_TRUE(engine.Open(db.PathOf(c.name), {}, false, recfile::ShareMode::None, c.password));
      for (int i = 0; i < c.questions; ++i) ASSERT_TRUE(engine.Append());
      engine.Close(db.FullPathOf(c.name));
    }
  }
  engine.CloseAll();
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lockDir = dir / "run";
    fs::create_directories(lockDir);
    fs::permissions(lockDir, fs::perms::owner_all, fs::perm_options::replace);
  }

  // Starts the program as main() does: a fresh engine and context, the main
  // window shown. The exit code when the program ended during start-up.
  std::optional<int> Start(const std::string& programName = "mochuan") {
    main.reset();
    ctx.reset();
    engine = std::make_unique<recfile::RecordFileEngine>();
    ctx = std::make_unique<AppContext>(*engine, host, dir.path());
    main = std::make_unique<MainWindow>(*ctx, MainWindowOptions{programName, lockDir});
    return Run([&] { ShowMainWindow(*main); });
  }

  // Runs a user action; the exit code when it ended the program.
  static std::optional<int> Run(const std::function<void()>& action) {
    try {
      action();
    } catch (const ui::ProgramExit& e) {
      return e.code;
    }
    return std::nullopt;
  }

  // Plays the user in the administrator/course dialog shown in `mode`.
  void OnDialog(const std::string& mode, std::function<void(AdminDialog&)> play) {
    host.onShow(mode, [play](ui::Window& w) { play(dynamic_cast<AdminDialog&>(w)); });
  }
  // Types the three inputs (a read-only one is left alone) and confirms.
  static void FillAndConfirm(AdminDialog& d, const std::string& first, const std::string& second,
                             const std::string& third) {
    if (!d.新课程.readOnly()) d.新课程.ReplaceText(first);
    d.课程密码.ReplaceText(second);
    d.课程密码1.ReplaceText(third);
    d.确定.Click();
  }

  // The records of "课程库" as (name, stored password) pairs, read by a
  // separate engine after the program's engine let go of the files.
  std::vector<std::pair<std::string, std::string>> CourseLibraryRecords() {
    if (engine) engine->CloseAll();
    recfile::RecordFileEngine reader;
    std::vector<std::pair<std::string, std::string>> out;
    if (!reader.Open(dir / "课程库")) return out;
    for (std::int64_t i = 1; i <= reader.RecordCount(); ++i) {
      reader.GoTo(i);
      out.emplace_back(reader.ReadText(databases::kCourseNameField),
                       reader.ReadText(databases::kCoursePasswordField));
    }
    return out;
  }

  std::string Magic(const std::string& file) { return ReadFileBytes(dir / file).substr(0, 4); }
  bool Exists(const std::string& file) { return fs::exists(dir / file); }
  // Whether the program's engine holds the database of that name open.
  bool IsOpen(const std::string& name) { return engine->IsOpen(engine->ResolvePath(dir / name)); }
  std::vector<std::string> Messages() const { return host.MessageTexts(); }
  // Captions of the windows shown modally, in order.
  std::vector<std::string> ModalWindows() const {
    std::vector<std::string> out;
    for (const auto& w : host.shownWindows())
      if (w.modal) out.push_back(w.caption);
    return out;
  }

  TempDir dir;
  std::string lockDir;
  ui::testing::ScriptedHost host;
  std::unique_ptr<recfile::RecordFileEngine> engine;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<MainWindow> main;
};

}  // namespace app::testing
