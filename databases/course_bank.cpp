#include "databases/course_bank.h"

#include <algorithm>
#include <variant>

#include "databases/program_databases.h"
#include "text/text.h"

namespace databases {

namespace {

using recfile::Value;

// Remembers the engine's last error as the operation's result; `otherwise`
// when the engine names none.
bool Fail(recfile::RecordFileEngine& engine, DbError& error,
          int otherwise = recfile::err::Unknown) {
  error.code = engine.LastError();
  if (error.code == 0) error.code = otherwise;
  error.message = recfile::ErrorText(error.code);
  return false;
}

bool MakeCurrent(recfile::RecordFileEngine& engine, const std::string& name, DbError& error) {
  error = {};
  if (engine.SetCurrent(name)) return true;
  return Fail(engine, error);
}

Question ReadCurrentQuestion(recfile::RecordFileEngine& engine) {
  Question q;
  q.id = engine.RecordId();
  q.knowledgePoints = engine.ReadText(kKnowledgePoints);
  q.groupName = engine.ReadText(kGroupName);
  q.groupNumber = engine.ReadText(kGroupNumber);
  q.text1 = engine.ReadText(kQuestionText1);
  q.pictureMark = engine.ReadText(kQuestionPicture);
  q.text2 = engine.ReadText(kQuestionText2);
  q.answer = engine.ReadText(kAnswer);
  q.answerPictureMark = engine.ReadText(kAnswerPicture);
  q.type = engine.ReadText(kQuestionType);
  q.difficulty = static_cast<int>(engine.ReadInt(kDifficulty));
  q.score = static_cast<int>(engine.ReadInt(kScore));
  q.choice = engine.ReadBool(kChoice);
  q.fixedScore = engine.ReadBool(kFixedScore);
  q.masked = engine.ReadBool(kMasked);
  return q;
}

// Calls write(field, value) for every field the changes set, in field order;
// stops at the first write that fails.
template <typename Write>
bool WriteChanges(const QuestionChanges& c, Write write) {
  auto each = [&](int field, const auto& v) { return !v || write(field, Value(*v)); };
  return each(kKnowledgePoints, c.knowledgePoints) && each(kGroupName, c.groupName) &&
         each(kGroupNumber, c.groupNumber) && each(kQuestionText1, c.text1) &&
         each(kQuestionPicture, c.pictureMark) && each(kQuestionText2, c.text2) &&
         each(kAnswer, c.answer) && each(kAnswerPicture, c.answerPictureMark) &&
         each(kQuestionType, c.type) &&
         (!c.difficulty || write(kDifficulty, Value(static_cast<std::int64_t>(*c.difficulty)))) &&
         (!c.score || write(kScore, Value(static_cast<std::int64_t>(*c.score)))) &&
         each(kChoice, c.choice) && each(kFixedScore, c.fixedScore) && each(kMasked, c.masked) &&
         each(kQuestionPictureData, c.pictureData) &&
         each(kAnswerPictureData, c.answerPictureData);
}

int FieldCount(const QuestionChanges& c) {
  return !!c.knowledgePoints + !!c.groupName + !!c.groupNumber + !!c.text1 + !!c.pictureMark +
         !!c.text2 + !!c.answer + !!c.answerPictureMark + !!c.type + !!c.difficulty + !!c.score +
         !!c.choice + !!c.fixedScore + !!c.masked + !!c.pictureData + !!c.answerPictureData;
}

// What the current record holds in the fields `changes` would write, so a
// failed batch can be put back.
QuestionChanges CurrentValuesOf(recfile::RecordFileEngine& engine, const QuestionChanges& c) {
  QuestionChanges old;
  auto text = [&](int field, const std::optional<std::string>& v, std::optional<std::string>& o) {
    if (v) o = engine.ReadText(field);
  };
  text(kKnowledgePoints, c.knowledgePoints, old.knowledgePoints);
  text(kGroupName, c.groupName, old.groupName);
  text(kGroupNumber, c.groupNumber, old.groupNumber);
  text(kQuestionText1, c.text1, old.text1);
  text(kQuestionPicture, c.pictureMark, old.pictureMark);
  text(kQuestionText2, c.text2, old.text2);
  text(kAnswer, c.answer, old.answer);
  text(kAnswerPicture, c.answerPictureMark, old.answerPictureMark);
  text(kQuestionType, c.type, old.type);
  if (c.difficulty) old.difficulty = static_cast<int>(engine.ReadInt(kDifficulty));
  if (c.score) old.score = static_cast<int>(engine.ReadInt(kScore));
  if (c.choice) old.choice = engine.ReadBool(kChoice);
  if (c.fixedScore) old.fixedScore = engine.ReadBool(kFixedScore);
  if (c.masked) old.masked = engine.ReadBool(kMasked);
  if (c.pictureData) old.pictureData = engine.ReadBytes(kQuestionPictureData);
  if (c.answerPictureData) old.answerPictureData = engine.ReadBytes(kAnswerPictureData);
  return old;
}

}  // namespace

// ---- CourseBank ------------------------------------------------------------

CourseBank::CourseBank(recfile::RecordFileEngine& engine, std::string name)
    : engine_(engine), name_(std::move(name)) {}

bool CourseBank::ReadAll(std::vector<Question>& out) {
  out.clear();
  if (!MakeCurrent(engine_, name_, error_)) return false;
  const std::int64_t n = engine_.RecordCount();
  if (n < 0) return Fail(engine_, error_);
  out.reserve(static_cast<std::size_t>(n));
  for (std::int64_t k = 1; k <= n; ++k) {
    if (!engine_.GoTo(k)) return Fail(engine_, error_);
    if (engine_.IsDeleted()) continue;
    out.push_back(ReadCurrentQuestion(engine_));
    if (engine_.LastError() != 0) return Fail(engine_, error_);
  }
  return true;
}

std::optional<Question> CourseBank::Read(std::int64_t id) {
  if (!MakeCurrent(engine_, name_, error_)) return std::nullopt;
  if (!engine_.GoToId(id)) {
    Fail(engine_, error_);
    return std::nullopt;
  }
  Question q = ReadCurrentQuestion(engine_);
  if (engine_.LastError() != 0) {
    Fail(engine_, error_);
    return std::nullopt;
  }
  return q;
}

std::int64_t CourseBank::Count() {
  if (!MakeCurrent(engine_, name_, error_)) return 0;
  const std::int64_t n = engine_.RecordCount();
  if (n < 0) {
    Fail(engine_, error_);
    return 0;
  }
  return n;
}

recfile::Bytes CourseBank::ReadPicture(std::int64_t id, PictureKind kind) {
  if (!MakeCurrent(engine_, name_, error_)) return {};
  if (!engine_.GoToId(id)) {
    Fail(engine_, error_);
    return {};
  }
  recfile::Bytes b =
      engine_.ReadBytes(kind == PictureKind::Question ? kQuestionPictureData : kAnswerPictureData);
  if (engine_.LastError() != 0) Fail(engine_, error_);
  return b;
}

bool CourseBank::Update(std::int64_t id, const QuestionChanges& changes, WriteMode mode) {
  return UpdateMany({{id, changes}}, mode);
}

bool CourseBank::UpdateMany(const std::vector<std::pair<std::int64_t, QuestionChanges>>& changes,
                            WriteMode mode) {
  if (!MakeCurrent(engine_, name_, error_)) return false;
  const auto write = [&](const QuestionChanges& change) {
    if (mode == WriteMode::FieldByField)
      return WriteChanges(change, [&](int field, const Value& value) {
        return engine_.WriteField(field, value);
      });
    std::vector<Value> values;
    WriteChanges(change, [&](int field, const Value& value) {
      if (values.size() < static_cast<std::size_t>(field)) values.resize(field);
      values[static_cast<std::size_t>(field - 1)] = value;
      return true;
    });
    return engine_.Modify(values);
  };
  std::vector<std::pair<std::int64_t, QuestionChanges>> undo;
  undo.reserve(changes.size());
  auto rollback = [&] {
    const DbError failure = error_;
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
      if (!engine_.GoToId(it->first)) continue;
      write(it->second);
    }
    error_ = failure;
    return false;
  };
  for (const auto& [id, change] : changes) {
    if (!engine_.GoToId(id)) {
      Fail(engine_, error_, recfile::err::NoSuchRecord);
      return rollback();
    }
    // One record write either happened or did not, and so did a single
    // field's; field by field, a question may be left half changed, so its
    // old values are kept before the write.
    const bool whole = mode == WriteMode::WholeRecord;
    const bool single = changes.size() == 1 && (whole || FieldCount(change) == 1);
    QuestionChanges old;
    if (!single) {
      old = CurrentValuesOf(engine_, change);
      if (whole && engine_.LastError() != 0) {
        Fail(engine_, error_);
        return rollback();
      }
      if (!whole) undo.emplace_back(id, old);
    }
    if (!write(change)) {
      Fail(engine_, error_);
      return rollback();
    }
    if (!single && whole) undo.emplace_back(id, std::move(old));
  }
  return true;
}

