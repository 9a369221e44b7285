// Sharing a database between processes: byte-range locks, the wait on the
// record count, whole-file locks of bulk operations and share modes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "recfile/locks.h"
#include "support.h"

namespace recfile::testing {
namespace {

// Fields: "T" text(10), "N" integer; H = 260, L = 18.
constexpr std::uint64_t kH = 112 + 4 + 2 * 72;
constexpr std::uint64_t kL = 4 + 10 + 4;

// One-byte messages between a parent and its forked child.
class Channel {
 public:
  Channel() {
    if (pipe(toChild_) != 0 || pipe(toParent_) != 0) throw std::runtime_error("pipe");
  }
  ~Channel() {
    for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]}) close(fd);
  }
  void tellChild() { send(toChild_[1]); }
  void tellParent() { send(toParent_[1]); }
  void waitForChild() { receive(toParent_[0]); }
  void waitForParent() { receive(toChild_[0]); }

 private:
  static void send(int fd) {
    const char c = 1;
    if (write(fd, &c, 1) != 1) _exit(3);
  }
  static void receive(int fd) {
    char c;
    if (read(fd, &c, 1) != 1) _exit(4);
  }
  int toChild_[2];
  int toParent_[2];
};

// Runs `child` in a forked process; the parent continues.
pid_t forkChild(const std::function<void()>& child) {
  const pid_t pid = fork();
  if (pid == 0) {
    child();
    _exit(0);
  }
  return pid;
}

int exitCode(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Locking : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordFileEngine e;
    ASSERT_TRUE(e.Create(path, {{"T", FieldType::Text, 10}, {"N", FieldType::Integer, 0}}));
    ASSERT_TRUE(e.Open(path));
    ASSERT_TRUE(e.Append({std::string("one"), std::int64_t{1}}));
    ASSERT_TRUE(e.Append({std::string("two"), std::int64_t{2}}));
  }
  TempDir dir;
  std::string path = dir / "shared.edb";
};

TEST_F(Locking, ARecordLockedElsewhereFailsAtOnceAndTheCountIsWaitedFor) {
  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  Channel ch;
  const pid_t pid = forkChild([&] {
    std::unique_ptr<File> f;
    if (FileSystem::Real()->Open(path, {true, false, ShareMode::None}, f) != 0) _exit(1);
    if (f->Lock(kH, 1) != 0 || f->Lock(16, 1) != 0) _exit(2);  // record 1 and the count
    ch.tellParent();
    ch.waitForParent();
    usleep(300 * 1000);
    f->Unlock(16, 1);
    ch.waitForParent();
  });
  ch.waitForChild();

  EXPECT_EQ(e.ReadText("T"), "");
  EXPECT_EQ(e.LastError(), err::LockViolation);
  EXPECT_FALSE(e.WriteField("N", std::int64_t{5}));
  EXPECT_EQ(e.LastError(), err::LockViolation);
  ASSERT_TRUE(e.GoTo(2));
  EXPECT_EQ(e.ReadText("T"), "two") << "other records are free";

  ch.tellChild();  // the child lets the count go after 300 ms
  EXPECT_EQ(e.RecordCount(), 2);
  EXPECT_EQ(e.LastError(), 0);
  ASSERT_TRUE(e.GoTo(1));
  EXPECT_FALSE(e.Find([] { return true; })) << "record 1 is still locked";
  EXPECT_EQ(e.LastError(), err::LockViolation);
  EXPECT_FALSE(e.Delete([] { return true; }));
  EXPECT_EQ(e.LastError(), err::LockViolation);
  ch.tellChild();
  EXPECT_EQ(exitCode(pid), 0);
  ASSERT_TRUE(e.GoTo(1));
  EXPECT_EQ(e.ReadText("T"), "one");
}

TEST_F(Locking, TheCountIsRetriedEvery20To39MsForTwoSeconds) {
  auto faults = std::make_shared<FaultyFileSystem>();
  faults->fakeClock = true;
  RecordFileEngine e(faults);
  ASSERT_TRUE(e.Open(path));
  std::unique_ptr<File> other;  // another open file description holds the byte
  ASSERT_EQ(FileSystem::Real()->Open(path, {true, false, ShareMode::None}, other), 0);
  ASSERT_EQ(other->Lock(16, 1), 0);

  EXPECT_EQ(e.RecordCount(), 0);
  EXPECT_EQ(e.LastError(), err::LockViolation);
  EXPECT_GE(faults->clockMs, 2000u);
  EXPECT_LT(faults->clockMs, 2040u);
  ASSERT_FALSE(faults->sleeps.empty());
  for (unsigned ms : faults->sleeps) {
    EXPECT_GE(ms, 20u);
    EXPECT_LE(ms, 39u);
  }
  EXPECT_FALSE(e.Append({}));
  EXPECT_EQ(e.LastError(), err::LockViolation);
  other->Unlock(16, 1);
  EXPECT_EQ(e.RecordCount(), 2);
}

