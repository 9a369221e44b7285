#include "autocompose/draw_command.h"

#include <charconv>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

#include "app/app_context.h"
#include "autocompose/bank_rows.h"
#include "autocompose/draw.h"
#include "compose/paper_plan.h"
#include "databases/command_line_course.h"
#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"
#include "text/text.h"

namespace autocompose {

const char* const kDrawUsage =
    "mochuan-paper --data-dir DIR --course NAME [--password P] --draw \"题型:分值:题数,…\"\n"
    "              [--papers AB|A|B] [--similarity N] [--difficulty MIN-MAX] [--seed N]\n"
    "              --save-plan FILE.mcplan\n";

namespace {

bool ParseInt(const std::string& s, long long lo, long long hi, long long& out) {
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, out);
  return ec == std::errc() && p == end && out >= lo && out <= hi;
}

struct Options {
  std::string dataDir, course, password, draw, planPath;
  std::string papers = "AB";
  int similarity = 90;
  DifficultyRange range;
  std::uint32_t seed = 1;
};

// One line on standard error; false for the caller's return.
int Fail(std::ostream& err, int code, const std::string& text) {
  err << text << '\n';
  return code;
}

int ParseOptions(const std::vector<std::string>& args, Options& o, std::ostream& err) {
  std::map<std::string, std::string> seen;
  static const std::set<std::string> known = {"--data-dir", "--course",     "--password",
                                              "--draw",     "--papers",     "--similarity",
                                              "--seed",     "--save-plan",  "--difficulty"};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!known.count(a)) return Fail(err, kDrawExitUsage, "未知的参数：" + a + "\n" + kDrawUsage);
    if (i + 1 >= args.size()) return Fail(err, kDrawExitUsage, a + " 缺少取值");
    if (seen.count(a)) return Fail(err, kDrawExitUsage, a + " 重复");
    seen[a] = args[++i];
  }
  for (const char* required : {"--data-dir", "--course", "--draw", "--save-plan"})
    if (!seen.count(required))
      return Fail(err, kDrawExitUsage, std::string("缺少 ") + required + "\n" + kDrawUsage);
  o.dataDir = seen["--data-dir"];
  o.course = seen["--course"];
  o.password = seen.count("--password") ? seen["--password"] : "";
  o.draw = seen["--draw"];
  o.planPath = compose::WithPlanExtension(seen["--save-plan"]);
  if (seen.count("--papers")) {
    o.papers = seen["--papers"];
    if (o.papers != "AB" && o.papers != "A" && o.papers != "B")
      return Fail(err, kDrawExitUsage, "--papers 只能是 AB、A 或 B");
  }
  long long v = 0;
  if (seen.count("--similarity")) {
    if (!ParseInt(seen["--similarity"], 0, 100, v))
      return Fail(err, kDrawExitUsage, "--similarity 应为0-100的整数");
    o.similarity = static_cast<int>(v);
  }
  if (seen.count("--seed")) {
    if (!ParseInt(seen["--seed"], 0, 4294967295LL, v))
      return Fail(err, kDrawExitUsage, "--seed 应为0-4294967295的整数");
    o.seed = static_cast<std::uint32_t>(v);
  }
  if (seen.count("--difficulty")) {
    const std::string& d = seen["--difficulty"];
    const auto dash = d.find('-');
    long long lo = 0, hi = 0;
    if (dash == std::string::npos || !ParseInt(d.substr(0, dash), 1, 9, lo) ||
        !ParseInt(d.substr(dash + 1), 1, 9, hi) || lo > hi)
      return Fail(err, kDrawExitUsage, "--difficulty 应为 最低-最高，1到9，如 7-9");
    o.range = {static_cast<int>(lo), static_cast<int>(hi)};
  }
  return 0;
}

struct Wanted {
  std::string type;
  int score = 0;
  int count = 0;
};

