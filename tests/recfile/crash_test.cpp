// A bank survives its process dying at any change it makes. Each workload
// runs once to count its changes (writes, truncations, creations,
// removals), then once per stop point n with only its first n changes
// reaching the disk, as when the process is killed and the page cache
// written out. A fresh engine then opens the real files: the bank opens,
// the format check finds nothing, every operation that returned success is
// there whole, and the one in flight is there whole or not at all.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

#include "support.h"
#include "tools/mochuan-edb/check.h"

namespace recfile::testing {
namespace {

const std::vector<FieldDef> kFields = {{"T", FieldType::Text, 20},
                                       {"N", FieldType::Integer, 0},
                                       {"M", FieldType::Memo, 0},
                                       {"B", FieldType::ByteSet, 0},
                                       {"A", FieldType::Memo, 0}};

std::string memo(int i, std::size_t n) {
  std::string s = "题" + std::to_string(i) + ":";
  while (s.size() < n) s += static_cast<char>('a' + (s.size() * 7 + i) % 26);
  return s;
}
Bytes bytes(int i, std::size_t n) {
  Bytes b(n);
  for (std::size_t k = 0; k < n; ++k) b[k] = static_cast<std::uint8_t>(i * 31 + k);
  return b;
}

// Every record's id, deletion mark and values, as one text.
std::string stateOf(RecordFileEngine& e) {
  std::ostringstream out;
  const std::int64_t count = e.RecordCount();
  for (std::int64_t r = 1; r <= count; ++r) {
    e.GoTo(r);
    out << r << ": " << e.RecordId() << (e.IsDeleted() ? " deleted" : "") << " | "
        << e.ReadText("T") << " | " << e.ReadInt("N") << " | " << e.ReadText("M") << " | ";
    for (std::uint8_t b : e.ReadBytes("B")) out << int(b) << ',';
    out << " | " << e.ReadText("A") << '\n';
  }
  if (e.LastError() != 0) out << "error " << e.LastError() << '\n';
  return out.str();
}

struct Step {
  std::string name;
  std::function<bool(RecordFileEngine&)> run;
  std::string passwordAfter;
};

struct Workload {
  std::string name;
  std::string password;  // of the bank before the first step
  std::vector<Step> steps;
};

// About a hundred and twenty records: memos of one and of three blocks,
// byte-sets, free blocks in the middle of the side file, records marked
// deleted.
void writeBank(const std::string& path, const std::string& password) {
  // Without waiting for the disk: only the workloads' changes are studied.
  RecordFileEngine e(std::make_shared<FaultyFileSystem>());
  ASSERT_TRUE(e.Create(path, kFields));
  ASSERT_TRUE(e.Open(path));
  for (int i = 1; i <= 120; ++i) {
    ASSERT_TRUE(e.Append({memo(i, 8), std::int64_t{i}, memo(i, i % 5 == 0 ? 1300 : 40 + i),
                          i % 4 == 0 ? bytes(i, 700) : Bytes{},
                          i % 3 == 0 ? memo(-i, 30) : std::string()}));
  }
  for (int r : {10, 35}) {
    ASSERT_TRUE(e.GoTo(r));
    ASSERT_TRUE(e.WriteField("M", std::string()));
  }
  for (int r : {2, 15, 16, 40, 119}) {
    ASSERT_TRUE(e.GoTo(r));
    ASSERT_TRUE(e.Delete());
  }
  if (!password.empty()) {
    ASSERT_TRUE(e.SetPassword(password));
  }
}

bool at(RecordFileEngine& e, std::int64_t r) { return e.GoTo(r); }

std::vector<Workload> workloads() {
  const std::string kOld = "旧密码", kNew = "新密码";
  return {
      {"append", "",
       {{"memo and byte-set", [](RecordFileEngine& e) {
           return e.Append({std::string("新一"), std::int64_t{200}, memo(200, 1600), bytes(200, 900),
                            std::string("答")});
         }, ""},
        {"text only", [](RecordFileEngine& e) {
           return e.Append({std::string("新二"), std::int64_t{201}});
         }, ""},
        {"into the free blocks", [](RecordFileEngine& e) {
           return e.Append({std::string("新三"), std::int64_t{202}, memo(202, 2000)});
         }, ""}}},
      {"modify", "",
       {{"memo grows", [](RecordFileEngine& e) {
           return at(e, 7) && e.WriteField("M", memo(7, 1700));
         }, ""},
        {"memo shrinks", [](RecordFileEngine& e) {
           return at(e, 20) && e.Modify({std::string("改"), std::int64_t{-20}, memo(20, 10)});
         }, ""},
        {"byte-set emptied, answer set", [](RecordFileEngine& e) {
           return at(e, 24) && e.Modify({{}, {}, {}, Bytes{}, memo(24, 520)});
         }, ""},
        {"last memo freed", [](RecordFileEngine& e) {
           return at(e, 120) && e.WriteField("M", std::string());
         }, ""}}},
      {"delete", "",
       {{"one record", [](RecordFileEngine& e) { return at(e, 3) && e.Delete(); }, ""},
        {"by condition", [](RecordFileEngine& e) {
           return e.Delete([&e] { return e.ReadInt("N") % 7 == 0; });
         }, ""}}},
      {"pack", "", {{"pack", [](RecordFileEngine& e) { return e.Pack(); }, ""}}},
      // The journal file stays between operations: a short one after a
      // long one must not put back what the long one left in it.
      {"kept journal", "",
       {{"memo grows", [](RecordFileEngine& e) {
           return at(e, 30) && e.WriteField("M", memo(30, 3000));
         }, ""},
        {"append", [](RecordFileEngine& e) {
           return e.Append({std::string("新四"), std::int64_t{203}, memo(203, 60)});
         }, ""},
        {"text field", [](RecordFileEngine& e) { return at(e, 31) && e.WriteField("T", std::string("短")); }, ""},
        {"append again", [](RecordFileEngine& e) {
           return e.Append({std::string("新五"), std::int64_t{204}, memo(204, 600), bytes(204, 30)});
         }, ""}}},
      {"pack with password", kOld, {{"pack", [](RecordFileEngine& e) { return e.Pack(); }, kOld}}},
      {"set password", "",
       {{"set", [kNew](RecordFileEngine& e) { return e.SetPassword(kNew); }, kNew}}},
      {"change password", kOld,
       {{"change", [kNew](RecordFileEngine& e) { return e.SetPassword(kNew); }, kNew}}},
      {"remove password", kOld,
       {{"remove", [](RecordFileEngine& e) { return e.SetPassword(""); }, ""}}},
      {"copy records", "",
       {{"copy", [](RecordFileEngine& e) {
           return e.CopyRecords("source", [&e] { return e.ReadInt("N") % 2 == 1; });
         }, ""}}},
  };
}

class CrashTest : public ::testing::Test {
 protected:
  struct Files {
    Bytes main, side, sourceMain, sourceSide;
  };

