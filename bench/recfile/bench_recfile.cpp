// The record-file engine against SQLite on the same work, pair by pair:
// BM_<Work>_Engine and BM_<Work>_Sqlite. Records have the shape of a
// question bank: 16 fields, three memos of about 200 bytes, and a 20 KB
// picture in every tenth record. SQLite keeps one row per question, in
// autocommit mode with its rollback journal (journal_mode=DELETE).
//
// Both sides make every operation durable before it returns, so that a
// power cut right after it cannot undo it: the engine syncs its journal
// and files, SQLite runs with synchronous=EXTRA (FULL leaves the removal
// of its journal unsynced, and a journal that comes back after a power cut
// rolls the finished transaction back). The
// AppendUnsynced pair measures the work without the disk's syncs: the
// engine over a file layer whose sync does nothing, SQLite with
// synchronous=OFF. Fixtures are written without syncs on both sides.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "databases/program_databases.h"
#include "recfile/file_system.h"
#include "recfile/record_file_engine.h"
#include "tools/sample_bank/sample_bank.h"

namespace {

namespace fs = std::filesystem;
using recfile::Bytes;
using recfile::RecordFileEngine;
using recfile::Value;

constexpr int kRecords = 100000;
constexpr int kCopyRecords = 10000;
constexpr int kDurableAppends = 1000;  // each waits for the disk a few times

// ---- Work data ------------------------------------------------------------------

class ScratchDir {
 public:
  ScratchDir() {
    const char* base = std::getenv("MC_BENCH_TMP");
    fs::path root = base && *base ? base : fs::temp_directory_path();
    fs::create_directories(root);
    std::string pattern = (root / "mc-bench-recfile-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

ScratchDir& Scratch() {
  static ScratchDir dir;
  return dir;
}

// Memo texts of about 200 GBK bytes: Chinese with some ASCII, like questions.
const std::vector<std::string>& Memos() {
  static const std::vector<std::string> memos = [] {
    const std::vector<std::string> words = {"已知函数", "f(x) = 3x + 5", "求", "的最小值", "下列说法",
                                            "正确的是", "（　　）", "物体", "受到", "10 N 的拉力",
                                            "根据短文", "回答问题", "。", "，", "\r\n"};
    std::mt19937 rng(1);
    std::vector<std::string> v;
    for (int i = 0; i < 64; ++i) {
      std::string s;
      while (s.size() < 280) s += words[rng() % words.size()];  // ~200 bytes once in GBK
      v.push_back(s + std::to_string(i));
    }
    return v;
  }();
  return memos;
}

const std::vector<Bytes>& Pictures() {
  static const std::vector<Bytes> pictures = [] {
    std::mt19937 rng(2);
    std::vector<Bytes> v(4, Bytes(20 * 1024));
    for (auto& p : v)
      for (auto& b : p) b = static_cast<std::uint8_t>(rng());
    return v;
  }();
  return pictures;
}

// Record i (0-based) of the work, fields 1..16 in order.
std::vector<Value> Question(int i) {
  const auto& memos = Memos();
  const bool picture = i % 10 == 0;
  return {Value(std::string("函数|极限")),
          Value(std::string()),
          Value(std::string()),
          Value(memos[i % 64]),
          Value(std::string(picture ? "√" : "")),
          Value(memos[(i + 21) % 64]),
          Value(memos[(i + 42) % 64]),
          Value(std::string()),
          Value(std::string("选择")),
          Value(std::int64_t{1 + i % 9}),
          Value(std::int64_t{1 + i % 20}),
          Value(i % 3 == 0),
          Value(false),
          Value(i % 17 == 0),
          Value(picture ? Pictures()[static_cast<std::size_t>(i / 10) % 4] : Bytes()),
          Value(Bytes())};
}

// The operating system's files with sync doing nothing: what the engine
// costs apart from waiting for the disk.
class UnsyncedFileSystem final : public recfile::FileSystem {
 public:
  int Open(const std::string& path, const recfile::OpenOptions& options,
           std::unique_ptr<recfile::File>& out) override {
    std::unique_ptr<recfile::File> file;
    if (int e = real_->Open(path, options, file)) return e;
    out = std::make_unique<UnsyncedFile>(std::move(file));
    return 0;
  }
  bool Exists(const std::string& p) override { return real_->Exists(p); }
  std::vector<std::string> ListDirectory(const std::string& d) override { return real_->ListDirectory(d); }
  int Remove(const std::string& p) override { return real_->Remove(p); }
  int SyncDirectoryOf(const std::string&) override { return 0; }
  std::optional<recfile::FileIdentity> Identity(const std::string& p) override { return real_->Identity(p); }
  std::string Absolute(const std::string& p) override { return real_->Absolute(p); }
  std::uint64_t MonotonicMs() override { return real_->MonotonicMs(); }
  void SleepMs(unsigned ms) override { real_->SleepMs(ms); }

 private:
  class UnsyncedFile final : public recfile::File {
   public:
    explicit UnsyncedFile(std::unique_ptr<recfile::File> inner) : inner_(std::move(inner)) {}
    int Read(std::uint64_t o, void* b, std::size_t n, std::size_t& got) override { return inner_->Read(o, b, n, got); }
    int Write(std::uint64_t o, const void* d, std::size_t n) override { return inner_->Write(o, d, n); }
    int Size(std::uint64_t& out) override { return inner_->Size(out); }
    int Truncate(std::uint64_t l) override { return inner_->Truncate(l); }
    int Sync() override { return 0; }
    int Lock(std::uint64_t o, std::uint64_t l) override { return inner_->Lock(o, l); }
    int Unlock(std::uint64_t o, std::uint64_t l) override { return inner_->Unlock(o, l); }
    recfile::FileIdentity Identity() const override { return inner_->Identity(); }
    int Close() override { return inner_->Close(); }

   private:
    std::unique_ptr<recfile::File> inner_;
  };
  std::shared_ptr<recfile::FileSystem> real_ = recfile::FileSystem::Real();
};

std::shared_ptr<recfile::FileSystem> Unsynced() { return std::make_shared<UnsyncedFileSystem>(); }

bool OpenPlain(RecordFileEngine& engine, const std::string& path) {
  return engine.Open(path, {}, false, recfile::ShareMode::None, std::string());
}

void Fail(benchmark::State& state, RecordFileEngine& engine, const char* what) {
  state.SkipWithError((std::string(what) + ": " + recfile::ErrorText(engine.LastError())).c_str());
}

// ---- SQLite side ------------------------------------------------------------------

class Sqlite {
 public:
  explicit Sqlite(const std::string& path, bool durable = true) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) std::abort();
    Exec(durable ? "PRAGMA synchronous=EXTRA" : "PRAGMA synchronous=OFF");
  }
  ~Sqlite() { sqlite3_close(db_); }
  sqlite3* db() { return db_; }
  void Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::fprintf(stderr, "sqlite: %s: %s\n", sql.c_str(), message ? message : "");
      std::abort();
    }
  }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) std::abort();
    return st;
  }

 private:
  sqlite3* db_ = nullptr;
};

