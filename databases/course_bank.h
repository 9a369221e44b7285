// The domain model over the program's databases: typed questions of a course
// bank, the course library's records, the question-type and colour
// libraries. Windows, output and tools work on these values; only this layer
// moves the record-file engine's cursor.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "recfile/record_file_engine.h"

namespace databases {

// One question of a course bank: the sixteen fields by meaning, pictures
// apart (they are large; read them by id when needed).
struct Question {
  std::int64_t id = 0;            // record id
  std::string knowledgePoints;    // "知识点", parts joined by "|"
  std::string groupName;          // "分组名"
  std::string groupNumber;        // "分组号": "" single, "0" title, "1".."99" member
  std::string text1;              // "题文1"
  std::string pictureMark;        // "题图": "√" or ""
  std::string text2;              // "题文2"
  std::string answer;             // "答案"
  std::string answerPictureMark;  // "答图": "√" or ""
  std::string type;               // "题型"
  int difficulty = 0;             // "难度"
  int score = 0;                  // "分值"
  bool choice = false;            // "选择"
  bool fixedScore = false;        // "定分"
  bool masked = false;            // "屏蔽"

  bool isTitle() const { return groupNumber == "0"; }
  bool isMember() const { return !groupNumber.empty() && groupNumber != "0"; }
  // A row counts as one question when it is ungrouped or a group's title.
  bool countsAsOne() const { return groupName.empty() || groupNumber == "0"; }
  bool hasPicture() const { return !pictureMark.empty(); }
  bool hasAnswerPicture() const { return !answerPictureMark.empty(); }
  bool operator==(const Question&) const = default;
};

enum class PictureKind { Question, Answer };  // "题图数据" / "答图数据"

// Fields to change in one question; unset members stay as they are.
struct QuestionChanges {
  std::optional<std::string> knowledgePoints, groupName, groupNumber, text1, pictureMark, text2,
      answer, answerPictureMark, type;
  std::optional<int> difficulty, score;
  std::optional<bool> choice, fixedScore, masked;
  std::optional<recfile::Bytes> pictureData, answerPictureData;
};

// The result of an operation that failed: the engine's code and message.
struct DbError {
  int code = 0;
  std::string message;
};

// How a question's changes reach its record: field by field, or all of
// them in one record write, so a failure leaves none of them changed.
enum class WriteMode { FieldByField, WholeRecord };

class BankImportSource;

// A course's question bank, already open in the engine under `name` (the
// course name). Each call makes the bank current first, so other databases
// may be used in between.
class CourseBank {
 public:
  CourseBank(recfile::RecordFileEngine& engine, std::string name);

  const std::string& name() const { return name_; }

  // Every question in record order, deleted records left out.
  bool ReadAll(std::vector<Question>& out);
  std::optional<Question> Read(std::int64_t id);
  std::int64_t Count();

  recfile::Bytes ReadPicture(std::int64_t id, PictureKind kind);

  bool Update(std::int64_t id, const QuestionChanges& changes,
              WriteMode mode = WriteMode::FieldByField);
  // All or nothing: on a failure the questions already changed get their
  // old values back (written the same way).
  bool UpdateMany(const std::vector<std::pair<std::int64_t, QuestionChanges>>& changes,
                  WriteMode mode = WriteMode::FieldByField);

  // Appends a question (id ignored) with its pictures; returns the new id, or
  // 0 on failure.
  std::int64_t Append(const Question& q, const recfile::Bytes& picture = {},
                      const recfile::Bytes& answerPicture = {});

  // Marks the questions deleted and packs the bank, freeing their side-file
  // blocks.
  bool Remove(const std::vector<std::int64_t>& ids);
  // Marks one question deleted, leaving the packing to a later Pack (a
  // deleted question's record stays until then).
  bool Delete(std::int64_t id);
  bool Pack();

  // Closes the bank's file in the engine.
  void Close();

  // The bank file's full path ("" when the bank is not open).
  std::string FilePath();
  // Whether `path` (with or without extension) names this bank's file.
  bool IsFile(const std::string& path);

  // Appends the source's records for which `wanted(k)` holds (k its record
  // number), in record order, in one pass: fields matched by name and type,
  // pictures included. `ids` gets the new questions' ids in that order.
  bool CopyFrom(BankImportSource& source, const std::function<bool(std::int64_t)>& wanted,
                std::vector<std::int64_t>& ids);

  // First question in record order with this "题文1" whose id differs from
  // `exceptId`; nullopt when none.
  std::optional<Question> FindByText1(const std::string& text1, std::int64_t exceptId);

  const DbError& lastError() const { return error_; }

 private:
  recfile::RecordFileEngine& engine_;
  std::string name_;
  DbError error_;
};

// Another bank file read as questions of a course bank: opened read-only
// under an alias, its fields matched to the bank's by name (case aside)
// and a compatible type. Closed again when destroyed.
class BankImportSource {
 public:
  BankImportSource(recfile::RecordFileEngine& engine, std::string alias);
  ~BankImportSource();
  BankImportSource(const BankImportSource&) = delete;
  BankImportSource& operator=(const BankImportSource&) = delete;

  static bool IsPasswordProtected(recfile::RecordFileEngine& engine, const std::string& file);
  // Opens `path` (without extension) and matches its fields to `into`'s.
  bool Open(const std::string& path, const std::string& password, CourseBank& into);
  void Close();
  const std::string& alias() const { return alias_; }