int ParseDraw(const std::string& spec, std::vector<Wanted>& out, std::ostream& err) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = spec.find(',', start);
    const std::string item = spec.substr(start, comma == std::string::npos ? comma : comma - start);
    const auto c2 = item.rfind(':');
    const auto c1 = c2 == std::string::npos || c2 == 0 ? std::string::npos : item.rfind(':', c2 - 1);
    long long score = 0, count = 0;
    if (c1 == std::string::npos || c1 == 0 || !ParseInt(item.substr(c1 + 1, c2 - c1 - 1), 1, 100, score) ||
        !ParseInt(item.substr(c2 + 1), 1, 100000, count))
      return Fail(err, kDrawExitUsage,
                  "--draw 的每一项应为 题型:分值:题数（分值1-100，题数至少1）：" + item);
    Wanted w{item.substr(0, c1), static_cast<int>(score), static_cast<int>(count)};
    for (const auto& o : out)
      if (o.type == w.type && o.score == w.score)
        return Fail(err, kDrawExitUsage, "--draw 中" + RowName(std::to_string(w.score), w.type) + "重复");
    out.push_back(std::move(w));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return 0;
}

}  // namespace

int DrawCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  if (int rc = ParseOptions(args, o, err)) return rc;
  std::vector<Wanted> wanted;
  if (int rc = ParseDraw(o.draw, wanted, err)) return rc;

  recfile::RecordFileEngine engine;
  if (const std::string why = databases::OpenCourseForCommand(engine, o.dataDir, o.course, o.password);
      !why.empty())
    return Fail(err, kDrawExitUsage, why);
  std::vector<databases::Question> bank;
  databases::CourseBank courseBank(engine, o.course);
  if (!courseBank.ReadAll(bank))
    return Fail(err, kDrawExitUsage, "读 " + o.course + " 题库错误！" + courseBank.lastError().message);
  engine.CloseAll();

  std::vector<std::size_t> order;
  const std::vector<ComposeRow> rows = RowsFromQuestions(bank, &order);
  const Statistics st = CountStatistics(rows, o.range);

  // The plan as the window would take it, row by row in the given order.
  std::vector<PlanRow> plan;
  int chosenTotal = 0;
  for (const Wanted& w : wanted) {
    const StatisticsRow* row = nullptr;
    for (const auto& s : st.rows)
      if (s.type == w.type && text::ToInteger(s.score) == w.score) row = &s;
    const std::string name = RowName(std::to_string(w.score), w.type);
    if (!row || row->selectable == 0)
      return Fail(err, kDrawExitCannotMeet, name + "没有可选的试题。");
    const int most = OfferedMaximum(row->selectable, st.selectableRatio, st.globalSelectable,
                                    chosenTotal, 0);
    if (w.count > most)
      return Fail(err, kDrawExitCannotMeet,
                  name + "：组卷题数" + std::to_string(w.count) + "，最多只能选" +
                      std::to_string(std::max(most, 0)) + "题。");
    chosenTotal += w.count;
    plan.push_back({row->type, row->score, row->usable, row->selectable, w.count});
  }
  OrderPlan(plan);

  const bool both = o.papers == "AB";
  const PlanProblems problems = CheckPlan(rows, plan, o.range, both, o.similarity);
  if (problems.any()) {
    std::string reasons = problems.Text();
    for (std::size_t p; (p = reasons.find("\r\n")) != std::string::npos;) reasons.replace(p, 2, "\n");
    return Fail(err, kDrawExitCannotMeet, reasons);
  }

  Drawer drawer(rows, plan, o.range);
  TickSheet sheet(rows);
  app::ProgramRandom random;
  random.setState(o.seed);
  RunResult r;
  if (both)
    r = RunBothPapers(drawer, random, sheet, o.similarity);
  else
    r = RunOnePaper(drawer, random, sheet, o.papers == "A" ? Paper::A : Paper::B);
  if (!r.succeeded) {
    const char* failed = both ? "自动组A、B卷不成功！" : o.papers == "A" ? "自动组A卷不成功！" : "自动组B卷不成功！";
    return Fail(err, kDrawExitCannotMeet, r.lastStatus.empty() ? failed : r.lastStatus);
  }

  compose::PaperPlan saved;
  saved.course = o.course;
  saved.selectionStamp = text::FormatTimestamp(text::NowDays());
  for (int i : sheet.Ticked(Paper::A)) saved.a.push_back(bank[order[static_cast<std::size_t>(i)]].id);
  for (int i : sheet.Ticked(Paper::B)) saved.b.push_back(bank[order[static_cast<std::size_t>(i)]].id);
  std::string error;
  if (!compose::WritePlanFile(o.planPath, saved, error)) return Fail(err, kDrawExitUsage, error);
  out << "A卷总分：" << sheet.Total(Paper::A) << " B卷总分：" << sheet.Total(Paper::B)
      << " 相似度：" << sheet.Similarity() << '\n';
  return 0;
}

}  // namespace autocompose
