// mochuan-paper-sample DIR PLAN: a data folder with the sample course
// "示例课程" (administrator 管理员 / 123456) and a plan that ticks a few
// questions of every type into paper A and some of them into paper B. For
// the README's pictures of generated papers; not installed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "compose/paper_plan.h"
#include "databases/course_bank.h"
#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "tools/sample_bank/sample_bank.h"
#include "output/paper_generation.h"
#include "tools/mochuan-paper/course_session.h"

namespace {

constexpr const char* kCourse = "示例课程";

int Fail(const std::string& why) {
  std::fprintf(stderr, "mochuan-paper-sample：%s\n", why.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("用法：mochuan-paper-sample 数据目录 方案文件");
  const std::string dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  recfile::RecordFileEngine engine;
  const databases::DatabaseContext db{engine, dir};
  if (auto r = databases::OpenCourseLibrary(db); !r.ok) return Fail(r.message);
  if (!engine.Append({recfile::Value(std::string("管理员")),
                      recfile::Value(databases::EncipherPassword("123456"))}))
    return Fail(recfile::ErrorText(engine.LastError()));
  if (auto r = databases::OpenQuestionTypeLibrary(db); !r.ok) return Fail(r.message);
  // Without a message the course's bank file was there already.
  if (auto r = databases::CreateCourseBank(db, kCourse, ""); !r.ok)
    return Fail(r.message.empty() ? std::string("已经存在 ") + kCourse + ".edb" : r.message);
  engine.CloseAll();
  std::string error;
  if (!samples::WriteSampleBank(engine, db.PathOf(kCourse), 120, 20240901u, "", &error))
    return Fail(error);
  engine.CloseAll();

  paper_tool::CourseSession session;
  if (!session.Open(dir, kCourse, "", error)) return Fail(error);

  // Up to three questions (a group counts once) of every type, pictures and
  // groups preferred so the picture shows them.
  compose::PaperPlan plan;
  plan.course = kCourse;
  plan.selectionStamp = "20261210103000";
  plan.sectionScoreNote = true;
  std::map<std::string, int> taken;
  std::string takingGroup;
  for (int pass = 0; pass < 2; ++pass) {
    for (const databases::Question& q : session.questions) {
      if (q.isMember()) {
        if (q.groupName == takingGroup && !q.masked) plan.a.push_back(q.id);
        continue;
      }
      takingGroup.clear();
      if (q.masked || q.score <= 0 || taken[q.type] >= 3) continue;
      const bool interesting = q.hasPicture() || q.isTitle() || (q.choice && !q.text2.empty());
      if ((pass == 0) != interesting) continue;
      if (std::find(plan.a.begin(), plan.a.end(), q.id) != plan.a.end()) continue;
      ++taken[q.type];
      plan.a.push_back(q.id);
      if (q.isTitle()) takingGroup = q.groupName;
    }
  }
  for (std::size_t i = 0; i < plan.a.size(); i += 2) plan.b.push_back(plan.a[i]);
  if (!compose::WritePlanFile(argv[2], plan, error)) return Fail(error);
  return 0;
}