const char* kCreateTable =
    "CREATE TABLE q(id INTEGER PRIMARY KEY, f1 TEXT, f2 TEXT, f3 TEXT, f4 TEXT, f5 TEXT, f6 TEXT, "
    "f7 TEXT, f8 TEXT, f9 TEXT, f10 INTEGER, f11 INTEGER, f12 INTEGER, f13 INTEGER, f14 INTEGER, "
    "f15 BLOB, f16 BLOB)";

void SqliteAppend(Sqlite& db, int count) {
  sqlite3_stmt* st = db.Prepare(
      "INSERT INTO q(f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,f14,f15,f16) "
      "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  for (int i = 0; i < count; ++i) {
    const auto values = Question(i);
    for (int f = 0; f < 16; ++f) {
      const Value& v = values[static_cast<std::size_t>(f)];
      if (const auto* s = std::get_if<std::string>(&v))
        sqlite3_bind_text(st, f + 1, s->data(), static_cast<int>(s->size()), SQLITE_STATIC);
      else if (const auto* n = std::get_if<std::int64_t>(&v))
        sqlite3_bind_int64(st, f + 1, *n);
      else if (const auto* b = std::get_if<bool>(&v))
        sqlite3_bind_int(st, f + 1, *b ? 1 : 0);
      else if (const auto* bytes = std::get_if<Bytes>(&v))
        sqlite3_bind_blob(st, f + 1, bytes->data(), static_cast<int>(bytes->size()), SQLITE_STATIC);
    }
    if (sqlite3_step(st) != SQLITE_DONE) std::abort();
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

std::string NewSqliteFile(const std::string& name, int records) {
  const std::string path = Scratch() / name;
  fs::remove(path);
  Sqlite db(path, false);
  db.Exec(kCreateTable);
  db.Exec("BEGIN");  // fixtures only; the measured appends are autocommit
  SqliteAppend(db, records);
  db.Exec("COMMIT");
  return path;
}

// ---- Engine side ------------------------------------------------------------------

bool EngineAppend(RecordFileEngine& engine, int count) {
  for (int i = 0; i < count; ++i)
    if (!engine.Append(Question(i))) return false;
  return true;
}

std::string NewEngineFile(const std::string& name, int records) {
  const std::string path = Scratch() / name;
  RecordFileEngine engine(Unsynced());
  if (!engine.Create(path, databases::QuestionBankFields()) || !OpenPlain(engine, path) ||
      !EngineAppend(engine, records))
    std::abort();
  engine.CloseAll();
  return path;
}

const std::string& EngineBank() {
  static const std::string path = NewEngineFile("bank100k", kRecords);
  return path;
}
const std::string& SqliteBank() {
  static const std::string path = NewSqliteFile("bank100k.sqlite", kRecords);
  return path;
}

void CopyEngineFiles(const std::string& from, const std::string& to) {
  for (const char* ext : {".edb", ".edt"})
    fs::copy_file(from + ext, to + ext, fs::copy_options::overwrite_existing);
}

const std::vector<std::int64_t>& RandomIds() {
  static const std::vector<std::int64_t> ids = [] {
    std::mt19937 rng(3);
    std::vector<std::int64_t> v(kRecords);
    for (auto& id : v) id = 1 + static_cast<std::int64_t>(rng() % kRecords);
    return v;
  }();
  return ids;
}

// ---- Append -----------------------------------------------------------------------

void AppendEngine(benchmark::State& state, std::shared_ptr<recfile::FileSystem> files, int count) {
  const std::string path = Scratch() / "append";
  for (auto _ : state) {
    RecordFileEngine engine(files);
    if (!engine.Create(path, databases::QuestionBankFields()) || !OpenPlain(engine, path))
      return Fail(state, engine, "create");
    if (!EngineAppend(engine, count)) return Fail(state, engine, "append");
    engine.CloseAll();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void AppendSqlite(benchmark::State& state, bool durable, int count) {
  const std::string path = Scratch() / "append.sqlite";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(path);
    state.ResumeTiming();
    Sqlite db(path, durable);
    db.Exec(kCreateTable);
    SqliteAppend(db, count);
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_Append_Engine(benchmark::State& state) { AppendEngine(state, nullptr, kDurableAppends); }
void BM_Append_Sqlite(benchmark::State& state) { AppendSqlite(state, true, kDurableAppends); }
void BM_AppendUnsynced_Engine(benchmark::State& state) { AppendEngine(state, Unsynced(), kRecords); }
void BM_AppendUnsynced_Sqlite(benchmark::State& state) { AppendSqlite(state, false, kRecords); }

// ---- Read every field of every record ------------------------------------------------

void BM_ReadAll_Engine(benchmark::State& state) {
  const std::string& path = EngineBank();
  std::size_t bytes = 0;
  for (auto _ : state) {
    RecordFileEngine engine;
    if (!OpenPlain(engine, path)) return Fail(state, engine, "open");
    const std::int64_t count = engine.RecordCount();
    engine.GoTo(1);
    for (std::int64_t r = 0; r < count; ++r) {
      for (int f = 1; f <= 16; ++f) {
        Value v = engine.ReadField(f);
        if (const auto* s = std::get_if<std::string>(&v)) bytes += s->size();
        if (const auto* b = std::get_if<Bytes>(&v)) bytes += b->size();
        benchmark::DoNotOptimize(v);
      }
      engine.Skip();
    }
    if (engine.LastError() != 0) return Fail(state, engine, "read");
  }
  state.counters["bytes"] = static_cast<double>(bytes / state.iterations());
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_ReadAll_Sqlite(benchmark::State& state) {
  const std::string& path = SqliteBank();
  std::size_t bytes = 0;
  for (auto _ : state) {
    Sqlite db(path);
    sqlite3_stmt* st = db.Prepare("SELECT f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,f14,f15,f16 FROM q ORDER BY id");
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int f = 0; f < 16; ++f) {
        Value v;
        switch (sqlite3_column_type(st, f)) {
          case SQLITE_INTEGER: v = static_cast<std::int64_t>(sqlite3_column_int64(st, f)); break;
          case SQLITE_BLOB: {
            const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, f));
            v = Bytes(p, p + sqlite3_column_bytes(st, f));
            bytes += std::get<Bytes>(v).size();
            break;
          }
          default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, f));
            v = std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, f)));
            bytes += std::get<std::string>(v).size();
          }
        }
        benchmark::DoNotOptimize(v);
      }
    }
    sqlite3_finalize(st);
  }
  state.counters["bytes"] = static_cast<double>(bytes / state.iterations());
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// ---- Find records by id ----------------------------------------------------------------

