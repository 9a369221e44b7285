// Opening: the checks of damaged or foreign files, the repair a read-write
// open makes, and that a refused file is left exactly as it was.
#include <gtest/gtest.h>

#include <functional>

#include "support.h"
#include "tools/mochuan-edb/check.h"

namespace recfile::testing {
namespace {

// Fields "T" text(10) and "M" memo: H = 260, L = 18.
constexpr std::size_t kH = 112 + 4 + 2 * 72;
constexpr std::size_t kL = 4 + 10 + 4;

class OpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordFileEngine e;
    ASSERT_TRUE(e.Create(path, {{"T", FieldType::Text, 10}, {"M", FieldType::Memo, 0}}));
    ASSERT_TRUE(e.Open(path));
    ASSERT_TRUE(e.Append({std::string("one"), std::string("first memo")}));
    ASSERT_TRUE(e.Append({std::string("two"), std::string("second memo")}));
  }
  TempDir dir;
  std::string path = dir / "bank.edb";
  std::string side = dir / "bank.edt";
};

struct Broken {
  const char* what;
  std::function<void(Bytes& main, Bytes& side)> damage;
  int expected;
};

const Broken kBroken[] = {
    {"foreign magic", [](Bytes& m, Bytes&) { m[1] = 'X'; }, err::NotADatabase},
    {"shorter than a header", [](Bytes& m, Bytes&) { m.resize(60); }, err::NotADatabase},
    {"record length 0", [](Bytes& m, Bytes&) { put32(m, 24, 0); }, err::NotADatabase},
    {"negative record count", [](Bytes& m, Bytes&) { put32(m, 16, 0xFFFFFFFF); }, err::NotADatabase},
    {"next id 0", [](Bytes& m, Bytes&) { put32(m, 20, 0); }, err::NotADatabase},
    {"newer version", [](Bytes& m, Bytes&) { put32(m, 4, 0x00010001); }, err::VersionTooHigh},
    {"no fields", [](Bytes& m, Bytes&) { put32(m, 112, 0); }, err::NotADatabase},
    {"field table past the end", [](Bytes& m, Bytes&) { put32(m, 112, 1000); }, err::NotADatabase},
    {"name without its zero", [](Bytes& m, Bytes&) { std::fill(m.begin() + 116, m.begin() + 133, 'a'); },
     err::NotADatabase},
    {"type 13", [](Bytes& m, Bytes&) { put32(m, 116 + 20, 13); }, err::NotADatabase},
    {"text width 0", [](Bytes& m, Bytes&) { put32(m, 116 + 28, 0); }, err::NotADatabase},
    {"text wider than 1024", [](Bytes& m, Bytes&) { put32(m, 116 + 28, 1025); put32(m, 24, 1033); },
     err::NotADatabase},
    {"record length beyond its fields", [](Bytes& m, Bytes&) { put32(m, 24, 0x7FFFFFFF); },
     err::NotADatabase},
    {"negative offset", [](Bytes& m, Bytes&) { put32(m, 116 + 24, 0xFFFFFFF0); }, err::NotADatabase},
    {"field reaching past the record", [](Bytes& m, Bytes&) { put32(m, 116 + 72 + 24, 16); },
     err::NotADatabase},
    {"side file magic", [](Bytes&, Bytes& s) { s[0] = 'X'; }, err::SideReadFailed},
    {"side file cut inside its header", [](Bytes&, Bytes& s) { s.resize(20); }, err::SideReadFailed},
    {"no side blocks", [](Bytes&, Bytes& s) { put32(s, 16, 0); }, err::SideReadFailed},
    {"free count not below the block count", [](Bytes&, Bytes& s) { put32(s, 20, 3); },
     err::SideReadFailed},
    {"first free block outside", [](Bytes&, Bytes& s) { put32(s, 24, 7); }, err::SideReadFailed},
    {"side version differs", [](Bytes&, Bytes& s) { put32(s, 4, 0x00020000); },
     err::SideVersionMismatch},
};

TEST_F(OpenTest, DamagedFilesAreRefusedWithTheirCodeAndLeftUntouched) {
  const Bytes goodMain = readFile(path), goodSide = readFile(side);
  for (const Broken& b : kBroken) {
    for (bool readOnly : {false, true}) {
      SCOPED_TRACE(std::string(b.what) + (readOnly ? " (read-only)" : " (read-write)"));
      Bytes m = goodMain, s = goodSide;
      b.damage(m, s);
      writeFile(path, m);
      writeFile(side, s);
      RecordFileEngine e;
      EXPECT_FALSE(e.Open(path, {}, readOnly));
      EXPECT_EQ(e.LastError(), b.expected);
      EXPECT_EQ(e.CurrentPath(), "");
      EXPECT_EQ(readFile(path), m);
      EXPECT_EQ(readFile(side), s);
    }
  }
}

