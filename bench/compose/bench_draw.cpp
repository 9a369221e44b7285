// One attempt of an automatic run on a 10 000-question sample bank: papers
// A and B drawn (40 questions in 6 plan rows) and their similarity, with the
// candidates worked out once beforehand as a run does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "autocompose/bank_rows.h"
#include "autocompose/draw.h"
#include "databases/course_bank.h"
#include "tools/sample_bank/sample_bank.h"
#include "recfile/record_file_engine.h"

namespace {

struct DrawSetup {
  std::vector<autocompose::ComposeRow> rows;
  std::vector<autocompose::PlanRow> plan;

  DrawSetup() {
    std::string dir = (std::filesystem::temp_directory_path() / "mc-bench-draw-XXXXXX").string();
    if (!::mkdtemp(dir.data())) std::abort();
    recfile::RecordFileEngine engine;
    std::string error;
    const std::string course = "样例课程";
    if (!samples::WriteSampleBank(engine, dir + "/" + course, 10000, 7, {}, &error)) std::abort();
    engine.Open(dir + "/" + course, {}, false, recfile::ShareMode::None, std::string());
    std::vector<databases::Question> bank;
    databases::CourseBank(engine, course).ReadAll(bank);
    engine.CloseAll();
    std::filesystem::remove_all(dir);
    rows = autocompose::RowsFromQuestions(bank);

    // The six type-and-score rows with the most selectable questions share
    // 40 questions, as a teacher would spread them.
    auto st = autocompose::CountStatistics(rows, {});
    std::stable_sort(st.rows.begin(), st.rows.end(),
                     [](const auto& a, const auto& b) { return a.selectable > b.selectable; });
    const int counts[6] = {10, 8, 7, 6, 5, 4};
    for (int i = 0; i < 6 && i < static_cast<int>(st.rows.size()); ++i) {
      const auto& s = st.rows[static_cast<std::size_t>(i)];
      plan.push_back({s.type, s.score, s.usable, s.selectable, std::min(counts[i], s.selectable / 2)});
    }
    autocompose::OrderPlan(plan);
  }
};

const DrawSetup& Setup() {
  static const DrawSetup s;
  return s;
}

void BM_DrawAttempt10k(benchmark::State& state) {
  const auto& s = Setup();
  autocompose::Drawer drawer(s.rows, s.plan, {});
  autocompose::TickSheet sheet(s.rows);
  app::ProgramRandom random;
  autocompose::PaperDraw a, b;
  int similarity = 0;
  for (auto _ : state) {
    sheet.Clear(autocompose::Paper::A);
    sheet.Clear(autocompose::Paper::B);
    drawer.DrawPaper(random, a);
    sheet.Tick(autocompose::Paper::A, a.rows);
    drawer.DrawPaper(random, b);
    sheet.Tick(autocompose::Paper::B, b.rows);
    similarity = sheet.Similarity();
    benchmark::DoNotOptimize(similarity);
  }
  state.counters["questions"] = drawer.chosenTotal();
  state.counters["rows"] = static_cast<double>(s.plan.size());
  state.counters["failed"] = a.failed || b.failed;
}
BENCHMARK(BM_DrawAttempt10k)->Unit(benchmark::kMicrosecond);

// What a run does once before its first attempt.
void BM_DrawPrepare10k(benchmark::State& state) {
  const auto& s = Setup();
  for (auto _ : state) {
    autocompose::Drawer drawer(s.rows, s.plan, {});
    benchmark::DoNotOptimize(drawer);
  }
}
BENCHMARK(BM_DrawPrepare10k)->Unit(benchmark::kMicrosecond);

}  // namespace