void BM_GoToId_Engine(benchmark::State& state) {
  const std::string& path = EngineBank();
  const auto& ids = RandomIds();
  RecordFileEngine engine;
  if (!OpenPlain(engine, path)) return Fail(state, engine, "open");
  for (auto _ : state) {
    for (std::int64_t id : ids)
      if (!engine.GoToId(id)) return Fail(state, engine, "GoToId");
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ids.size()));
}

void BM_GoToId_Sqlite(benchmark::State& state) {
  const std::string& path = SqliteBank();
  const auto& ids = RandomIds();
  Sqlite db(path);
  sqlite3_stmt* st = db.Prepare("SELECT id FROM q WHERE id = ?");
  for (auto _ : state) {
    for (std::int64_t id : ids) {
      sqlite3_bind_int64(st, 1, id);
      if (sqlite3_step(st) != SQLITE_ROW) std::abort();
      sqlite3_reset(st);
    }
  }
  sqlite3_finalize(st);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ids.size()));
}

// ---- Delete every third record, then pack --------------------------------------------

void BM_DeletePack_Engine(benchmark::State& state) {
  const std::string& source = EngineBank();
  const std::string path = Scratch() / "pack";
  for (auto _ : state) {
    state.PauseTiming();
    CopyEngineFiles(source, path);
    state.ResumeTiming();
    RecordFileEngine engine;
    if (!OpenPlain(engine, path)) return Fail(state, engine, "open");
    int seen = 0;
    if (!engine.Delete([&] { return ++seen % 3 == 0; })) return Fail(state, engine, "delete");
    if (!engine.Pack()) return Fail(state, engine, "pack");
    if (engine.RecordCount() != kRecords - kRecords / 3) return Fail(state, engine, "count");
    engine.CloseAll();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_DeletePack_Sqlite(benchmark::State& state) {
  const std::string& source = SqliteBank();
  const std::string path = Scratch() / "pack.sqlite";
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(source, path, fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    Sqlite db(path);
    db.Exec("DELETE FROM q WHERE id % 3 = 0");
    db.Exec("VACUUM");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// ---- Copy the records of one bank into another -----------------------------------------

void BM_CopyRecords_Engine(benchmark::State& state) {
  static const std::string source = NewEngineFile("copy-source", kCopyRecords);
  const std::string path = Scratch() / "copy-target";
  for (auto _ : state) {
    state.PauseTiming();
    {
      RecordFileEngine engine;
      if (!engine.Create(path, databases::QuestionBankFields())) return Fail(state, engine, "create");
    }
    state.ResumeTiming();
    RecordFileEngine engine;
    if (!OpenPlain(engine, source) || !OpenPlain(engine, path)) return Fail(state, engine, "open");
    if (!engine.CopyRecords(source)) return Fail(state, engine, "copy");
    if (engine.RecordCount() != kCopyRecords) return Fail(state, engine, "count");
    engine.CloseAll();
  }
  state.SetItemsProcessed(state.iterations() * kCopyRecords);
}

void BM_CopyRecords_Sqlite(benchmark::State& state) {
  static const std::string source = NewSqliteFile("copy-source.sqlite", kCopyRecords);
  const std::string path = Scratch() / "copy-target.sqlite";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(path);
    { Sqlite(path).Exec(kCreateTable); }
    state.ResumeTiming();
    Sqlite db(path);
    db.Exec("ATTACH DATABASE '" + source + "' AS src");
    db.Exec("INSERT INTO q(f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,f14,f15,f16) "
            "SELECT f1,f2,f3,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,f14,f15,f16 FROM src.q");
  }
  state.SetItemsProcessed(state.iterations() * kCopyRecords);
}

// ---- The sample bank writer ---------------------------------------------------------------

void BM_WriteSampleBank(benchmark::State& state) {
  const std::string path = Scratch() / "sample";
  const int questions = static_cast<int>(state.range(0));
  for (auto _ : state) {
    RecordFileEngine engine;
    std::string error;
    if (!samples::WriteSampleBank(engine, path, questions, 1, "", &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * questions);
}

// Every pair does its work a few whole times; the files are large.
#define PAIR(work, n)                                                                           \
  BENCHMARK(BM_##work##_Engine)->Unit(benchmark::kMillisecond)->Iterations(n)->UseRealTime();  \
  BENCHMARK(BM_##work##_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(n)->UseRealTime()

PAIR(Append, 2);
PAIR(AppendUnsynced, 2);
PAIR(ReadAll, 3);
PAIR(GoToId, 3);
PAIR(DeletePack, 2);
PAIR(CopyRecords, 3);
BENCHMARK(BM_WriteSampleBank)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
