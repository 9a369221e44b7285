#include "tools/mochuan-paper/course_session.h"

#include <filesystem>
#include <string_view>

#include "compose/type_order.h"
#include "output/paper_generation.h"

namespace paper_tool {

bool CourseSession::Open(const std::string& dir, const std::string& name,
                         const std::string& password, std::string& error) {
  dataDir = dir;
  course = name;
  const databases::DatabaseContext ctx = db();
  // Opening would create an empty library in a mistyped folder.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(ctx.FullPathOf(databases::kCourseLibrary), ec)) {
    error = "数据目录 " + dir + " 中没有课程库";
    return false;
  }
  if (!databases::OpenCourseLibrary(ctx)) {
    error = messages.last.empty() ? "打开课程库错误！" : messages.last;
    return false;
  }
  databases::CourseLibrary library(engine);
  position = -1;
  for (int k = 0;; ++k) {
    const auto r = library.CourseAt(k);
    if (!r) break;
    if (r->name == name) {
      position = k;
      record = *r;
      break;
    }
  }
  if (position < 0) {
    error = "未知的课程：" + name;
    return false;
  }
  if (!databases::OpenCourseBank(ctx, name, true, position, password)) {
    error = messages.last.empty() ? "无法打开 " + name + " 题库" : messages.last;
    return false;
  }
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

  if (!databases::OpenQuestionTypeLibrary(ctx)) {
    error = messages.last.empty() ? "打开题型库错误！" : messages.last;
    return false;
  }
  databases::TypeLibrary typeLibrary(engine);
  if (!typeLibrary.ReadAll(types)) {
    error = "读取题型库错误！" + typeLibrary.lastError().message;
    return false;
  }
  return true;
}

}  // namespace paper_tool
