// How long a bank-sized grid takes to show: a model reset of 10 000 rows of
// wrapped Chinese text with per-row heights, then the first paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <cstdlib>
#include <memory>
#include <string>

#include "ui/grid_control.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/qt_host.h"

namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "bench_qt";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

const char* const kPhrases[] = {
    "下列关于数据库事务的说法中，哪一项是正确的？",
    "请简述操作系统中进程与线程的区别，并举例说明。",
    "在直角三角形中，已知两条直角边的长度分别为三和四，求斜边长度。",
    "阅读下面的短文，回答文后的问题：春天来了，河边的柳树发芽了。",
};

// A grid the way the bank editor fills it: 15 columns, the text columns
// wrapped, each row as high as its text needs.
std::unique_ptr<ui::GridControl> bankGrid(int rows) {
  auto grid = std::make_unique<ui::GridControl>(ui::grid_presets::kBankEditor);
  grid->SetRowCount(rows + 1);
  for (int c = 0; c < 15; ++c) grid->SetCellData(0, c, ui::CellKind::Text, "列" + std::to_string(c));
  grid->SetColumnWidth(3, 260);
  grid->SetColumnWidth(5, 200);
  grid->SetColumnWidth(6, 200);
  for (int r = 1; r <= rows; ++r) {
    std::string text;
    const int repeat = 1 + r % 4;
    for (int k = 0; k < repeat; ++k) text += kPhrases[(r + k) % 4];
    grid->SetCellData(r, 0, ui::CellKind::Text, "知识点" + std::to_string(r % 50));
    grid->SetCellData(r, 3, ui::CellKind::Text, text);
    grid->SetCellData(r, 5, ui::CellKind::Text, kPhrases[r % 4]);
    grid->SetCellData(r, 6, ui::CellKind::Text, "答案：" + std::string(kPhrases[(r + 1) % 4]));
    grid->SetCellData(r, 8, ui::CellKind::Text, "选择");
    grid->SetCellData(r, 9, ui::CellKind::Text, std::to_string(1 + r % 9));
    grid->SetCellData(r, 10, ui::CellKind::Text, std::to_string(2 + r % 10));
    grid->SetRowHeight(r, 24 + 19 * (repeat - 1));
  }
  grid->SetRangeWordWrap(1, 3, rows, 6, true);
  return grid;
}

// A bank-sized grid in a view on the screen, painted once.
struct ShownGrid {
  explicit ShownGrid(int rows) : grid(bankGrid(rows)), view(*grid) {
    view.resize(1200, 800);
    view.show();
    QCoreApplication::processEvents();
  }
  std::unique_ptr<ui::GridControl> grid;
  ui::qt::GridView view;
};

void BM_GridViewFirstPaint10k(benchmark::State& state) {
  app();
  ui::qt::QtHost host;
  ShownGrid shown(10000);
  auto& view = shown.view;
  for (auto _ : state) {
    view.Resync();
    QCoreApplication::processEvents();
    const QPixmap painted = view.grab();
    benchmark::DoNotOptimize(painted.cacheKey());
  }
  state.SetLabel("10 000 rows x 15 columns, wrapped Chinese text");
}
BENCHMARK(BM_GridViewFirstPaint10k)->Unit(benchmark::kMillisecond);

// Scrolling to the middle and painting there: the rows' positions come from
// the heights, not from measuring text.
void BM_GridViewScrollAndPaint10k(benchmark::State& state) {
  app();
  ui::qt::QtHost host;
  ShownGrid shown(10000);
  auto& grid = shown.grid;
  auto& view = shown.view;
  int row = 1;
  for (auto _ : state) {
    row = (row + 3331) % 10000 + 1;
    grid->SetCursorCell(row, 3);
    QCoreApplication::processEvents();
    const QPixmap painted = view.grab();
    benchmark::DoNotOptimize(painted.cacheKey());
  }
}
BENCHMARK(BM_GridViewScrollAndPaint10k)->Unit(benchmark::kMillisecond);

// A click in the bank editor switches the grid's Editable flag: what the
// view does then with every row present.
void BM_GridViewSettingsChange10k(benchmark::State& state) {
  app();
  ui::qt::QtHost host;
  ShownGrid shown(10000);
  auto& grid = shown.grid;
  auto& view = shown.view;
  bool on = false;
  for (auto _ : state) {
    grid->SetEditable(on = !on);
    QCoreApplication::processEvents();
    const QPixmap painted = view.grab();
    benchmark::DoNotOptimize(painted.cacheKey());
  }
}
BENCHMARK(BM_GridViewSettingsChange10k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
