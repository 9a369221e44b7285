// The record-file engine: the process's table of open databases, one current
// database, and every operation the program performs on them. Operations
// never throw; they return their result and leave LastError().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace recfile {

class FileSystem;  // file_system.h: the I/O layer tests can replace
class RecordFile;  // record_file.h: one open database

enum class FieldType : int {
  Byte = 1,
  Short = 2,
  Integer = 3,
  Long = 4,
  Float = 5,
  Double = 6,
  Logical = 7,
  DateTime = 8,
  SubPtr = 9,
  Text = 10,
  ByteSet = 11,
  Memo = 12,
};
bool IsNumeric(FieldType t);  // codes 1..6

struct FieldDef {
  std::string name;  // UTF-8
  FieldType type = FieldType::Text;
  int width = 0;  // text fields only (1..1024 GBK bytes)
};

using Bytes = std::vector<std::uint8_t>;

// A date-time value: days since 1899-12-30, fraction = time of day.
struct Days {
  double value = 0;
  bool operator==(const Days&) const = default;
};

// One field value as passed to and from the engine. monostate = omitted
// (Append/Modify) or "no value" (a failed read of an unknown field).
// Integer kinds and subroutine pointers read as int64_t, float/double as
// double, logical as bool, date-time as Days, text and memo as UTF-8
// std::string, byte-set as Bytes.
using Value = std::variant<std::monostate, std::int64_t, double, bool, Days, std::string, Bytes>;

// A field named by its name (compared ignoring case) or its 1-based position.
class FieldRef {
 public:
  FieldRef(const char* name) : v_(std::string(name)) {}
  FieldRef(std::string name) : v_(std::move(name)) {}
  FieldRef(std::string_view name) : v_(std::string(name)) {}
  FieldRef(int position) : v_(position) {}
  bool isName() const { return std::holds_alternative<std::string>(v_); }
  const std::string& name() const { return std::get<std::string>(v_); }
  int position() const { return std::get<int>(v_); }

 private:
  std::variant<std::string, int> v_;
};

// Share modes of Open.
enum class ShareMode : int { None = 1, DenyRead = 2, DenyWrite = 3, DenyReadWrite = 4 };

// A caller's record predicate; while it runs, ReadField reads the record
// under test from the current database.
using Condition = std::function<bool()>;

// Error codes (the whole table is in errors.cpp; ErrorText gives messages).
namespace err {
inline constexpr int Unknown = -1, CreateFailed = -2, FileNotFound = -3, BadPath = -4,
                     TooManyFiles = -5, AccessDenied = -6, BadHandle = -7, SeekFailed = -10,
                     HardwareFault = -11, SharingViolation = -12, LockViolation = -13,
                     DiskFull = -14, EndOfFile = -15, NoFields = -16, BadFieldType = -17,
                     BadFieldName = -18, BadFieldWidth = -19, DuplicateField = -20,
                     OpenFailed = -21, NotADatabase = -22, VersionTooHigh = -23,
                     BeforeFirst = -25, AfterLast = -26, NotOpened = -27, LockFailed = -28,
                     UnlockFailed = -29, SideReadFailed = -35, SideVersionMismatch = -36,
                     SideDamaged = -37, AlreadyOpen = -38, FieldNotFound = -40,
                     ReadFieldFailed = -46, WriteFieldFailed = -47, BadFileSize = -48,
                     SideCreateFailed = -50, SideAccessFailed = -59, NoCurrentRecord = -60,
                     NoSuchField = -61, ReadRecordFailed = -62, WriteRecordFailed = -63,
                     CountFailed = -65, DatabaseNotOpen = -66, NoCurrentDatabase = -67,
                     TypeMismatch = -72, WrongPassword = -78, PasswordChangeFailed = -79,
                     BadPasswordText = -80;
inline constexpr int BadAlias = -24;
// The rest of the table: codes of the index files and of features this
// system does not use, named so that no caller writes a bare number.
inline constexpr int RemoveCurrentDirectory = -8, TooManyDirectories = -9, IndexOpenFailed = -30,
                     NotAnIndex = -31, IndexVersionMismatch = -32, IndexAlreadyOpen = -33,
                     TooManyIndexes = -34, TooManyIndexFields = -39, IndexCreateFailed = -41,
                     IndexFieldIsChain = -42, IndexFieldNotFound = -43, NoSuchRecord = -44,
                     AllocationFailed = -45, BadIndexFileSize = -49, IndexAddFailed = -51,
                     IndexAccessFailed = -52, IndexFieldSizeMismatch = -53,
                     IndexFieldTypeMismatch = -54, OutOfMemory = -55, IndexFieldTooWide = -56,
                     LastIndexEntry = -57, NoIndexEntry = -58, IndexChangeFailed = -64,
                     NoSuchIndex = -68, NoCurrentIndex = -69, BadFieldKind = -70,
                     NoFieldOrBadKind = -71, KeyCountMismatch = -73, NotExclusive = -74,
                     ExpressionFailed = -75, ExpressionTypeError = -76;
}  // namespace err

