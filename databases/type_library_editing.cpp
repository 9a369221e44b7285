// Adding, renaming and deleting question types, and the usage look through
// a course's bank that guards renames and deletes.
#include <algorithm>
#include <cstddef>

#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "text/text.h"

namespace databases {

namespace {

struct TypeRecord {
  std::int64_t number = 0;  // record number
  QuestionType type;
};

// Every live record of the current database read as a type.
bool ReadTypeRecords(recfile::RecordFileEngine& e, std::vector<TypeRecord>& out) {
  out.clear();
  const std::int64_t n = e.RecordCount();
  for (std::int64_t i = 1; i <= n; ++i) {
    if (!e.GoTo(i)) return false;
    if (e.IsDeleted()) continue;
    TypeRecord r;
    r.number = i;
    r.type.id = e.RecordId();
    r.type.name = e.ReadText(kTypeNameField);
    r.type.note = e.ReadText(kTypeNoteField);
    r.type.answerOnNewLine = e.ReadBool(kAnswerOnNewLineField);
    if (e.LastError() < 0) return false;
    out.push_back(std::move(r));
  }
  return true;
}

bool WriteTypeRecord(recfile::RecordFileEngine& e, std::int64_t number, const QuestionType& t) {
  return e.GoTo(number) && e.Modify({t.name, t.note, t.answerOnNewLine});
}

}  // namespace

bool TypeLibrary::EditFailed() {
  int code = engine_.LastError();
  if (code == 0) code = recfile::err::Unknown;
  error_ = {code, recfile::ErrorText(code)};
  return false;
}

bool TypeLibrary::Add(const std::string& name) {
  error_ = {};
  if (!engine_.SetCurrent(name_)) return EditFailed();
  if (!engine_.Append({name, std::string(), false})) return EditFailed();
  std::vector<TypeRecord> records;
  if (!ReadTypeRecords(engine_, records)) return EditFailed();
  std::vector<QuestionType> sorted;
  for (const TypeRecord& r : records) sorted.push_back(r.type);
  std::stable_sort(sorted.begin(), sorted.end(), [](const QuestionType& a, const QuestionType& b) {
    return text::CompareGbk(a.name, b.name) < 0;
  });
  // Only the records whose contents move are written; a failure puts the
  // written ones back, so no name is lost or doubled.
  for (std::size_t i = 0; i < records.size(); ++i) {
    const QuestionType& want = sorted[i];
    const QuestionType& have = records[i].type;
    if (want.name == have.name && want.note == have.note &&
        want.answerOnNewLine == have.answerOnNewLine)
      continue;
    if (!WriteTypeRecord(engine_, records[i].number, want)) {
      EditFailed();
      for (std::size_t k = 0; k < i; ++k) WriteTypeRecord(engine_, records[k].number, records[k].type);
      return false;
    }
  }
  return true;
}

std::int64_t TypeLibrary::Append(const std::string& name) {
  error_ = {};
  if (!engine_.SetCurrent(name_) || !engine_.Append({name, std::string(), false})) {
    EditFailed();
    return 0;
  }
  return engine_.RecordId();
}

bool TypeLibrary::SetNote(std::int64_t id, const std::string& note) {
  error_ = {};
  if (!engine_.SetCurrent(name_) || !engine_.GoToId(id) ||
      !engine_.WriteField(kTypeNoteField, note))
    return EditFailed();
  return true;
}

bool TypeLibrary::Rename(std::int64_t id, const std::string& name) {
  error_ = {};
  if (!engine_.SetCurrent(name_) || !engine_.GoToId(id) ||
      !engine_.WriteField(kTypeNameField, name))
    return EditFailed();
  return true;
}

bool TypeLibrary::Remove(std::int64_t id) {
  error_ = {};
  if (!engine_.SetCurrent(name_) || !engine_.GoToId(id) || !engine_.Delete() || !engine_.Pack())
    return EditFailed();
  return true;
}

TypeUse CourseTypeUse(const DatabaseContext& ctx, int position, const std::string& type,
                      Result& opening) {
  auto& e = ctx.engine;
  opening = OpenCourseLibrary(ctx);
  if (!opening.ok || !e.GoTo(position + 2)) return TypeUse::Unknown;
  const std::string course = e.ReadText(kCourseNameField);
  const std::string path = ctx.FullPathOf(course);
  const bool wasOpen = e.IsOpen(path);
  opening = OpenCourseBank(ctx, course, false);
  if (!opening.ok) return TypeUse::Unknown;
  bool used = false;
  bool readable = true;
  if (e.RecordCount() > 0 && e.GoTo(1)) {
    const bool stopped = e.Find([&] {
      if (e.IsDeleted()) return false;
      const std::string t = e.ReadText(kQuestionType);
      if (e.LastError() < 0) readable = false;  // a damaged record hides its type
      return !readable || t == type;
    });
    if (!stopped && e.LastError() < 0) readable = false;
    used = stopped && readable;
  } else if (e.LastError() < 0) {
    readable = false;
  }
  if (!wasOpen) e.Close(path);
  if (!readable) return TypeUse::Unknown;
  return used ? TypeUse::Used : TypeUse::Unused;
}

}  // namespace databases
