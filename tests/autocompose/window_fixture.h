// The automatic composition window over a stand-in of the compose window
// that holds what the window reads: the compose grid, the type order, the
// difficulty lists, the totals and `RecomputeTypeScores`.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "autocompose/auto_compose_window.h"
#include "compose/type_scores.h"
#include "recfile/record_file_engine.h"
#include "ui/grid_control.h"
#include "ui/testing/scripted_host.h"
#include "ui/units.h"
#include "ui/window.h"

namespace autocompose::testing {

class ComposeStandIn : public ui::Window {
 public:
  explicit ComposeStandIn(ui::Host& host) : ui::Window(host, "组卷", 800, 600) {
    for (int c : {9, 10, 11, 12}) 高级表格1.SetColumnType(c, ui::ColumnType::CheckBox);
    for (int i = 1; i <= 9; ++i) {
      组合框最低难度.AddItem(std::to_string(i));
      组合框最高难度.AddItem(std::to_string(i));
    }
    组合框最低难度.setSelectedIndex(0);
    组合框最高难度.setSelectedIndex(8);
  }

  ui::GridControl 高级表格1{*this, "高级表格1", ui::grid_presets::kCompose};
  ui::GridControl 高级表格题型排序分值{*this, "高级表格题型排序分值",
                                       ui::grid_presets::kComposeTypeOrderScores};
  ui::ComboBox 组合框最低难度{*this, "组合框最低难度"};
  ui::ComboBox 组合框最高难度{*this, "组合框最高难度"};
  ui::Label A卷总分{*this, "A卷总分", "0"};
  ui::Label B卷总分{*this, "B卷总分", "0"};
  ui::Label 标签相似度{*this, "标签相似度", "0"};
  ui::Button 按钮自动组卷{*this, "按钮自动组卷", "自动组卷"};
  int recomputes = 0;

  // A question row: 知识点, 分组号, 题型, 难度, 分值, 屏蔽.
  void Add(const std::string& type, int score, const std::string& kp = {}, int difficulty = 5,
           bool masked = false, const std::string& groupNumber = {}) {
    高级表格1.InsertRow();
    const int r = 高级表格1.RowCount() - 1;
    auto set = [&](int c, const std::string& t) { 高级表格1.SetCellData(r, c, ui::CellKind::Text, t); };
    set(0, kp);
    set(2, groupNumber);
    set(6, type);
    set(7, std::to_string(difficulty));
    set(8, std::to_string(score));
    高级表格1.SetCellData(r, 10, ui::CellKind::Check, masked);
    bool known = false;
    for (int t = 1; t < 高级表格题型排序分值.RowCount(); ++t)
      known = known || 高级表格题型排序分值.cellText(t, 1) == type;
    if (!known) {
      高级表格题型排序分值.InsertRow();
      const int t = 高级表格题型排序分值.RowCount() - 1;
      高级表格题型排序分值.SetCellData(t, 1, ui::CellKind::Text, type);
      高级表格题型排序分值.SetRangeBackColour(t, 0, t, 3, ui::rgb(200, 10 * t, 0));
    }
  }

  void RecomputeTypeScores() {
    ++recomputes;
    std::vector<std::string> order;
    for (int t = 1; t < 高级表格题型排序分值.RowCount(); ++t) order.push_back(高级表格题型排序分值.cellText(t, 1));
    std::vector<compose::ScoreRow> rows;
    for (int r = 1; r < 高级表格1.RowCount(); ++r)
      rows.push_back({高级表格1.cellText(r, 6), 高级表格1.cellText(r, 2),
                      std::stoi("0" + 高级表格1.cellText(r, 8)), 高级表格1.cellChecked(r, 11),
                      高级表格1.cellChecked(r, 12)});
    const auto s = compose::ComputeTypeScores(order, rows);
    A卷总分.setText(std::to_string(s.totalA));
    B卷总分.setText(std::to_string(s.totalB));
    标签相似度.setText(std::to_string(s.similarity));
  }

  ComposeSide Side() {
    return {*this, 高级表格1, 高级表格题型排序分值, 组合框最低难度, 组合框最高难度, A卷总分, B卷总分,
            标签相似度, 按钮自动组卷, [this] { RecomputeTypeScores(); }};
  }

  // Grid rows (1-based) ticked in a paper column.
  std::vector<int> Ticked(int column) const {
    std::vector<int> rows;
    for (int r = 1; r < 高级表格1.RowCount(); ++r)
      if (高级表格1.cellChecked(r, column)) rows.push_back(r);
    return rows;
  }
};

class AutoComposeTest : public ::testing::Test {
 public:
  ui::testing::ScriptedHost host;
  recfile::RecordFileEngine engine;
  app::AppContext ctx{engine, host, ""};
  ComposeStandIn compose{host};
  std::unique_ptr<AutoComposeWindow> window;

  AutoComposeTest() { ctx.selectedCourse = {"物理", 0}; }

  AutoComposeWindow& Open() {
    host.ShowModeless(compose, nullptr);
    compose.组合框最低难度.setEnabled(false);
    compose.组合框最高难度.setEnabled(false);
    window = std::make_unique<AutoComposeWindow>(ctx, compose.Side());
    host.ShowModeless(*window, &compose);
    return *window;
  }

  // Row of the statistics grid for a type and score; -1 when absent.
  int StatRow(const std::string& type, const std::string& score) const {
    for (int r = 1; r < window->高级表格1.RowCount(); ++r)
      if (window->高级表格1.cellText(r, 0) == type && window->高级表格1.cellText(r, 1) == score) return r;
    return -1;
  }
  std::vector<std::string> StatColumn(int column) const {
    std::vector<std::string> out;
    for (int r = 1; r < window->高级表格1.RowCount(); ++r) out.push_back(window->高级表格1.cellText(r, column));
    return out;
  }
  // Clicks the 组卷题数 cell of a row and chooses a count from the offer.
  bool Choose(const std::string& type, const std::string& score, const std::string& count) {
    const int r = StatRow(type, score);
    auto& g = window->高级表格1;
    g.Click(r, 5);
    const auto& items = g.columnListItems(5);
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == count && g.Editable()) return g.ChooseListItem(r, 5, static_cast<int>(i));
    return false;
  }
  std::vector<std::string> Offer(const std::string& type, const std::string& score) {
    auto& g = window->高级表格1;
    g.Click(StatRow(type, score), 5);
    if (!g.Editable()) return {};
    return g.columnListItems(5);
  }
};

}  // namespace autocompose::testing
