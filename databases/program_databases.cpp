#include "databases/program_databases.h"

#include <filesystem>
#include <initializer_list>

#include "databases/course_bank.h"
#include "databases/password_cipher.h"
#include "text/text.h"

namespace databases {

namespace fs = std::filesystem;
using recfile::FieldDef;
using recfile::FieldType;
using recfile::Value;

const std::vector<FieldDef>& CourseLibraryFields() {
  static const std::vector<FieldDef> fields = {
      {kCourseNameField, FieldType::Text, kCourseNameWidth},
      {kCoursePasswordField, FieldType::Text, kCoursePasswordWidth},
      {kDifficultyNoteField, FieldType::Text, kDifficultyNoteWidth},
      {kTypeOrderField, FieldType::Text, kTypeOrderWidth},
  };
  return fields;
}

const std::vector<FieldDef>& QuestionTypeLibraryFields() {
  static const std::vector<FieldDef> fields = {
      {kTypeNameField, FieldType::Text, kTypeNameWidth},
      {kTypeNoteField, FieldType::Text, kTypeNoteWidth},
      {kAnswerOnNewLineField, FieldType::Logical, 0},
  };
  return fields;
}

const std::vector<FieldDef>& TypeOrderColourLibraryFields() {
  static const std::vector<FieldDef> fields = {{kColourField, FieldType::Integer, 0}};
  return fields;
}

const std::vector<FieldDef>& QuestionBankFields() {
  static const std::vector<FieldDef> fields = [] {
    const FieldType types[kQuestionFieldCount] = {
        FieldType::Text,    FieldType::Text,    FieldType::Text,    FieldType::Memo,
        FieldType::Text,    FieldType::Memo,    FieldType::Memo,    FieldType::Text,
        FieldType::Text,    FieldType::Short,   FieldType::Short,   FieldType::Logical,
        FieldType::Logical, FieldType::Logical, FieldType::ByteSet, FieldType::ByteSet};
    const int widths[kQuestionFieldCount] = {512, 512, 2, 0, 2, 0, 0, 2, 512, 0, 0, 0, 0, 0, 0, 0};
    std::vector<FieldDef> v;
    for (int i = 0; i < kQuestionFieldCount; ++i) v.push_back({kQuestionFieldNames[i], types[i], widths[i]});
    return v;
  }();
  return fields;
}

std::string DatabaseContext::PathOf(const std::string& name) const {
  return dataDir.empty() ? name : dataDir + "/" + name;
}

std::string DatabaseContext::FullPathOf(const std::string& name) const {
  return engine.ResolvePath(PathOf(name));
}

namespace {

// Files of the data folder named `name` + `ext`, the extension in any case
// (banks copied from elsewhere may carry ".EDB").
std::vector<fs::path> FilesOf(const DatabaseContext& ctx, const std::string& name, std::string_view ext) {
  const fs::path dir = ctx.dataDir.empty() ? fs::path(".") : fs::path(ctx.dataDir);
  std::vector<fs::path> found;
  std::error_code ec;
  const fs::path exact = dir / (name + std::string(ext));
  if (fs::is_regular_file(exact, ec)) found.push_back(exact);
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (file.size() != name.size() + ext.size() || file.compare(0, name.size(), name) != 0) continue;
    if (!text::EqualsIgnoreCase(std::string_view(file).substr(name.size()), ext)) continue;
    if (it->path() == exact || !it->is_regular_file(ec)) continue;
    found.push_back(it->path());
  }
  return found;
}

bool IsFixedLibraryName(const std::string& name) {
  for (const char* fixed : {kCourseLibrary, kQuestionTypeLibrary, kTypeOrderColourLibrary})
    if (name == fixed) return true;
  return false;
}

// A name whose files may be deleted: a plain file name in the data folder
// that is not one of the fixed libraries.
bool IsDeletableBankName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find_first_of("/\\") != std::string::npos) return false;
  return !IsFixedLibraryName(name);
}

void DeleteBankFiles(const DatabaseContext& ctx, const std::string& name,
                     std::initializer_list<std::string_view> extensions) {
  if (!IsDeletableBankName(name)) return;
  for (auto ext : extensions) {
    for (const auto& file : FilesOf(ctx, name, ext)) {
      std::error_code ec;
      fs::remove(file, ec);  // a missing file is not an error
    }
  }
}

