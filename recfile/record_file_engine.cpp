#include "recfile/record_file_engine.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "recfile/file_system.h"
#include "recfile/format.h"
#include "recfile/paths.h"
#include "recfile/record_file.h"
#include "text/text.h"

namespace recfile {

using namespace format;

bool IsNumeric(FieldType t) {
  const int c = static_cast<int>(t);
  return c >= 1 && c <= 6;
}

std::string PasswordDigest(const std::string& password) {
  return DigestOfPasswordBytes(text::ToGbk(password));
}

namespace {

// The last error is kept per thread and per engine; engines are told apart
// by a serial number so a new engine never sees an old one's state.
struct ThreadState {
  Status status;
  bool usage = false;  // the status is a usage error of ReadField/WriteField
};
std::atomic<std::uint64_t> nextEngineSerial{1};

std::unordered_map<std::uint64_t, ThreadState>& ThreadStates() {
  thread_local std::unordered_map<std::uint64_t, ThreadState> states;
  return states;
}
ThreadState& ThreadStateOf(std::uint64_t serial) { return ThreadStates()[serial]; }

bool IsChainType(FieldType t) { return t == FieldType::Memo || t == FieldType::ByteSet; }

Value EmptyValue(FieldType t) {
  switch (t) {
    case FieldType::Float:
    case FieldType::Double: return 0.0;
    case FieldType::Logical: return false;
    case FieldType::DateTime: return Days{};
    case FieldType::Text:
    case FieldType::Memo: return std::string();
    case FieldType::ByteSet: return Bytes{};
    default: return std::int64_t{0};
  }
}

// A real number cut toward zero and kept inside the 64-bit range.
std::int64_t ToInt64(double d) {
  if (std::isnan(d)) return 0;
  d = std::trunc(d);
  if (d >= 9.2233720368547758e18) return INT64_MAX;
  if (d <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<std::int64_t>(d);
}

// The numeric value of a numeric field.
std::variant<std::int64_t, double> ReadNumber(const Field& f, const std::uint8_t* p) {
  switch (f.type) {
    case FieldType::Byte: return std::int64_t{p[0]};
    case FieldType::Short: return std::int64_t{static_cast<std::int16_t>(p[0] | p[1] << 8)};
    case FieldType::Integer: return std::int64_t{GetI32(p)};
    case FieldType::Long: return static_cast<std::int64_t>(GetU64(p));
    case FieldType::Float: return double{GetF32(p)};
    default: return GetF64(p);
  }
}

void WriteNumber(const Field& f, std::uint8_t* p, std::variant<std::int64_t, double> v) {
  const bool isInt = std::holds_alternative<std::int64_t>(v);
  const std::int64_t i = isInt ? std::get<std::int64_t>(v) : ToInt64(std::get<double>(v));
  const double d = isInt ? static_cast<double>(std::get<std::int64_t>(v)) : std::get<double>(v);
  switch (f.type) {
    case FieldType::Byte: p[0] = static_cast<std::uint8_t>(i); break;
    case FieldType::Short: {
      const auto s = static_cast<std::uint16_t>(i);
      p[0] = static_cast<std::uint8_t>(s);
      p[1] = static_cast<std::uint8_t>(s >> 8);
      break;
    }
    case FieldType::Integer: PutU32(p, static_cast<std::uint32_t>(i)); break;
    case FieldType::Long: PutU64(p, static_cast<std::uint64_t>(i)); break;
    case FieldType::Float: PutF32(p, static_cast<float>(d)); break;
    default: PutF64(p, d); break;
  }
}

// Text bytes of a field: up to the first zero.
std::string_view FieldText(const std::uint8_t* p, int width) {
  const auto* end = std::find(p, p + width, 0);
  return {reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)};
}

void PutText(std::uint8_t* p, int width, std::string_view gbk) {
  const std::string cut = text::CutGbkBytes(gbk, static_cast<std::size_t>(width));
  std::memset(p, 0, static_cast<std::size_t>(width));
  std::memcpy(p, cut.data(), cut.size());
}

// Encodes `v` into the field's bytes of `record`; memo and byte-set values
// go to `chainData` instead. err::TypeMismatch when the kinds differ.
int EncodeField(const Field& f, const Value& v, std::uint8_t* record, Bytes* chainData) {
  std::uint8_t* p = record + f.offset;
  if (IsNumeric(f.type)) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) WriteNumber(f, p, *i);
    else if (const auto* d = std::get_if<double>(&v)) WriteNumber(f, p, *d);
    else return err::TypeMismatch;
    return 0;
  }
  switch (f.type) {
    case FieldType::Logical:
      if (!std::holds_alternative<bool>(v)) return err::TypeMismatch;
      p[0] = std::get<bool>(v) ? 1 : 0;
      return 0;
    case FieldType::DateTime:
      if (!std::holds_alternative<Days>(v)) return err::TypeMismatch;
      PutF64(p, std::get<Days>(v).value);
      return 0;
    case FieldType::SubPtr:
      if (!std::holds_alternative<std::int64_t>(v)) return err::TypeMismatch;
      PutU32(p, static_cast<std::uint32_t>(std::get<std::int64_t>(v)));
      return 0;
    case FieldType::Text:
      if (!std::holds_alternative<std::string>(v)) return err::TypeMismatch;
      PutText(p, f.width, text::ToGbk(std::get<std::string>(v)));
      return 0;
    case FieldType::Memo: {
      if (!std::holds_alternative<std::string>(v)) return err::TypeMismatch;
      const std::string gbk = text::ToGbk(std::get<std::string>(v));
      chainData->assign(gbk.begin(), gbk.end());
      return 0;
    }
    case FieldType::ByteSet:
      if (!std::holds_alternative<Bytes>(v)) return err::TypeMismatch;
      *chainData = std::get<Bytes>(v);
      return 0;
    default: return err::TypeMismatch;
  }
}

bool IsLockError(int e) { return e == err::LockViolation || e == err::SharingViolation; }
// A side-file failure as the record operations report it.
int SideFailure(int e) { return IsLockError(e) ? e : err::SideAccessFailed; }

}  // namespace

struct RecordFileEngine::Impl {
  std::shared_ptr<FileSystem> fs;
  std::uint64_t serial = nextEngineSerial.fetch_add(1);
  std::vector<std::shared_ptr<RecordFile>> table;  // in the order of opening
  std::shared_ptr<RecordFile> current;

