#include "tools/mochuan-paper/course_session.h"

#include <filesystem>
#include <string_view>

#include "compose/type_order.h"
#include "databases/command_line_course.h"
#include "output/paper_generation.h"

namespace paper_tool {

bool CourseSession::Open(const std::string& dir, const std::string& name,
                         const std::string& password, std::string& error) {
  dataDir = dir;
  course = name;
  error = databases::OpenCourseForCommand(engine, dir, name, password, &position);
  if (!error.empty()) return false;
  const auto opened = databases::CourseLibrary(engine).CourseAt(position);
  if (!opened) {
    error = "打开课程库错误！" + databases::CourseLibrary(engine).lastError().message;
    return false;
  }
  record = *opened;
  bank_ = std::make_unique<databases::CourseBank>(engine, name);
  if (!bank_->ReadAll(questions)) {
    error = "读取 " + name + " 题库错误！" + bank_->lastError().message;
    return false;
  }
  output::SortByGroup(questions);

  std::vector<std::string_view> gridTypes;
  for (const auto& q : questions) gridTypes.push_back(q.type);
  typeOrder = compose::MergeTypeOrder(compose::SplitTypeOrder(record.typeOrder),
                                      compose::CollectTypes(gridTypes));

  databases::TypeLibrary typeLibrary(engine);
  if (!typeLibrary.ReadAll(types)) {
    error = "读取题型库错误！" + typeLibrary.lastError().message;
    return false;
  }
  return true;
}

}  // namespace paper_tool
