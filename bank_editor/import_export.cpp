#include "bank_editor/import_export.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "text/text.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace bank_editor {

namespace fs = std::filesystem;

namespace {

// The source bank is opened under this alias, so a source that happens to
// carry the course's own name is never mistaken for the course's bank.
constexpr const char* kImportAlias = "导入源题库";

bool bothNumeric(recfile::FieldType a, recfile::FieldType b) {
  return recfile::isNumeric(a) && recfile::isNumeric(b);
}

// For each field of the destination, the source field of the same name and
// a compatible type (0 when none).
std::vector<int> matchFields(const std::vector<recfile::FieldDef>& destination,
                             const std::vector<recfile::FieldDef>& source) {
  std::vector<int> match(destination.size(), 0);
  for (std::size_t d = 0; d < destination.size(); ++d) {
    for (std::size_t s = 0; s < source.size(); ++s) {
      if (!text::equalsIgnoreCase(destination[d].name, source[s].name)) continue;
      if (destination[d].type == source[s].type || bothNumeric(destination[d].type, source[s].type))
        match[d] = static_cast<int>(s + 1);
      break;
    }
  }
  return match;
}

// Copies both files under temporary names first, so a failure leaves no
// half-written pair behind.
bool copyBankFiles(const std::string& fromBase, const std::string& toBase, std::string& error) {
  std::error_code ec;
  for (const char* ext : {".edb", ".edt"}) {
    const std::string from = fromBase + ext;
    if (!fs::exists(from, ec)) continue;
    if (!fs::copy_file(from, toBase + ext + ".part", fs::copy_options::overwrite_existing, ec)) {
      error = toBase + ext;
      for (const char* e : {".edb", ".edt"}) fs::remove(toBase + e + ".part", ec);
      return false;
    }
  }
  for (const char* ext : {".edb", ".edt"}) {
    if (!fs::exists(toBase + ext + ".part", ec)) continue;
    fs::rename(toBase + ext + ".part", toBase + ext, ec);
    if (ec) {
      error = toBase + ext;
      return false;
    }
  }
  return true;
}

}  // namespace

// ---- New group name --------------------------------------------------------------------

NewGroupNameWindow::NewGroupNameWindow(ui::Host& host, const ui::GridControl& grid)
    : ui::Window(host, "请输入新分组名", 320, 110),
      新分组名(*this, "新分组名"),
      按钮确定(*this, "按钮确定", "确定"),
      按钮取消(*this, "按钮取消", "取消"),
      grid_(grid) {
  新分组名.setGeometry({12, 12, 296, 24});
  按钮确定.setGeometry({140, 70, 80, 26});
  按钮取消.setGeometry({228, 70, 80, 26});
  namespace lay = ui::layout;
  setLayout(lay::column({lay::unit(新分组名),
                         lay::row({lay::stretch(1), lay::unit(按钮确定), lay::unit(按钮取消)})}));
  按钮确定.onClick = [this] { confirm(); };
  按钮取消.onClick = [this] { close(); };
  onMayClose = [this] { return mayClose(); };
}

void NewGroupNameWindow::confirm() {
  const std::string name = text::removeSpaces(新分组名.text());
  if (name.empty()) return host().message(this, "分组名不能为空！");
  if (text::gbkLength(name) > 512) return host().message(this, "分组名长度超标！");
  for (int r = 1; r < grid_.RowCount(); ++r)
    if (grid_.cellText(r, kColGroupName) == name) return host().message(this, "该分组名已经存在！");
  result_ = name;
  done_ = true;
  close();
}

bool NewGroupNameWindow::mayClose() {
  if (done_) return true;
  return host().messageBox(this, "确定取消更改源分组名并跳过该题吗", ui::kMessageCaption,
                           ui::MessageButtons::OkCancel,
                           ui::MessageIcon::Question) == ui::kButtonOk;
}

// ---- Export ---------------------------------------------------------------------------

void BankEditorWindow::ExportBank() {
  const auto folder = host().chooseFolder(this, "选择保存文件的文件夹");
  if (!folder) return;
  std::error_code ec;
  const fs::path dataDir = ctx_.dataDir.empty() ? fs::current_path(ec) : fs::path(ctx_.dataDir);
  if (fs::weakly_canonical(*folder, ec) == fs::weakly_canonical(dataDir, ec)) {
    host().message(this, "不能复制到源文件夹！请双击选择别的文件夹。");
    return;
  }
  std::string dir = *folder;
  if (!dir.ends_with('/')) dir += '/';
  auto& engine = ctx_.engine;
  const auto finish = [this] { MakeBankCurrent(); };
  if (!databases::OpenCourseLibrary(dbContext()) || engine.RecordCount() < 1) return finish();
  engine.GoTo(1);
  const std::string base = courseName_ + "备份-" + engine.ReadText(databases::kCourseNameField);
  const std::string ownBase = ctx_.dataPath(courseName_);
  if (fs::exists(ownBase + ".edb", ec)) {
    if (fs::exists(dir + base + ".edb", ec) &&
        host().messageBox(this, "目标文件 " + base + ".edb 已经存在，继续复制将覆盖它，继续复制吗？",
                          ui::kMessageCaption, ui::MessageButtons::YesNo,
                          ui::MessageIcon::Question) != ui::kButtonYes)
      return finish();
    std::string failed;
    if (!copyBankFiles(ownBase, dir + base, failed)) {
      host().message(this, "导出失败，不能写入文件：" + failed);
      return finish();
    }
  }
  host().message(this, "导出课程完毕。");
  finish();
}