  // The calling thread's state, found once per thread (map elements keep
  // their place).
  ThreadState* stateOfThread = nullptr;
  std::thread::id stateThread;
  ThreadState& state() {
    const std::thread::id self = std::this_thread::get_id();
    if (!stateOfThread || stateThread != self) {
      stateOfThread = &ThreadStateOf(serial);
      stateThread = self;
    }
    return *stateOfThread;
  }
  void begin() {
    ThreadState& s = state();
    if (!s.status.ok()) s.status = Status();
    s.usage = false;
  }
  bool fail(int code) {
    ThreadState& s = state();
    s.status = Status(code);
    s.usage = false;
    return false;
  }
  bool usageError(int code, const char* message) {
    ThreadState& s = state();
    s.status = Status(code, message);
    s.usage = true;
    return false;
  }

  std::string resolve(const std::string& path) {
    return paths::FindExtensionVariant(*fs, fs->Absolute(paths::WithDefaultExtension(path)));
  }

  // The open database whose main file is `resolved` (same path or same file).
  std::shared_ptr<RecordFile> findOpenFile(const std::string& resolved) {
    const auto id = fs->Identity(resolved);
    for (const auto& rf : table) {
      if (rf->path == resolved) return rf;
      if (id && rf->mainFile && rf->mainFile->Identity() == *id) return rf;
    }
    return nullptr;
  }

  std::shared_ptr<RecordFile> lookup(const std::string& key) {
    if (key.empty()) return nullptr;
    for (auto it = table.rbegin(); it != table.rend(); ++it)
      if (!(*it)->alias.empty() && text::EqualsIgnoreCase((*it)->alias, key)) return *it;
    for (const auto& rf : table)
      if (text::EqualsIgnoreCase(rf->name, key)) return rf;
    for (const auto& rf : table)
      if (text::EqualsIgnoreCase(rf->path, key)) return rf;
    return findOpenFile(resolve(key));
  }

  // The current database, or nullptr with the error set.
  RecordFile* need() {
    if (!current) {
      fail(err::NoCurrentDatabase);
      return nullptr;
    }
    if (current->closed) {
      fail(err::NotOpened);
      return nullptr;
    }
    return current.get();
  }

  RecordFile* needWritable() {
    RecordFile* rf = need();
    if (rf && rf->readOnly) {
      fail(err::AccessDenied);
      return nullptr;
    }
    return rf;
  }

  // The database a ReadField/WriteField names (current when empty).
  RecordFile* target(const std::string& database) {
    RecordFile* rf = database.empty() ? current.get() : lookup(database).get();
    if (!rf) {
      usageError(err::DatabaseNotOpen, kNoDatabaseMessage);
      return nullptr;
    }
    if (rf->closed) {
      fail(err::NotOpened);
      return nullptr;
    }
    return rf;
  }

  static int fieldIndex(const RecordFile& rf, const FieldRef& ref) {
    if (ref.isName()) {
      for (std::size_t i = 0; i < rf.fields.size(); ++i)
        if (text::EqualsIgnoreCase(rf.fields[i].name, ref.name())) return static_cast<int>(i);
      return -1;
    }
    const int p = ref.position();
    return p >= 1 && p <= static_cast<int>(rf.fields.size()) ? p - 1 : -1;
  }

  // 0 when the current position holds a record; else `beyondCode` past the
  // end or NoCurrentRecord before the first. Another process may have
  // appended or packed: the count is read again past its copy, and always
  // before a write (a record written past the end would lengthen the file).
  static int checkCurrent(RecordFile& rf, int beyondCode, bool forWriting = false) {
    if (rf.position < 0) return err::NoCurrentRecord;
    if (!forWriting && rf.position < rf.header.count) return 0;
    if (int e = rf.ReadCount(false)) return e;
    return rf.position < rf.header.count ? 0 : beyondCode;
  }

  // Makes sure the current record's bytes are at hand.
  int loadCurrent(RecordFile& rf) {
    if (rf.cachedRecord && rf.cachedPosition == rf.position) return 0;
    if (!rf.WindowHolds(rf.position)) {
      const std::int64_t count = rf.header.count;
      int e = rf.FillWindow(rf.position, count);
      if (e == err::ReadRecordFailed && rf.ReadCount(false) == 0 && rf.header.count < count) {
        // Cut short by another process's pack: past the end now, or a
        // shorter run.
        if (rf.position >= rf.header.count) return err::SeekFailed;
        e = rf.FillWindow(rf.position, rf.header.count);
      }
      if (e) return e;
    }
    RecordFile::RecordWindow& w = rf.window;
    rf.HoldRecord(&w.records[static_cast<std::size_t>(rf.position - w.first) * rf.recordLength],
                  rf.position);
    return 0;
  }

  // Reads the record at the current position again, under its lock.
  int reloadCurrent(RecordFile& rf) {
    rf.ForgetRecord();
    return loadCurrent(rf);
  }