std::int64_t CourseBank::Append(const Question& q, const recfile::Bytes& picture,
                                const recfile::Bytes& answerPicture) {
  if (!MakeCurrent(engine_, name_, error_)) return 0;
  std::vector<Value> values = {
      q.knowledgePoints, q.groupName, q.groupNumber, q.text1, q.pictureMark, q.text2, q.answer,
      q.answerPictureMark, q.type, static_cast<std::int64_t>(q.difficulty),
      static_cast<std::int64_t>(q.score), q.choice, q.fixedScore, q.masked, picture,
      answerPicture};
  if (!engine_.Append(values)) {
    Fail(engine_, error_);
    return 0;
  }
  return engine_.RecordId();
}

bool CourseBank::Remove(const std::vector<std::int64_t>& ids) {
  if (!MakeCurrent(engine_, name_, error_)) return false;
  for (const std::int64_t id : ids) {
    if (!engine_.GoToId(id) || !engine_.Delete()) return Fail(engine_, error_);
  }
  if (!ids.empty() && !engine_.Pack()) return Fail(engine_, error_);
  return true;
}

bool CourseBank::Delete(std::int64_t id) {
  if (!MakeCurrent(engine_, name_, error_)) return false;
  if (!engine_.GoToId(id)) return Fail(engine_, error_, recfile::err::NoSuchRecord);
  if (!engine_.Delete()) return Fail(engine_, error_);
  return true;
}

