#include "compose/paper_plan.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <system_error>
#include <unordered_map>

namespace compose {

namespace {

using Json = nlohmann::ordered_json;

// Keys of the file, in the order written.
constexpr const char* kKind = "kind";
constexpr const char* kVersion = "version";
constexpr const char* kCourse = "course";
constexpr const char* kStamp = "selection_stamp";
constexpr const char* kA = "A";
constexpr const char* kB = "B";
constexpr const char* kOutput = "output";
constexpr const char* kSectionNumbering = "section_numbering";
constexpr const char* kSectionSuffix = "section_suffix";
constexpr const char* kOptionLabels = "option_labels";
constexpr const char* kOptionSuffix = "option_suffix";
constexpr const char* kScoreNote = "section_score_note";
constexpr const char* kOwnLines = "options_on_own_lines";
constexpr const char* kContinuous = "continuous_numbering";

std::string invalidValue(const char* key) {
  return std::string("方案文件中“") + key + "”的值无效。";
}

bool readText(const Json& j, const char* key, std::string& out, std::string& error) {
  const auto it = j.find(key);
  if (it == j.end()) return true;  // optional: the default stays
  if (!it->is_string()) {
    error = invalidValue(key);
    return false;
  }
  out = it->get<std::string>();
  return true;
}

bool readFlag(const Json& j, const char* key, bool& out, std::string& error) {
  const auto it = j.find(key);
  if (it == j.end()) return true;
  if (!it->is_boolean()) {
    error = invalidValue(key);
    return false;
  }
  out = it->get<bool>();
  return true;
}

bool readIds(const Json& j, const char* key, std::vector<std::int64_t>& out, std::string& error) {
  const auto it = j.find(key);
  if (it == j.end() || !it->is_array()) {
    error = invalidValue(key);
    return false;
  }
  out.clear();
  for (const Json& v : *it) {
    if (!v.is_number_integer() || v.get<std::int64_t>() < 1) {
      error = invalidValue(key);
      return false;
    }
    out.push_back(v.get<std::int64_t>());
  }
  return true;
}

}  // namespace

std::string PlanToJson(const PaperPlan& plan) {
  Json j;
  j[kKind] = kPlanKind;
  j[kVersion] = kPlanVersion;
  j[kCourse] = plan.course;
  j[kStamp] = plan.selectionStamp;
  j[kA] = plan.a;
  j[kB] = plan.b;
  j[kOutput] = plan.output;
  j[kSectionNumbering] = plan.sectionNumbering;
  j[kSectionSuffix] = plan.sectionSuffix;
  j[kOptionLabels] = plan.optionLabels;
  j[kOptionSuffix] = plan.optionSuffix;
  j[kScoreNote] = plan.sectionScoreNote;
  j[kOwnLines] = plan.optionsOnOwnLines;
  j[kContinuous] = plan.continuousNumbering;
  // One key a line, arrays of ids on one line. Texts read from other
  // programs' files may hold bytes that are not UTF-8; they are replaced
  // rather than failing the save.
  auto dump = [](const Json& v) {
    if (!v.is_array()) return v.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::string out = "[";
    for (std::size_t i = 0; i < v.size(); ++i) out += (i ? ", " : "") + v[i].dump();
    return out + "]";
  };
  std::string text = "{";
  bool first = true;
  for (const auto& [key, value] : j.items()) {
    text += first ? "\n  " : ",\n  ";
    text += Json(key).dump() + ": " + dump(value);
    first = false;
  }
  return text + "\n}\n";
}

bool PlanFromJson(std::string_view text, const std::string& course, PaperPlan& out,
                  std::string& error) {
  Json j;
  try {
    j = Json::parse(text);
  } catch (const Json::parse_error& e) {
    error = "方案文件不是有效的 JSON（第 " + std::to_string(e.byte) + " 字节附近）。";
    return false;
  }
  if (!j.is_object() || !j.contains(kKind) || j[kKind] != kPlanKind) {
    error = "这不是组卷方案文件。";
    return false;
  }
  const auto version = j.find(kVersion);
  if (version == j.end() || !version->is_number_integer()) {
    error = invalidValue(kVersion);
    return false;
  }
  if (version->get<std::int64_t>() != kPlanVersion) {
    error = "方案文件的版本 " + version->dump() + " 无法识别（本程序读取版本 " +
            std::to_string(kPlanVersion) + "）。";
    return false;
  }
  PaperPlan plan;
  const auto c = j.find(kCourse);
  if (c == j.end() || !c->is_string()) {
    error = invalidValue(kCourse);
    return false;
  }
  plan.course = c->get<std::string>();
  if (!course.empty() && plan.course != course) {
    error = "该方案属于课程“" + plan.course + "”，不能用于课程“" + course + "”。";
    return false;
  }
  if (!readText(j, kStamp, plan.selectionStamp, error) || !readIds(j, kA, plan.a, error) ||
      !readIds(j, kB, plan.b, error) || !readText(j, kOutput, plan.output, error) ||
      !readText(j, kSectionNumbering, plan.sectionNumbering, error) ||
      !readText(j, kSectionSuffix, plan.sectionSuffix, error) ||
      !readText(j, kOptionLabels, plan.optionLabels, error) ||
      !readText(j, kOptionSuffix, plan.optionSuffix, error) ||
      !readFlag(j, kScoreNote, plan.sectionScoreNote, error) ||
      !readFlag(j, kOwnLines, plan.optionsOnOwnLines, error) ||
      !readFlag(j, kContinuous, plan.continuousNumbering, error))
    return false;
  out = std::move(plan);
  return true;
}

bool ReadPlanFile(const std::string& path, const std::string& course, PaperPlan& out,
                  std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "无法读取方案文件 " + path + "。";
    return false;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    error = "无法读取方案文件 " + path + "。";
    return false;
  }
  return PlanFromJson(text, course, out, error);
}

bool WritePlanFile(const std::string& path, const PaperPlan& plan, std::string& error) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << PlanToJson(plan);
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      error = "无法保存方案文件 " + path + "。";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    error = "无法保存方案文件 " + path + "。";
    return false;
  }
  return true;
}

std::string WithPlanExtension(const std::string& path) {
  const std::string ext = kPlanExtension;
  if (path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0)
    return path;
  return path + ext;
}

std::vector<std::int64_t> UsablePlanIds(const std::vector<std::int64_t>& ids,
                                        const std::vector<databases::Question>& bank,
                                        int& leftOut) {
  std::unordered_map<std::int64_t, const databases::Question*> byId;
  byId.reserve(bank.size());
  for (const auto& q : bank) byId.emplace(q.id, &q);
  std::vector<std::int64_t> kept;
  leftOut = 0;
  for (std::int64_t id : ids) {
    const auto it = byId.find(id);
    if (it == byId.end() || it->second->masked || it->second->score <= 0) {
      ++leftOut;
      continue;
    }
    kept.push_back(id);
  }
  return kept;
}

}  // namespace compose
