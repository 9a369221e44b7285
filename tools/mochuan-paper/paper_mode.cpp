#include "tools/mochuan-paper/paper_mode.h"

#include <cstdio>
#include <memory>
#include <set>
#include <string_view>

#include "compose/type_scores.h"
#include "exchange/moodle_xml.h"
#include "output/file_writing.h"
#include "output/paper_documents.h"
#include "output/paper_generation.h"
#include "output/pdf_renderer.h"
#include "text/text.h"
#include "tools/mochuan-paper/command_line.h"
#include "types/numbering_table.h"
#ifdef MC_WITH_PDF
#include "ui/qt/paper_pdf.h"
#endif

namespace paper_tool {

bool RequestFromPlan(CourseSession& session, const compose::PaperPlan& plan, output::Paper paper,
                     const std::string& generationStamp, output::PaperRequest& out, int& leftOut,
                     std::string& error) {
  int droppedA = 0, droppedB = 0;
  const auto idsA = compose::UsablePlanIds(plan.a, session.questions, droppedA);
  const auto idsB = compose::UsablePlanIds(plan.b, session.questions, droppedB);
  leftOut = droppedA + droppedB;
  const std::set<std::int64_t> inA(idsA.begin(), idsA.end()), inB(idsB.begin(), idsB.end());
  const std::set<std::int64_t>& mine = paper == output::Paper::A ? inA : inB;

  std::vector<compose::ScoreRow> rows;
  rows.reserve(session.questions.size());
  for (const databases::Question& q : session.questions)
    rows.push_back({q.type, q.groupNumber, q.score, inA.count(q.id) > 0, inB.count(q.id) > 0});
  const compose::PaperScores scores = compose::ComputeTypeScores(session.typeOrder, rows);
  const std::int64_t total = paper == output::Paper::A ? scores.totalA : scores.totalB;
  const char* word = output::PaperWord(paper);
  if (total <= 0) {
    error = std::string(word) + "没有选入试题（总分为0），不能生成";
    return false;
  }

  output::PaperChoices choices;
  const types::NumberingTable table = types::LoadNumberingTable(session.dataDir);
  const int column = table.Find(plan.sectionNumbering);
  if (column < 0) {
    error = "大题编号类型“" + plan.sectionNumbering + "”不在大题编号表中";
    return false;
  }
  for (int k = 1; k <= table.labelCount(); ++k) choices.sectionLabels.push_back(table.label(column, k));
  const int sections = paper == output::Paper::A ? scores.sectionsA : scores.sectionsB;
  if (sections > table.labelCount()) {
    error = "大题编号不够用！";
    return false;
  }
  if (plan.optionLabels == "A") {
    choices.optionLabels = output::OptionLabels::Letters;
  } else if (plan.optionLabels == "①") {
    choices.optionLabels = output::OptionLabels::Circled;
  } else {
    error = "方案的选项编号类型“" + plan.optionLabels + "”不是 A 或 ①";
    return false;
  }
  choices.sectionSuffix = plan.sectionSuffix;
  choices.optionSuffix = plan.optionSuffix;
  choices.sectionScoreNote = plan.sectionScoreNote;
  choices.optionsOnOwnLines = plan.optionsOnOwnLines;
  choices.continuousNumbering = plan.continuousNumbering;

  out = output::PaperRequest();
  out.course = session.course;
  out.paper = paper;
  for (const databases::Question& q : session.questions)
    if (mine.count(q.id)) out.questions.push_back(q);
  for (const std::string& t : session.typeOrder) {
    output::TypeOrderEntry entry{t, 0, false};
    for (const databases::QuestionType& type : session.types)
      if (type.name == t) {
        entry.answerOnNewLine = type.answerOnNewLine;
        break;
      }
    out.typeOrder.push_back(entry);
  }
  out.types = session.types;
  for (const compose::TypeScore& s : paper == output::Paper::A ? scores.a : scores.b)
    out.typeScores.push_back({s.type, s.score});
  out.paperTotal = static_cast<int>(total);
  out.similarity = scores.similarity;
  out.selectionStamp = plan.selectionStamp;
  out.generationStamp = generationStamp;
  out.choices = std::move(choices);
  return true;
}

namespace {

bool IsStamp(const std::string& s) {
  if (s.size() != 14) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool ReadSeed(const std::string& s, std::uint32_t& seed) {
  if (s.empty() || s.size() > 10) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (v > 0xFFFFFFFFu) return false;
  seed = static_cast<std::uint32_t>(v);
  return true;
}

}  // namespace

int RunPaperMode(const std::vector<std::string>& args) {
  CommandLine cl(args, {"--data-dir", "--course", "--password", "--plan", "--paper", "--format",
                        "--out", "--seed", "--stamp"});
  const std::string dataDir = cl.Required("--data-dir");
  const std::string course = cl.Required("--course");
  const std::string planPath = cl.Required("--plan");
  const std::string paperName = cl.Required("--paper");
  if (!cl.ok()) return Fail(cl.error());

  output::Paper paper;
  if (paperName == "A") paper = output::Paper::A;
  else if (paperName == "B") paper = output::Paper::B;
  else return Fail("--paper 只能是 A 或 B：" + paperName);

  const std::string formatName = cl.value("--format").value_or("html");
  const bool moodle = formatName == "moodle-xml";
  const auto format = moodle ? std::optional(output::OutputFormat::Html) : output::ParseOutputFormat(formatName);
  if (!format) return Fail("未知的输出格式：" + formatName + "（可用 html、docx、pdf、moodle-xml）");

  app::ProgramRandom random;
  if (const auto seed = cl.value("--seed")) {
    std::uint32_t v = 0;
    if (!ReadSeed(*seed, v)) return Fail("--seed 须是 0 到 4294967295 之间的整数：" + *seed);
    random.setState(v);
  }
  std::string stamp = cl.value("--stamp").value_or(text::FormatTimestamp(text::NowDays()));
  if (!IsStamp(stamp)) return Fail("--stamp 须是 14 位数字 YYYYMMDDhhmmss：" + stamp);

  CourseSession session;
  std::string error;
  if (!session.Open(dataDir, course, cl.value("--password").value_or(""), error)) return Fail(error);
  compose::PaperPlan plan;
  if (!compose::ReadPlanFile(planPath, course, plan, error)) return Fail(error);

  output::PaperRequest request;
  int leftOut = 0;
  if (!RequestFromPlan(session, plan, paper, stamp, request, leftOut, error)) return Fail(error);
  if (leftOut > 0)
    std::fprintf(stderr, "mochuan-paper：方案中有 %d 道试题已不在题库中、已屏蔽或分值为0，未选入\n",
                 leftOut);

  output::CourseBankSource source(session.bank());
  const output::PaperLayout layout = output::GeneratePaper(request, source, random);
  if (moodle) {
    // One file: the questions in paper order, the platform labels and
    // shuffles the options itself.
    const std::string path =
        output::JoinPath(cl.value("--out").value_or(""), exchange::MoodlePaperTitle(layout) + ".xml");
    exchange::MoodleExport result;
    if (!exchange::ExportLayoutToMoodleFile(session.bank(), course, layout, path, result, error))
      return Fail(error);
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    if (!layout.stopMessage.empty()) return Fail(layout.stopMessage);
    return kExitOk;
  }
  std::unique_ptr<output::PdfRenderer> pdf;
#ifdef MC_WITH_PDF
  if (*format == output::OutputFormat::Pdf) pdf = ui::qt::MakePdfRenderer();
#endif
  const output::WrittenPaper written =
      output::WritePaperDocuments(layout, source, cl.value("--out").value_or(""), *format, pdf.get());
  if (!written.ok) return Fail(written.error);
  std::printf("%s\n%s\n", written.paperPath.c_str(), written.answersPath.c_str());
  std::fflush(stdout);
  // The documents hold the rows built before the question that stopped it.
  if (!layout.stopMessage.empty()) return Fail(layout.stopMessage);
  return kExitOk;
}

}  // namespace paper_tool