bool CourseBank::Pack() {
  if (!MakeCurrent(engine_, name_, error_)) return false;
  if (!engine_.Pack()) return Fail(engine_, error_);
  return true;
}

void CourseBank::Close() { engine_.Close(name_); }

std::string CourseBank::FilePath() {
  if (!MakeCurrent(engine_, name_, error_)) return {};
  return engine_.CurrentPath();
}

bool CourseBank::IsFile(const std::string& path) {
  const std::string own = FilePath();
  return !own.empty() && engine_.ResolvePath(path) == own;
}

bool CourseBank::CopyFrom(BankImportSource& source,
                          const std::function<bool(std::int64_t)>& wanted,
                          std::vector<std::int64_t>& ids) {
  ids.clear();
  if (!MakeCurrent(engine_, name_, error_)) return false;
  const std::int64_t last = engine_.RecordCount();
  if (last < 0) return Fail(engine_, error_);
  // The engine asks about each source record while it is the one under test.
  if (!engine_.CopyRecords(source.alias(), [&] { return wanted(engine_.RecordNumber()); }))
    return Fail(engine_, error_);
  const std::int64_t count = engine_.RecordCount();
  for (std::int64_t k = last + 1; k <= count; ++k) {
    if (!engine_.GoTo(k)) return Fail(engine_, error_);
    ids.push_back(engine_.RecordId());
  }
  return true;
}

std::optional<Question> CourseBank::FindByText1(const std::string& text1, std::int64_t exceptId) {
  if (!MakeCurrent(engine_, name_, error_)) return std::nullopt;
  const std::int64_t n = engine_.RecordCount();
  for (std::int64_t k = 1; k <= n; ++k) {
    if (!engine_.GoTo(k)) break;
    if (engine_.IsDeleted() || engine_.RecordId() == exceptId) continue;
    if (engine_.ReadText(kQuestionText1) == text1) return ReadCurrentQuestion(engine_);
  }
  return std::nullopt;
}

// ---- BankImportSource -----------------------------------------------------