// ---- Import ---------------------------------------------------------------------------

void BankEditorWindow::ImportBank() {
  auto& engine = ctx_.engine;
  auto& g = 高级表格1;
  const auto chosen = host().openFileDialog(this, "数据库文件（*.edb）|*.edb");
  if (!chosen) return;
  std::string source = *chosen;
  if (source.size() >= 4) source.resize(source.size() - 4);
  if (!MakeBankCurrent()) return;
  const std::string bankPath = engine.CurrentPath();
  if (engine.ResolvePath(source) == bankPath) {
    host().message(this, "题库不能自我导入！");
    return;
  }
  std::string password;
  if (engine.IsPasswordProtected(*chosen)) {
    const auto typed = host().inputBox(this, "请输入欲导入数据库的密码：", "请输入：", {}, true);
    if (!typed) return;
    password = *typed;
  }
  if (!engine.Open(source, kImportAlias, true, recfile::ShareMode::None, password)) {
    host().message(this, recfile::ErrorText(engine.LastError()) + "\r\n" +
                             "密码错误或导入题库.edb和.edt的文件名不一致！");
    MakeBankCurrent();
    return;
  }

  setEnabled(false);
  const std::vector<recfile::FieldDef> sourceFields = engine.Fields();
  const std::int64_t n = engine.RecordCount();
  engine.SetCurrent(bankPath);
  const std::vector<recfile::FieldDef> bankFields = engine.Fields();
  const std::vector<int> match = matchFields(bankFields, sourceFields);

  int imported = 0;
  int skipped = 0;
  std::string renameFrom, renameTo;  // a clashing group imported under a new name
  bool renaming = false;
  std::string skipGroup;  // a clashing group the user skipped
  bool skipping = false;
  for (std::int64_t i = 1; i <= n; ++i) {
    状态条1.setText("正在导入处理： " + std::to_string(i) + "/" + std::to_string(n));
    engine.SetCurrent(kImportAlias);
    engine.GoTo(i);
    if (engine.IsDeleted()) continue;  // a deleted record is no question
    const std::string text1 = engine.ReadText(databases::kQuestionText1);
    const std::string text2 = engine.ReadText(databases::kQuestionText2);
    const std::string answer = engine.ReadText(databases::kAnswer);
    const std::string group = engine.ReadText(databases::kGroupName);
    const std::string number = engine.ReadText(databases::kGroupNumber);
    std::vector<recfile::Value> values(bankFields.size());
    for (std::size_t d = 0; d < bankFields.size(); ++d)
      if (match[d] > 0) values[d] = engine.ReadField(match[d]);

    if (skipping && group == skipGroup) continue;
    skipping = false;
    if (renaming && group != renameFrom) renaming = false;
    std::string name = renaming ? renameTo : group;

    bool duplicate = false;
    for (int r = 1; r < g.RowCount() && !duplicate; ++r)
      duplicate = SameQuestionContent(g.cellText(r, kColText1), g.cellText(r, kColText2),
                                      g.cellText(r, kColAnswer), text1, text2, answer);
    if (duplicate) {
      ++skipped;
      continue;
    }
    if (number == "0" && TitleRowOf(name) > 0) {
      std::string newName;
      if (host().messageBox(this, "分组名重复！按确定更改源分组名并导入，按取消跳过",
                            ui::kMessageCaption, ui::MessageButtons::OkCancel,
                            ui::MessageIcon::Question) == ui::kButtonOk) {
        NewGroupNameWindow ask(host(), g);
        host().showModal(ask, this);
        newName = ask.result();
      }
      if (newName.empty()) {
        skipping = true;
        skipGroup = group;
        ++skipped;
        continue;
      }
      renaming = true;
      renameFrom = group;
      renameTo = name = newName;
    }
    if (databases::kGroupName <= static_cast<int>(values.size()) && match[databases::kGroupName - 1] > 0)
      values[databases::kGroupName - 1] = name;

    engine.SetCurrent(bankPath);
    if (!engine.Append(values)) {
      host().message(this, recfile::ErrorText(engine.LastError()));
      break;
    }
    AppendQuestionRow(g, engine);
    ++imported;
  }
  engine.Close(kImportAlias);
  engine.SetCurrent(bankPath);
  GroupSort(false);
  RecountQuestions();

  if (imported > 0) {
    std::vector<std::string> types = QuestionTypeNames(dbContext());
    for (int r = 1; r < g.RowCount(); ++r) {
      if (!CountsAsQuestion(g, r)) continue;
      const std::string& type = g.cellText(r, kColType);
      if (std::find(types.begin(), types.end(), type) != types.end()) continue;
      if (!databases::OpenQuestionTypeLibrary(dbContext()) ||
          !engine.Append({type, std::string(), false})) {
        host().message(this, recfile::ErrorText(engine.LastError()));
        break;
      }
      g.AddColumnListItem(kColType, type);
      types.push_back(type);
    }
    engine.SetCurrent(bankPath);
  }
  状态条1.setText("成功导入" + std::to_string(imported) + "条记录。");
  setEnabled(true);
  if (state.topLevelCount >= 1) 菜单导出.setEnabled(true);
  host().message(this, skipped > 0 ? std::to_string(skipped) + "条记录重复，实际导入" +
                                         std::to_string(imported) + "条记录。"
                                   : "成功导入" + std::to_string(imported) + "条记录。");
}

}  // namespace bank_editor
