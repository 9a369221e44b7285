#include "databases/command_line_course.h"

#include <filesystem>

#include "databases/course_bank.h"
#include "databases/program_databases.h"

namespace databases {

std::string OpenCourseForCommand(recfile::RecordFileEngine& engine, const std::string& dataDir,
                                 const std::string& course, const std::string& password,
                                 int* position) {
  DatabaseContext db{engine, dataDir};
  // Opening would create an empty library in a mistyped folder.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(db.FullPathOf(kCourseLibrary), ec))
    return "数据目录 " + dataDir + " 中没有课程库";
  if (Result r = OpenCourseLibrary(db); !r.ok)
    return r.message.empty() ? "打开课程库错误！" : r.message;
  const std::optional<int> at = CourseLibrary(engine).FindCourse(course);
  if (!at) return "没有课程：" + course;
  if (position) *position = *at;
  if (Result r = OpenQuestionTypeLibrary(db); !r.ok) return r.message;
  if (Result r = OpenCourseBank(db, course, true, *at, password); !r.ok)
    return r.message.empty() ? "打开 " + course + " 题库错误！" : r.message;
  return {};
}

}  // namespace databases
