#include "bank_editor/import_export.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <variant>
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

// Copies both files under temporary names first, so a failure leaves no
// half-written copy behind; `error` names the file and the system's reason.
bool CopyBankFiles(const std::string& fromBase, const std::string& toBase, std::string& error) {
  std::error_code ec;
  const auto dropParts = [&] {
    std::error_code ignored;
    for (const char* e : {".edb", ".edt"}) fs::remove(toBase + e + ".part", ignored);
  };
  for (const char* ext : {".edb", ".edt"}) {
    const std::string from = fromBase + ext;
    if (!fs::exists(from, ec)) continue;
    if (!fs::copy_file(from, toBase + ext + ".part", fs::copy_options::overwrite_existing, ec)) {
      error = toBase + ext + "：" + ec.message();
      dropParts();
      return false;
    }
  }
  for (const char* ext : {".edb", ".edt"}) {
    if (!fs::exists(toBase + ext + ".part", ec)) continue;
    fs::rename(toBase + ext + ".part", toBase + ext, ec);
    if (ec) {
      error = toBase + ext + "：" + ec.message();
      dropParts();
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
  按钮确定.onClick = [this] { Confirm(); };
  按钮取消.onClick = [this] { Close(); };
  onMayClose = [this] { return MayClose(); };
}

void NewGroupNameWindow::Confirm() {
  const std::string name = text::RemoveSpaces(新分组名.text());
  if (name.empty()) return host().Message(this, "分组名不能为空！");
  if (text::GbkLength(name) > 512) return host().Message(this, "分组名长度超标！");
  for (int r = 1; r < grid_.RowCount(); ++r)
    if (grid_.cellText(r, kColGroupName) == name) return host().Message(this, "该分组名已经存在！");
  if (nameTaken && nameTaken(name)) return host().Message(this, "该分组名已经存在！");
  result_ = name;
  done_ = true;
  Close();
}

bool NewGroupNameWindow::MayClose() {
  if (done_) return true;
  return host().MessageBox(this, "确定取消更改源分组名并跳过该题吗", ui::kMessageCaption,
                           ui::MessageButtons::OkCancel,
                           ui::MessageIcon::Question) == ui::kButtonOk;
}

// ---- Export ---------------------------------------------------------------------------

void BankEditorWindow::ExportBank() {
  const auto folder = host().ChooseFolder(this, "选择保存文件的文件夹");
  if (!folder) return;
  std::error_code ec;
  const fs::path dataDir = ctx_.dataDir.empty() ? fs::current_path(ec) : fs::path(ctx_.dataDir);
  if (fs::weakly_canonical(*folder, ec) == fs::weakly_canonical(dataDir, ec)) {
    host().Message(this, "不能复制到源文件夹！请双击选择别的文件夹。");
    return;
  }
  std::string dir = *folder;
  if (!dir.ends_with('/')) dir += '/';
  const auto finish = [this] { MakeBankCurrent(); };
  if (!app::ShowResult(host(), this, databases::OpenCourseLibrary(DbContext()))) return finish();
  const auto administrator = databases::CourseLibrary(ctx_.engine).Administrator();
  if (!administrator) return finish();
  const std::string base = courseName_ + "备份-" + administrator->name;
  const std::string ownBase = ctx_.DataPath(courseName_);
  if (fs::exists(ownBase + ".edb", ec)) {
    if (fs::exists(dir + base + ".edb", ec) &&
        host().MessageBox(this, "目标文件 " + base + ".edb 已经存在，继续复制将覆盖它，继续复制吗？",
                          ui::kMessageCaption, ui::MessageButtons::YesNo,
                          ui::MessageIcon::Question) != ui::kButtonYes)
      return finish();
    std::string failed;
    if (!CopyBankFiles(ownBase, dir + base, failed)) {
      host().Message(this, "导出失败，不能写入文件 " + failed);
      return finish();
    }
  }
  host().Message(this, "导出课程完毕。");
  finish();
}

// ---- Duplicates ------------------------------------------------------------------------

std::string QuestionContentSet::Key(std::string_view text1, std::string_view text2,
                                    std::string_view answer) {
  // The joined texts' length first, so no two different splits between the
  // texts and the answer give one key.
  std::string k = std::to_string(text1.size() + text2.size());
  k += ':';
  k.append(text1).append(text2).append(answer);
  return k;
}

void QuestionContentSet::Add(std::string_view text1, std::string_view text2,
                             std::string_view answer) {
  keys_.insert(Key(text1, text2, answer));
}

bool QuestionContentSet::Contains(std::string_view text1, std::string_view text2,
                                  std::string_view answer) const {
  return keys_.contains(Key(text1, text2, answer));
}

// ---- Import ---------------------------------------------------------------------------

namespace {

// A question to import: its source record and the values it gets.
struct Incoming {
  std::int64_t source = 0;
  databases::Question question;
  bool renamed = false;  // comes in under a new group name
};

// The bank's files as they were before the import, to put back should the
// import fail halfway.
class BankSnapshot {
 public:
  BankSnapshot(std::string bankBase, std::string copyBase)
      : bank_(std::move(bankBase)), copy_(std::move(copyBase)) {}
  ~BankSnapshot() { Discard(); }

  bool Take(std::string& error) {
    std::error_code ec;
    for (const char* ext : {".edb", ".edt"}) {
      if (!fs::exists(bank_ + ext, ec)) continue;
      if (!fs::copy_file(bank_ + ext, copy_ + ext, fs::copy_options::overwrite_existing, ec)) {
        error = ec.message();
        Discard();
        return false;
      }
      taken_.push_back(ext);
    }
    return true;
  }
  bool Restore(std::string& error) {
    std::error_code ec;
    for (const std::string& ext : taken_)
      if (!fs::copy_file(copy_ + ext, bank_ + ext, fs::copy_options::overwrite_existing, ec)) {
        error = ec.message();
        return false;
      }
    return true;
  }
  void Discard() {
    std::error_code ec;
    for (const std::string& ext : taken_) fs::remove(copy_ + ext, ec);
    taken_.clear();
  }

 private:
  std::string bank_, copy_;
  std::vector<std::string> taken_;
};

}  // namespace

void BankEditorWindow::ImportBank() {
  auto& engine = ctx_.engine;
  auto& g = 高级表格1;
  const auto chosen = host().OpenFileDialog(this, "数据库文件（*.edb）|*.edb");
  if (!chosen) return;
  std::string source = *chosen;
  if (source.size() >= 4) source.resize(source.size() - 4);
  if (!MakeBankCurrent()) return;
  if (model_->bank().IsFile(source)) {
    host().Message(this, "题库不能自我导入！");
    return;
  }
  // By path: the source may carry the course's name.
  databases::CourseBank bank(engine, model_->bank().FilePath());
  const std::string bankPath = bank.name();
  std::string password;
  if (databases::BankImportSource::IsPasswordProtected(engine, *chosen)) {
    const auto typed = host().InputBox(this, "请输入欲导入数据库的密码：", "请输入：", {}, true);
    if (!typed) return;
    password = *typed;
  }
  databases::BankImportSource from(engine, kImportAlias);
  if (!from.Open(source, password, bank)) {
    host().Message(this, from.lastError().message + "\r\n" +
                             "密码错误或导入题库.edb和.edt的文件名不一致！");
    from.Close();
    MakeBankCurrent();
    return;
  }

  setEnabled(false);
  const std::int64_t n = from.Count();
  const auto progress = [&](std::int64_t i) {
    状态条1.setText("正在导入处理： " + std::to_string(i) + "/" + std::to_string(n));
    host().ProcessPendingEvents();
  };
  const auto finish = [&](const std::string& status) {
    from.Close();
    MakeBankCurrent();
    状态条1.setText(status);
    setEnabled(true);
  };

  // What is already there: the bank's questions, their titles and group names.
  QuestionContentSet present;
  std::unordered_set<std::string> titles, groupNames;
  for (const std::int64_t id : model_->ids()) {
    const databases::Question& q = *model_->Find(id);
    present.Add(q.text1, q.text2, q.answer);
    groupNames.insert(q.groupName);
    if (q.isTitle()) titles.insert(q.groupName);
  }

  // First every decision, nothing written: duplicates, clashing titles.
  std::vector<Incoming> incoming;
  int skipped = 0;
  std::string renameFrom, renameTo;  // a clashing group imported under a new name
  bool renaming = false;
  std::string skipGroup;  // a clashing group the user skipped
  bool skipping = false;
  for (std::int64_t i = 1; i <= n; ++i) {
    progress(i);
    databases::Question q;
    bool deleted = false;
    if (!from.Read(i, q, deleted)) {
      const std::string why = from.lastError().message;
      finish("导入失败。");
      host().Message(this, "导入题库的第 " + std::to_string(i) + " 条记录读不出：" + why +
                               "\r\n题库没有改变。");
      return;
    }
    if (deleted) continue;  // a deleted record is no question
    const std::string group = q.groupName;

    if (skipping && group == skipGroup) continue;
    skipping = false;
    if (renaming && group != renameFrom) renaming = false;
    std::string name = renaming ? renameTo : group;

    if (present.Contains(q.text1, q.text2, q.answer)) {
      ++skipped;
      continue;
    }
    if (q.isTitle() && titles.contains(name)) {
      std::string newName;
      if (host().MessageBox(this, "分组名重复！按确定更改源分组名并导入，按取消跳过",
                            ui::kMessageCaption, ui::MessageButtons::OkCancel,
                            ui::MessageIcon::Question) == ui::kButtonOk) {
        NewGroupNameWindow ask(host(), g);
        ask.nameTaken = [&](const std::string& candidate) { return groupNames.contains(candidate); };
        host().ShowModal(ask, this);
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
    const bool renamed = from.HasGroupName() && q.groupName != name;
    if (renamed) q.groupName = name;
    present.Add(q.text1, q.text2, q.answer);
    groupNames.insert(q.groupName);
    if (q.isTitle()) titles.insert(q.groupName);
    incoming.push_back({i, std::move(q), renamed});
  }

  // Then the writing, all or nothing: new types first, then the questions;
  // a failure puts the library and the bank back as they were.
  std::vector<std::string> newTypes;
  if (!incoming.empty()) {
    std::vector<std::string> known = QuestionTypes();
    const auto need = [&](const std::string& type) {
      if (std::find(known.begin(), known.end(), type) != known.end()) return;
      known.push_back(type);
      newTypes.push_back(type);
    };
    for (int r = 1; r < g.RowCount(); ++r)
      if (RowQuestion(r).countsAsOne()) need(RowQuestion(r).type);
    for (const Incoming& in : incoming)
      if (in.question.countsAsOne()) need(in.question.type);
  }
  std::string failure;
  std::vector<std::int64_t> addedTypes;
  databases::TypeLibrary library(engine);
  for (const std::string& type : newTypes) {
    const std::int64_t id = library.Append(type);
    if (id == 0) {
      failure = library.lastError().message;
      break;
    }
    addedTypes.push_back(id);
  }
  BankSnapshot snapshot(bankPath.substr(0, bankPath.size() - 4),
                        host().TemporaryFolder() + "/导入前-" + courseName_);
  if (failure.empty() && !incoming.empty() && !snapshot.Take(failure))
    failure = "不能保存导入前的题库：" + failure;
  bool bankChanged = false;
  int imported = 0;
  if (failure.empty() && !incoming.empty()) {
    // One pass of the engine copies the chosen source records, fields
    // matched by name and type; the copies follow the bank's last record in
    // source order, as `incoming` is.
    progress(n);
    std::vector<char> wanted(static_cast<std::size_t>(n) + 1, 0);
    for (const Incoming& in : incoming) wanted[static_cast<std::size_t>(in.source)] = 1;
    bankChanged = true;  // a refused copy may have written part of itself
    std::vector<std::int64_t> ids;
    const bool copied = bank.CopyFrom(from, [&](std::int64_t r) {
      return r >= 1 && r <= n && wanted[static_cast<std::size_t>(r)];
    }, ids);
    if (!copied) failure = bank.lastError().message;
    else if (ids.size() != incoming.size()) failure = recfile::ErrorText(recfile::err::AfterLast);
    std::vector<std::pair<std::int64_t, databases::QuestionChanges>> renames;
    for (std::size_t k = 0; k < incoming.size() && failure.empty(); ++k) {
      Incoming& in = incoming[k];
      in.question.id = ids[k];
      if (!in.renamed) continue;
      databases::QuestionChanges change;
      change.groupName = in.question.groupName;
      renames.emplace_back(in.question.id, std::move(change));
    }
    if (failure.empty() && !renames.empty() && !bank.UpdateMany(renames))
      failure = bank.lastError().message;
    if (failure.empty()) imported = static_cast<int>(incoming.size());
  }
  if (!failure.empty()) {
    if (bankChanged) {
      bank.Close();
      std::string why;
      if (!snapshot.Restore(why)) failure += "\r\n题库恢复失败：" + why;
      // The bank opens again as the main window opened it: with the
      // password of its course record (CourseAt leaves that record current).
      databases::CourseLibrary courses(engine);
      if (courses.CourseAt(ctx_.selectedCourse.position))
        app::ShowResult(host(), this, databases::OpenCourseBank(DbContext(), courseName_, false));
    }
    for (auto it = addedTypes.rbegin(); it != addedTypes.rend(); ++it) library.Remove(*it);
    finish("导入失败。");
    host().Message(this, "导入失败，题库没有改变：" + failure);
    return;
  }
  snapshot.Discard();

  std::vector<databases::Question> written;
  written.reserve(incoming.size());
  for (const Incoming& in : incoming) {
    AppendQuestionRow(g, in.question);
    written.push_back(in.question);
  }
  model_->Adopt(std::move(written));
  from.Close();
  if (imported > 0) {
    GroupSort(false);
    RecountQuestions();
    for (const std::string& type : newTypes) g.AddColumnListItem(kColType, type);
  }
  MakeBankCurrent();
  状态条1.setText("成功导入" + std::to_string(imported) + "条记录。");
  setEnabled(true);
  if (state_.topLevelCount >= 1) 菜单导出.setEnabled(true);
  host().Message(this, skipped > 0 ? std::to_string(skipped) + "条记录重复，实际导入" +
                                         std::to_string(imported) + "条记录。"
                                   : "成功导入" + std::to_string(imported) + "条记录。");
}

}  // namespace bank_editor