// Shared steps of the three fixed libraries. `opened` tells whether this
// call opened the library (rather than finding it open).
Result OpenFixedLibrary(const DatabaseContext& ctx, const char* name,
                        const std::vector<FieldDef>& fields, const std::string& createFailed,
                        const std::string& openFailed, bool* opened) {
  auto& engine = ctx.engine;
  if (opened) *opened = false;
  const std::string full = ctx.FullPathOf(name);
  if (engine.IsOpen(full)) return Result::Of(engine.SetCurrent(full));
  if (FilesOf(ctx, name, ".edb").empty() && !engine.Create(ctx.PathOf(name), fields))
    return Result::ProgramEnds(createFailed);
  if (!engine.Open(ctx.PathOf(name), {}, false, recfile::ShareMode::None, std::string()))
    return Result::ProgramEnds(openFailed);
  if (opened) *opened = true;
  return {};
}

}  // namespace

bool CourseBankExists(const DatabaseContext& ctx, const std::string& courseName) {
  return !FilesOf(ctx, courseName, ".edb").empty();
}

Result OpenCourseLibrary(const DatabaseContext& ctx) {
  return OpenFixedLibrary(ctx, kCourseLibrary, CourseLibraryFields(), "创建 课程库.edb 不成功",
                          "打开课程库错误！", nullptr);
}

Result OpenQuestionTypeLibrary(const DatabaseContext& ctx) {
  bool opened = false;
  Result result = OpenFixedLibrary(ctx, kQuestionTypeLibrary, QuestionTypeLibraryFields(),
                                   "创建 题型库.edb 不成功", "打开题型库错误！", &opened);
  if (!result.ok) return result;
  if (opened && ctx.engine.RecordCount() == 0) {
    for (const auto& type : kDefaultQuestionTypes)
      ctx.engine.Append({Value(std::string(type.name)), Value(std::string()), Value(type.answerOnNewLine)});
  }
  return result;
}

Result OpenTypeOrderColourLibrary(const DatabaseContext& ctx) {
  return OpenFixedLibrary(ctx, kTypeOrderColourLibrary, TypeOrderColourLibraryFields(),
                          "创建 题型排列颜色库.edb 不成功", "打开题型排列颜色库错误！", nullptr);
}

Result OpenCourseBank(const DatabaseContext& ctx, const std::string& courseName, bool checkPassword,
                      int selectedPosition, const std::string& typedPassword) {
  auto& engine = ctx.engine;
  const std::string full = ctx.FullPathOf(courseName);
  if (engine.IsOpen(full)) return Result::Of(engine.SetCurrent(full));

  if (Result library = OpenCourseLibrary(ctx); !library.ok) return library;
  // Position -1 would land on the administrator's record.
  if (checkPassword && selectedPosition < 0) return Result::Failure("请选择课程！");
  std::string cipher;
  if (selectedPosition >= 0) {
    if (const auto course = CourseLibrary(engine).CourseAt(selectedPosition)) cipher = course->passwordCipher;
  } else {
    cipher = text::ToGbk(engine.ReadText(kCoursePasswordField));
  }
  std::string password;
  if (!cipher.empty()) {
    password = text::ToUtf8(DecipherPasswordBytes(cipher));
    // A stored text an older program cut short no longer deciphers, yet it
    // still tells whether the typed password is the bank's. A stored
    // password is never empty.
    if (checkPassword && password.empty() && CipherIsOf(cipher, text::ToGbk(typedPassword)))
      password = typedPassword;
    if (checkPassword && (typedPassword.empty() || password != typedPassword))
      return Result::Failure("课程密码错误！");
  }
  if (engine.Open(ctx.PathOf(courseName), {}, false, recfile::ShareMode::None, password)) return {};
  const int code = engine.LastError();
  if (CourseBankExists(ctx, courseName))
    return Result::Failure("打开 " + courseName + " 题库错误！" + recfile::ErrorText(code));
  return Result::Failure(courseName + ".edb不存在！");
}

