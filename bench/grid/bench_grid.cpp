// Grid fill and row sorts at bank size: 10 000 rows of 15 columns.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "ui/grid_control.h"
#include "ui/shared_helpers.h"
#include "ui/testing/scripted_host.h"
#include "ui/window.h"

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 15;

const std::vector<std::string>& Words() {
  static const std::vector<std::string> words = {
      "函数", "极限", "导数", "积分", "矩阵", "向量", "概率", "统计", "Newton", "Leibniz",
      "选择", "判断", "填空", "名词", "问答", "abc",  "ABC",  "三角", "方程", "集合"};
  return words;
}

std::string Sentence(std::mt19937& rng) {
  std::string s;
  const int n = 2 + static_cast<int>(rng() % 6);
  for (int i = 0; i < n; ++i) s += Words()[rng() % Words().size()];
  return s;
}

// The bank editor's column types: 10 numeric, 11..13 check boxes, 14 numeric.
void SetBankColumns(ui::GridControl& g) {
  g.SetColumnType(10, ui::ColumnType::Numeric);
  for (int c = 11; c <= 13; ++c) g.SetColumnType(c, ui::ColumnType::CheckBox);
  g.SetColumnType(14, ui::ColumnType::Numeric);
}

// Texts made in advance, so the fill measures the grid, not the strings.
const std::vector<std::string>& Sentences() {
  static const std::vector<std::string> pool = [] {
    std::mt19937 rng(3);
    std::vector<std::string> v;
    for (int i = 0; i < 4096; ++i) v.push_back(Sentence(rng));
    return v;
  }();
  return pool;
}

void FillRow(ui::GridControl& g, int r, std::mt19937& rng) {
  const auto& pool = Sentences();
  for (int c = 0; c < 10; ++c)
    g.SetCellData(r, c, ui::CellKind::Text, pool[rng() % pool.size()]);
  g.SetCellData(r, 10, ui::CellKind::Text, static_cast<int>(rng() % 100));
  for (int c = 11; c <= 13; ++c) g.SetCellData(r, c, ui::CellKind::Check, rng() % 2 == 0);
  g.SetCellData(r, 14, ui::CellKind::Text, r);
}

void BM_FillGrid(benchmark::State& state) {
  std::mt19937 rng(1);
  for (auto _ : state) {
    ui::GridControl g(ui::grid_presets::kBankEditor);
    SetBankColumns(g);
    g.SetRowCount(kRows + 1);
    for (int r = 1; r <= kRows; ++r) FillRow(g, r, rng);
    benchmark::DoNotOptimize(g.cellText(kRows, 0));
  }
  state.SetItemsProcessed(state.iterations() * kRows * kColumns);
}
BENCHMARK(BM_FillGrid)->Unit(benchmark::kMillisecond);

struct SortFixture {
  ui::testing::ScriptedHost host;
  ui::Window window{host, "题库编辑", 800, 600};
  ui::GridControl grid{window, "高级表格1", ui::grid_presets::kBankEditor};
  std::mt19937 rng{2};

  SortFixture() {
    SetBankColumns(grid);
    grid.SetRowCount(kRows + 1);
    for (int r = 1; r <= kRows; ++r) FillRow(grid, r, rng);
  }
  void Shuffle() {
    std::vector<int> order(kRows);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    grid.PermuteRows(1, order);
  }
};

void BM_SortText(benchmark::State& state) {
  SortFixture f;
  for (auto _ : state) {
    state.PauseTiming();
    f.Shuffle();
    state.ResumeTiming();
    ui::SortGridRows(f.window, f.grid, 3, 1, kRows, ui::kSortText, true, true);
  }
}
BENCHMARK(BM_SortText)->Unit(benchmark::kMillisecond);

void BM_SortNumeric(benchmark::State& state) {
  SortFixture f;
  for (auto _ : state) {
    state.PauseTiming();
    f.Shuffle();
    state.ResumeTiming();
    ui::SortGridRows(f.window, f.grid, 10, 1, kRows, ui::kSortNumeric, true, false);
  }
}
BENCHMARK(BM_SortNumeric)->Unit(benchmark::kMillisecond);

void BM_SortWithinGroups(benchmark::State& state) {
  SortFixture f;
  // 1 000 groups of 10 consecutive rows in column 1, numbers in column 2.
  for (int r = 1; r <= kRows; ++r)
    f.grid.SetCellData(r, 1, ui::CellKind::Text, "组" + std::to_string((r - 1) / 10 + 1000));
  for (auto _ : state) {
    state.PauseTiming();
    for (int r = 1; r <= kRows; ++r)
      f.grid.SetCellData(r, 2, ui::CellKind::Text, static_cast<int>(f.rng() % 100));
    state.ResumeTiming();
    ui::SortWithinGroups(f.window, f.grid, 1, 2, true);
  }
}
BENCHMARK(BM_SortWithinGroups)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
