// The course library's records: the administrator in record 1, the courses
// after it in list order. The only code that knows that layout, and the one
// place where "课程密码" turns from the engine's text into cipher bytes.
#include "databases/course_bank.h"

#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "text/text.h"

namespace databases {

namespace {

using recfile::Value;

constexpr std::int64_t kAdministratorRecord = 1;
constexpr std::int64_t kFirstCourseRecord = 2;

std::int64_t RecordOfPosition(int position) { return position + kFirstCourseRecord; }

bool Failed(recfile::RecordFileEngine& engine, DbError& error) {
  error.code = engine.LastError();
  if (error.code == 0) error.code = recfile::err::Unknown;
  error.message = recfile::ErrorText(error.code);
  return false;
}

bool Refused(DbError& error, std::string message) {
  error = {recfile::err::Unknown, std::move(message)};
  return false;
}

// The stored text as the cipher's bytes: the engine hands text fields out
// converted, and the conversion is lossless both ways.
std::string CipherOf(recfile::RecordFileEngine& engine) {
  return text::ToGbk(engine.ReadText(kCoursePasswordField));
}
Value FieldOfCipher(const std::string& cipher) { return Value(text::ToUtf8(cipher)); }

}  // namespace

bool CourseLibrary::Enter(std::int64_t record) {
  error_ = {};
  if (!engine_.SetCurrent(name_)) return Failed(engine_, error_);
  if (record == 0) return true;
  if (engine_.RecordCount() < record) {
    error_ = {recfile::err::AfterLast, recfile::ErrorText(recfile::err::AfterLast)};
    return false;
  }
  if (!engine_.GoTo(record) || engine_.RecordNumber() != record) return Failed(engine_, error_);
  return true;
}

bool CourseLibrary::HasAdministrator() { return Enter(0) && engine_.RecordCount() > 0; }

std::optional<CourseRecord> CourseLibrary::Administrator() {
  if (!Enter(kAdministratorRecord)) return std::nullopt;
  CourseRecord r;
  r.name = engine_.ReadText(kCourseNameField);
  r.passwordCipher = CipherOf(engine_);
  if (engine_.LastError() != 0) {
    Failed(engine_, error_);
    return std::nullopt;
  }
  return r;
}

bool CourseLibrary::AdministratorPasswordIs(const std::string& typed) {
  const auto admin = Administrator();
  return admin && PasswordMatchesCipher(admin->passwordCipher, typed);
}

bool CourseLibrary::AddAdministrator(const std::string& name, const std::string& password) {
  if (!Enter(0)) return false;
  if (!engine_.Append({Value(name), FieldOfCipher(EncipherPasswordBytes(text::ToGbk(password)))}))
    return Failed(engine_, error_);
  return true;
}

bool CourseLibrary::RenameAdministrator(const std::string& name) {
  if (!Enter(kAdministratorRecord)) return false;
  if (!engine_.Modify({Value(name)})) return Failed(engine_, error_);
  return true;
}

bool CourseLibrary::SetAdministratorPassword(const std::string& password) {
  if (!Enter(kAdministratorRecord)) return false;
  if (!engine_.Modify({Value(), FieldOfCipher(EncipherPasswordBytes(text::ToGbk(password)))}))
    return Failed(engine_, error_);
  return true;
}

bool CourseLibrary::CourseNames(std::vector<std::string>& out) {
  out.clear();
  if (!Enter(0)) return false;
  const std::int64_t count = engine_.RecordCount();
  for (std::int64_t k = kFirstCourseRecord; k <= count; ++k) {
    if (!engine_.GoTo(k)) continue;
    out.push_back(engine_.ReadText(kCourseNameField));
  }
  return true;
}

std::optional<int> CourseLibrary::FindCourse(const std::string& name) {
  if (!Enter(0)) return std::nullopt;
  const std::int64_t count = engine_.RecordCount();
  if (count < kFirstCourseRecord || !engine_.GoTo(kFirstCourseRecord)) return std::nullopt;
  if (!engine_.Find([&] { return engine_.ReadText(kCourseNameField) == name; })) return std::nullopt;
  return static_cast<int>(engine_.RecordNumber() - kFirstCourseRecord);
}

std::optional<int> CourseLibrary::AddCourse(const std::string& name) {
  if (!Enter(0)) return std::nullopt;
  if (!engine_.Append({Value(name), Value(std::string())})) {
    Failed(engine_, error_);
    return std::nullopt;
  }
  return static_cast<int>(engine_.RecordNumber() - kFirstCourseRecord);
}

bool CourseLibrary::RemoveCourse(int position, const std::string& name) {
  // Only the course's own record goes: never record 1, and not the last
  // record that GoTo would clamp a stale position to.
  if (position < 0) return Refused(error_, "请选择课程！");
  if (!Enter(RecordOfPosition(position))) return false;
  if (engine_.ReadText(kCourseNameField) != name) return Refused(error_, "课程 " + name + " 已不在这个位置！");
  if (!engine_.Delete() || !engine_.Pack()) return Failed(engine_, error_);
  return true;
}

bool CourseLibrary::RenameCourse(int position, const std::string& name) {
  if (position < 0) return Refused(error_, "请选择课程！");
  if (!Enter(RecordOfPosition(position))) return false;
  if (!engine_.WriteField(kCourseNameField, Value(name))) return Failed(engine_, error_);
  return true;
}

bool CourseLibrary::SetCoursePassword(int position, const std::string& bankPath,
                                      const std::string& password, const std::string& oldPassword) {
  error_ = {};
  if (!engine_.SetCurrent(bankPath) || !engine_.SetPassword(password)) return Failed(engine_, error_);
  const std::string cipher = password.empty() ? std::string() : EncipherPasswordBytes(text::ToGbk(password));
  if (Enter(RecordOfPosition(position)) && engine_.WriteField(kCoursePasswordField, FieldOfCipher(cipher)))
    return true;
  if (error_.code == 0) Failed(engine_, error_);
  // The record keeps the old password: so must the bank, or the course would
  // no longer open.
  const DbError failure = error_;
  if (engine_.SetCurrent(bankPath)) engine_.SetPassword(oldPassword);
  error_ = failure;
  return false;
}

}  // namespace databases
