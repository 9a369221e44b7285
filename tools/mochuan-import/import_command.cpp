#include "tools/mochuan-import/import_command.h"

#include <nlohmann/json.hpp>

#include <map>
#include <ostream>

#include "databases/command_line_course.h"
#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "exchange/bulk_import.h"

namespace import_tool {

namespace {

constexpr const char* kUsage =
    "用法：mochuan-import --data-dir DIR --course NAME [--password P] FILE [--dry-run]";

int Fail(std::ostream& err, const std::string& why) {
  err << why << "\n";
  return kExitFailure;
}

struct Options {
  std::string dataDir, course, password, file;
  bool dryRun = false;
};

bool Parse(const std::vector<std::string>& args, Options& o, std::string& error) {
  std::map<std::string, std::string*> valued = {
      {"--data-dir", &o.dataDir}, {"--course", &o.course}, {"--password", &o.password}};
  bool seenDir = false, seenCourse = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--dry-run") {
      o.dryRun = true;
    } else if (auto it = valued.find(a); it != valued.end()) {
      if (i + 1 >= args.size()) {
        error = a + " 缺少值。" + kUsage;
        return false;
      }
      *it->second = args[++i];
      seenDir |= a == "--data-dir";
      seenCourse |= a == "--course";
    } else if (a.rfind("--", 0) == 0 || !o.file.empty()) {
      error = "不认识的参数：" + a + "。" + kUsage;
      return false;
    } else {
      o.file = a;
    }
  }
  if (!seenDir || !seenCourse || o.file.empty()) {
    error = kUsage;
    return false;
  }
  return true;
}

// A question as the bank holds it: the sixteen fields by name, pictures as
// their byte counts.
nlohmann::ordered_json QuestionJson(const exchange::ImportRow& row) {
  const databases::Question& q = row.question;
  nlohmann::ordered_json j;
  using namespace databases;
  j[kQuestionFieldNames[kKnowledgePoints - 1]] = q.knowledgePoints;
  j[kQuestionFieldNames[kGroupName - 1]] = q.groupName;
  j[kQuestionFieldNames[kGroupNumber - 1]] = q.groupNumber;
  j[kQuestionFieldNames[kQuestionText1 - 1]] = q.text1;
  j[kQuestionFieldNames[kQuestionPicture - 1]] = q.pictureMark;
  j[kQuestionFieldNames[kQuestionText2 - 1]] = q.text2;
  j[kQuestionFieldNames[kAnswer - 1]] = q.answer;
  j[kQuestionFieldNames[kAnswerPicture - 1]] = q.answerPictureMark;
  j[kQuestionFieldNames[kQuestionType - 1]] = q.type;
  j[kQuestionFieldNames[kDifficulty - 1]] = q.difficulty;
  j[kQuestionFieldNames[kScore - 1]] = q.score;
  j[kQuestionFieldNames[kChoice - 1]] = q.choice;
  j[kQuestionFieldNames[kFixedScore - 1]] = q.fixedScore;
  j[kQuestionFieldNames[kMasked - 1]] = q.masked;
  j[kQuestionFieldNames[kQuestionPictureData - 1]] = row.picture.size();
  j[kQuestionFieldNames[kAnswerPictureData - 1]] = row.answerPicture.size();
  return j;
}

void PrintDryRun(const exchange::ImportPreview& p, std::ostream& out) {
  nlohmann::ordered_json j;
  j["questions"] = nlohmann::ordered_json::array();
  for (const auto& row : p.rows)
    if (row.status == exchange::ImportRow::Status::Importable) j["questions"].push_back(QuestionJson(row));
  j["problems"] = p.problems;
  j["counts"] = {{"read", p.read},         {"importable", p.importable},
                 {"duplicates", p.duplicates}, {"refused", p.refused},
                 {"explanations", p.explanations}};
  j["new_types"] = p.newTypes;
  out << j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

}  // namespace

int ImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  std::string error;
  if (!Parse(args, o, error)) return Fail(err, error);

  recfile::RecordFileEngine engine;
  error = databases::OpenCourseForCommand(engine, o.dataDir, o.course, o.password);
  if (!error.empty()) return Fail(err, error);
  databases::CourseBank bank(engine, o.course);
  databases::TypeLibrary types(engine);
  exchange::ImportPreview preview;
  if (!exchange::PrepareDocumentImport(o.file, bank, types, preview, error)) return Fail(err, error);
  if (o.dryRun) {
    PrintDryRun(preview, out);
  } else {
    if (!exchange::WriteDocumentImport(bank, types, preview, error))
      return Fail(err, "导入失败，题库未改变：" + error);
    for (const auto& p : preview.problems) err << p << "\n";
    out << "读入 " << preview.read << " 题，导入 " << preview.importable << " 题，重复 "
        << preview.duplicates << " 题，不能导入 " << preview.refused << " 题，略去解析 "
        << preview.explanations << " 处。\n";
  }
  return preview.refused > 0 ? kExitRefused : 0;
}

}  // namespace import_tool
