// The program's databases: the three fixed libraries every installation has
// and one question bank per course. Schemas, opening rules, course banks.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "recfile/record_file_engine.h"

namespace databases {

// ---- Database names (relative, without extension) -------------------------
inline constexpr const char* kCourseLibrary = "课程库";
inline constexpr const char* kQuestionTypeLibrary = "题型库";
inline constexpr const char* kTypeOrderColourLibrary = "题型排列颜色库";

// ---- "课程库": record 1 the administrator, record k + 2 the course at list
// position k.
inline constexpr const char* kCourseNameField = "课程名称";
inline constexpr const char* kCoursePasswordField = "课程密码";
inline constexpr const char* kDifficultyNoteField = "难度说明";
inline constexpr const char* kTypeOrderField = "题型排序";
inline constexpr int kCourseNameWidth = 20;
inline constexpr int kCoursePasswordWidth = 32;
inline constexpr int kDifficultyNoteWidth = 80;
inline constexpr int kTypeOrderWidth = 512;

// ---- "题型库" --------------------------------------------------------------
inline constexpr const char* kTypeNameField = "题型";
inline constexpr const char* kTypeNoteField = "说明";
inline constexpr const char* kAnswerOnNewLineField = "答案换行";
inline constexpr int kTypeNameWidth = 512;
inline constexpr int kTypeNoteWidth = 512;

// ---- "题型排列颜色库" ------------------------------------------------------
inline constexpr const char* kColourField = "颜色";
inline constexpr int kWhiteColour = 16777215;  // 0xFFFFFF, a new row's colour
inline constexpr int kGreyColour = 8421504;    // 0x808080, refused as a row colour

// ---- A course's question bank: fields by number ---------------------------
enum QuestionField : int {
  kKnowledgePoints = 1,     // "知识点"   text 512, several joined by "|"
  kGroupName = 2,           // "分组名"   text 512
  kGroupNumber = 3,         // "分组号"   text 2: "" single, "0" title, "1".."99" member
  kQuestionText1 = 4,       // "题文1"    memo
  kQuestionPicture = 5,     // "题图"     text 2: "√" or ""
  kQuestionText2 = 6,       // "题文2"    memo (text options, one per line)
  kAnswer = 7,              // "答案"     memo
  kAnswerPicture = 8,       // "答图"     text 2: "√" or ""
  kQuestionType = 9,        // "题型"     text 512
  kDifficulty = 10,         // "难度"     short
  kScore = 11,              // "分值"     short
  kChoice = 12,             // "选择"     logical
  kFixedScore = 13,         // "定分"     logical
  kMasked = 14,             // "屏蔽"     logical
  kQuestionPictureData = 15,  // "题图数据" byte-set: an image file
  kAnswerPictureData = 16,    // "答图数据" byte-set: an image file
};
inline constexpr int kQuestionFieldCount = 16;
// Field names in field order; kQuestionFieldNames[n - 1] is field n.
inline constexpr const char* kQuestionFieldNames[kQuestionFieldCount] = {
    "知识点", "分组名", "分组号", "题文1", "题图", "题文2", "答案", "答图",
    "题型",   "难度",   "分值",   "选择",  "定分", "屏蔽", "题图数据", "答图数据"};
inline constexpr const char* kPictureMark = "√";

// ---- Schemas --------------------------------------------------------------
const std::vector<recfile::FieldDef>& CourseLibraryFields();
const std::vector<recfile::FieldDef>& QuestionTypeLibraryFields();
const std::vector<recfile::FieldDef>& TypeOrderColourLibraryFields();
const std::vector<recfile::FieldDef>& QuestionBankFields();

// The rows a fresh "题型库" starts with, in order.
struct DefaultQuestionType {
  const char* name;
  bool answerOnNewLine;
};
inline constexpr DefaultQuestionType kDefaultQuestionTypes[] = {
    {"判断", false}, {"选择", false}, {"填空", false}, {"名词", true}, {"问答", true}};

// ---- Results --------------------------------------------------------------
// What an operation leaves for its caller to show: whether it succeeded, the
// text a person must read (empty when there is none; a success may carry one
// too) and whether the program cannot go on (a fixed library that cannot be
// created or opened). Captions, buttons and icons are the caller's; `kind`
// tells an error box from the usual information box. Deliberately no
// conversion to bool: a caller tests `ok` of a result it has shown.
enum class MessageKind { Information, Error };

struct [[nodiscard]] Result {
  bool ok = true;
  std::string message;
  MessageKind kind = MessageKind::Information;
  bool endProgram = false;

