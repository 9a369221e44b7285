// "生成A卷"/"生成B卷" in the compose window: the same paper as mochuan-paper
// gives for the same plan after a fresh start, written to the host's
// temporary folder and opened.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <memory>

#include "compose/compose_window.h"
#include "tests/output/bank_fixture.h"
#include "tests/support/database_result.h"
#include "text/text.h"
#include "types/numbering_table.h"
#include "ui/grid_control.h"
#include "ui/testing/scripted_host.h"

namespace {

using namespace mc::testing;

class WindowPaper : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(course.Build(dir.path(), error)) << error;
    ui::GridControl numbering;
    types::FillDefaultNumberingGrid(numbering);
    ASSERT_TRUE(numbering.SaveToFile(types::NumberingFilePath(dir.path())));
    std::filesystem::create_directories(dir / "window");
    host.setTemporaryFolder(dir / "window");
    // 2026-12-10 12:00:00 for both stamps.
    host.setNow(text::ToDays({2026, 12, 10, 12, 0, 0}));
  }
  void TearDown() override {
    window.reset();
    engine.CloseAll();
  }

  // The main window's "组卷" after a fresh start: the bank opened with the
  // password, the compose window opened on it.
  void OpenWindow() {
    ctx = std::make_unique<app::AppContext>(engine, host, dir.path());
    ctx->selectedCourse = {SampleCourse::kCourse, 0};
    ASSERT_EQ(databases::OpenCourseBank(ctx->db(), SampleCourse::kCourse, true, 0,
                                          SampleCourse::kPassword), mc::testing::Done());
    window = std::make_unique<compose::ComposeWindow>(*ctx);
    window->Open(true, nullptr);
    ASSERT_TRUE(window->isOpen());
  }

  int RunCommand(const std::string& plan, const std::string& paper, const std::string& out) {
    std::filesystem::create_directories(out);
    const std::string cmd = std::string("'") + MOCHUAN_PAPER_PATH + "' --data-dir '" + dir.path() +
                            "' --course 物理 --password '" + SampleCourse::kPassword + "' --plan '" +
                            plan + "' --paper " + paper + " --out '" + out +
                            "' --stamp 20261210120000 >/dev/null 2>&1";
    const int s = std::system(cmd.c_str());
    return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  }

  TempDir dir{"mc-window-paper"};
  SampleCourse course;
  recfile::RecordFileEngine engine;
  ui::testing::ScriptedHost host;
  std::unique_ptr<app::AppContext> ctx;
  std::unique_ptr<compose::ComposeWindow> window;
};

TEST_F(WindowPaper, GivesTheSamePaperAsTheCommandAfterAFreshStart) {
  int comparedPictures = 0;
  for (bool circled : {false, true}) {
    SCOPED_TRACE(circled);
    compose::PaperPlan plan = course.Plan(circled);
    plan.selectionStamp = "20261210120000";
    plan.optionsOnOwnLines = circled;
    plan.continuousNumbering = circled;
    std::string error;
    ASSERT_TRUE(compose::WritePlanFile(dir / "plan.mcplan", plan, error)) << error;

    for (const char* paper : {"A", "B"}) {
      SCOPED_TRACE(paper);
      std::filesystem::remove_all(dir / "window");
      std::filesystem::create_directories(dir / "window");
      OpenWindow();  // a fresh start: the generator at 1
      ASSERT_TRUE(window->ApplyPlan(plan));
      ui::Button& button = *paper == 'A' ? window->按钮A卷 : window->按钮B卷;
      ASSERT_TRUE(button.enabled());
      button.Click();
      EXPECT_TRUE(host.MessageTexts().empty()) << ::testing::PrintToString(host.MessageTexts());
      ASSERT_EQ(host.openedDocuments().size(), 2u);
      ASSERT_EQ(RunCommand(dir / "plan.mcplan", paper, dir / "command"), 0);

      for (const std::string& opened : host.openedDocuments()) {
        const std::string name = std::filesystem::path(opened).filename().string();
        EXPECT_EQ(ReadFileBytes(opened), ReadFileBytes(dir / ("command/" + name))) << name;
        const std::string stem = name.substr(0, name.size() - 5);
        const std::string pictures = dir / ("window/" + stem + ".files");
        if (!std::filesystem::exists(pictures)) continue;
        for (const auto& e : std::filesystem::directory_iterator(pictures)) {
          ++comparedPictures;
          EXPECT_EQ(ReadFileBytes(e.path().string()),
                    ReadFileBytes(dir / ("command/" + stem + ".files/" + e.path().filename().string())));
        }
      }
      window.reset();
      engine.CloseAll();
      host.ClearRecords();
    }
  }
  EXPECT_GT(comparedPictures, 0);
}

TEST_F(WindowPaper, GeneratingTwiceDrawsAnewUnderTheSameSelectionStamp) {
  OpenWindow();
  ASSERT_TRUE(window->ApplyPlan(course.Plan()));
  window->按钮A卷.Click();
  host.AdvanceSeconds(1);
  window->按钮A卷.Click();
  ASSERT_EQ(host.openedDocuments().size(), 4u);
  const std::string first = ReadFileBytes(host.openedDocuments()[0]);
  const std::string second = ReadFileBytes(host.openedDocuments()[2]);
  EXPECT_NE(first, second);
  const std::string a = std::filesystem::path(host.openedDocuments()[0]).filename().string();
  const std::string b = std::filesystem::path(host.openedDocuments()[2]).filename().string();
  // Course, selection stamp, total, similarity, paper the same; the
  // generation stamp one second later.
  EXPECT_EQ(a.substr(0, a.find("A卷") + 5), b.substr(0, b.find("A卷") + 5));
  EXPECT_NE(a.find("20261210120000  试题"), std::string::npos);
  EXPECT_NE(b.find("20261210120001  试题"), std::string::npos);
}

}  // namespace