TEST_F(Locking, ABulkOperationElsewhereHoldsTheWholeFile) {
  Channel ch;
  const pid_t pid = forkChild([&] {
    RecordFileEngine child;
    if (!child.Open(path)) _exit(1);
    bool first = true;
    child.Delete([&] {
      if (first) {
        first = false;
        ch.tellParent();
        ch.waitForParent();
      }
      return false;
    });
    if (child.LastError() != 0) _exit(2);
  });
  ch.waitForChild();

  auto faults = std::make_shared<FaultyFileSystem>();
  faults->fakeClock = true;
  RecordFileEngine e(faults);
  EXPECT_FALSE(e.Open(path)) << "opening locks the whole file too";
  EXPECT_EQ(e.LastError(), err::LockViolation);
  ch.tellChild();
  EXPECT_EQ(exitCode(pid), 0);
  ASSERT_TRUE(e.Open(path));
  EXPECT_EQ(e.RecordCount(), 2);
}

TEST_F(Locking, ShareModesKeepOtherOpensOut) {
  struct Case {
    const char* what;
    bool firstReadOnly;
    ShareMode first;
    bool secondReadOnly;
    ShareMode second;
    bool opens;
  };
  const Case cases[] = {
      {"deny write keeps writers out", false, ShareMode::DenyWrite, false, ShareMode::None, false},
      {"deny write lets readers in", false, ShareMode::DenyWrite, true, ShareMode::None, true},
      {"deny read and write keeps readers out", false, ShareMode::DenyReadWrite, true, ShareMode::None,
       false},
      {"deny read keeps readers out", true, ShareMode::DenyRead, true, ShareMode::None, false},
      {"a writer prevents a deny-write open", false, ShareMode::None, true, ShareMode::DenyWrite, false},
      {"a reader allows a deny-write open", true, ShareMode::None, true, ShareMode::DenyWrite, true},
      {"no restriction on both", false, ShareMode::None, false, ShareMode::None, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordFileEngine a, b;
    ASSERT_TRUE(a.Open(path, {}, c.firstReadOnly, c.first));
    EXPECT_EQ(b.Open(path, {}, c.secondReadOnly, c.second), c.opens);
    if (!c.opens) {
      EXPECT_EQ(b.LastError(), err::SharingViolation);
    }
  }
}

TEST_F(Locking, ExclusiveOpensTakeNoRangeLocks) {
  auto faults = std::make_shared<FaultyFileSystem>();
  RecordFileEngine e(faults);
  ASSERT_TRUE(e.Open(path, {}, false, ShareMode::DenyReadWrite));
  faults->refuseLocks = true;
  EXPECT_EQ(e.RecordCount(), 2);
  ASSERT_TRUE(e.Append({std::string("three")}));
  ASSERT_TRUE(e.Delete([&] { return e.ReadText("T") == "one"; }));
  ASSERT_TRUE(e.Pack());
  EXPECT_EQ(faults->lockCalls, 0);
}

// A lock table over one open of the file, and a second open of it standing
// for another process that probes single bytes.
class LockTableProbe : public Locking {
 protected:
  void SetUp() override {
    Locking::SetUp();
    ASSERT_EQ(FileSystem::Real()->Open(path, {true, false, ShareMode::None}, mine), 0);
    ASSERT_EQ(FileSystem::Real()->Open(path, {true, false, ShareMode::None}, probe), 0);
    table.Attach(mine.get(), true);
  }
  bool lockedElsewhere(std::uint64_t at) {
    if (probe->Lock(at, 1) != 0) return true;
    probe->Unlock(at, 1);
    return false;
  }
  std::unique_ptr<File> mine, probe;
  LockTable table;
};

TEST_F(LockTableProbe, NestedRequestsReachTheSystemOnceAndWholeFileReleaseKeepsHeldBytes) {
  ASSERT_EQ(table.LockByte(16), 0);
  ASSERT_EQ(table.LockByte(16), 0);
  ASSERT_EQ(table.UnlockByte(16), 0);
  EXPECT_TRUE(lockedElsewhere(16)) << "one of two requests still holds it";

  ASSERT_EQ(table.LockWhole(), 0);
  ASSERT_EQ(table.LockWhole(), 0);
  ASSERT_EQ(table.LockByte(kH + kL), 0);  // inside the whole file: counted only
  ASSERT_EQ(table.UnlockWhole(), 0);
  EXPECT_TRUE(lockedElsewhere(100)) << "the outer request still holds the file";
  ASSERT_EQ(table.UnlockWhole(), 0);
  EXPECT_FALSE(lockedElsewhere(100));
  EXPECT_FALSE(lockedElsewhere(kH + kL - 1));
  EXPECT_TRUE(lockedElsewhere(kH + kL));
  EXPECT_TRUE(lockedElsewhere(16));
  EXPECT_FALSE(lockedElsewhere(17));

  ASSERT_EQ(table.UnlockByte(kH + kL), 0);
  ASSERT_EQ(table.UnlockByte(16), 0);
  EXPECT_FALSE(lockedElsewhere(kH + kL));
  EXPECT_FALSE(lockedElsewhere(16));
  EXPECT_EQ(table.UnlockByte(16), err::UnlockFailed);
}

TEST_F(LockTableProbe, ASpanOfFirstBytesIsOneRequestAndKeepsBytesHeldByOthersOfOurs) {
  ASSERT_EQ(table.LockByte(1024), 0);
  ASSERT_EQ(table.LockSpan(512, 3, 512), 0);  // 512, 1024, 1536
  for (std::uint64_t at : {512u, 1024u, 1536u}) EXPECT_TRUE(lockedElsewhere(at)) << at;
  EXPECT_FALSE(lockedElsewhere(511));
  EXPECT_FALSE(lockedElsewhere(1537));
  ASSERT_EQ(table.UnlockSpan(512, 3, 512), 0);
  EXPECT_FALSE(lockedElsewhere(512));
  EXPECT_TRUE(lockedElsewhere(1024)) << "still held by the single request";
  EXPECT_FALSE(lockedElsewhere(1536));
  ASSERT_EQ(table.UnlockByte(1024), 0);
  EXPECT_FALSE(lockedElsewhere(1024));

  ASSERT_EQ(probe->Lock(1024, 1), 0);
  EXPECT_EQ(table.LockSpan(512, 3, 512), err::LockViolation);
  EXPECT_FALSE(lockedElsewhere(512)) << "a refused span holds nothing";
  EXPECT_EQ(table.UnlockByte(512), err::UnlockFailed);
}

// A memo in block 1, a 20 KB byte-set in blocks 2..42, the next record's
// memo in block 43.
class BlockRunLocking : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordFileEngine e;
    ASSERT_TRUE(e.Create(path, {{"Memo", FieldType::Memo, 0}, {"Data", FieldType::ByteSet, 0}}));
    ASSERT_TRUE(e.Open(path));
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(e.Append({std::string(200, 'a'), picture}));
    ASSERT_TRUE(e.Append({std::string(200, 'b')}));
    ASSERT_EQ(readFile(dir / "blocks.edt").size(), 44u * 512);
    const OpenOptions shared{true, false, ShareMode::None};
    ASSERT_EQ(FileSystem::Real()->Open(dir / "blocks.edt", shared, other), 0);
  }
  TempDir dir;
  std::string path = dir / "blocks.edb";
  Bytes picture = Bytes(20 * 1024);
  std::unique_ptr<File> other;  // another open file description
};