std::string CourseNameProblem(const std::string& courseName) {
  if (courseName.empty()) return "课程名称不能为空 ！";
  if (text::GbkLength(courseName) > static_cast<std::size_t>(kCourseNameWidth))
    return "课程名称太长，最多 20 个字节（一个汉字算 2 个字节）！";
  if (courseName == "." || courseName == ".." || courseName.find_first_of("/\\") != std::string::npos)
    return "课程名称不能含有字符 / 或 \\ ！";
  for (unsigned char c : courseName)
    if (c < 0x20 || c == 0x7F) return "课程名称不能含有控制字符！";
  if (IsFixedLibraryName(courseName)) return "“" + courseName + "”是系统数据库的名称，不能用作课程名称！";
  return {};
}

Result CheckNewCourse(const std::string& courseName, const std::string& password) {
  // A name cut by "课程名称" or a password cut by "课程密码" would leave a
  // course that can never be opened again, so neither gets that far.
  if (auto problem = CourseNameProblem(courseName); !problem.empty())
    return Result::Failure(std::move(problem));
  if (std::string why; !PasswordFitsCipherField(password, &why)) return Result::Failure(std::move(why));
  return {};
}

Result CreateCourseBank(const DatabaseContext& ctx, const std::string& courseName,
                        const std::string& password, ExistingBank existing) {
  auto& engine = ctx.engine;
  if (Result check = CheckNewCourse(courseName, password); !check.ok) return check;

  const std::string full = ctx.FullPathOf(courseName);
  if (CourseBankExists(ctx, courseName)) {
    if (existing != ExistingBank::Replace) return Result::Failure();
    if (engine.IsOpen(full)) engine.Close(full);
    DeleteBankFiles(ctx, courseName, {".edb", ".edt"});
  }
  if (!engine.Create(ctx.PathOf(courseName), QuestionBankFields()))
    return Result::Failure("创建课程数据库“" + courseName + ".edb”失败！", MessageKind::Error);

  if (Result libraryOpened = OpenCourseLibrary(ctx); !libraryOpened.ok) return libraryOpened;
  CourseLibrary library(engine);
  const std::optional<int> position = library.AddCourse(courseName);
  if (!position) {
    // Without its record the new bank would be an orphan nobody lists.
    DeleteBankFiles(ctx, courseName, {".edb", ".edt"});
    return Result::Failure("添加课程 " + courseName + " 错误！" + library.lastError().message);
  }

  Result added;
  if (!password.empty()) {
    std::string failure;
    if (!engine.Open(ctx.PathOf(courseName), {}, false, recfile::ShareMode::None, std::string())) {
      failure = recfile::ErrorText(engine.LastError());
    } else if (!library.SetCoursePassword(*position, full, password, std::string())) {
      failure = library.lastError().message;
    }
    if (engine.IsOpen(full)) engine.Close(full);
    if (!failure.empty())
      added.message = "课程 " + courseName + " 已添加，但设置课程密码失败！" + failure;
  }
  engine.SetCurrent(ctx.FullPathOf(kCourseLibrary));
  return added;
}

Result RemoveCourse(const DatabaseContext& ctx, const std::string& courseName, int selectedPosition) {
  auto& engine = ctx.engine;
  const std::string full = ctx.FullPathOf(courseName);
  if (engine.IsOpen(full)) engine.Close(full);
  DeleteBankFiles(ctx, courseName, {".edb", ".edt", ".enx"});

  if (Result library = OpenCourseLibrary(ctx); !library.ok) return library;
  return Result::Of(CourseLibrary(engine).RemoveCourse(selectedPosition, courseName));
}

Result PruneCourseLibrary(const DatabaseContext& ctx) {
  auto& engine = ctx.engine;
  if (Result library = OpenCourseLibrary(ctx); !library.ok) return library;
  const std::int64_t count = engine.RecordCount();
  bool ok = true;
  for (std::int64_t i = 2; i <= count; ++i) {
    if (!engine.GoTo(i)) {
      ok = false;
      continue;
    }
    const std::string name = engine.ReadText(kCourseNameField);
    // A record that cannot be read is kept: its bank may well exist.
    if (engine.LastError() != 0) {
      ok = false;
      continue;
    }
    if (!CourseBankExists(ctx, name)) ok = engine.Delete() && ok;
  }
  return Result::Of(engine.Pack() && ok);
}

}  // namespace databases