  // A memo or byte-set value of the held record. The record's other such
  // values come along when their blocks lie among the ones read for it.
  static int readChain(RecordFile& rf, const Field& f, const std::uint8_t* record, Bytes& out) {
    out.clear();
    const std::uint32_t first = GetU32(record + f.offset);
    if (first == 0) return 0;
    const auto index = static_cast<int>(&f - rf.fields.data());
    // Read with the run of records the held one came in.
    if (rf.WindowHolds(rf.cachedPosition) &&
        record == &rf.window.records[static_cast<std::size_t>(rf.cachedPosition - rf.window.first) *
                                     rf.recordLength]) {
      const auto& fieldsOf = rf.window.chainFields;
      const auto j = static_cast<std::size_t>(std::find(fieldsOf.begin(), fieldsOf.end(), index) - fieldsOf.begin());
      auto& value = rf.window.values[static_cast<std::size_t>(rf.cachedPosition - rf.window.first) *
                                         fieldsOf.size() + j];
      if (value.read && value.first == first) {
        out = std::move(value.data);
        value.read = false;  // handed out; asked again, it is read again
        return 0;
      }
    }
    auto& ahead = rf.readAhead;
    std::erase_if(ahead, [&](const RecordFile::ReadAhead& a) {
      return a.recordSerial != rf.recordSerial || a.sideWrites != rf.sideWrites;
    });
    for (auto it = ahead.begin(); it != ahead.end(); ++it) {
      if (it->field != index) continue;
      const bool same = it->first == first;
      if (same) out = std::move(it->data);
      ahead.erase(it);
      if (same) return 0;
      break;
    }
    std::vector<ChainRead> chains(1);
    std::vector<int> fieldOf{index};
    chains[0].first = first;
    for (std::size_t j = 0; j < rf.fields.size(); ++j) {
      const Field& g = rf.fields[j];
      if (static_cast<int>(j) == index || !IsChainType(g.type) || GetU32(record + g.offset) == 0)
        continue;
      if (std::any_of(ahead.begin(), ahead.end(), [&](const auto& a) { return a.field == int(j); }))
        continue;
      ChainRead other;
      other.first = GetU32(record + g.offset);
      other.wanted = false;
      chains.push_back(std::move(other));
      fieldOf.push_back(static_cast<int>(j));
    }
    if (int e = rf.side().ReadChains(chains)) return e;
    out = std::move(chains[0].data);
    for (std::size_t k = 1; k < chains.size(); ++k)
      if (chains[k].done)
        ahead.push_back({fieldOf[k], chains[k].first, rf.recordSerial, rf.sideWrites,
                         std::move(chains[k].data)});
    return 0;
  }

  Value decode(RecordFile& rf, const Field& f, const std::uint8_t* record, int& error) {
    const std::uint8_t* p = record + f.offset;
    if (IsNumeric(f.type)) {
      auto n = ReadNumber(f, p);
      if (auto* i = std::get_if<std::int64_t>(&n)) return *i;
      return std::get<double>(n);
    }
    switch (f.type) {
      case FieldType::Logical: return p[0] != 0;
      case FieldType::DateTime: return Days{text::ClampDays(GetF64(p))};
      case FieldType::SubPtr: return std::int64_t{GetU32(p)};
      case FieldType::Text: return text::ToUtf8(FieldText(p, f.width));
      case FieldType::Memo:
      case FieldType::ByteSet: {
        Bytes bytes;
        if (const int e = readChain(rf, f, record, bytes)) {
          // Another holder's lock is told as such, like every record lock.
          error = IsLockError(e) ? e : err::ReadFieldFailed;
          return EmptyValue(f.type);
        }
        if (f.type == FieldType::ByteSet) return bytes;
        const auto end = std::find(bytes.begin(), bytes.end(), 0);
        return text::ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::size_t>(end - bytes.begin())));
      }
      default: return EmptyValue(f.type);
    }
  }
};

RecordFileEngine::RecordFileEngine(std::shared_ptr<FileSystem> fs) : impl_(std::make_unique<Impl>()) {
  impl_->fs = fs ? std::move(fs) : FileSystem::Real();
}

RecordFileEngine::~RecordFileEngine() {
  CloseAll();
  ThreadStates().erase(impl_->serial);
}

bool RecordFileEngine::Create(const std::string& path, const std::vector<FieldDef>& fields) {
  Impl& m = *impl_;
  m.begin();
  std::vector<Descriptor> descriptors;
  std::uint64_t length = kRecordIdSize;
  for (const FieldDef& f : fields) {
    if (f.name.empty()) break;
    if (!IsValidName(f.name) || text::GbkLength(f.name) > kMaxNameBytes)
      return m.fail(err::BadFieldName);
    const int code = static_cast<int>(f.type);
    if (code < 1 || code > 12) return m.fail(err::BadFieldType);
    if (f.type == FieldType::Text && (f.width < 1 || f.width > kMaxTextWidth))
      return m.fail(err::BadFieldWidth);
    for (const Descriptor& d : descriptors)
      if (text::EqualsIgnoreCase(text::ToUtf8(d.gbkName), f.name)) return m.fail(err::DuplicateField);
    Descriptor d;
    d.gbkName = text::ToGbk(f.name);
    d.type = code;
    d.offset = static_cast<std::int32_t>(length);
    d.width = f.type == FieldType::Text ? f.width : 0;
    length += static_cast<std::uint64_t>(StoredWidth(f.type, f.width));
    if (length > INT32_MAX) return m.fail(err::BadFieldWidth);
    descriptors.push_back(d);
  }
  if (descriptors.empty()) return m.fail(err::NoFields);
  const std::string resolved = m.resolve(path);
  // Replacing a file this engine has open would pull it from under its entry.
  if (m.findOpenFile(resolved)) return m.fail(err::AlreadyOpen);
  const std::string side = paths::FindExtensionVariant(*m.fs, paths::SideFileName(resolved));
  if (int e = RecordFile::Create(*m.fs, resolved, side, descriptors,
                                 static_cast<std::uint32_t>(length)))
    return m.fail(e);
  return true;
}

bool RecordFileEngine::Open(const std::string& path, const std::string& alias, bool readOnly,
                            ShareMode share, const std::string& password) {
  Impl& m = *impl_;
  m.begin();
  if (!alias.empty() && !IsValidName(alias)) return m.fail(err::BadAlias);
  const int shareCode = static_cast<int>(share);
  if (shareCode < 1 || shareCode > 4) share = ShareMode::None;
  OpenRequest request;
  request.path = m.resolve(path);
  if (m.findOpenFile(request.path)) return m.fail(err::AlreadyOpen);
  request.sidePath = paths::FindExtensionVariant(*m.fs, paths::SideFileName(request.path));
  request.journalPath = paths::JournalFileName(request.path);
  request.gbkPassword = text::ToGbk(password);
  request.readOnly = readOnly;
  request.share = share;
  std::unique_ptr<RecordFile> rf;
  if (int e = RecordFile::Open(*m.fs, request, rf)) return m.fail(e);
  rf->name = paths::Stem(rf->path);
  rf->alias = alias;
  m.table.push_back(std::shared_ptr<RecordFile>(std::move(rf)));
  m.current = m.table.back();
  return true;
}

void RecordFileEngine::Close(const std::string& nameAliasOrPath) {
  Impl& m = *impl_;
  m.begin();
  std::shared_ptr<RecordFile> rf = nameAliasOrPath.empty() ? m.current : m.lookup(nameAliasOrPath);
  if (!rf) return;
  std::erase(m.table, rf);
  if (m.current == rf) m.current.reset();
  rf->Close();
}

