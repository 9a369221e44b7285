// A course bank built in a fresh folder, an engine, a scripted host and an
// editor window opened on the bank, as the main window would open it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/question_rules.h"
#include "databases/program_databases.h"
#include "recfile/file_system.h"
#include "recfile/record_file_engine.h"
#include "tests/support/database_result.h"
#include "ui/testing/scripted_host.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"

namespace bank_editor::testing {

inline const std::string kCourse = "高等数学";

// One question as stored.
struct Q {
  std::string knowledge, groupName, groupNumber, text1, picture, text2, answer, answerPicture,
      type = "填空";
  int difficulty = 1;
  int score = 5;
  bool choice = false, fixedScore = false, masked = false;
  std::vector<std::uint8_t> pictureData = {};
};

using mc::testing::TempDir;

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<recfile::Value> RecordValues(const Q& q) {
  return {q.knowledge, q.groupName,  q.groupNumber,   q.text1,
          q.picture,   q.text2,      q.answer,        q.answerPicture,
          q.type,      std::int64_t{q.difficulty},    std::int64_t{q.score},
          q.choice,    q.fixedScore, q.masked,        recfile::Bytes(q.pictureData),
          recfile::Bytes{}};
}

// Fails every write from now on (`failWrites`, as a full disk does) or
// only the n-th write from now on (`failNthWrite`).
using FailingFileSystem = mc::testing::FaultyFileSystem;

class EditorFixture : public ::testing::Test {
 protected:
  EditorFixture()
      : fs_(std::make_shared<FailingFileSystem>(recfile::FileSystem::Real())), engine_(fs_) {}

  // Writes the bank and the question-type library, opens the bank as the
  // main window does and opens the editor on it.
  void OpenEditor(const std::vector<Q>& questions) {
    WriteBank(questions);
    ctx_ = std::make_unique<app::AppContext>(engine_, host_, dir_.path());
    ctx_->selectedCourse = {kCourse, 0};
    databases::DatabaseContext db{engine_, dir_.path()};
    ASSERT_EQ(databases::OpenQuestionTypeLibrary(db), mc::testing::Done());
    ASSERT_TRUE(engine_.Open(BankPath(), {}, false, recfile::ShareMode::None, std::string()));
    editor_ = std::make_unique<BankEditorWindow>(*ctx_);
    editor_->Open(true, nullptr);
    ASSERT_TRUE(editor_->isOpen());
  }

  void WriteBank(const std::vector<Q>& questions) { WriteBankAt(BankPath(), questions); }

  // Writes a bank at `path` (no extension) with its own engine.
  static void WriteBankAt(const std::string& path, const std::vector<Q>& questions,
                          const std::string& password = {}) {
    recfile::RecordFileEngine engine;
    ASSERT_TRUE(engine.Create(path, databases::QuestionBankFields()));
    ASSERT_TRUE(engine.Open(path, {}, false, recfile::ShareMode::None, std::string()));
    for (const Q& q : questions) ASSERT_TRUE(engine.Append(RecordValues(q)));
    if (!password.empty()) {
      ASSERT_TRUE(engine.SetPassword(password));
    }
    engine.CloseAll();
  }

  std::string BankPath() const { return dir_.path() + "/" + kCourse; }
  std::string BankFile() const { return BankPath() + ".edb"; }
  std::string SideFile() const { return BankPath() + ".edt"; }

  // The bank as another program would see it now: every record's fields.
  std::vector<std::vector<recfile::Value>> ReadBankFromDisk() {
    recfile::RecordFileEngine other;
    std::vector<std::vector<recfile::Value>> records;
    EXPECT_TRUE(other.Open(BankPath(), {}, false, recfile::ShareMode::None, std::string()));
    for (std::int64_t i = 1; i <= other.RecordCount(); ++i) {
      other.GoTo(i);
      std::vector<recfile::Value> fields;
      for (int f = 1; f <= databases::kQuestionFieldCount; ++f) fields.push_back(other.ReadField(f));
      records.push_back(std::move(fields));
    }
    return records;
  }
  // A text field of the record with this id, read afresh from disk.
  recfile::Value DiskField(std::int64_t id, int field) {
    recfile::RecordFileEngine other;
    EXPECT_TRUE(other.Open(BankPath(), {}, false, recfile::ShareMode::None, std::string()));
    EXPECT_TRUE(other.GoToId(id));
    return other.ReadField(field);
  }

  ui::GridControl& grid() { return editor_->高级表格1; }
  const std::string& cell(int row, int column) { return grid().cellText(row, column); }
  // Grid row of the question with this 题文1.
  int RowOf(const std::string& text1) {
    for (int r = 1; r < grid().RowCount(); ++r)
      if (cell(r, kColText1) == text1) return r;
    ADD_FAILURE() << "no row with 题文1 " << text1;
    return -1;
  }
  std::int64_t IdOf(int row) { return std::stoll(cell(row, kColRecordId)); }
  std::pair<int, int> Cursor() { return {grid().CursorRow(), grid().CursorColumn()}; }

  TempDir dir_;
  std::shared_ptr<FailingFileSystem> fs_;
  recfile::RecordFileEngine engine_;
  ui::testing::ScriptedHost host_;
  std::unique_ptr<app::AppContext> ctx_;
  std::unique_ptr<BankEditorWindow> editor_;
};

// A complete single question.
inline Q Question(std::string text1, std::string answer = "答", int score = 5) {
  Q q;
  q.text1 = std::move(text1);
  q.answer = std::move(answer);
  q.score = score;
  return q;
}

// A group member (number "1".."99") or, with number "0", its title.
inline Q Grouped(std::string group, std::string number, std::string text1, int score,
                 bool masked = false) {
  Q q = Question(std::move(text1), number == "0" ? "" : "答", score);
  q.groupName = std::move(group);
  q.groupNumber = std::move(number);
  q.masked = masked;
  return q;
}

}  // namespace bank_editor::testing