TEST_F(OpenTest, MissingFilesAndWrongPasswordsAreRefused) {
  RecordFileEngine e;
  EXPECT_FALSE(e.Open(dir / "nothing"));
  EXPECT_EQ(e.LastError(), err::FileNotFound);
  EXPECT_FALSE(openWithPassword(e, path, "secret"));
  EXPECT_EQ(e.LastError(), err::WrongPassword);

  ASSERT_TRUE(e.Open(path));
  ASSERT_TRUE(e.SetPassword("secret"));
  e.CloseAll();
  const Bytes m = readFile(path);
  for (const char* wrong : {"", "Secret", "secret2"}) {
    SCOPED_TRACE(wrong);
    EXPECT_FALSE(openWithPassword(e, path, wrong));
    EXPECT_EQ(e.LastError(), err::WrongPassword);
  }
  EXPECT_EQ(readFile(path), m);

  std::filesystem::remove(side);
  EXPECT_FALSE(openWithPassword(e, path, "secret"));
  EXPECT_EQ(e.LastError(), err::SideReadFailed);
}

TEST_F(OpenTest, ReadWriteOpenCutsAPartialRecordAndLowersTheCount) {
  const Bytes good = readFile(path);
  ASSERT_EQ(good.size(), kH + 2 * kL);
  struct Case {
    const char* what;
    std::size_t size;
    std::int64_t count;
  };
  const Case cases[] = {{"trailing garbage shorter than a record", kH + 2 * kL + 7, 2},
                        {"last record cut short", kH + 2 * kL - 5, 1},
                        {"both records gone", kH + 3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes m = good;
    m.resize(c.size, 0xEE);
    writeFile(path, m);

    RecordFileEngine reader;
    if (c.count < 2) {
      EXPECT_FALSE(reader.Open(path, {}, true));
      EXPECT_EQ(reader.LastError(), err::BadFileSize);
    } else {
      EXPECT_TRUE(reader.Open(path, {}, true));
    }
    reader.CloseAll();
    EXPECT_EQ(readFile(path), m) << "a read-only open writes nothing";

    RecordFileEngine e;
    ASSERT_TRUE(e.Open(path));
    EXPECT_EQ(e.RecordCount(), c.count);
    const Bytes repaired = readFile(path);
    EXPECT_EQ(repaired.size(), kH + c.count * kL);
    EXPECT_EQ(u32(repaired, 16), static_cast<std::uint32_t>(c.count));
    EXPECT_EQ(u32(repaired, 20), 3u) << "ids already given stay given";
    if (c.count > 0) {
      EXPECT_EQ(e.ReadText("M"), "first memo");
    }
    ASSERT_TRUE(e.Append({std::string("three")}));
    EXPECT_EQ(e.RecordId(), 3);
  }
}

TEST_F(OpenTest, SideFileMissingBlocksIsRefusedReadOnlyAndCorrectedReadWrite) {
  Bytes s = readFile(side);
  ASSERT_EQ(u32(s, 16), 3u);
  s.resize(2 * 512 + 100);  // block 2 cut short
  writeFile(side, s);
  RecordFileEngine reader;
  EXPECT_FALSE(reader.Open(path, {}, true));
  EXPECT_EQ(reader.LastError(), err::SideDamaged);
  EXPECT_EQ(readFile(side), s);

  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  const Bytes fixed = readFile(side);
  EXPECT_EQ(u32(fixed, 16), 2u);
  EXPECT_EQ(fixed.size(), 2u * 512);
  EXPECT_EQ(e.ReadText("M"), "first memo");
  ASSERT_TRUE(e.GoTo(2));
  EXPECT_EQ(e.ReadField("M"), Value(std::string())) << "its only block was lost";
  EXPECT_EQ(e.LastError(), 0);
  ASSERT_TRUE(e.WriteField("M", std::string("new")));
  EXPECT_EQ(e.ReadText("M"), "new");
  ASSERT_TRUE(e.GoTo(1));
  EXPECT_EQ(e.ReadText("M"), "first memo");
}

// A side file of 10 blocks: a memo of 4 blocks (1-4), freed blocks 5 and 6,
// and a record whose answer runs over blocks 7, 8 and 9. The last block is
// then lost.
TEST_F(OpenTest, SideFileCutShortKeepsItsFreeListAndNoBlockJoinsTwoChains) {
  RecordFileEngine e;
  ASSERT_TRUE(e.Create(dir / "ten.edb", {{"Q", FieldType::Memo, 0}, {"A", FieldType::Memo, 0}}));
  ASSERT_TRUE(e.Open(dir / "ten.edb"));
  ASSERT_TRUE(e.Append({std::string(2000, 'q'), std::string()}));           // 1-4
  ASSERT_TRUE(e.Append({std::string(1000, 'x'), std::string()}));           // 5-6
  ASSERT_TRUE(e.Append({std::string("kept"), std::string(1400, 'a')}));     // 7, 8-10
  ASSERT_TRUE(e.GoTo(2));
  ASSERT_TRUE(e.WriteField("Q", std::string()));                            // frees 5, 6
  e.CloseAll();
  const std::string sidePath = dir / "ten.edt";
  Bytes s = readFile(sidePath);
  ASSERT_EQ(u32(s, 16), 11u);
  ASSERT_EQ(u32(s, 20), 2u);
  s.resize(10 * 512);  // block 10, the answer's last, is gone
  writeFile(sidePath, s);

  ASSERT_TRUE(e.Open(dir / "ten.edb"));
  Bytes fixed = readFile(sidePath);
  EXPECT_EQ(u32(fixed, 16), 10u) << "the block count is corrected";
  EXPECT_EQ(u32(fixed, 20), 2u) << "the free blocks stay free";
  EXPECT_EQ(u32(fixed, 24), u32(s, 24));
  EXPECT_EQ(u32(fixed, 9 * 512 + 4), 0u) << "the answer's chain ends where the file does";
  ASSERT_TRUE(e.GoTo(3));
  EXPECT_EQ(e.ReadText("A"), std::string(1000, 'a')) << "reads short";

  // New values take the free blocks, then block 10 afresh: it belongs to
  // the new chain alone.
  ASSERT_TRUE(e.Append({std::string(1500, 'n'), std::string()}));
  EXPECT_EQ(e.ReadText("Q"), std::string(1500, 'n'));
  ASSERT_TRUE(e.GoTo(3));
  EXPECT_EQ(e.ReadText("A"), std::string(1000, 'a'));
  EXPECT_EQ(e.ReadText("Q"), "kept");
  ASSERT_TRUE(e.GoTo(1));
  EXPECT_EQ(e.ReadText("Q"), std::string(2000, 'q'));
  e.CloseAll();
  const auto outcome = edb::CheckFiles(dir / "ten.edb", sidePath, "");
  EXPECT_EQ(outcome.fatal, "");
  EXPECT_EQ(outcome.problems, std::vector<std::string>{});
}

TEST_F(OpenTest, ARecordWhoseValueStartsInALostBlockReadsEmpty) {
  RecordFileEngine e;
  ASSERT_TRUE(e.Create(dir / "lost.edb", {{"Q", FieldType::Memo, 0}}));
  ASSERT_TRUE(e.Open(dir / "lost.edb"));
  ASSERT_TRUE(e.Append({std::string("one")}));   // block 1
  ASSERT_TRUE(e.Append({std::string("two")}));   // block 2
  e.CloseAll();
  Bytes s = readFile(dir / "lost.edt");
  s.resize(2 * 512);
  writeFile(dir / "lost.edt", s);
  ASSERT_TRUE(e.Open(dir / "lost.edb"));
  ASSERT_TRUE(e.Append({std::string("three")}));  // takes block 2 afresh
  ASSERT_TRUE(e.GoTo(2));
  EXPECT_EQ(e.ReadText("Q"), "");
  ASSERT_TRUE(e.GoTo(3));
  EXPECT_EQ(e.ReadText("Q"), "three");
  e.CloseAll();
  EXPECT_EQ(edb::CheckFiles(dir / "lost.edb", dir / "lost.edt", "").problems,
            std::vector<std::string>{});
}

TEST_F(OpenTest, TheSameFileUnderAnotherFormOfItsPathIsAlreadyOpen) {
  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const std::string forms[] = {"bank", "bank.edb", "./sub/../bank.EDB", dir / "bank."};
  std::filesystem::create_directory(dir / "sub");
  for (const std::string& form : forms) {
    SCOPED_TRACE(form);
    EXPECT_TRUE(e.IsOpen(form));
    EXPECT_FALSE(e.Open(form, "x", true));
    EXPECT_EQ(e.LastError(), err::AlreadyOpen);
  }
  std::filesystem::create_symlink(path, dir / "link.edb");
  EXPECT_FALSE(e.Open(dir / "link.edb"));
  EXPECT_EQ(e.LastError(), err::AlreadyOpen);
  std::filesystem::current_path(cwd);
  EXPECT_FALSE(e.IsOpen(dir / "other"));
  EXPECT_EQ(e.RecordCount(), 2) << "the first entry is still current";
}

}  // namespace
}  // namespace recfile::testing
