// A data folder with one course for the paper command and the window: the
// administrator, "题型库", and a bank whose questions cover choices, a
// picture-options question and its twin, a group and pictures.
#pragma once

#include <string>
#include <vector>

#include "compose/paper_plan.h"
#include "databases/course_bank.h"
#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"
#include "tests/output/paper_fixture.h"
#include "tests/support/temp_dir.h"

namespace mc::testing {

inline std::vector<std::uint8_t> PictureBytes(int seed) {
  std::vector<std::uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE0};
  for (int i = 0; i < 50; ++i) b.push_back(static_cast<std::uint8_t>(seed * 31 + i));
  return b;
}

struct SampleCourse {
  static constexpr const char* kCourse = "物理";
  static constexpr const char* kPassword = "口令12";

  // Record ids of the bank, by role.
  std::vector<std::int64_t> all, paperB;

  // Builds the folder's databases; returns false with a reason.
  bool Build(const std::string& dir, std::string& error) {
    recfile::RecordFileEngine engine;
    const databases::DatabaseContext db{engine, dir};
    databases::Result r = databases::OpenCourseLibrary(db);
    if (r.ok && !engine.Append({recfile::Value(std::string("管理员")),
                                recfile::Value(databases::EncipherPassword("123456"))}))
      r = databases::Result::Failure();
    if (r.ok) r = databases::OpenQuestionTypeLibrary(db);
    if (r.ok) r = databases::CreateCourseBank(db, kCourse, kPassword);
    if (!r.ok) {
      error = r.message.empty() ? "cannot build" : r.message;
      return false;
    }
    databases::TypeLibrary types(engine);
    if (auto t = types.FindByName("判断")) types.SetAnswerOnNewLine(t->id, false);
    if (!engine.IsOpen(db.FullPathOf(kCourse)) &&
        !engine.Open(db.PathOf(kCourse), {}, false, recfile::ShareMode::None, kPassword)) {
      error = "cannot open the new bank";
      return false;
    }
    databases::CourseBank bank(engine, kCourse);
    auto add = [&](databases::Question q, int picture = 0, int answerPicture = 0) {
      if (picture) q.pictureMark = "√";
      if (answerPicture) q.answerPictureMark = "√";
      const auto id = bank.Append(q, picture ? PictureBytes(picture) : recfile::Bytes{},
                                  answerPicture ? PictureBytes(answerPicture) : recfile::Bytes{});
      all.push_back(id);
      if (id <= 0 && error.empty()) error = bank.lastError().message;
      return id;
    };
    const auto c1 = add(Choice(0, "选择", "水的化学式是( )", "H2O\r\nCO2\r\nO2\r\nNaCl", "H2O"));
    add(Choice(0, "选择", "<script>alert(1)</script>下列属于金属的是", "铁\r\n木\r\n石", "铁", 5));
    const auto pic = add(Choice(0, "选择", "如图所示，电流方向为", "", "B"), 1);
    add(Choice(0, "选择", "如图所示，电流方向为", "", "②"), 2, 3);
    all.pop_back();  // the twin is not ticked
    const auto j1 = add(Single(0, "判断", "光速不变（ ）", 2, "√"), 4);
    add(Single(0, "判断", "声音可在真空中传播", 2, "×"));
    const auto t = add(Title(0, "阅读", "牛顿", "阅读下面的材料：\r\n牛顿三定律……", 10));
    add(Member(0, "阅读", "牛顿", 1, "第一定律说什么？", 4), 0, 5);
    add(Member(0, "阅读", "牛顿", 2, "第二定律说什么？", 6));
    add(Single(0, "问答", "简述能量守恒", 8, "能量既不会凭空产生\r\n也不会凭空消失"));
    for (const auto id : all)
      if (id <= 0) {
        error = "append failed: " + bank.lastError().message;
        return false;
      }
    paperB = {c1, pic, j1, t, all[6], all[7]};
    engine.CloseAll();
    return true;
  }

  compose::PaperPlan Plan(bool circled = false) const {
    compose::PaperPlan plan;
    plan.course = kCourse;
    plan.selectionStamp = "20261210103000";
    plan.a = all;
    plan.b = paperB;
    plan.optionLabels = circled ? "①" : "A";
    plan.sectionScoreNote = true;
    return plan;
  }
};

}  // namespace mc::testing
