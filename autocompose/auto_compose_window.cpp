#include "autocompose/auto_compose_window.h"

#include <algorithm>

#include "compose/compose_window.h"
#include "text/text.h"
#include "ui/host.h"
#include "ui/layout.h"
#include "ui/shared_helpers.h"

namespace autocompose {

namespace {

// Compose grid columns.
constexpr int kKnowledge = 0, kGroupNumber = 2, kType = 6, kDifficulty = 7, kScore = 8,
              kMasked = 10, kPaperA = 11, kPaperB = 12;
// Statistics grid columns.
constexpr int kStType = 0, kStScore = 1, kStCount = 2, kStUsable = 3, kStSelectable = 4,
              kStDraw = 5;
constexpr ui::Rgb kGrey = ui::rgb(128, 128, 128);
constexpr const char* kIdleCaption = "开始";
constexpr const char* kStoppedTime = "用时： 00时 00分 00秒";

int toInt(std::string_view s) {
  return static_cast<int>(std::clamp<std::int64_t>(text::ToInteger(s), -2147483647, 2147483647));
}

void setText(ui::GridControl& g, int row, int column, const std::string& t) {
  g.SetCellData(row, column, ui::CellKind::Text, t);
}

void setNumber(ui::GridControl& g, int row, int column, int v) {
  g.SetCellData(row, column, ui::CellKind::Text, std::to_string(v));
}

}  // namespace

const std::string_view kAutoComposeHelpText =
    "\r\n"
    "    自动组卷时相同知识点（不包括空知识点）不会重复。\r\n\r\n"
    "    可用题数是指未屏蔽且满足难度要求的题数；可选题数是指从可用题数中\r\n\r\n"
    " 再排除相同知识点后的题数。\r\n\r\n"
    "    某一题型不够选时，应按可选题数降序排序后调整该题型以前的组卷题数。\r\n\r\n"
    "    不能满足A、B卷相似度时应调整各组卷题型题数或放宽A、B卷相似度要求\r\n\r\n"
    " 值。\r\n\r\n";

AutoComposeHelpWindow::AutoComposeHelpWindow(ui::Host& host)
    : ui::Window(host, "自动组卷帮助", 488, 209), 编辑框1(*this, "编辑框1") {
  编辑框1.setMultiLine(true);
  编辑框1.setReadOnly(true);
  编辑框1.setText(std::string(kAutoComposeHelpText));
  编辑框1.setGeometry({0, 0, 488, 209});
  setLayout(ui::layout::column({ui::layout::unit(编辑框1, 1)}));
}

// The run's view of the compose window and of this window's displays.
class AutoComposeWindow::WindowHooks : public RunHooks {
 public:
  WindowHooks(AutoComposeWindow& w, bool twoPapers) : w_(w), two_(twoPapers) {}

  void Clear(Paper p) override {
    // Every tick goes, as the confirmation promised, including ticks a
    // zero total does not show.
    auto& g = w_.compose_.grid;
    const int col = p == Paper::A ? kPaperA : kPaperB;
    for (int r = 1; r < g.RowCount(); ++r)
      if (g.cellChecked(r, col)) g.SetCellData(r, col, ui::CellKind::Check, false);
  }
  void Tick(Paper p, const std::vector<int>& rows) override {
    auto& g = w_.compose_.grid;
    const int col = p == Paper::A ? kPaperA : kPaperB;
    for (int r : rows) g.SetCellData(r + 1, col, ui::CellKind::Check, true);
    w_.进度条1.setPosition(0);
  }
  void Recompute() override {
    if (w_.compose_.recomputeTypeScores) w_.compose_.recomputeTypeScores();
  }
  int Total(Paper p) override {
    return toInt((p == Paper::A ? w_.compose_.totalA : w_.compose_.totalB).text());
  }
  int Similarity() override { return toInt(w_.compose_.similarity.text()); }
  void SetStatus(const std::string& text) override { w_.状态条1.setText(text); }
  void AttemptCounted(int attempts) override {
    w_.标签11.setText(std::to_string(attempts));
    w_.进度条1.setPosition(attempts);
    if (two_ && Similarity() < toInt(w_.标签7.text())) w_.标签7.setText(w_.compose_.similarity.text());
  }
  bool KeepRunning() override {
    w_.host().ProcessPendingEvents();
    return w_.running_;
  }

