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
                                 const std::string& course, const std::string& password) {
  RecordingPrompter prompter;
  DatabaseContext db{engine, prompter, dataDir};
  if (!std::filesystem::exists(db.FullPathOf(kCourseLibrary))) return dataDir + " 中没有课程库";
  if (!OpenCourseLibrary(db)) return prompter.last;
  CourseLibrary library(engine);
  int position = -1;
  for (int k = 0;; ++k) {
    const auto rec = library.CourseAt(k);
    if (!rec) break;
    if (rec->name == course) {
      position = k;
      break;
    }
  }
  if (position < 0) return "没有课程：" + course;
  if (!OpenQuestionTypeLibrary(db)) return prompter.last;
  if (!OpenCourseBank(db, course, true, position, password))
    return prompter.last.empty() ? "打开 " + course + " 题库错误！" : prompter.last;
  return {};
}

}  // namespace databases