  // Written as new files: emptying a file in place makes some file
  // systems write it out at once when it is closed.
  static void replace(const std::string& path, const Bytes& bytes) {
    std::filesystem::remove(path);
    writeFile(path, bytes);
  }
  void restore(const Files& f) {
    replace(bank, f.main);
    replace(dir / "bank.edt", f.side);
    std::filesystem::remove(dir / "bank.edj");
    // The source is only read.
    if (readFile(source) != f.sourceMain) replace(source, f.sourceMain);
  }

  // Runs the steps until one fails; returns how many succeeded.
  int run(const Workload& w, FaultyFileSystem& fs, int crashAfter,
          std::vector<std::string>* states) {
    RecordFileEngine e(std::shared_ptr<FaultyFileSystem>(&fs, [](FaultyFileSystem*) {}));
    if (!e.Open(source) || !openWithPassword(e, bank, w.password)) {
      ADD_FAILURE() << "the bank does not open: " << e.LastError();
      return 0;
    }
    fs.crashAfter = crashAfter ? fs.changes + crashAfter : 0;
    int done = 0;
    for (const Step& step : w.steps) {
      if (!step.run(e)) {
        if (!fs.crashed) ADD_FAILURE() << step.name << " failed without a crash: " << e.LastError();
        break;
      }
      ++done;
      if (states) {
        RecordFileEngine reader;
        EXPECT_TRUE(reader.Open(bank, {}, true, ShareMode::None, step.passwordAfter));
        states->push_back(stateOf(reader));
      }
    }
    return done;
  }

