// Before the editor closes: choice questions whose options are drawn in
// the picture come in pairs that share their 题文1, one answered with
// letters and one with circled digits, so papers can draw either.
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "ui/host.h"

namespace bank_editor {

namespace {

bool pictureOptionRow(const ui::GridControl& g, int r) {
  return g.cellChecked(r, kColChoice) && !g.cellText(r, kColPicture).empty() &&
         g.cellText(r, kColText2).empty();
}

bool circledAnswer(const std::string& answer) {
  for (const std::string& label : CircledLabels())
    if (answer.starts_with(label)) return true;
  return false;
}

}  // namespace

std::optional<std::pair<int, std::string>> FindLabelPairGap(const ui::GridControl& g) {
  const int rows = g.RowCount();
  for (int i = 1; i < rows; ++i) {
    if (!pictureOptionRow(g, i)) continue;
    const std::string& text1 = g.cellText(i, kColText1);
    int letters = 0;
    int circled = 0;
    for (int j = 1; j < rows && (letters < 2 || circled < 2); ++j) {
      if (g.cellText(j, kColPicture).empty() || g.cellText(j, kColText1) != text1) continue;
      if (circledAnswer(g.cellText(j, kColAnswer)))
        ++circled;
      else
        ++letters;
    }
    if (letters == 0 && circled == 0) continue;
    if (letters >= 2 && circled >= 2) continue;
    const std::string quoted = "题目\"" + text1 + "\"";
    if (letters == 0 || circled == 0)
      return std::pair{i, quoted + "缺少配对的" + (letters == 0 ? "字母" : "数字") +
                              "编号选项的试题，是否现在编辑完善？"};
    return std::pair{i, quoted + (letters == 1 ? "字母" : "数字") +
                            "编号选项的试题只有1题，缺少随机备选试题，是否现在编辑完善？"};
  }
  return std::nullopt;
}

bool BankEditorWindow::CheckLabelPairs() {
  const auto gap = FindLabelPairGap(高级表格1);
  if (!gap) return true;
  const int answer = host().messageBox(this, gap->second, ui::kMessageCaption,
                                       ui::MessageButtons::YesNo, ui::MessageIcon::Question);
  if (answer != ui::kButtonYes) return true;
  GoToCell(gap->first, kColText1);
  return false;
}

}  // namespace bank_editor
