// A data folder with a course library (administrator record first) and one
// course whose bank holds the questions a test gives.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "databases/course_bank.h"
#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"
#include "tests/support/database_result.h"
#include "tests/support/temp_dir.h"

namespace autocompose::testing {

// A question worth `score` points of `type`, difficulty 5, with its own text.
inline databases::Question Question(const std::string& type, int score,
                                    const std::string& knowledge = {}, int difficulty = 5) {
  static int serial = 0;
  databases::Question q;
  q.text1 = "第" + std::to_string(++serial) + "题";
  q.answer = "答";
  q.type = type;
  q.score = score;
  q.difficulty = difficulty;
  q.knowledgePoints = knowledge;
  return q;
}

// Writes the course (with `password`, may be empty) and its questions into
// `dir`, then closes everything.
inline void WriteCourse(const std::string& dir, const std::string& course,
                        const std::vector<databases::Question>& questions,
                        const std::string& password = {}) {
  recfile::RecordFileEngine engine;
  databases::DatabaseContext ctx{engine, dir};
  ASSERT_EQ(databases::OpenCourseLibrary(ctx), mc::testing::Done());
  if (engine.RecordCount() == 0) {
    ASSERT_TRUE(engine.Append({recfile::Value(std::string("王老师")),
                               recfile::Value(databases::EncipherPassword("admin"))}));
  }
  ASSERT_EQ(databases::CreateCourseBank(ctx, course, password), mc::testing::Done());
  if (!engine.IsOpen(ctx.FullPathOf(course))) {
    ASSERT_TRUE(engine.Open(ctx.PathOf(course), {}, false, recfile::ShareMode::None, password));
  }
  databases::CourseBank bank(engine, course);
  for (const auto& q : questions) ASSERT_NE(bank.Append(q), 0) << bank.lastError().message;
  ASSERT_EQ(databases::OpenQuestionTypeLibrary(ctx), mc::testing::Done());
  engine.CloseAll();
}

}  // namespace autocompose::testing
