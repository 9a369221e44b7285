#include "exchange/document_import_window.h"

#include "bank_editor/bank_editor_window.h"
#include "exchange/moodle_xml.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace exchange {

namespace {

constexpr const char* kFileFilter =
    "Word文档、文本文件或Moodle XML|*.docx;*.txt;*.xml|所有文件|*.*";

enum Column : int {
  kColLine, kColNumber, kColType, kColText, kColOptions, kColAnswer, kColKnowledge,
  kColDifficulty, kColScore, kColPicture, kColStatus, kColumnCount
};

const char* StatusText(ImportRow::Status s) {
  switch (s) {
    case ImportRow::Status::Importable: return "导入";
    case ImportRow::Status::Duplicate: return "重复";
    case ImportRow::Status::Refused: return "不能导入";
  }
  return "";
}

std::string Summary(const ImportPreview& p) {
  return "读入 " + std::to_string(p.read) + " 题，可导入 " + std::to_string(p.importable) +
         " 题，重复 " + std::to_string(p.duplicates) + " 题，不能导入 " + std::to_string(p.refused) +
         " 题，略去解析 " + std::to_string(p.explanations) + " 处。";
}

// A multi-line text in a one-line cell: its lines joined by " / ".
std::string OneLine(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, 2, "\r\n") == 0) {
      out += " / ";
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string Pictures(const ImportRow& r) {
  std::string s;
  if (!r.picture.empty()) s = "题图";
  if (!r.answerPicture.empty()) s += s.empty() ? "答图" : "、答图";
  return s;
}

}  // namespace

DocumentImportWindow::DocumentImportWindow(ui::Host& host, databases::CourseBank& bank,
                                           databases::TypeLibrary& types, ImportPreview preview,
                                           std::string fileName)
    : ui::Window(host, "从文档导入", 900, 560),
      标签统计(*this, "标签统计"),
      高级表格1(*this, "高级表格1",
                ui::grid_presets::make(kColumnCount, 1, 1, 0, 24, 60, false, true, true, false)),
      标签问题(*this, "标签问题", "问题："),
      编辑框问题(*this, "编辑框问题"),
      按钮导入(*this, "按钮导入", "导入"),
      按钮取消(*this, "按钮取消", "取消"),
      bank_(bank),
      types_(types),
      preview_(std::move(preview)) {
  setCaption("从文档导入 —— " + fileName);
  编辑框问题.setMultiLine(true);
  编辑框问题.setReadOnly(true);
  Fill();
  按钮导入.setEnabled(preview_.importable > 0);
  按钮导入.onClick = [this] { Import(); };
  按钮取消.onClick = [this] { Close(); };

  namespace lay = ui::layout;
  setLayout(lay::column({lay::unit(标签统计), lay::unit(高级表格1, 3), lay::unit(标签问题),
                         lay::unit(编辑框问题, 1),
                         lay::row({lay::stretch(1), lay::unit(按钮导入), lay::unit(按钮取消)})}));
}

void DocumentImportWindow::Fill() {
  标签统计.setText(Summary(preview_));
  ui::GridControl& g = 高级表格1;
  const char* headers[kColumnCount] = {"行", "序号", "题型", "题文", "选项", "答案",
                                       "知识点", "难度", "分值", "图片", "状态"};
  const int widths[kColumnCount] = {36, 40, 50, 180, 130, 100, 70, 36, 36, 50, 170};
  g.SetRowCount(1);
  for (int c = 0; c < kColumnCount; ++c) {
    g.SetCellData(0, c, ui::CellKind::Text, std::string(headers[c]));
    g.SetColumnWidth(c, widths[c]);
  }
  for (const ImportRow& r : preview_.rows) {
    g.InsertRow();
    const int row = g.RowCount() - 1;
    const databases::Question& q = r.question;
    std::string status = StatusText(r.status);
    if (!r.reason.empty()) status += "：" + r.reason;
    const std::pair<int, std::string> cells[] = {
        {kColLine, std::to_string(r.line)},
        {kColNumber, q.groupNumber == "0" ? "材料" : r.number},
        {kColType, q.type},
        {kColText, OneLine(q.text1)},
        {kColOptions, OneLine(q.text2)},
        {kColAnswer, OneLine(q.answer)},
        {kColKnowledge, q.knowledgePoints},
        {kColDifficulty, std::to_string(q.difficulty)},
        {kColScore, std::to_string(q.score)},
        {kColPicture, Pictures(r)},
        {kColStatus, status}};
    for (const auto& [c, t] : cells) g.SetCellData(row, c, ui::CellKind::Text, t);
  }
  std::string problems;
  for (const auto& p : preview_.problems) problems += (problems.empty() ? "" : "\r\n") + p;
  编辑框问题.setText(problems.empty() ? "没有问题。" : problems);
}

void DocumentImportWindow::Import() {
  std::string error;
  if (!WriteDocumentImport(bank_, types_, preview_, error)) {
    host().Message(this, "导入失败，题库未改变：" + error);
    return;
  }
  imported_ = preview_.importable;
  host().Message(this, "成功导入" + std::to_string(imported_) + "题。");
  Close();
}

int ImportQuestionsFromDocument(ui::Host& host, ui::Window* owner, databases::CourseBank& bank,
                                databases::TypeLibrary& types) {
  const auto path = host.OpenFileDialog(owner, kFileFilter, "从文档导入");
  if (!path) return 0;
  ImportPreview preview;
  std::string error;
  if (!PrepareDocumentImport(*path, bank, types, preview, error)) {
    host.Message(owner, error);
    return 0;
  }
  const auto slash = path->find_last_of('/');
  DocumentImportWindow window(host, bank, types, std::move(preview),
                              slash == std::string::npos ? *path : path->substr(slash + 1));
  host.ShowModal(window, owner);
  return window.imported();
}

void ExportBankToMoodle(ui::Host& host, ui::Window* owner, databases::CourseBank& bank,
                        const std::string& course) {
  const auto path = host.SaveFileDialog(owner, "Moodle XML文件|*.xml", "导出为Moodle XML", course + ".xml");
  if (!path) return;
  MoodleExport result;
  std::string error;
  if (!ExportBankToMoodleFile(bank, course, *path, result, error)) {
    host.Message(owner, "导出Moodle XML不成功：" + error);
    return;
  }
  host.Message(owner, "导出Moodle XML完毕：写出" + std::to_string(result.written) + "题" +
                          (result.masked ? "，略去屏蔽的" + std::to_string(result.masked) + "题。" : "。"));
}

void AttachExchangeCommands(bank_editor::BankEditorWindow& editor) {
  editor.exportToMoodle = [](bank_editor::BankEditorWindow& e) {
    databases::CourseBank bank(e.context().engine, e.courseName());
    ExportBankToMoodle(e.host(), &e, bank, e.courseName());
  };
  editor.importQuestionsFromDocument = [](bank_editor::BankEditorWindow& e) {
    databases::CourseBank bank(e.context().engine, e.courseName());
    databases::TypeLibrary types(e.context().engine);
    return ImportQuestionsFromDocument(e.host(), &e, bank, types);
  };
}

}  // namespace exchange
