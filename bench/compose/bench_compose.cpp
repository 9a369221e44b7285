// The compose window on a 10 000-question sample bank: opening it (the grid,
// the group order, the type order and the first sums), and recomputing the
// per-type scores once 100 questions are ticked.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/app_context.h"
#include "compose/compose_window.h"
#include "databases/program_databases.h"
#include "tools/sample_bank/sample_bank.h"
#include "recfile/record_file_engine.h"
#include "types/numbering_table.h"
#include "ui/grid_control.h"
#include "bench/support/quiet_host.h"
#include "ui/host.h"

namespace {

constexpr int kQuestions = 10000;
const std::string kCourse = "样例课程";

using bench_support::Require;
using bench_support::QuietHost;

// The sample bank, its course record, the libraries and the numbering table
// in a folder of their own, written once for the whole run.
const std::string& DataDir() {
  static const std::string dir = [] {
    std::string pattern = bench_support::MakeDataFolder("mc-bench-compose");
    recfile::RecordFileEngine engine;
    std::string error;
    if (!samples::WriteSampleBank(engine, pattern + "/" + kCourse, kQuestions, 7, {}, &error))
      std::abort();
    databases::DatabaseContext db{engine, pattern};
    if (!databases::OpenCourseLibrary(db).ok || !engine.Append({recfile::Value(std::string("管理员"))}) ||
        !engine.Append({recfile::Value(kCourse)}))
      std::abort();
    Require(databases::OpenQuestionTypeLibrary(db));
    Require(databases::OpenTypeOrderColourLibrary(db));
    engine.CloseAll();
    ui::GridControl numbering;
    types::FillDefaultNumberingGrid(numbering);
    if (!numbering.SaveToFile(types::NumberingFilePath(pattern))) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(DataDir(), ec);
    });
    return pattern;
  }();
  return dir;
}

// The program's state as the main window leaves it when "组卷" opens.
struct Session {
  recfile::RecordFileEngine engine;
  QuietHost host;
  app::AppContext ctx{engine, host, DataDir()};

  Session() {
    ctx.selectedCourse = {kCourse, 0};
    databases::DatabaseContext db{engine, DataDir()};
    Require(databases::OpenCourseBank(db, kCourse, true, 0, ""));
  }
};

void BM_OpenCompose10k(benchmark::State& state) {
  Session s;
  for (auto _ : state) {
    compose::ComposeWindow window(s.ctx);
    window.Open(true, nullptr);
    benchmark::DoNotOptimize(window.高级表格1.RowCount());
    if (window.高级表格1.RowCount() != kQuestions + 1) state.SkipWithError("rows missing");
    window.Destroy();
  }
  if (s.host.messages != 0) state.SkipWithError("opening showed a message");
}
BENCHMARK(BM_OpenCompose10k)->Unit(benchmark::kMillisecond);

void BM_RecomputeTypeScores10k(benchmark::State& state) {
  Session s;
  compose::ComposeWindow window(s.ctx);
  window.Open(true, nullptr);
  auto& grid = window.高级表格1;
  // 100 questions that count on their own, spread over the grid, in both
  // papers for some.
  int ticked = 0;
  for (int r = grid.RowCount() - 1; r >= 1 && ticked < 100; r -= 37) {
    if (!grid.cellText(r, compose::kColGroupNumber).empty() ||
        grid.cellChecked(r, compose::kColMasked))
      continue;
    grid.SetCellData(r, compose::kColA, ui::CellKind::Check, true);
    if (ticked % 3 == 0) grid.SetCellData(r, compose::kColB, ui::CellKind::Check, true);
    ++ticked;
  }
  if (ticked < 100) state.SkipWithError("not enough questions to tick");
  for (auto _ : state) {
    window.RecomputeTypeScores();
    benchmark::DoNotOptimize(window.paperScores().totalA);
  }
  if (window.paperScores().totalA <= 0) state.SkipWithError("nothing counted");
  window.Destroy();
}
BENCHMARK(BM_RecomputeTypeScores10k)->Unit(benchmark::kMicrosecond);

}  // namespace