void RecordFileEngine::CloseAll() {
  Impl& m = *impl_;
  m.begin();
  for (auto& rf : m.table) rf->Close();
  m.table.clear();
  m.current.reset();
}

bool RecordFileEngine::IsOpen(const std::string& path) {
  Impl& m = *impl_;
  m.begin();
  return m.findOpenFile(m.resolve(path)) != nullptr;
}

bool RecordFileEngine::SetCurrent(const std::string& nameAliasOrPath) {
  Impl& m = *impl_;
  m.begin();
  auto rf = m.lookup(nameAliasOrPath);
  if (!rf) return m.fail(err::DatabaseNotOpen);
  m.current = rf;
  return true;
}

std::int64_t RecordFileEngine::RecordCount() {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf) return 0;
  if (int e = rf->ReadCount()) return m.fail(e), 0;
  return rf->header.count;
}

int RecordFileEngine::FieldCount() {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  return rf ? static_cast<int>(rf->fields.size()) : 0;
}

std::string RecordFileEngine::FieldName(const FieldRef& field) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf) return {};
  const int i = Impl::fieldIndex(*rf, field);
  if (i < 0) return m.fail(err::NoSuchField), std::string();
  return rf->fields[static_cast<std::size_t>(i)].name;
}

std::vector<FieldDef> RecordFileEngine::Fields() {
  Impl& m = *impl_;
  m.begin();
  std::vector<FieldDef> defs;
  if (RecordFile* rf = m.need())
    for (const Field& f : rf->fields) defs.push_back({f.name, f.type, f.textWidth});
  return defs;
}

bool RecordFileEngine::GoTo(std::int64_t n) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf) return false;
  // Another process may have appended or packed since the count was read.
  if (int e = rf->ReadCount(false)) return m.fail(e);
  const std::int64_t count = rf->header.count;
  rf->position = n < 1 ? 0 : std::min(n - 1, std::max<std::int64_t>(count - 1, 0));
  rf->ForgetRecord();
  return true;
}

bool RecordFileEngine::Skip(std::int64_t n) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf || n == 0) return rf != nullptr;
  // Within a run just read the count read with it holds.
  std::int64_t count = 0;
  if (rf->WindowHolds(rf->position, rf->position + n)) {
    count = rf->window.fileCount;
  } else {
    if (int e = rf->ReadCount(false)) return m.fail(e);
    count = rf->header.count;
  }
  const std::int64_t at = rf->position;
  if (n > 0) {
    if (count == 0 || at >= count) return m.fail(err::AfterLast);
    rf->position = n >= count - at ? count : at + n;
  } else {
    if (count == 0 || at < 0) return m.fail(err::BeforeFirst);
    rf->position = n <= -1 - at ? -1 : at + n;
  }
  rf->ForgetRecord();
  return true;
}

bool RecordFileEngine::GoToLast() {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf) return false;
  if (int e = rf->ReadCount()) return m.fail(e);
  rf->position = std::max<std::int64_t>(rf->header.count - 1, 0);
  rf->ForgetRecord();
  return true;
}

std::int64_t RecordFileEngine::RecordNumber() {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  return rf ? rf->position + 1 : 0;
}

std::int64_t RecordFileEngine::RecordId() {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf) return 0;
  if (int e = Impl::checkCurrent(*rf, err::SeekFailed)) return m.fail(e), 0;
  if (int e = m.loadCurrent(*rf)) return m.fail(e), 0;
  return std::abs(std::int64_t{GetI32(rf->cachedRecord)});
}

bool RecordFileEngine::IsDeleted() {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf) return false;
  if (int e = Impl::checkCurrent(*rf, err::SeekFailed)) return m.fail(e);
  if (int e = m.loadCurrent(*rf)) return m.fail(e);
  return GetI32(rf->cachedRecord) < 0;
}

bool RecordFileEngine::GoToId(std::int64_t id) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf || id <= 0) return false;
  if (int e = rf->ReadCount()) return m.fail(e);
  const std::int64_t count = rf->header.count;

  // The id read from the file itself, under the record's lock.
  auto idAt = [&](std::int64_t r, std::int64_t& out) -> int {
    std::uint8_t bytes[kRecordIdSize];
    ScopedLock lock;
    if (int e = lock.LockByte(rf->mainLocks, rf->RecordOffset(r))) return e;
    if (int e = rf->mainIo().ReadExact(rf->RecordOffset(r), bytes, kRecordIdSize,
                                       err::ReadRecordFailed))
      return e;
    out = std::abs(std::int64_t{GetI32(bytes)});
    return lock.Release();
  };
  auto found = [&](std::int64_t r) {
    rf->position = r;
    rf->ForgetRecord();
    return true;
  };

  // First the ids kept in memory; a hit is checked against the file.
  auto& hint = rf->idHint;
  if (static_cast<std::int64_t>(hint.size()) > count) hint.clear();
  if (static_cast<std::int64_t>(hint.size()) < count && rf->ExtendIdHint(count) != 0) hint.clear();
  if (static_cast<std::int64_t>(hint.size()) == count) {
    const auto it = std::lower_bound(hint.begin(), hint.end(), id);
    if (it != hint.end() && *it == id) {
      const std::int64_t r = it - hint.begin();
      std::int64_t actual = 0;
      if (int e = idAt(r, actual)) return m.fail(e);
      if (actual == id) return found(r);
      hint.clear();  // changed by someone else: read again next time
    }
  }

  // The file decides.
  std::int64_t lo = 0, hi = count - 1;
  while (lo <= hi) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    std::int64_t actual = 0;
    if (int e = idAt(mid, actual)) return m.fail(e);
    if (actual == id) return found(mid);
    if (actual < id) lo = mid + 1;
    else hi = mid - 1;
  }
  return false;
}

Value RecordFileEngine::ReadField(const FieldRef& field, const std::string& database) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.target(database);
  if (!rf) return {};
  const int i = Impl::fieldIndex(*rf, field);
  if (i < 0) return m.usageError(err::NoSuchField, kNoFieldMessage), Value{};
  const Field& f = rf->fields[static_cast<std::size_t>(i)];
  if (int e = Impl::checkCurrent(*rf, err::SeekFailed)) return m.fail(e), EmptyValue(f.type);
  if (int e = m.loadCurrent(*rf)) return m.fail(e), EmptyValue(f.type);
  int error = 0;
  Value v = m.decode(*rf, f, rf->cachedRecord, error);
  if (error) m.fail(error);
  return v;
}

