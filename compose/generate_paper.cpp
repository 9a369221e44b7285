// "生成A卷" / "生成B卷": the window's selection, type order, scores and
// choices become a paper request; the output layer generates, writes and
// opens the documents.
#include <optional>

#include "compose/compose_window.h"
#include "databases/course_bank.h"
#include "exchange/moodle_xml.h"
#include "output/paper_documents.h"
#include "output/paper_generation.h"
#include "output/paper_request.h"
#include "text/text.h"
#include "ui/host.h"

namespace compose {

namespace {

// The request as the window shows it now. Texts, markers, types and scores
// come from the grid (scores may not be stored yet); answers and the choice
// flag from the records.
bool GatherRequest(ComposeWindow& w, output::Paper paper, const std::string& stamp,
                   output::PaperRequest& out, std::string& error) {
  app::AppContext& ctx = w.context();
  out = output::PaperRequest();
  out.course = w.courseName();
  out.paper = paper;

  const ui::GridControl& g = w.高级表格1;
  const int column = paper == output::Paper::A ? kColA : kColB;
  databases::CourseBank bank(ctx.engine, w.courseName());
  for (int r = 1; r < g.RowCount(); ++r) {
    if (!g.cellChecked(r, column)) continue;
    const std::optional<databases::Question> stored = bank.Read(w.RecordIdOf(r));
    if (!stored) {
      error = "读取试题错误！" + bank.lastError().message;
      return false;
    }
    databases::Question q = *stored;
    q.knowledgePoints = g.cellText(r, kColKnowledge);
    q.groupName = g.cellText(r, kColGroupName);
    q.groupNumber = g.cellText(r, kColGroupNumber);
    q.text1 = g.cellText(r, kColText1);
    q.pictureMark = g.cellText(r, kColPicture);
    q.text2 = g.cellText(r, kColText2);
    q.type = g.cellText(r, kColType);
    q.difficulty = static_cast<int>(text::ToInteger(g.cellText(r, kColDifficulty)));
    q.score = static_cast<int>(text::ToInteger(g.cellText(r, kColScore)));
    q.fixedScore = g.cellChecked(r, kColFixedScore);
    q.masked = g.cellChecked(r, kColMasked);
    out.questions.push_back(std::move(q));
  }

  const ui::GridControl& order = w.高级表格题型排序分值;
  for (int r = 1; r < order.RowCount(); ++r)
    out.typeOrder.push_back({order.cellText(r, kOrderType),
                             static_cast<int>(text::ToInteger(order.cellText(r, kOrderBatchScore))),
                             order.cellChecked(r, kOrderAnswerOnNewLine)});
  databases::TypeLibrary types(ctx.engine);
  if (!types.ReadAll(out.types)) {
    error = "读取题型库错误！" + types.lastError().message;
    return false;
  }

  const PaperScores& scores = w.paperScores();
  for (const TypeScore& s : paper == output::Paper::A ? scores.a : scores.b)
    out.typeScores.push_back({s.type, s.score});
  out.paperTotal = static_cast<int>(paper == output::Paper::A ? scores.totalA : scores.totalB);
  out.similarity = scores.similarity;
  out.selectionStamp = w.SelectionStamp();
  out.generationStamp = stamp;

  output::PaperChoices& c = out.choices;
  const ui::GridControl& table = w.高级表格大题编号类型;
  const int labelColumn =
      static_cast<int>(w.组合框大题编号类型.itemData(w.组合框大题编号类型.selectedIndex()));
  for (int r = 1; r < table.RowCount(); ++r) c.sectionLabels.push_back(table.cellText(r, labelColumn));
  c.sectionSuffix = w.组合框大题编号后缀.text();
  c.optionLabels = w.组合框选项编号类型.selectedIndex() == 1 ? output::OptionLabels::Circled
                                                            : output::OptionLabels::Letters;
  c.optionSuffix = w.组合框选项编号后缀.text();
  c.sectionScoreNote = w.选择框大题分值.checked();
  c.optionsOnOwnLines = w.选择框选项换行.checked();
  c.continuousNumbering = w.选择框小题连续编号.checked();
  return true;
}

}  // namespace

bool ComposeWindow::RequestPaper(char which, output::PaperRequest& request) {
  if (!ctx_.groupOrderFlag) SortByGroup();
  const std::string stamp = text::FormatTimestamp(host().Now());
  const output::Paper paper = which == 'B' ? output::Paper::B : output::Paper::A;
  std::string error;
  if (GatherRequest(*this, paper, stamp, request, error)) return true;
  host().Message(this, error);
  return false;
}

void ComposeWindow::GeneratePaper(char which) {
  output::PaperRequest request;
  if (!RequestPaper(which, request)) return;
  databases::CourseBank bank(ctx_.engine, courseName_);
  output::CourseBankSource source(bank);
  const output::OutputFormat format = 单选框word.checked()  ? output::OutputFormat::Docx
                                      : 单选框pdf.checked() ? output::OutputFormat::Pdf
                                                            : output::OutputFormat::Html;
  output::ProducePaper(host(), this, request, source, ctx_.random, format, ctx_.pdfRenderer);
}

void ComposeWindow::ExportPaperToMoodle(char which) {
  if ((which == 'B' ? B卷总分 : A卷总分).text() == "0") {
    host().Message(this, std::string(which == 'B' ? "B" : "A") + "卷还没有选题！");
    return;
  }
  output::PaperRequest request;
  if (!RequestPaper(which, request)) return;
  databases::CourseBank bank(ctx_.engine, courseName_);
  output::CourseBankSource source(bank);
  const output::PaperLayout layout = output::GeneratePaper(request, source, ctx_.random);
  if (!layout.stopMessage.empty()) host().Message(this, layout.stopMessage);
  const auto path = host().SaveFileDialog(this, "Moodle XML文件|*.xml", "导出为Moodle XML",
                                          exchange::MoodlePaperTitle(layout) + ".xml");
  if (!path) return;
  exchange::MoodleExport result;
  std::string error;
  if (!exchange::ExportLayoutToMoodleFile(bank, courseName_, layout, *path, result, error)) {
    host().Message(this, "导出Moodle XML不成功：" + error);
    return;
  }
  host().Message(this, "导出Moodle XML完毕：写出" + std::to_string(result.written) + "题。");
}

}  // namespace compose