 private:
  AutoComposeWindow& w_;
  bool two_;
};

AutoComposeWindow::AutoComposeWindow(app::AppContext& ctx, ComposeSide compose)
    : ui::Window(ctx.host, "自动组卷", 600, 429),
      高级表格1(*this, "高级表格1", ui::grid_presets::kAutoComposeStatistics),
      高级表格2(*this, "高级表格2", ui::grid_presets::kAutoComposeTotals),
      高级表格3(*this, "高级表格3", ui::grid_presets::kAutoComposePlan),
      标签1(*this, "标签1", "试卷总分："),
      标签8(*this, "标签8"),
      选择框组A卷(*this, "选择框组A卷", "组A卷"),
      选择框组B卷(*this, "选择框组B卷", "组B卷"),
      标签3(*this, "标签3", "A、B卷相似度要求：≤"),
      组合框1(*this, "组合框1"),
      标签4(*this, "标签4"),
      标签2(*this, "标签2", "本次最低A、B卷相似度："),
      标签7(*this, "标签7", "100"),
      标签5(*this, "标签5"),
      标签9(*this, "标签9", "重试次数："),
      标签10(*this, "标签10", "9999"),
      标签12(*this, "标签12", "已试次数："),
      标签11(*this, "标签11", "9999"),
      按钮开始(*this, "按钮开始", kIdleCaption),
      进度条1(*this, "进度条1"),
      标签6(*this, "标签6", kStoppedTime),
      时钟1(*this, "时钟1"),
      状态条1(*this, "状态条1"),
      菜单排序(*this, "排序"),
      按题型(菜单排序, "按题型(&T)"),
      按可选题数(菜单排序, "按可选题数(&S)"),
      菜单帮助(*this, "帮助(&H)"),
      自动组卷帮助(菜单帮助, "自动组卷帮助(&H)"),
      ctx_(ctx),
      compose_(compose) {
  // The design positions, with widths that hold the captions in the
  // screen's font.
  高级表格1.setGeometry({0, 0, 384, 360});
  高级表格2.setGeometry({408, 0, 144, 144});
  标签1.setGeometry({416, 153, 76, 18});
  标签8.setGeometry({494, 153, 60, 18});
  选择框组A卷.setGeometry({416, 184, 70, 20});
  选择框组B卷.setGeometry({488, 184, 70, 20});
  标签3.setGeometry({392, 209, 146, 18});
  组合框1.setGeometry({540, 206, 52, 22});
  标签4.setGeometry({592, 209, 8, 18});
  标签2.setGeometry({392, 234, 166, 18});
  标签7.setGeometry({560, 234, 30, 18});
  标签5.setGeometry({590, 234, 8, 18});
  标签9.setGeometry({392, 259, 72, 18});
  标签10.setGeometry({464, 259, 32, 18});
  标签12.setGeometry({496, 259, 72, 18});
  标签11.setGeometry({568, 259, 32, 18});
  按钮开始.setGeometry({416, 284, 128, 24});
  进度条1.setGeometry({416, 315, 128, 16});
  标签6.setGeometry({417, 337, 170, 18});
  状态条1.setGeometry({0, 405, 600, 24});
  for (const char* s : {"90", "80", "70", "60", "50", "40", "30", "20", "10"}) 组合框1.AddItem(s);
  组合框1.setSelectedIndex(0);

  onCreated = [this] { Opened(); };
  onMayClose = [this] {
    if (!running_ && !loopActive_) return true;
    host().MessageBox(this, "请先停止自动组卷！", ui::kMessageCaption, ui::MessageButtons::Ok,
                      ui::MessageIcon::Information);
    return false;
  };
  onDestroyed = [this] {
    compose_.minDifficulty.setEnabled(true);
    compose_.maxDifficulty.setEnabled(true);
    compose_.autoComposeButton.setEnabled(true);
    if (help_ && help_->isOpen()) help_->Destroy();
  };

  高级表格1.onLeftButtonUp = [this](int, int, int) {
    OfferDrawCounts();
    return true;
  };
  高级表格1.EditBegun = [this] {
    editRow_ = 高级表格1.CursorRow();
    editColumn_ = 高级表格1.CursorColumn();
    editOldText_ = 高级表格1.cellText(editRow_, editColumn_);
  };
  高级表格1.CellEdited = [this] { ApplyDrawCount(); };
  高级表格1.onKeyDown = [](int key, int) { return key < 48 || key > 57; };
  高级表格1.onRightButtonUp = [this](int x, int y, int) {
    菜单排序.Popup(高级表格1.left() + x, 高级表格1.top() + y);
    return true;
  };
  按可选题数.onChoose = [this] { SortBySelectable(); };
  按题型.onChoose = [this] { SortByTypeOrder(); };
  自动组卷帮助.onChoose = [this] { ShowHelp(); };
  选择框组A卷.onClick = [this] { UpdatePaperChoice(); };
  选择框组B卷.onClick = [this] { UpdatePaperChoice(); };
  按钮开始.onClick = [this] { StartOrStop(); };
  时钟1.onTick = [this] { TickElapsed(); };
}

AutoComposeWindow::~AutoComposeWindow() {
  if (help_ && help_->isOpen()) help_->Destroy();
}

void AutoComposeWindow::Opened() {
  compose_.autoComposeButton.setEnabled(false);
  chosenTotal_ = 0;
  running_ = false;
  setCaption("自动组卷 —— " + ctx_.selectedCourse.name);

  static const char* const headers[] = {"题型", "分值", "题数", "可用题数", "可选题数", "组卷题数"};
  for (int c = 0; c < 6; ++c) {
    if (c >= 1) 高级表格1.SetColumnType(c, ui::ColumnType::Numeric);
    setText(高级表格1, 0, c, headers[c]);
  }
  高级表格2.SetColumnType(1, ui::ColumnType::Numeric);
  setText(高级表格2, 0, 0, "题型");
  setText(高级表格2, 0, 1, "分值");
  高级表格1.SetRangeAlignment(0, 0, 0, 5, 2);
  高级表格2.SetRangeAlignment(0, 0, 0, 1, 2);
  static const char* const planHeaders[] = {"题型", "分值", "可用题数", "可选题数", "组卷题数"};
  for (int c = 0; c < 5; ++c) setText(高级表格3, 0, c, planHeaders[c]);

  CountStatistics();

  for (ui::Label* l : {&标签2, &标签7, &标签3, &标签4, &标签5, &标签9, &标签10, &标签11, &标签12})
    l->setVisible(false);
  组合框1.setVisible(false);
  选择框组A卷.setEnabled(false);
  选择框组B卷.setEnabled(false);
  按钮开始.setEnabled(false);
  const ui::Window& c = compose_.window;
  Move(std::max(0, c.left() + (c.width() - width()) / 2), 300);
}

std::vector<ComposeRow> AutoComposeWindow::ComposeRows() const {
  const auto& g = compose_.grid;
  std::vector<ComposeRow> rows;
  rows.reserve(static_cast<std::size_t>(std::max(0, g.RowCount() - 1)));
  for (int r = 1; r < g.RowCount(); ++r)
    rows.push_back({g.cellText(r, kKnowledge), g.cellText(r, kGroupNumber), g.cellText(r, kType),
                    g.cellText(r, kDifficulty), g.cellText(r, kScore), g.cellChecked(r, kMasked)});
  return rows;
}

DifficultyRange AutoComposeWindow::difficultyRange() const {
  return {toInt(compose_.minDifficulty.text()), toInt(compose_.maxDifficulty.text())};
}

void AutoComposeWindow::CountStatistics() {
  高级表格1.SetRowCount(1);
  stats_ = autocompose::CountStatistics(ComposeRows(), difficultyRange());
  for (const StatisticsRow& s : stats_.rows) {
    高级表格1.InsertRow();
    const int r = 高级表格1.RowCount() - 1;
    setText(高级表格1, r, kStType, s.type);
    setText(高级表格1, r, kStScore, s.score);
    setNumber(高级表格1, r, kStCount, s.count);
    if (s.usable > 0) setNumber(高级表格1, r, kStUsable, s.usable);
    setNumber(高级表格1, r, kStSelectable, s.selectable);
  }
  SortBySelectable();
}

void AutoComposeWindow::StyleDataRows() {
  // Only 组卷题数 is ever typed into; the counts are the program's.
  const int last = 高级表格1.RowCount() - 1;
  if (last >= 1) 高级表格1.SetRangeReadOnly(1, kStType, last, kStSelectable, true);
}

void AutoComposeWindow::ColourRows() {
  const auto& order = compose_.typeOrder;
  for (int r = 1; r < 高级表格1.RowCount(); ++r) {
    if (高级表格1.cellText(r, kStSelectable) == "0") {
      高级表格1.SetRangeBackColour(r, 0, r, 5, kGrey);
      continue;
    }
    for (int t = 1; t < order.RowCount(); ++t) {
      if (order.cellText(t, 1) == 高级表格1.cellText(r, kStType)) {
        高级表格1.SetRangeBackColour(r, 0, r, 5, order.GetCellBackColour(t, 0));
        break;
      }
    }
  }
  StyleDataRows();
}

void AutoComposeWindow::SortBySelectable() {
  const int last = 高级表格1.RowCount() - 1;
  if (last >= 2) {
    ui::SortGridRows(*this, 高级表格1, kStSelectable, 1, last, ui::kSortNumeric);
    for (int first = 1; first <= last;) {
      int end = first;
      while (end < last && text::LeadingNumber(高级表格1.cellText(end + 1, kStSelectable)) ==
                               text::LeadingNumber(高级表格1.cellText(first, kStSelectable)))
        ++end;
      if (end > first)
        ui::SortGridRows(*this, 高级表格1, kStScore, first, end, ui::kSortNumeric, true, false);
      first = end + 1;
    }
  }
  按可选题数.setEnabled(false);
  按题型.setEnabled(true);
  ColourRows();
}

void AutoComposeWindow::SortByTypeOrder() {
  const int last = 高级表格1.RowCount() - 1;
  std::vector<int> order;  // old row - 1, in the new order
  std::vector<bool> taken(static_cast<std::size_t>(std::max(last, 0)), false);
  const auto& types = compose_.typeOrder;
  for (int t = 1; t < types.RowCount(); ++t) {
    for (int r = 1; r <= last; ++r) {
      if (!taken[static_cast<std::size_t>(r - 1)] && 高级表格1.cellText(r, kStType) == types.cellText(t, 1)) {
        taken[static_cast<std::size_t>(r - 1)] = true;
        order.push_back(r - 1);
      }
    }
  }
  // A type missing from the type order stays at the end rather than taking
  // its chosen count out of sight.
  for (int r = 1; r <= last; ++r)
    if (!taken[static_cast<std::size_t>(r - 1)]) order.push_back(r - 1);
  if (last >= 1) 高级表格1.PermuteRows(1, order);
  for (int first = 1; first <= last;) {
    int end = first;
    while (end < last && 高级表格1.cellText(end + 1, kStType) == 高级表格1.cellText(first, kStType)) ++end;
    if (end > first) ui::SortGridRows(*this, 高级表格1, kStScore, first, end, ui::kSortNumeric, true, false);
    first = end + 1;
  }
  按题型.setEnabled(false);
  按可选题数.setEnabled(true);
  ColourRows();
}

void AutoComposeWindow::OfferDrawCounts() {
  const int r = 高级表格1.CursorRow();
  offeredRow_ = -1;
  if (r < 1 || 高级表格1.CursorColumn() != kStDraw || 高级表格1.cellText(r, kStSelectable) == "0") {
    高级表格1.SetEditable(false);
    return;
  }
  previousDrawCount_ = 高级表格1.cellText(r, kStDraw);
  const int g = OfferedMaximum(toInt(高级表格1.cellText(r, kStSelectable)), stats_.selectableRatio,
                               stats_.globalSelectable, chosenTotal_, toInt(previousDrawCount_));
  if (g <= 0) {
    高级表格1.SetEditable(false);
    return;
  }
  高级表格1.SetEditable(true);
  高级表格1.ClearPendingListItems();
  for (int i = 0; i <= g; ++i) 高级表格1.AddPendingListItem(std::to_string(i));
  高级表格1.SetColumnType(kStDraw, ui::ColumnType::DropDown);
  offeredRow_ = r;
}

void AutoComposeWindow::ApplyDrawCount() {
  const int r = 高级表格1.CursorRow();
  // Only the offered cell takes a count; an edit that reached another cell
  // (the keyboard moved on) is put back.
  if (editRow_ != offeredRow_ || editColumn_ != kStDraw || r != offeredRow_) {
    if (editRow_ >= 1 && 高级表格1.cellText(editRow_, editColumn_) != editOldText_)
      setText(高级表格1, editRow_, editColumn_, editOldText_);
    return;
  }
  const std::string typed = 高级表格1.cellText(r, kStDraw);
  if (typed == previousDrawCount_) return;
  const int previous = toInt(previousDrawCount_);
  const int most = OfferedMaximum(toInt(高级表格1.cellText(r, kStSelectable)), stats_.selectableRatio,
                                  stats_.globalSelectable, chosenTotal_, previous);
  const int n = ClampDrawCount(toInt(typed), most);
  if (typed != std::to_string(n)) setNumber(高级表格1, r, kStDraw, n);
  chosenTotal_ += n - previous;
  // The next edit of this cell starts from what it now holds.
  previousDrawCount_ = 高级表格1.cellText(r, kStDraw);

  const std::string type = 高级表格1.cellText(r, kStType);
  const std::string score = 高级表格1.cellText(r, kStScore);
  int planRow = -1;
  for (int p = 1; p < 高级表格3.RowCount(); ++p)
    if (高级表格3.cellText(p, 0) == type && 高级表格3.cellText(p, 1) == score) planRow = p;
  if (n < 1) {
    if (planRow >= 1) 高级表格3.DeleteRow(planRow);
  } else if (planRow >= 1) {
    setNumber(高级表格3, planRow, 4, n);
  } else {
    高级表格3.InsertRow();
    const int p = 高级表格3.RowCount() - 1;
    setText(高级表格3, p, 0, type);
    setText(高级表格3, p, 1, score);
    setText(高级表格3, p, 2, 高级表格1.cellText(r, kStUsable));
    setText(高级表格3, p, 3, 高级表格1.cellText(r, kStSelectable));
    setNumber(高级表格3, p, 4, n);
  }

  const int s = toInt(score) * n;
  const int before = toInt(score) * previous;
  int totalRow = -1;
  for (int t = 1; t < 高级表格2.RowCount(); ++t)
    if (高级表格2.cellText(t, 0) == type) totalRow = t;
  if (totalRow >= 1) {
    const int total = toInt(高级表格2.cellText(totalRow, 1)) + s - before;
    if (total < 1)
      高级表格2.DeleteRow(totalRow);
    else
      setNumber(高级表格2, totalRow, 1, total);
  } else if (s > 0) {
    高级表格2.InsertRow();
    setText(高级表格2, 高级表格2.RowCount() - 1, 0, type);
    setNumber(高级表格2, 高级表格2.RowCount() - 1, 1, s);
  }

  int sum = 0;
  for (int t = 1; t < 高级表格2.RowCount(); ++t) sum += toInt(高级表格2.cellText(t, 1));
  标签8.setText(std::to_string(sum));
  if (sum > 0) {
    选择框组A卷.setEnabled(true);
    选择框组B卷.setEnabled(true);
  } else {
    选择框组A卷.setEnabled(false);
    选择框组B卷.setEnabled(false);
    按钮开始.setEnabled(false);
  }
  // The attempt limit follows the count whichever paper is chosen.
  if (选择框组A卷.checked() || 选择框组B卷.checked()) {
    标签10.setText(std::to_string(chosenTotal_ * kAttemptsPerQuestion));
    标签11.setText("0");
  }
}

void AutoComposeWindow::UpdatePaperChoice() {
  const bool a = 选择框组A卷.checked(), b = 选择框组B卷.checked();
  if (!a && !b) {
    for (ui::Label* l : {&标签9, &标签10, &标签11, &标签12}) l->setVisible(false);
    按钮开始.setEnabled(false);
    return;
  }
  按钮开始.setEnabled(true);
  const bool both = a && b;
  for (ui::Label* l : {&标签3, &标签2, &标签7, &标签4, &标签5}) l->setVisible(both);
  组合框1.setVisible(both);
  for (ui::Label* l : {&标签9, &标签10, &标签11, &标签12}) l->setVisible(true);
  标签10.setText(std::to_string(chosenTotal_ * kAttemptsPerQuestion));
  标签11.setText("0");
}

std::vector<PlanRow> AutoComposeWindow::PlanRows() const {
  std::vector<PlanRow> plan;
  for (int p = 1; p < 高级表格3.RowCount(); ++p)
    plan.push_back({高级表格3.cellText(p, 0), 高级表格3.cellText(p, 1), toInt(高级表格3.cellText(p, 2)),
                    toInt(高级表格3.cellText(p, 3)), toInt(高级表格3.cellText(p, 4))});
  return plan;
}

void AutoComposeWindow::WritePlanRows(const std::vector<PlanRow>& plan) {
  // Cells move as whole texts, so an empty 可用题数 stays empty.
  std::vector<std::vector<std::string>> cells;
  for (int p = 1; p < 高级表格3.RowCount(); ++p) {
    std::vector<std::string> row;
    for (int c = 0; c < 5; ++c) row.push_back(高级表格3.cellText(p, c));
    cells.push_back(std::move(row));
  }
  std::vector<bool> used(cells.size(), false);
  for (std::size_t i = 0; i < plan.size(); ++i) {
    for (std::size_t k = 0; k < cells.size(); ++k) {
      if (!used[k] && cells[k][0] == plan[i].type && cells[k][1] == plan[i].score) {
        used[k] = true;
        for (int c = 0; c < 5; ++c) setText(高级表格3, static_cast<int>(i) + 1, c, cells[k][static_cast<std::size_t>(c)]);
        break;
      }
    }
  }
}

void AutoComposeWindow::SetControlsEnabled(bool on) {
  菜单排序.setEnabled(on);
  菜单帮助.setEnabled(on);
  高级表格1.setEnabled(on);
  选择框组A卷.setEnabled(on);
  选择框组B卷.setEnabled(on);
  组合框1.setEnabled(on);
}

void AutoComposeWindow::PrepareRun(int attemptLimit) {
  loopActive_ = true;
  compose_.window.setEnabled(false);
  SetControlsEnabled(false);
  按钮开始.setCaption("停止");
  标签6.setText(kStoppedTime);
  标签7.setText("100");
  auto plan = PlanRows();
  OrderPlan(plan);
  WritePlanRows(plan);
  进度条1.setRange(0, std::max(attemptLimit, 1));
  running_ = true;
  elapsedSeconds_ = 0;
  时钟1.setInterval(1000);
}

void AutoComposeWindow::FinishRun() {
  SetControlsEnabled(true);
  进度条1.setPosition(0);
  按钮开始.setCaption(kIdleCaption);
  时钟1.setInterval(0);
  running_ = false;
  loopActive_ = false;
  compose_.window.setEnabled(true);
}

void AutoComposeWindow::StartOrStop() {
  if (按钮开始.caption() != kIdleCaption) {
    // Only asks: the loop notices after its attempt and cleans up itself,
    // so nothing can be closed under it meanwhile.
    running_ = false;
    return;
  }
  const bool a = 选择框组A卷.checked(), b = 选择框组B卷.checked();
  if (!a && !b) return;
  const bool both = a && b;
  const int requirement = toInt(组合框1.text());
  const std::vector<ComposeRow> rows = ComposeRows();
  const DifficultyRange range = difficultyRange();

  const PlanProblems problems = CheckPlan(rows, PlanRows(), range, both, requirement);
  if (problems.any() &&
      host().MessageBox(this, problems.Text() + "\r\n仍要开始自动组卷吗？", ui::kMessageCaption,
                        ui::MessageButtons::OkCancel, ui::MessageIcon::Warning) != ui::kButtonOk)
    return;

  const char* question = both ? "自动组A、B卷将取消原来A、B卷所有选择，确定要自动组A、B卷吗？"
                         : a  ? "自动组A卷将取消原来A卷所有选择，确定要自动组A卷吗？"
                              : "自动组B卷将取消原来B卷所有选择，确定要自动组B卷吗？";
  if (host().MessageBox(this, question, ui::kMessageCaption, ui::MessageButtons::OkCancel) ==
      ui::kButtonOk) {
    PrepareRun(kAttemptsPerQuestion * chosenTotal_);
    auto plan = PlanRows();
    Drawer drawer(rows, plan, range);
    WindowHooks hooks(*this, both);
    const RunResult r = both ? RunBothPapers(drawer, ctx_.random, hooks, requirement)
                             : RunOnePaper(drawer, ctx_.random, hooks, a ? Paper::A : Paper::B);
    drawFailed_ = r.drawFailed;
    // The run is over: its time stands still while the result is read.
    时钟1.setInterval(0);
    if (r.succeeded) {
      const char* done = both ? "自动组A、B卷完毕，请在组卷窗口查看。"
                         : a  ? "自动A组卷完毕，请在组卷窗口查看。"
                              : "自动组B卷完毕，请在组卷窗口查看。";
      host().MessageBox(this, done, ui::kMessageCaption, ui::MessageButtons::Ok,
                        ui::MessageIcon::Information);
      状态条1.setText("");
    } else if (r.failureDue) {
      const char* failed = both ? "自动组A、B卷不成功！" : a ? "自动组A卷不成功！" : "自动组B卷不成功！";
      host().MessageBox(this, failed, ui::kMessageCaption, ui::MessageButtons::Ok,
                        ui::MessageIcon::Warning);
    }
  }
  FinishRun();
}

void AutoComposeWindow::TickElapsed() {
  ++elapsedSeconds_;
  const int h = elapsedSeconds_ / 3600, m = elapsedSeconds_ % 3600 / 60, s = elapsedSeconds_ % 60;
  标签6.setText("用时： " + std::to_string(h) + "时 " + std::to_string(m) + "分 " + std::to_string(s) +
               "秒");
}

void AutoComposeWindow::ShowHelp() {
  if (!help_) help_ = std::make_unique<AutoComposeHelpWindow>(host());
  host().ShowModeless(*help_, this);
}

std::unique_ptr<ui::Window> MakeAutoComposeWindow(app::AppContext& ctx, ui::Window* owner) {
  auto* c = dynamic_cast<compose::ComposeWindow*>(owner);
  if (!c) return nullptr;
  return std::make_unique<AutoComposeWindow>(
      ctx, ComposeSide{*c, c->高级表格1, c->高级表格题型排序分值, c->组合框最低难度, c->组合框最高难度,
                       c->A卷总分, c->B卷总分, c->标签相似度, c->按钮自动组卷,
                       [c] { c->RecomputeTypeScores(); }});
}

}  // namespace autocompose