std::string RecordFileEngine::ReadText(const FieldRef& field, const std::string& database) {
  Value v = ReadField(field, database);
  if (auto* s = std::get_if<std::string>(&v)) return std::move(*s);
  return {};
}

std::int64_t RecordFileEngine::ReadInt(const FieldRef& field, const std::string& database) {
  const Value v = ReadField(field, database);
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return ToInt64(*d);
  return 0;
}

double RecordFileEngine::ReadDouble(const FieldRef& field, const std::string& database) {
  const Value v = ReadField(field, database);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (const auto* t = std::get_if<Days>(&v)) return t->value;
  return 0;
}

bool RecordFileEngine::ReadBool(const FieldRef& field, const std::string& database) {
  const Value v = ReadField(field, database);
  const auto* b = std::get_if<bool>(&v);
  return b && *b;
}

Bytes RecordFileEngine::ReadBytes(const FieldRef& field, const std::string& database) {
  Value v = ReadField(field, database);
  if (auto* b = std::get_if<Bytes>(&v)) return std::move(*b);
  return {};
}

bool RecordFileEngine::WriteField(const FieldRef& field, const Value& value,
                                  const std::string& database) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.target(database);
  if (!rf) return false;
  const int i = Impl::fieldIndex(*rf, field);
  if (i < 0) return m.usageError(err::NoSuchField, kNoFieldMessage);
  if (rf->readOnly) return m.fail(err::AccessDenied);
  const Field& f = rf->fields[static_cast<std::size_t>(i)];
  Transaction txn(*rf);
  if (int e = txn.Begin(IsChainType(f.type)))
    return m.fail(IsLockError(e) || !IsChainType(f.type) ? e : err::WriteFieldFailed);
  if (int e = Impl::checkCurrent(*rf, err::NoCurrentRecord, true)) return m.fail(e);
  std::vector<std::uint8_t> record(rf->recordLength, 0);
  Bytes chainData;
  if (int e = EncodeField(f, value, record.data(), &chainData)) return m.fail(e);

  ScopedLock lock;
  if (int e = lock.LockByte(rf->mainLocks, rf->RecordOffset(rf->position))) return m.fail(e);
  if (IsChainType(f.type)) {
    if (int e = m.reloadCurrent(*rf)) return m.fail(e);
    if (int e = rf->journal.Keep(Journal::kMain, rf->RecordOffset(rf->position) + static_cast<std::uint64_t>(f.offset),
                                 static_cast<std::uint64_t>(f.width)))
      return m.fail(IsLockError(e) ? e : err::WriteFieldFailed);
    const std::uint32_t old = GetU32(rf->cachedRecord + f.offset);
    std::uint32_t first = 0;
    if (const int e = rf->side().WriteValue(old, chainData.data(), chainData.size(), first))
      return m.fail(IsLockError(e) ? e : err::WriteFieldFailed);
    PutU32(record.data() + f.offset, first);
  }
  if (int e = rf->WriteRecord(rf->position, static_cast<std::size_t>(f.offset),
                              record.data() + f.offset, static_cast<std::size_t>(f.width)))
    return m.fail(e);
  if (int e = lock.Release()) return m.fail(e);
  if (int e = txn.Commit()) return m.fail(e);
  return true;
}

bool RecordFileEngine::Append(const std::vector<Value>& values) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.needWritable();
  if (!rf) return false;
  if (values.size() > rf->fields.size()) return m.fail(err::NoSuchField);
  std::vector<std::uint8_t> record(rf->recordLength, 0);
  std::vector<Bytes> chains(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (std::holds_alternative<std::monostate>(values[i])) continue;
    if (int e = EncodeField(rf->fields[i], values[i], record.data(), &chains[i])) return m.fail(e);
  }

  // A record without memo or byte-set values is one write past the end and
  // one of the count: it needs no journal.
  Transaction txn(*rf);
  const bool chained = std::any_of(chains.begin(), chains.end(), [](const Bytes& c) { return !c.empty(); });
  if (int e = txn.Begin(chained)) return m.fail(e);
  ScopedLock countLock;
  if (int e = rf->LockCount(countLock)) return m.fail(e);
  if (int e = rf->ReadCount()) return m.fail(e);
  const std::int32_t n = rf->header.count;
  const std::int32_t id = std::max(rf->header.nextId, 1);
  if (n == INT32_MAX || id == INT32_MAX) return m.fail(err::WriteRecordFailed);
  // The count's old bytes are saved with the side file's: one sync of the
  // journal before the first write.
  if (int e = rf->journal.Keep(Journal::kMain, kOffCount, 8)) return m.fail(e);
  ScopedLock recordLock;
  if (int e = recordLock.LockByte(rf->mainLocks, rf->RecordOffset(n))) return m.fail(e);

  std::vector<ChainWrite> writes;
  std::vector<std::size_t> writeField;
  for (std::size_t i = 0; i < chains.size(); ++i) {
    if (chains[i].empty()) continue;
    writes.push_back({0, chains[i].data(), chains[i].size(), 0});
    writeField.push_back(i);
  }
  if (!writes.empty()) {
    if (int e = rf->side().WriteValues(writes)) return m.fail(SideFailure(e));
    for (std::size_t w = 0; w < writes.size(); ++w)
      PutU32(record.data() + rf->fields[writeField[w]].offset, writes[w].newFirst);
  }
  PutI32(record.data(), id);
  if (int e = rf->WriteRecord(n, 0, record.data(), record.size())) return m.fail(e);
  if (int e = rf->WriteCount(n + 1, id + 1)) return m.fail(e);
  rf->position = n;
  if (static_cast<std::int64_t>(rf->idHint.size()) == n) rf->idHint.push_back(id);
  std::copy(record.begin(), record.end(), rf->recordBuffer.begin());
  rf->HoldRecord(rf->recordBuffer.data(), n);
  if (int r = recordLock.Release()) return m.fail(r);
  if (int r = countLock.Release()) return m.fail(r);
  if (int r = txn.Commit()) return m.fail(r);
  return true;
}

