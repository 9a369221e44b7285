// Saving the selection and the choices as a plan file, and opening one.
#include <set>

#include "compose/compose_window.h"
#include "text/text.h"
#include "ui/host.h"

namespace compose {

namespace {
constexpr const char* kPlanFilter = "组卷方案|*.mcplan|所有文件|*.*";

// Chooses the item with this text; false (choice unchanged) when absent.
bool ChooseText(ui::ComboBox& list, const std::string& text) {
  const int i = list.FindItem(text);
  if (i < 0) return false;
  list.setSelectedIndex(i);
  return true;
}
}  // namespace

PaperPlan ComposeWindow::CurrentPlan() const {
  PaperPlan plan;
  plan.course = courseName_;
  plan.selectionStamp = selectionStamp_;
  const auto& g = 高级表格1;
  for (int r = 1; r < g.RowCount(); ++r) {
    if (g.cellChecked(r, kColA)) plan.a.push_back(RecordIdOf(r));
    if (g.cellChecked(r, kColB)) plan.b.push_back(RecordIdOf(r));
  }
  plan.output = 单选框word.checked() ? "word" : 单选框pdf.checked() ? "pdf" : "html";
  plan.sectionNumbering = 组合框大题编号类型.text();
  plan.sectionSuffix = 组合框大题编号后缀.text();
  plan.optionLabels = 组合框选项编号类型.text();
  plan.optionSuffix = 组合框选项编号后缀.text();
  plan.sectionScoreNote = 选择框大题分值.checked();
  plan.optionsOnOwnLines = 选择框选项换行.checked();
  plan.continuousNumbering = 选择框小题连续编号.checked();
  return plan;
}

void ComposeWindow::SavePlan() {
  const auto chosen = host().SaveFileDialog(this, kPlanFilter, "保存方案", courseName_ + kPlanExtension);
  if (!chosen || chosen->empty()) return;
  std::string error;
  if (!WritePlanFile(WithPlanExtension(*chosen), CurrentPlan(), error)) host().Message(this, error);
}

void ComposeWindow::OpenPlan() {
  const auto chosen = host().OpenFileDialog(this, kPlanFilter, "打开方案");
  if (!chosen || chosen->empty()) return;
  PaperPlan plan;
  std::string error;
  if (!ReadPlanFile(*chosen, courseName_, plan, error)) {
    host().Message(this, error);
    return;
  }
  ApplyPlan(plan);
}

bool ComposeWindow::ApplyPlan(const PaperPlan& plan) {
  auto& g = 高级表格1;
  for (int r = 1; r < g.RowCount(); ++r) {
    SetCheck(r, kColA, false);
    SetCheck(r, kColB, false);
  }
  std::set<std::int64_t> leftOut;
  auto tick = [&](const std::vector<std::int64_t>& ids, int column) {
    for (std::int64_t id : ids) {
      const int row = RowOfId(id);
      if (row == 0 || g.cellChecked(row, kColMasked) ||
          text::ToInteger(g.cellText(row, kColScore)) <= 0) {
        leftOut.insert(id);
        continue;
      }
      SetCheck(row, column, true);
    }
  };
  tick(plan.a, kColA);
  tick(plan.b, kColB);

  if (plan.output == "word" && 单选框word.enabled())
    单选框word.setChecked(true);
  else if (plan.output == "pdf")
    单选框pdf.setChecked(true);
  else
    单选框html.setChecked(true);
  const bool numberingFound = ChooseText(组合框大题编号类型, plan.sectionNumbering);
  ChooseText(组合框大题编号后缀, plan.sectionSuffix);
  ChooseText(组合框选项编号类型, plan.optionLabels);
  ChooseText(组合框选项编号后缀, plan.optionSuffix);
  选择框大题分值.setChecked(plan.sectionScoreNote);
  选择框选项换行.setChecked(plan.optionsOnOwnLines);
  选择框小题连续编号.setChecked(plan.continuousNumbering);
  RecomputeTypeScores();

  if (!leftOut.empty())
    host().Message(this, "方案中有 " + std::to_string(leftOut.size()) +
                             " 道试题已从题库中删除或已被屏蔽，没有选入试卷。");
  if (!numberingFound)
    host().Message(this, "方案中的大题编号类型“" + plan.sectionNumbering + "”已不存在，改用“" +
                             组合框大题编号类型.text() + "”。");
  return true;
}

}  // namespace compose