// The message of an error code; "未知错误" for codes not in the table.
std::string ErrorText(int code);

// The outcome of an operation: 0, or a negative code of the error table
// with its message (the table's, or the text of a usage error).
class Status {
 public:
  Status() = default;
  explicit Status(int code) : code_(code), message_(code != 0 ? ErrorText(code) : std::string()) {}
  Status(int code, std::string message) : code_(code), message_(std::move(message)) {}
  bool ok() const { return code_ == 0; }
  int code() const { return code_; }
  const std::string& message() const { return message_; }
  bool operator==(const Status&) const = default;

 private:
  int code_ = 0;
  std::string message_;
};

// The usage-error messages of ReadField/WriteField.
inline constexpr const char* kNoDatabaseMessage = "未指定当前数据库或者指定数据库未打开";
inline constexpr const char* kNoFieldMessage = "指定字段不存在";
inline constexpr const char* kFieldRefMessage =
    "只能使用字段名称(文本型)或位置索引值(数值型)来指定某个字段";

class RecordFileEngine {
 public:
  // fs = nullptr: the real file system.
  explicit RecordFileEngine(std::shared_ptr<FileSystem> fs = nullptr);
  ~RecordFileEngine();
  RecordFileEngine(const RecordFileEngine&) = delete;
  RecordFileEngine& operator=(const RecordFileEngine&) = delete;

  bool Create(const std::string& path, const std::vector<FieldDef>& fields);
  bool Open(const std::string& path, const std::string& alias = {}, bool readOnly = false,
            ShareMode share = ShareMode::None, const std::string& password = {});
  void Close(const std::string& nameAliasOrPath = {});
  void CloseAll();
  bool IsOpen(const std::string& path);
  bool SetCurrent(const std::string& nameAliasOrPath);

  std::int64_t RecordCount();
  int FieldCount();
  std::string FieldName(const FieldRef& field);
  // The current database's field definitions (empty without one).
  std::vector<FieldDef> Fields();

  bool GoTo(std::int64_t n);
  bool Skip(std::int64_t n = 1);
  bool GoToLast();
  std::int64_t RecordNumber();
  std::int64_t RecordId();
  bool GoToId(std::int64_t id);
  // True when the current record is marked deleted.
  bool IsDeleted();

  Value ReadField(const FieldRef& field, const std::string& database = {});
  // Typed conveniences over ReadField (empty/zero on failure or mismatch).
  std::string ReadText(const FieldRef& field, const std::string& database = {});
  std::int64_t ReadInt(const FieldRef& field, const std::string& database = {});
  double ReadDouble(const FieldRef& field, const std::string& database = {});
  bool ReadBool(const FieldRef& field, const std::string& database = {});
  Bytes ReadBytes(const FieldRef& field, const std::string& database = {});

  bool WriteField(const FieldRef& field, const Value& value, const std::string& database = {});

  bool Append(const std::vector<Value>& values = {});
  bool Modify(const std::vector<Value>& values);
  bool Delete(const Condition& condition = nullptr);
  bool Pack();
  bool Find(const Condition& condition);
  bool CopyRecords(const std::string& source, const Condition& condition = nullptr);
  bool IsPasswordProtected(const std::string& path);
  bool SetPassword(const std::string& newPassword);

  // The calling thread's last outcome with this engine (kept per thread;
  // the engine itself is meant for one thread at a time).
  const Status& LastStatus() const;
  // Its code: 0 or the failure's negative code.
  int LastError() const;
  // The usage-error message of the last ReadField/WriteField misuse, if any.
  const std::string& LastUsageError() const;

  // Name (file name without directory and extension), alias and full path of
  // the current database; empty without one.
  std::string CurrentName();
  std::string CurrentPath();

  // The main-file path the engine would use for `path` (extension added,
  // made absolute, an existing file found whatever the case of its extension).
  std::string ResolvePath(const std::string& path);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Lower-level helpers shared with tools and tests.
// PasswordDigest of a password given as UTF-8: 32 characters.
std::string PasswordDigest(const std::string& password);

}  // namespace recfile