  TempDir dir;
  std::string bank = dir / "bank.edb";
  std::string source = dir / "source.edb";
};

TEST_F(CrashTest, EveryOperationIsWhollyThereOrWhollyAbsentAfterACrashAtAnyChange) {
  int cases = 0;
  for (const Workload& w : workloads()) {
    writeBank(bank, w.password);
    writeBank(source, "");
    const Files pristine{readFile(bank), readFile(dir / "bank.edt"), readFile(source),
                         readFile(dir / "source.edt")};
    std::vector<std::string> passwords{w.password};
    for (const Step& s : w.steps) passwords.push_back(s.passwordAfter);

    // The run without a crash: its states after each step and its changes.
    std::vector<std::string> states;
    {
      RecordFileEngine reader;
      ASSERT_TRUE(reader.Open(bank, {}, true, ShareMode::None, w.password));
      states.push_back(stateOf(reader));
    }
    auto fs = std::make_shared<FaultyFileSystem>();
    int total = 0;
    {
      const int before = fs->changes;
      ASSERT_EQ(run(w, *fs, 0, &states), static_cast<int>(w.steps.size())) << w.name;
      total = fs->changes - before;
    }
    ASSERT_GT(total, 0);

    for (int n = 1; n <= total; ++n) {
      SCOPED_TRACE(w.name + ", stopped after change " + std::to_string(n) + " of " +
                   std::to_string(total));
      ++cases;
      restore(pristine);
      auto crashing = std::make_shared<FaultyFileSystem>();
      const int done = run(w, *crashing, n, nullptr);
      ASSERT_TRUE(crashing->crashed);

      RecordFileEngine e;
      std::size_t k = static_cast<std::size_t>(done);
      bool opened = openWithPassword(e, bank, passwords[k]);
      if (!opened && k + 1 < passwords.size()) opened = openWithPassword(e, bank, passwords[++k]);
      ASSERT_TRUE(opened) << "the bank does not open: " << e.LastError();
      const std::string state = stateOf(e);
      const bool before = state == states[static_cast<std::size_t>(done)];
      const bool after = static_cast<std::size_t>(done) + 1 < states.size() &&
                         state == states[static_cast<std::size_t>(done) + 1];
      EXPECT_TRUE(before || after) << done << " steps had succeeded; the bank now holds\n" << state;
      e.CloseAll();
      EXPECT_FALSE(std::filesystem::exists(dir / "bank.edj"));
      const auto outcome = edb::CheckFiles(bank, dir / "bank.edt", passwords[k]);
      EXPECT_EQ(outcome.fatal, "");
      EXPECT_EQ(outcome.problems, std::vector<std::string>{});
      if (::testing::Test::HasFailure()) return;  // one broken case tells enough
    }
  }
  RecordProperty("cases", cases);
}

// Across a power cut the journal protects only what reached the disk in
// order: every operation's journal is synced (and, when just created, its
// folder) before the first change to the bank's files, and the changed
// files are synced before the journal is emptied and the operation returns.
TEST_F(CrashTest, TheJournalIsDurableBeforeTheFilesChangeAndTheFilesBeforeItIsEmptied) {
  writeBank(bank, "");
  writeBank(source, "");
  auto fs = std::make_shared<FaultyFileSystem>();
  RecordFileEngine e(fs);
  ASSERT_TRUE(e.Open(source));
  ASSERT_TRUE(e.Open(bank));
  const std::vector<Step> steps = {
      {"append with memo", [](RecordFileEngine& e) {
         return e.Append({std::string("新"), std::int64_t{300}, memo(300, 1200), bytes(300, 40)});
       }, ""},
      {"append without memo", [](RecordFileEngine& e) { return e.Append({std::string("新")}); }, ""},
      {"memo shrinks", [](RecordFileEngine& e) { return at(e, 5) && e.WriteField("M", memo(5, 3)); }, ""},
      {"modify", [](RecordFileEngine& e) {
         return at(e, 6) && e.Modify({std::string("改"), std::int64_t{6}, memo(6, 900)});
       }, ""},
      {"text field", [](RecordFileEngine& e) { return at(e, 7) && e.WriteField("T", std::string("短")); }, ""},
      {"delete one", [](RecordFileEngine& e) { return at(e, 8) && e.Delete(); }, ""},
      {"delete by condition", [](RecordFileEngine& e) {
         return e.Delete([&e] { return e.ReadInt("N") % 5 == 1; });
       }, ""},
      {"pack", [](RecordFileEngine& e) { return e.Pack(); }, ""},
      {"copy records", [](RecordFileEngine& e) { return e.CopyRecords("source"); }, ""},
      {"set password", [](RecordFileEngine& e) { return e.SetPassword("新密码"); }, ""},
  };
  const std::string journal = "bank.edj";
  auto isBank = [](const std::string& f) { return f == "bank.edb" || f == "bank.edt"; };
  int journaled = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    fs->events.clear();
    fs->logEvents = true;
    ASSERT_TRUE(step.run(e)) << e.LastError();
    fs->logEvents = false;
    std::map<std::string, bool> dirty;  // written since its last sync
    bool folderPending = false, changed = false, journalWritten = false;
    for (const auto& ev : fs->events) {
      const bool changes = ev.kind == "write" || ev.kind == "truncate";
      if (ev.kind == "create" && ev.file == journal) folderPending = true;
      if (ev.kind == "sync directory") folderPending = false;
      if (ev.kind == "sync") dirty[ev.file] = false;
      if (changes && isBank(ev.file)) {
        EXPECT_FALSE(dirty[journal]) << "the bank changed before its journal was synced";
        EXPECT_FALSE(folderPending) << "the bank changed before the new journal's folder was synced";
        changed = true;
      }
      if (changes && ev.file == journal) {
        journalWritten = true;
        if (changed && ev.offset == 0) {
          EXPECT_FALSE(dirty["bank.edb"] || dirty["bank.edt"])
              << "the journal was emptied before the bank's files were synced";
        }
      }
      if (changes) dirty[ev.file] = true;
    }
    for (const auto& [file, unsynced] : dirty)
      EXPECT_FALSE(unsynced) << file << " was left unsynced when the operation returned";
    EXPECT_TRUE(changed);
    journaled += journalWritten;
  }
  // The journal file was created once and kept between the operations.
  EXPECT_GE(journaled, 6);
  e.CloseAll();
  EXPECT_FALSE(std::filesystem::exists(dir / "bank.edj"));
}

// A journal the build before salts left behind (FNV-1a checksums, version
// 1) is still rolled back.
TEST_F(CrashTest, AJournalOfTheFirstVersionIsRolledBack) {
  const std::string path = dir / "old.edb";
  {
    RecordFileEngine e;
    ASSERT_TRUE(e.Create(path, {{"T", FieldType::Text, 8}}));
    ASSERT_TRUE(e.Open(path));
    ASSERT_TRUE(e.Append({std::string("一")}));
  }
  const Bytes before = readFile(path);
  {
    RecordFileEngine e;
    ASSERT_TRUE(e.Open(path));
    ASSERT_TRUE(e.Append({std::string("二")}));
  }
  auto fnv = [](const Bytes& b, std::size_t n) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 16777619u;
    return h;
  };
  Bytes journal(32, 0);
  std::memcpy(journal.data(), "WEDJ", 4);
  put32(journal, 4, 1);
  put32(journal, 8, static_cast<std::uint32_t>(before.size()));
  put32(journal, 16, 0xFFFFFFFF);
  put32(journal, 20, 0xFFFFFFFF);
  put32(journal, 28, fnv(journal, 28));
  Bytes entry(16 + 8 + 4, 0);
  put32(entry, 4, 16);  // the count and next id
  put32(entry, 12, 8);
  std::copy(before.begin() + 16, before.begin() + 24, entry.begin() + 16);
  put32(entry, 24, fnv(entry, 24));
  journal.insert(journal.end(), entry.begin(), entry.end());
  writeFile(dir / "old.edj", journal);

  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  EXPECT_EQ(e.RecordCount(), 1);
  e.CloseAll();
  EXPECT_EQ(readFile(path), before);
  EXPECT_FALSE(std::filesystem::exists(dir / "old.edj"));
}

}  // namespace
}  // namespace recfile::testing
