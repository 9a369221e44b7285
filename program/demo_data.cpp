#include "program/demo_data.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "tools/sample_bank/sample_bank.h"

namespace program {

std::string MakeDemoDataDirectory(recfile::RecordFileEngine& engine, const std::string& parent,
                                  std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    engine.CloseAll();
    return std::string();
  };
  // A database operation's own message says more than the step's name.
  auto failed = [&](const databases::Result& result, const std::string& step) {
    return fail(result.message.empty() ? step : result.message);
  };
  std::error_code ec;
  std::filesystem::create_directories(parent, ec);
  std::string pattern = parent + "/demo-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) return fail("无法在 " + parent + " 中建立演示数据目录。");
  const std::string dir = buf.data();

  const databases::DatabaseContext db{engine, dir};
  if (auto r = databases::OpenCourseLibrary(db); !r.ok) return failed(r, "无法建立课程库。");
  if (!databases::CourseLibrary(engine).AddAdministrator(kDemoAdministrator, kDemoAdministratorPassword))
    return fail("无法保存管理员。");
  if (auto r = databases::OpenQuestionTypeLibrary(db); !r.ok) return failed(r, "无法建立题型库。");
  if (auto r = databases::CreateCourseBank(db, kDemoCourse, ""); !r.ok)
    return failed(r, "无法添加演示课程。");
  // The course dialog left an empty bank; the sample questions replace it.
  engine.CloseAll();
  std::string why;
  if (!samples::WriteSampleBank(engine, db.PathOf(kDemoCourse), kDemoQuestions, 20240901u, "",
                                  &why))
    return fail("无法写入示例题库：" + why);
  engine.CloseAll();
  return dir;
}

}  // namespace program