  static Result Success(std::string message = {}) {
    Result r;
    r.message = std::move(message);
    return r;
  }
  static Result Failure(std::string message = {}, MessageKind kind = MessageKind::Information) {
    Result r = Success(std::move(message));
    r.ok = false;
    r.kind = kind;
    return r;
  }
  // The program cannot work without its fixed libraries.
  static Result ProgramEnds(std::string message) {
    Result r = Failure(std::move(message));
    r.endProgram = true;
    return r;
  }
  static Result Of(bool ok) { return ok ? Success() : Failure(); }

  friend bool operator==(const Result&, const Result&) = default;
};

// ---- Operations -----------------------------------------------------------
// What every operation works with: the engine and the folder the databases
// live in (empty = the working directory).
struct DatabaseContext {
  recfile::RecordFileEngine& engine;
  std::string dataDir;

  // dir/name, without extension: what the engine is given.
  std::string PathOf(const std::string& name) const;
  // The engine's full main-file path for a database name.
  std::string FullPathOf(const std::string& name) const;
};

// The fixed libraries: made current (created and opened first when needed).
// A library that cannot be created or opened fails with its message and
// `endProgram`.
Result OpenCourseLibrary(const DatabaseContext& ctx);
Result OpenQuestionTypeLibrary(const DatabaseContext& ctx);
Result OpenTypeOrderColourLibrary(const DatabaseContext& ctx);

// Opens (or makes current) the bank of a course with the password stored
// in the course's record: the one at list position selectedPosition, or,
// without a position, the course-library record current at the call. With
// checkPassword a position is needed and typedPassword must be the stored
// password. Failures carry their message.
Result OpenCourseBank(const DatabaseContext& ctx, const std::string& courseName, bool checkPassword,
                      int selectedPosition = -1, const std::string& typedPassword = {});

// Why a course name cannot name a bank file, or empty when it can. Names that
// would not fit "课程名称", leave the data folder or overwrite a fixed library
// are refused.
std::string CourseNameProblem(const std::string& courseName);

// Whether a course of this name and password can be created: the name as
// above, the password as the cipher field takes it. A failure carries why.
// CreateCourseBank checks the same first; a window asking whether to replace
// an existing bank checks before it asks.
Result CheckNewCourse(const std::string& courseName, const std::string& password);

// What CreateCourseBank does with a bank file that already has the name.
enum class ExistingBank { Keep, Replace };

// Creates the bank of a new course and appends its course record, with the
// bank's access password and the stored password set when one is given.
// Succeeds when the course was added (with a message when its password could
// not be set); fails when the name or password is refused, when a bank file
// of that name exists and is to be kept (without a message), or when
// creation fails.
Result CreateCourseBank(const DatabaseContext& ctx, const std::string& courseName,
                        const std::string& password, ExistingBank existing = ExistingBank::Keep);

// Closes the course's bank, deletes its files and its course record (record
// selectedPosition + 2), then packs "课程库".
Result RemoveCourse(const DatabaseContext& ctx, const std::string& courseName, int selectedPosition);

// Drops the course records whose bank file is missing; record 1 stays.
Result PruneCourseLibrary(const DatabaseContext& ctx);

// Whether the bank file (".edb") of a course exists in the data folder.
bool CourseBankExists(const DatabaseContext& ctx, const std::string& courseName);

}  // namespace databases
