// A data folder with a course library, the question-type library, one
// course bank and (unless a test wants a first start) the numbering table
// file; an engine, a scripted host and the compose window opened on the
// course as the main window opens it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "compose/compose_window.h"
#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "recfile/file_system.h"
#include "recfile/record_file_engine.h"
#include "tests/support/database_result.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"
#include "types/numbering_table.h"
#include "ui/grid_control.h"
#include "ui/testing/scripted_host.h"

namespace compose::testing {

inline const std::string kCourse = "高等数学";

// Fails every write on request, as a full disk does.
using FailingFileSystem = mc::testing::FaultyFileSystem;

// A single question of type `type`.
inline databases::Question Single(std::string text1, std::string type = "填空", int score = 5,
                                  int difficulty = 3) {
  databases::Question q;
  q.text1 = std::move(text1);
  q.answer = "答";
  q.type = std::move(type);
  q.score = score;
  q.difficulty = difficulty;
  return q;
}

// A group member (number "1".."99") or, with "0", its title.
inline databases::Question Grouped(std::string group, std::string number, std::string text1,
                                   int score, std::string type = "问答", bool masked = false) {
  databases::Question q = Single(std::move(text1), std::move(type), score);
  q.groupName = std::move(group);
  q.groupNumber = std::move(number);
  q.masked = masked;
  if (q.groupNumber == "0") q.answer.clear();
  return q;
}

class ComposeFixture : public ::testing::Test {
 protected:
  ComposeFixture()
      : fs_(std::make_shared<FailingFileSystem>(recfile::FileSystem::Real())),
        engine_(fs_),
        db_{engine_, dir_.path()} {}
  ~ComposeFixture() override {
    window_.reset();
    engine_.CloseAll();
  }

  // Builds the databases with these questions (in record order).
  void MakeData(const std::vector<databases::Question>& questions, bool numberingFile = true,
                const std::string& typeOrder = {}) {
    ASSERT_EQ(databases::OpenCourseLibrary(db_), mc::testing::Done());
    ASSERT_TRUE(engine_.Append({recfile::Value(std::string("管理员"))}));
    ASSERT_EQ(databases::CreateCourseBank(db_, kCourse, ""), mc::testing::Done());
    ASSERT_EQ(databases::OpenQuestionTypeLibrary(db_), mc::testing::Done());
    databases::CourseLibrary library(engine_);
    ASSERT_TRUE(library.SetDifficultyNote(0, "1 易 9 难"));
    if (!typeOrder.empty()) {
      ASSERT_TRUE(library.SetTypeOrder(0, typeOrder));
    }
    ASSERT_EQ(databases::OpenCourseBank(db_, kCourse, true, 0, ""), mc::testing::Done());
    databases::CourseBank bank(engine_, kCourse);
    ids_.clear();
    for (const auto& q : questions) {
      const std::int64_t id = bank.Append(q);
      ASSERT_GT(id, 0);
      ids_.push_back(id);
    }
    if (numberingFile) WriteNumberingFile();
    ctx_ = std::make_unique<app::AppContext>(engine_, host_, dir_.path());
    ctx_->selectedCourse = {kCourse, 0};
  }

  void WriteNumberingFile(int extraRows = 0) {
    ui::GridControl grid;
    types::FillDefaultNumberingGrid(grid);
    for (int i = 0; i < extraRows; ++i) {
      grid.InsertRow(std::to_string(grid.RowCount()));
      const int r = grid.RowCount() - 1;
      grid.SetCellData(r, 1, ui::CellKind::Text, std::string("十"));
      grid.SetCellData(r, 2, ui::CellKind::Text, std::string("Ⅹ"));
    }
    ASSERT_TRUE(grid.SaveToFile(types::NumberingFilePath(dir_.path())));
  }

  void Open() {
    window_ = std::make_unique<ComposeWindow>(*ctx_);
    window_->Open(true, nullptr);
    ASSERT_TRUE(window_->isOpen());
  }
  // Closes as a person would, then opens a new window as the main window does.
  void Reopen() {
    ASSERT_TRUE(window_->UserClose());
    Open();
  }

  ui::GridControl& grid() { return window_->高级表格1; }
  ui::GridControl& order() { return window_->高级表格题型排序分值; }
  const std::string& cell(int row, int column) { return grid().cellText(row, column); }
  bool checked(int row, int column) { return grid().cellChecked(row, column); }
  int RowOf(const std::string& text1) {
    for (int r = 1; r < grid().RowCount(); ++r)
      if (cell(r, kColText1) == text1) return r;
    ADD_FAILURE() << "no row " << text1;
    return 0;
  }
  // Clicks a check cell of the question, as a person does.
  void Tick(const std::string& text1, int column) { grid().Click(RowOf(text1), column); }
  // Types into a cell of the question.
  void Type(const std::string& text1, int column, const std::string& text) {
    const int row = RowOf(text1);
    grid().Click(row, column);
    grid().EditCell(row, column, text);
  }
  std::string Totals() {
    return window_->A卷总分.text() + "/" + window_->B卷总分.text() + "/" +
           window_->标签相似度.text();
  }
  // The question as stored now, read by another engine.
  databases::Question Stored(const std::string& text1) {
    recfile::RecordFileEngine other;
    databases::DatabaseContext db{other, dir_.path()};
    EXPECT_TRUE(other.Open(db.PathOf(kCourse), {}, false, recfile::ShareMode::None, std::string()));
    databases::CourseBank bank(other, kCourse);
    std::vector<databases::Question> all;
    EXPECT_TRUE(bank.ReadAll(all));
    for (auto& q : all)
      if (q.text1 == text1) return q;
    ADD_FAILURE() << "not stored: " << text1;
    return {};
  }
  std::vector<std::string> Messages() { return host_.MessageTexts(); }

  mc::testing::TempDir dir_;
  std::shared_ptr<FailingFileSystem> fs_;
  recfile::RecordFileEngine engine_;
  databases::DatabaseContext db_;
  ui::testing::ScriptedHost host_;
  std::unique_ptr<app::AppContext> ctx_;
  std::unique_ptr<ComposeWindow> window_;
  std::vector<std::int64_t> ids_;
};

}  // namespace compose::testing