TEST_F(BlockRunLocking, OnlyTheBlocksOfTheValueReadMeetAnotherHoldersLocks) {
  struct Case {
    std::uint32_t heldBlock;
    bool memoReadable, dataReadable;
  };
  const Case cases[] = {
      {20, true, false},  // inside the picture's run
      {42, true, false},  // its last block
      {2, true, false},   // its first block, right after the memo
      {1, false, true},   // the memo
      {43, true, true},   // the next record's memo, right after the picture
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heldBlock);
    RecordFileEngine e;
    ASSERT_TRUE(e.Open(path));
    ASSERT_EQ(other->Lock(std::uint64_t{c.heldBlock} * 512, 1), 0);
    const std::string memo = e.ReadText("Memo");
    EXPECT_EQ(e.LastError(), c.memoReadable ? 0 : err::LockViolation);
    EXPECT_EQ(memo, c.memoReadable ? std::string(200, 'a') : std::string());
    const Bytes data = e.ReadBytes("Data");
    EXPECT_EQ(e.LastError(), c.dataReadable ? 0 : err::LockViolation);
    EXPECT_EQ(data, c.dataReadable ? picture : Bytes());
    ASSERT_EQ(other->Unlock(std::uint64_t{c.heldBlock} * 512, 1), 0);
    ASSERT_TRUE(e.GoTo(1));
    EXPECT_EQ(e.ReadBytes("Data"), picture) << "readable once the holder lets go";
  }

  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  ASSERT_EQ(other->Lock(20 * 512, 1), 0);
  EXPECT_FALSE(e.WriteField("Data", Bytes(10, 1)));
  EXPECT_EQ(e.LastError(), err::LockViolation);
  ASSERT_EQ(other->Unlock(20 * 512, 1), 0);
  EXPECT_EQ(e.ReadBytes("Data"), picture) << "nothing was written";
}

}  // namespace
}  // namespace recfile::testing
