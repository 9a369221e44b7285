#include "tools/mochuan-export/export_command.h"

#include <map>
#include <ostream>

#include "databases/command_line_course.h"
#include "databases/course_bank.h"
#include "exchange/moodle_xml.h"

namespace export_tool {

namespace {

constexpr const char* kUsage =
    "用法：mochuan-export --data-dir DIR --course NAME [--password P] --format moodle-xml --out FILE.xml";

int Fail(std::ostream& err, const std::string& why) {
  err << why << "\n";
  return kExitFailure;
}

}  // namespace

int ExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::map<std::string, std::string> values;
  for (std::size_t i = 0; i < args.size(); ++i) {
    static const char* known[] = {"--data-dir", "--course", "--password", "--format", "--out"};
    bool found = false;
    for (const char* k : known) found |= args[i] == k;
    if (!found) return Fail(err, "不认识的参数：" + args[i] + "。" + kUsage);
    if (i + 1 >= args.size()) return Fail(err, args[i] + " 缺少值。" + kUsage);
    values[args[i]] = args[i + 1];
    ++i;
  }
  for (const char* required : {"--data-dir", "--course", "--format", "--out"})
    if (!values.count(required)) return Fail(err, kUsage);
  if (values["--format"] != "moodle-xml")
    return Fail(err, "不支持的格式：" + values["--format"] + "（只有 moodle-xml）");

  recfile::RecordFileEngine engine;
  const std::string course = values["--course"];
  std::string error =
      databases::OpenCourseForCommand(engine, values["--data-dir"], course, values["--password"]);
  if (!error.empty()) return Fail(err, error);
  databases::CourseBank bank(engine, course);
  exchange::MoodleExport result;
  if (!exchange::ExportBankToMoodleFile(bank, course, values["--out"], result, error))
    return Fail(err, error);
  out << "写出 " << result.written << " 题，略去屏蔽的 " << result.masked << " 题：" << values["--out"]
      << "\n";
  return 0;
}

}  // namespace export_tool