bool RecordFileEngine::Modify(const std::vector<Value>& values) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.needWritable();
  if (!rf) return false;
  if (values.size() > rf->fields.size()) return m.fail(err::NoSuchField);
  bool chained = false;
  for (std::size_t i = 0; i < values.size(); ++i)
    chained |= IsChainType(rf->fields[i].type) && !std::holds_alternative<std::monostate>(values[i]);
  Transaction txn(*rf);
  if (int e = txn.Begin(chained)) return m.fail(e);
  if (int e = Impl::checkCurrent(*rf, err::NoCurrentRecord, true)) return m.fail(e);
  ScopedLock lock;
  if (int e = lock.LockByte(rf->mainLocks, rf->RecordOffset(rf->position))) return m.fail(e);
  if (int e = m.reloadCurrent(*rf)) return m.fail(e);
  if (int e = rf->journal.Keep(Journal::kMain, rf->RecordOffset(rf->position), rf->recordLength))
    return m.fail(e);
  std::vector<std::uint8_t> record(rf->cachedRecord, rf->cachedRecord + rf->recordLength);
  std::vector<Bytes> chains(values.size());
  std::vector<bool> chainGiven(values.size(), false);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (std::holds_alternative<std::monostate>(values[i])) continue;
    if (int e = EncodeField(rf->fields[i], values[i], record.data(), &chains[i])) return m.fail(e);
    chainGiven[i] = IsChainType(rf->fields[i].type);
  }
  std::vector<ChainWrite> writes;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (chainGiven[i])
      writes.push_back({GetU32(record.data() + rf->fields[i].offset), chains[i].data(),
                        chains[i].size(), 0});
  if (!writes.empty()) {
    if (int e = rf->side().WriteValues(writes)) return m.fail(SideFailure(e));
    for (std::size_t i = 0, w = 0; i < values.size(); ++i)
      if (chainGiven[i]) PutU32(record.data() + rf->fields[i].offset, writes[w++].newFirst);
  }
  if (int e = rf->WriteRecord(rf->position, 0, record.data(), record.size())) return m.fail(e);
  if (int e = lock.Release()) return m.fail(e);
  if (int e = txn.Commit()) return m.fail(e);
  return true;
}

namespace {

// Puts a database's current record back when a scan ends, however it ends.
class PositionKeeper {
 public:
  explicit PositionKeeper(RecordFile& rf) : rf_(rf), position_(rf.position) {}
  ~PositionKeeper() {
    rf_.position = position_;
    rf_.ForgetRecord();
  }
  void keep(std::int64_t position) { position_ = position; }

 private:
  RecordFile& rf_;
  std::int64_t position_;
};

}  // namespace

bool RecordFileEngine::Delete(const Condition& condition) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.needWritable();
  if (!rf) return false;
  // One id written alone needs no journal; a scan's many do.
  auto keep = m.current;  // a Close inside the condition must not free it
  Transaction txn(*rf);
  if (int e = txn.Begin(condition != nullptr)) return m.fail(e);
  if (!condition) {
    if (int e = Impl::checkCurrent(*rf, err::NoCurrentRecord, true)) return m.fail(e);
    ScopedLock lock;
    if (int e = lock.LockByte(rf->mainLocks, rf->RecordOffset(rf->position))) return m.fail(e);
    if (int e = m.reloadCurrent(*rf)) return m.fail(e);
    const std::int32_t id = GetI32(rf->cachedRecord);
    if (id > 0) {
      std::uint8_t bytes[kRecordIdSize];
      PutI32(bytes, -id);
      if (int e = rf->WriteRecord(rf->position, 0, bytes, kRecordIdSize)) return m.fail(e);
    }
    if (int e = lock.Release()) return m.fail(e);
    if (int e = txn.Commit()) return m.fail(e);
    return true;
  }

  ScopedLock mainLock, sideLock;
  if (int e = rf->LockAll(mainLock, sideLock)) return m.fail(e);
  if (int e = rf->ReadCount()) return m.fail(e);
  std::vector<std::uint8_t> buffer;
  // The marks are written after the scan, once every block that gets one
  // is in the journal: one sync of it rather than one per block.
  std::vector<std::pair<std::int64_t, std::int32_t>> marks;  // record, its id
  {
    PositionKeeper position(*rf);
    const int e = rf->ScanBlocks(0, rf->header.count, buffer, false, [&](std::int64_t first, std::int64_t k) -> int {
      bool saved = false;
      for (std::int64_t i = 0; i < k; ++i) {
        std::uint8_t* record = &buffer[static_cast<std::size_t>(i) * rf->recordLength];
        rf->position = first + i;
        rf->HoldRecord(record, first + i);
        const bool hit = condition();
        if (rf->closed) return err::NotOpened;
        const std::int32_t id = GetI32(record);
        if (hit && id > 0) {
          // The block's old bytes go to the journal at once, not id by id.
          if (!saved) {
            if (int e = rf->journal.Keep(Journal::kMain, rf->RecordOffset(first),
                                         static_cast<std::uint64_t>(k) * rf->recordLength))
              return e;
            saved = true;
          }
          marks.emplace_back(first + i, id);
        }
      }
      return 0;
    });
    if (e) return m.fail(e);
    // Only the id is written: the condition may have written fields.
    for (const auto& [r, id] : marks) {
      std::uint8_t bytes[kRecordIdSize];
      PutI32(bytes, -id);
      if (int e = rf->WriteRecord(r, 0, bytes, kRecordIdSize)) return m.fail(e);
    }
  }
  if (int e = sideLock.Release()) return m.fail(e);
  if (int e = mainLock.Release()) return m.fail(e);
  if (int e = txn.Commit()) return m.fail(e);
  m.begin();
  return true;
}