  std::int64_t Count();
  // Record k (1 … Count) as a question of the bank, pictures left out; a
  // record marked deleted sets `deleted` only. False when it cannot be read.
  bool Read(std::int64_t k, Question& q, bool& deleted);
  // Whether the source has a field for "分组名".
  bool HasGroupName() const;

  const DbError& lastError() const { return error_; }

 private:
  recfile::RecordFileEngine& engine_;
  std::string alias_;
  bool open_ = false;
  std::vector<recfile::FieldDef> bankFields_;
  std::vector<int> match_;  // per bank field: the source field, 0 when none
  std::vector<recfile::Value> values_;
  DbError error_;
};

// ---- "课程库" ---------------------------------------------------------------
struct CourseRecord {
  std::string name;              // "课程名称"
  std::string passwordCipher;    // "课程密码": the cipher's raw bytes
  std::string difficultyNote;    // "难度说明"
  std::string typeOrder;         // "题型排序": names joined by ","
};

// The course library: record 1 the administrator, record k + 2 the course at
// list position k.
class CourseLibrary {
 public:
  explicit CourseLibrary(recfile::RecordFileEngine& engine, std::string name = "课程库");

  std::optional<CourseRecord> CourseAt(int position);
  bool SetDifficultyNote(int position, const std::string& note);
  bool SetTypeOrder(int position, const std::string& joinedNames);

  // Record 1: the administrator's name and password cipher.
  bool HasAdministrator();
  std::optional<CourseRecord> Administrator();
  // Whether `typed` is the administrator's password (also when an older
  // program stored its cipher cut short).
  bool AdministratorPasswordIs(const std::string& typed);
  bool AddAdministrator(const std::string& name, const std::string& password);
  bool RenameAdministrator(const std::string& name);
  bool SetAdministratorPassword(const std::string& password);

  // The course names in list order.
  bool CourseNames(std::vector<std::string>& out);
  // List position of the first course with this exact name.
  std::optional<int> FindCourse(const std::string& name);
  // Appends a course record without password; its list position (-1 while
  // the library has no administrator), nullopt on failure.
  std::optional<int> AddCourse(const std::string& name);
  // Removes the record at `position` when it still names `name`, then packs.
  bool RemoveCourse(int position, const std::string& name);
  bool RenameCourse(int position, const std::string& name);
  // Gives the open bank `bankPath` the access password `password` and stores
  // its cipher in the course record at `position` (empty for none). When the
  // record cannot be written the bank gets `oldPassword` back, so bank and
  // record never disagree. The library is current afterwards when it could
  // be written.
  bool SetCoursePassword(int position, const std::string& bankPath, const std::string& password,
                         const std::string& oldPassword);

  const DbError& lastError() const { return error_; }

 private:
  // Makes the library current and, unless `record` is 0, that record.
  bool Enter(std::int64_t record);

  recfile::RecordFileEngine& engine_;
  std::string name_;
  DbError error_;
};

// ---- "题型库" ---------------------------------------------------------------
struct QuestionType {
  std::int64_t id = 0;        // record id
  std::string name;           // "题型"
  std::string note;           // "说明"
  bool answerOnNewLine = false;  // "答案换行"
};

class TypeLibrary {
 public:
  explicit TypeLibrary(recfile::RecordFileEngine& engine, std::string name = "题型库");

  bool ReadAll(std::vector<QuestionType>& out);
  std::optional<QuestionType> FindByName(const std::string& name);
  bool SetAnswerOnNewLine(std::int64_t id, bool value);

  // ---- Editing the list of types -----------------------------------------
  // Appends a type (empty "说明", "答案换行" off) and keeps the library in
  // name order (GBK, stable): records are rewritten so that record i holds
  // the i-th name with its own description and flag. All or nothing: on a
  // failure the records written get their old values back.
  bool Add(const std::string& name);
  // Appends a type at the end, unsorted (empty "说明", "答案换行" off);
  // returns its record id, or 0 on failure.
  std::int64_t Append(const std::string& name);
  bool SetNote(std::int64_t id, const std::string& note);
  bool Rename(std::int64_t id, const std::string& name);
  // Deletes the type's record and packs the library.
  bool Remove(std::int64_t id);

  const DbError& lastError() const { return error_; }

 private:
  bool EditFailed();

  recfile::RecordFileEngine& engine_;
  std::string name_;
  DbError error_;
};

// Whether a course's questions use a question type. A bank that cannot be
// opened is `Unknown`; `opening` gets the result of opening the course
// library and the bank, for the caller to show.
struct DatabaseContext;
struct Result;
enum class TypeUse { Unused, Used, Unknown };
// Looks through the bank of the course at list position `position` (course
// record position + 2). A bank opened for the look is closed again; one
// that was open before stays open.
TypeUse CourseTypeUse(const DatabaseContext& ctx, int position, const std::string& type,
                      Result& opening);

// ---- "题型排列颜色库": one colour per type-order row position --------------
class ColourLibrary {
 public:
  explicit ColourLibrary(recfile::RecordFileEngine& engine, std::string name = "题型排列颜色库");

  bool ReadAll(std::vector<int>& colours);  // record 1.. in order
  // Appends white records until there are `count`, then stores the colour of
  // 1-based row position `position`.
  bool SetColour(int position, int rgb, int count);

  const DbError& lastError() const { return error_; }

 private:
  recfile::RecordFileEngine& engine_;
  std::string name_;
  DbError error_;
};

}  // namespace databases