namespace {

std::string TextOf(const Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  return {};
}
std::int64_t NumberOf(const Value& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return static_cast<std::int64_t>(*d);
  if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  if (const auto* s = std::get_if<std::string>(&v)) return text::ToInteger(*s);
  return 0;
}
bool FlagOf(const Value& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  return NumberOf(v) != 0;
}

// A record's values in the bank's field order as a question.
Question QuestionOf(const std::vector<Value>& values) {
  auto at = [&](int field) -> const Value& { return values[static_cast<std::size_t>(field - 1)]; };
  Question q;
  q.knowledgePoints = TextOf(at(kKnowledgePoints));
  q.groupName = TextOf(at(kGroupName));
  q.groupNumber = TextOf(at(kGroupNumber));
  q.text1 = TextOf(at(kQuestionText1));
  q.pictureMark = TextOf(at(kQuestionPicture));
  q.text2 = TextOf(at(kQuestionText2));
  q.answer = TextOf(at(kAnswer));
  q.answerPictureMark = TextOf(at(kAnswerPicture));
  q.type = TextOf(at(kQuestionType));
  q.difficulty = static_cast<int>(NumberOf(at(kDifficulty)));
  q.score = static_cast<int>(NumberOf(at(kScore)));
  q.choice = FlagOf(at(kChoice));
  q.fixedScore = FlagOf(at(kFixedScore));
  q.masked = FlagOf(at(kMasked));
  return q;
}

// For each bank field, the source field of the same name and a compatible
// type (0 when none).
std::vector<int> MatchFields(const std::vector<recfile::FieldDef>& bank,
                             const std::vector<recfile::FieldDef>& source) {
  std::vector<int> match(bank.size(), 0);
  for (std::size_t d = 0; d < bank.size(); ++d) {
    for (std::size_t s = 0; s < source.size(); ++s) {
      if (!text::EqualsIgnoreCase(bank[d].name, source[s].name)) continue;
      if (bank[d].type == source[s].type ||
          (recfile::IsNumeric(bank[d].type) && recfile::IsNumeric(source[s].type)))
        match[d] = static_cast<int>(s + 1);
      break;
    }
  }
  return match;
}

}  // namespace

BankImportSource::BankImportSource(recfile::RecordFileEngine& engine, std::string alias)
    : engine_(engine), alias_(std::move(alias)) {}

BankImportSource::~BankImportSource() { Close(); }

bool BankImportSource::IsPasswordProtected(recfile::RecordFileEngine& engine,
                                           const std::string& file) {
  return engine.IsPasswordProtected(file);
}

bool BankImportSource::Open(const std::string& path, const std::string& password,
                            CourseBank& into) {
  error_ = {};
  if (!engine_.Open(path, alias_, true, recfile::ShareMode::None, password))
    return Fail(engine_, error_);
  open_ = true;
  const std::vector<recfile::FieldDef> sourceFields = engine_.Fields();
  if (!MakeCurrent(engine_, into.FilePath(), error_)) return false;
  bankFields_ = engine_.Fields();
  match_ = MatchFields(bankFields_, sourceFields);
  values_.assign(bankFields_.size(), Value{});
  return true;
}

void BankImportSource::Close() {
  if (open_) engine_.Close(alias_);
  open_ = false;
}

std::int64_t BankImportSource::Count() {
  if (!MakeCurrent(engine_, alias_, error_)) return 0;
  return std::max<std::int64_t>(0, engine_.RecordCount());
}

bool BankImportSource::Read(std::int64_t k, Question& q, bool& deleted) {
  if (!MakeCurrent(engine_, alias_, error_)) return false;
  if (!engine_.GoTo(k)) return Fail(engine_, error_);
  deleted = engine_.IsDeleted();
  if (deleted) return true;
  for (std::size_t d = 0; d < bankFields_.size(); ++d) {
    values_[d] = Value{};
    // Pictures come along when the record is copied.
    if (match_[d] > 0 && bankFields_[d].type != recfile::FieldType::ByteSet)
      values_[d] = engine_.ReadField(match_[d]);
    if (engine_.LastError() < 0) return Fail(engine_, error_);
  }
  q = QuestionOf(values_);
  return true;
}

bool BankImportSource::HasGroupName() const {
  return match_.size() >= static_cast<std::size_t>(kGroupName) && match_[kGroupName - 1] > 0;
}

// ---- CourseLibrary ---------------------------------------------------------

CourseLibrary::CourseLibrary(recfile::RecordFileEngine& engine, std::string name)
    : engine_(engine), name_(std::move(name)) {}

