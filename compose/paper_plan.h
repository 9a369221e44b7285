// A saved paper plan (".mcplan"): which questions papers A and B hold and the
// output choices, so a paper composed once can be generated again later,
// from the compose window or the paper command. UTF-8 JSON:
//   {"kind": "mochuan-paper-plan", "version": 1, "course": "示例课程",
//    "selection_stamp": "20261210103000", "A": [17, 18], "B": [17, 55],
//    "output": "html", "section_numbering": "大写", "section_suffix": ". ",
//    "option_labels": "A", "option_suffix": ". ", "section_score_note": false,
//    "options_on_own_lines": false, "continuous_numbering": false}
// "A"/"B" are record ids, group members included.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "databases/course_bank.h"

namespace compose {

inline constexpr const char* kPlanKind = "mochuan-paper-plan";
inline constexpr int kPlanVersion = 1;
inline constexpr const char* kPlanExtension = ".mcplan";

struct PaperPlan {
  std::string course;
  std::string selectionStamp;    // `SelectionStamp` when saved
  std::vector<std::int64_t> a;   // record ids ticked in "A卷"
  std::vector<std::int64_t> b;   // record ids ticked in "B卷"
  std::string output = "html";   // "word", "html" or "pdf"
  std::string sectionNumbering = "大写";  // a type (column) of the numbering table
  std::string sectionSuffix = ". ";
  std::string optionLabels = "A";         // "A" or "①"
  std::string optionSuffix = ". ";
  bool sectionScoreNote = false;          // "大题分值说明"
  bool optionsOnOwnLines = false;         // "选项换行"
  bool continuousNumbering = false;       // "小题连续编号"

  bool operator==(const PaperPlan&) const = default;
};

// The plan as JSON text (keys in the order above, ends with a line break).
std::string PlanToJson(const PaperPlan& plan);

// Reads a plan from JSON text. `course` empty accepts any course; otherwise a
// plan for another course is refused. On failure `error` says why (a text
// for the user) and `out` is unchanged.
bool PlanFromJson(std::string_view json, const std::string& course, PaperPlan& out,
                  std::string& error);

// The same for files. Writing goes through a temporary file beside the
// target, so a failed save leaves an older plan whole.
bool ReadPlanFile(const std::string& path, const std::string& course, PaperPlan& out,
                  std::string& error);
bool WritePlanFile(const std::string& path, const PaperPlan& plan, std::string& error);

// `path` with ".mcplan" appended unless it already ends so.
std::string WithPlanExtension(const std::string& path);

// The ids of a plan's paper that can still be selected in `bank`: present,
// not masked and with a score above 0. `leftOut` gets how many were dropped.
std::vector<std::int64_t> UsablePlanIds(const std::vector<std::int64_t>& ids,
                                        const std::vector<databases::Question>& bank,
                                        int& leftOut);

}  // namespace compose