bool RecordFileEngine::Pack() {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.needWritable();
  if (!rf) return false;
  Transaction txn(*rf);
  if (int e = txn.Begin(true)) return m.fail(e);
  ScopedLock mainLock, sideLock;
  if (int e = rf->LockAll(mainLock, sideLock)) return m.fail(e);
  if (int e = rf->ReadCount()) return m.fail(e);
  const std::int64_t count = rf->header.count;
  const std::int64_t block = rf->bulkRecords();
  const std::size_t L = rf->recordLength;
  std::vector<std::uint8_t> buffer;

  // First the records to drop and their chains, walked before anything moves.
  std::int64_t firstDropped = -1;
  std::vector<std::uint32_t> chains;  // in record order, then field order
  std::unordered_set<std::uint32_t> listed;
  if (int e = rf->ScanBlocks(0, count, buffer, false, [&](std::int64_t first, std::int64_t k) -> int {
        for (std::int64_t i = 0; i < k; ++i) {
          const std::uint8_t* record = &buffer[static_cast<std::size_t>(i) * L];
          if (GetI32(record) >= 0) continue;
          if (firstDropped < 0) firstDropped = first + i;
          for (const Field& f : rf->fields) {
            if (!IsChainType(f.type) || GetU32(record + f.offset) == 0) continue;
            // A damaged chain is left alone: its blocks may belong to others.
            const int e = rf->side().CheckChain(GetU32(record + f.offset));
            if (IsLockError(e)) return e;
            // A first block named twice (damage) is freed only once.
            if (e == 0 && listed.insert(GetU32(record + f.offset)).second)
              chains.push_back(GetU32(record + f.offset));
          }
        }
        return 0;
      }))
    return m.fail(e);
  rf->position = 0;
  rf->ForgetRecord();
  if (firstDropped < 0) {
    if (int e = txn.Commit()) return m.fail(e);
    return true;
  }

  // Move the kept records down over the gaps. Everything from the first
  // block that changes on, and the count, is saved before the first write.
  std::int64_t kept = firstDropped / block * block;
  if (int e = rf->journal.Keep(Journal::kMain, kOffCount, 8)) return m.fail(e);
  if (int e = rf->journal.Keep(Journal::kMain, rf->RecordOffset(kept),
                               rf->RecordOffset(count) - rf->RecordOffset(kept)))
    return m.fail(e);
  if (int e = rf->ScanBlocks(kept, count, buffer, false, [&](std::int64_t first, std::int64_t k) -> int {
        std::int64_t out = 0;
        for (std::int64_t i = 0; i < k; ++i) {
          const std::uint8_t* record = &buffer[static_cast<std::size_t>(i) * L];
          if (GetI32(record) < 0) continue;
          if (out != i) std::memmove(&buffer[static_cast<std::size_t>(out) * L], record, L);
          ++out;
        }
        if (out > 0 && (kept != first || out != k)) {
          if (int e = rf->WriteRecords(kept, out, buffer.data())) return e;
          rf->mainFile->StartWriteBack();  // as in CopyRecords
        }
        kept += out;
        return 0;
      }))
    return m.fail(e);
  rf->idHint.clear();
  if (int e = rf->WriteCount(static_cast<std::int32_t>(kept), rf->header.nextId)) return m.fail(e);
  if (int e = rf->TruncateRecords(kept)) return m.fail(e);

  // Only now give the dropped records' blocks back: a failure here leaves
  // unused blocks behind, never a damaged record.
  // In record order, each chain onto the head of the free list as if freed
  // alone; many at a time under one side header. A group that fails is
  // freed chain by chain so that one bad chain keeps only its own blocks.
  int sideError = 0;
  constexpr std::size_t kFreeGroup = 4096;
  for (std::size_t g = 0; g < chains.size(); g += kFreeGroup) {
    std::vector<ChainWrite> frees;
    for (std::size_t c = g; c < std::min(chains.size(), g + kFreeGroup); ++c)
      frees.push_back({chains[c], nullptr, 0, 0});
    if (rf->side().WriteValues(frees) == 0) continue;
    for (const ChainWrite& f : frees) {
      std::uint32_t none = 0;
      if (int e = rf->side().WriteValue(f.oldFirst, nullptr, 0, none); e && !sideError)
        sideError = SideFailure(e);
    }
  }
  if (sideError) return m.fail(sideError);
  if (int e = sideLock.Release()) return m.fail(e);
  if (int e = mainLock.Release()) return m.fail(e);
  if (int e = txn.Commit()) return m.fail(e);
  return true;
}

bool RecordFileEngine::Find(const Condition& condition) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.need();
  if (!rf) return false;
  auto keep = m.current;
  if (int e = rf->ReadCount()) return m.fail(e);
  constexpr int kFound = 1;
  std::vector<std::uint8_t> buffer;
  PositionKeeper position(*rf);
  const int e = rf->ScanBlocks(std::max<std::int64_t>(rf->position, 0), rf->header.count, buffer, true,
                               [&](std::int64_t first, std::int64_t k) -> int {
                                 for (std::int64_t i = 0; i < k; ++i) {
                                   rf->position = first + i;
                                   rf->HoldRecord(&buffer[static_cast<std::size_t>(i) * rf->recordLength], first + i);
                                   const bool hit = !condition || condition();
                                   if (rf->closed) return err::NotOpened;
                                   if (hit) {
                                     position.keep(first + i);
                                     return kFound;
                                   }
                                 }
                                 return 0;
                               });
  if (e < 0) return m.fail(e);
  m.begin();
  return e == kFound;
}