std::optional<CourseRecord> CourseLibrary::CourseAt(int position) {
  if (position < 0 || !MakeCurrent(engine_, name_, error_)) return std::nullopt;
  if (engine_.RecordCount() < position + 2) {
    error_ = {recfile::err::AfterLast, recfile::ErrorText(recfile::err::AfterLast)};
    return std::nullopt;
  }
  if (!engine_.GoTo(position + 2)) {
    Fail(engine_, error_);
    return std::nullopt;
  }
  CourseRecord r;
  r.name = engine_.ReadText(kCourseNameField);
  r.passwordCipher = text::ToGbk(engine_.ReadText(kCoursePasswordField));
  r.difficultyNote = engine_.ReadText(kDifficultyNoteField);
  r.typeOrder = engine_.ReadText(kTypeOrderField);
  return r;
}

namespace {
bool WriteCourseField(recfile::RecordFileEngine& engine, const std::string& library, int position,
                      const char* field, const std::string& value, DbError& error) {
  if (position < 0 || !MakeCurrent(engine, library, error)) return false;
  if (engine.RecordCount() < position + 2) {
    error = {recfile::err::AfterLast, recfile::ErrorText(recfile::err::AfterLast)};
    return false;
  }
  if (!engine.GoTo(position + 2) || !engine.WriteField(field, value)) return Fail(engine, error);
  return true;
}
}  // namespace

bool CourseLibrary::SetDifficultyNote(int position, const std::string& note) {
  return WriteCourseField(engine_, name_, position, kDifficultyNoteField, note, error_);
}

bool CourseLibrary::SetTypeOrder(int position, const std::string& joinedNames) {
  return WriteCourseField(engine_, name_, position, kTypeOrderField, joinedNames, error_);
}

// ---- TypeLibrary -----------------------------------------------------------

TypeLibrary::TypeLibrary(recfile::RecordFileEngine& engine, std::string name)
    : engine_(engine), name_(std::move(name)) {}

bool TypeLibrary::ReadAll(std::vector<QuestionType>& out) {
  out.clear();
  if (!MakeCurrent(engine_, name_, error_)) return false;
  const std::int64_t n = engine_.RecordCount();
  for (std::int64_t k = 1; k <= n; ++k) {
    if (!engine_.GoTo(k)) return Fail(engine_, error_);
    if (engine_.IsDeleted()) continue;
    QuestionType t;
    t.id = engine_.RecordId();
    t.name = engine_.ReadText(kTypeNameField);
    t.note = engine_.ReadText(kTypeNoteField);
    t.answerOnNewLine = engine_.ReadBool(kAnswerOnNewLineField);
    out.push_back(std::move(t));
  }
  return true;
}

std::optional<QuestionType> TypeLibrary::FindByName(const std::string& name) {
  std::vector<QuestionType> all;
  if (!ReadAll(all)) return std::nullopt;
  for (auto& t : all)
    if (t.name == name) return t;
  return std::nullopt;
}

bool TypeLibrary::SetAnswerOnNewLine(std::int64_t id, bool value) {
  if (!MakeCurrent(engine_, name_, error_)) return false;
  if (!engine_.GoToId(id) || !engine_.WriteField(kAnswerOnNewLineField, value))
    return Fail(engine_, error_);
  return true;
}

// ---- ColourLibrary ---------------------------------------------------------

ColourLibrary::ColourLibrary(recfile::RecordFileEngine& engine, std::string name)
    : engine_(engine), name_(std::move(name)) {}

bool ColourLibrary::ReadAll(std::vector<int>& colours) {
  colours.clear();
  if (!MakeCurrent(engine_, name_, error_)) return false;
  const std::int64_t n = engine_.RecordCount();
  for (std::int64_t k = 1; k <= n; ++k) {
    if (!engine_.GoTo(k)) return Fail(engine_, error_);
    colours.push_back(static_cast<int>(engine_.ReadInt(kColourField)));
  }
  return true;
}

bool ColourLibrary::SetColour(int position, int rgb, int count) {
  if (position < 1 || !MakeCurrent(engine_, name_, error_)) return false;
  while (engine_.RecordCount() < count) {
    if (!engine_.Append({static_cast<std::int64_t>(kWhiteColour)})) return Fail(engine_, error_);
  }
  if (!engine_.GoTo(position) ||
      !engine_.WriteField(kColourField, static_cast<std::int64_t>(rgb)))
    return Fail(engine_, error_);
  return true;
}

}  // namespace databases
