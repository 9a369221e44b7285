#include "databases/command_line_course.h"

#include <filesystem>

#include "databases/course_bank.h"
#include "databases/program_databases.h"

namespace databases {

namespace {

// Keeps the last message instead of showing it; a command has no screen.
class RecordingPrompter : public Prompter {
 public:
  int MessageBox(const std::string&, const std::string& text, Buttons, Icon) override {
    last = text;
    return kOk;
  }
  void EndProgram(int) override {}
  std::string last;
};

}  // namespace

std::string OpenCourseForCommand(recfile::RecordFileEngine& engine, const std::string& dataDir,
                                 const std::string& course, const std::string& password,
                                 int* position) {
  RecordingPrompter prompter;
  DatabaseContext db{engine, prompter, dataDir};
  // Opening would create an empty library in a mistyped folder.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(db.FullPathOf(kCourseLibrary), ec))
    return "数据目录 " + dataDir + " 中没有课程库";
  if (!OpenCourseLibrary(db)) return prompter.last.empty() ? "打开课程库错误！" : prompter.last;
  const std::optional<int> at = CourseLibrary(engine).FindCourse(course);
  if (!at) return "没有课程：" + course;
  if (position) *position = *at;
  if (!OpenQuestionTypeLibrary(db)) return prompter.last;
  if (!OpenCourseBank(db, course, true, *at, password))
    return prompter.last.empty() ? "打开 " + course + " 题库错误！" : prompter.last;
  return {};
}

}  // namespace databases