bool RecordFileEngine::CopyRecords(const std::string& source, const Condition& condition) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* dst = m.needWritable();
  if (!dst) return false;
  std::shared_ptr<RecordFile> keepDst = m.current;
  std::shared_ptr<RecordFile> keepSrc = m.lookup(source);
  if (!keepSrc) return m.fail(err::DatabaseNotOpen);
  RecordFile* src = keepSrc.get();
  if (src->closed) return m.fail(err::NotOpened);

  // Fields that correspond by name and kind.
  std::vector<std::pair<const Field*, const Field*>> pairs;  // (source, destination)
  for (const Field& d : dst->fields) {
    for (const Field& s : src->fields) {
      if (!text::EqualsIgnoreCase(s.name, d.name)) continue;
      if (s.type == d.type || (IsNumeric(s.type) && IsNumeric(d.type))) pairs.emplace_back(&s, &d);
      break;
    }
  }

  Transaction txn(*dst);
  if (int e = txn.Begin(true)) return m.fail(e);
  ScopedLock dstMain, dstSide, srcMain, srcSide;
  if (int e = dst->LockAll(dstMain, dstSide)) return m.fail(e);
  if (int e = src->LockAll(srcMain, srcSide)) return m.fail(e);
  if (int e = dst->ReadCount()) return m.fail(e);
  if (int e = src->ReadCount()) return m.fail(e);
  if (int e = dst->journal.Keep(Journal::kMain, kOffCount, 8)) return m.fail(e);
  const std::int64_t sourceCount = src->header.count;
  const std::int64_t start = dst->header.count;
  std::int32_t nextId = std::max(dst->header.nextId, 1);
  std::int64_t appended = 0;

  const std::size_t SL = src->recordLength, DL = dst->recordLength;
  const std::int64_t outBlock = dst->bulkRecords();
  std::vector<std::uint8_t> in;
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(outBlock) * DL);
  std::vector<ChainRead> reads;
  std::vector<ChainWrite> writes;
  std::vector<const Field*> chainFields;
  // The copies' memo and byte-set values, written to D's side file a block
  // of records at a time just before the records themselves.
  struct PendingValue {
    std::size_t at;  // byte in `out` that receives the first block
    Bytes data;
  };
  std::vector<PendingValue> pending;
  auto flush = [&]() -> int {
    if (out.empty()) return 0;
    if (!pending.empty()) {
      writes.assign(pending.size(), ChainWrite{});
      for (std::size_t c = 0; c < pending.size(); ++c) {
        writes[c].data = pending[c].data.data();
        writes[c].size = pending[c].data.size();
      }
      if (int e = dst->side().WriteValues(writes)) return SideFailure(e);
      for (std::size_t c = 0; c < pending.size(); ++c)
        PutU32(&out[pending[c].at], writes[c].newFirst);
      pending.clear();
    }
    const auto k = static_cast<std::int64_t>(out.size() / DL);
    if (int e = dst->WriteRecords(start + appended, k, out.data())) return e;
    appended += k;
    out.clear();
    // The disk writes what was copied while the next records are read:
    // the sync at the end then waits for little.
    dst->mainFile->StartWriteBack();
    if (dst->sideFile) dst->sideFile->StartWriteBack();
    return 0;
  };

  {
    PositionKeeper sourcePosition(*src);
    const int e = src->ScanBlocks(0, sourceCount, in, false, [&](std::int64_t first, std::int64_t k) -> int {
      for (std::int64_t i = 0; i < k; ++i) {
        std::uint8_t* record = &in[static_cast<std::size_t>(i) * SL];
        bool hit = true;
        if (condition) {
          src->position = first + i;
          src->HoldRecord(record, first + i);
          m.current = keepSrc;
          hit = condition();
          m.current = dst->closed ? nullptr : keepDst;
          if (src->closed || dst->closed) return err::NotOpened;
        }
        if (!hit) continue;
        if (nextId == INT32_MAX || start + appended + std::int64_t(out.size() / DL) >= INT32_MAX)
          return err::WriteRecordFailed;
        const std::size_t at = out.size();
        out.resize(at + DL, 0);
        std::uint8_t* copy = &out[at];
        PutI32(copy, GetI32(record) < 0 ? -nextId : nextId);
        ++nextId;
        reads.clear();
        chainFields.clear();
        for (const auto& [s, d] : pairs) {
          const std::uint8_t* from = record + s->offset;
          std::uint8_t* to = copy + d->offset;
          if (IsNumeric(d->type)) {
            WriteNumber(*d, to, ReadNumber(*s, from));
          } else if (d->type == FieldType::Text) {
            PutText(to, d->width, FieldText(from, s->width));
          } else if (IsChainType(d->type)) {
            if (GetU32(from) == 0) continue;
            reads.emplace_back().first = GetU32(from);
            chainFields.push_back(d);
          } else {
            std::memcpy(to, from, static_cast<std::size_t>(d->width));
          }
        }
        if (!reads.empty()) {
          if (int e = src->side().ReadChains(reads)) return SideFailure(e);
          for (std::size_t c = 0; c < reads.size(); ++c)
            pending.push_back({at + static_cast<std::size_t>(chainFields[c]->offset),
                               std::move(reads[c].data)});
        }
        if (static_cast<std::int64_t>(out.size() / DL) >= outBlock) {
          if (int e = flush()) return e;
        }
      }
      return 0;
    });
    if (e) return m.fail(e);
  }
  if (int e = flush()) return m.fail(e);
  if (int e = dst->WriteCount(static_cast<std::int32_t>(start + appended), nextId)) return m.fail(e);
  for (ScopedLock* lock : {&srcSide, &srcMain, &dstSide, &dstMain})
    if (int e = lock->Release()) return m.fail(e);
  if (int e = txn.Commit()) return m.fail(e);
  m.begin();
  return true;
}

bool RecordFileEngine::IsPasswordProtected(const std::string& path) {
  Impl& m = *impl_;
  m.begin();
  const std::string resolved = m.resolve(path);
  if (auto rf = m.findOpenFile(resolved)) return rf->passworded();
  std::unique_ptr<File> file;
  if (int e = m.fs->Open(resolved, OpenOptions{}, file)) return m.fail(e);
  std::uint8_t magic[4] = {};
  std::size_t got = 0;
  if (int e = file->Read(0, magic, 4, got)) return m.fail(e);
  return got == 4 && std::memcmp(magic, kMagicCiphered, 4) == 0;
}

bool RecordFileEngine::SetPassword(const std::string& newPassword) {
  Impl& m = *impl_;
  m.begin();
  RecordFile* rf = m.needWritable();
  if (!rf) return false;
  if (newPassword == "?") return m.fail(err::BadPasswordText);
  if (int e = rf->SetPassword(text::ToGbk(newPassword))) return m.fail(e);
  return true;
}

const Status& RecordFileEngine::LastStatus() const { return impl_->state().status; }

int RecordFileEngine::LastError() const { return impl_->state().status.code(); }

const std::string& RecordFileEngine::LastUsageError() const {
  static const std::string none;
  const ThreadState& s = impl_->state();
  return s.usage ? s.status.message() : none;
}

std::string RecordFileEngine::CurrentName() {
  return impl_->current ? impl_->current->name : std::string();
}

std::string RecordFileEngine::CurrentPath() {
  return impl_->current ? impl_->current->path : std::string();
}

std::string RecordFileEngine::ResolvePath(const std::string& path) { return impl_->resolve(path); }

}  // namespace recfile
