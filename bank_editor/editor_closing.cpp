// Before the editor closes: choice questions whose options are drawn in
// the picture come in pairs that share their 题文1, one answered with
// letters and one with circled digits, so papers can draw either.
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "ui/host.h"

namespace bank_editor {

namespace {

bool PictureOptions(const databases::Question& q) {
  return q.choice && !q.pictureMark.empty() && q.text2.empty();
}

bool CircledAnswer(const std::string& answer) {
  for (const std::string& label : CircledLabels())
    if (answer.starts_with(label)) return true;
  return false;
}

}  // namespace

std::optional<std::pair<int, std::string>> FindLabelPairGap(
    const std::vector<const databases::Question*>& questions) {
  const int n = static_cast<int>(questions.size());
  for (int i = 0; i < n; ++i) {
    if (!PictureOptions(*questions[i])) continue;
    const std::string& text1 = questions[i]->text1;
    int letters = 0;
    int circled = 0;
    for (int j = 0; j < n && (letters < 2 || circled < 2); ++j) {
      const databases::Question& other = *questions[j];
      if (other.pictureMark.empty() || other.text1 != text1) continue;
      if (CircledAnswer(other.answer))
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
  // In grid order, so the first gap is the first row a person sees.
  std::vector<const databases::Question*> questions;
  for (int r = 1; r < 高级表格1.RowCount(); ++r) questions.push_back(&RowQuestion(r));
  const auto gap = FindLabelPairGap(questions);
  if (!gap) return true;
  const int answer = host().MessageBox(this, gap->second, ui::kMessageCaption,
                                       ui::MessageButtons::YesNo, ui::MessageIcon::Question);
  if (answer != ui::kButtonYes) return true;
  GoToCell(gap->first + 1, kColText1);
  return false;
}

}  // namespace bank_editor
