// Memo and byte-set chains in the side file: block use, the free list,
// trimming, and damaged chains.
#include <gtest/gtest.h>

#include "support.h"

namespace recfile::testing {
namespace {

struct BlockView {
  std::uint32_t prev, next, used;
};
BlockView block(const Bytes& side, std::uint32_t b) {
  return {u32(side, b * 512), u32(side, b * 512 + 4), u32(side, b * 512 + 8)};
}
struct SideView {
  std::uint32_t blocks, freeCount, firstFree;
};
SideView header(const Bytes& side) { return {u32(side, 16), u32(side, 20), u32(side, 24)}; }

class SideFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine.Create(path, {{"Memo", FieldType::Memo, 0}, {"Data", FieldType::ByteSet, 0}}));
    ASSERT_TRUE(engine.Open(path));
  }
  Bytes side() const { return readFile(sidePath); }

  TempDir dir;
  std::string path = dir / "s.edb";
  std::string sidePath = dir / "s.edt";
  RecordFileEngine engine;
};

TEST_F(SideFileTest, MemoOf1200BytesTakesThreeBlocksAndShrinkingTo300CutsTheFile) {
  ASSERT_TRUE(engine.Append({std::string(1200, 'x')}));
  Bytes s = side();
  ASSERT_EQ(s.size(), 4u * 512);
  EXPECT_EQ(header(s).blocks, 4u);
  const BlockView expected[] = {{0, 2, 500}, {1, 3, 500}, {2, 0, 200}};
  for (std::uint32_t b = 1; b <= 3; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(block(s, b).prev, expected[b - 1].prev);
    EXPECT_EQ(block(s, b).next, expected[b - 1].next);
    EXPECT_EQ(block(s, b).used, expected[b - 1].used);
  }

  ASSERT_TRUE(engine.WriteField("Memo", std::string(300, 'y')));
  s = side();
  EXPECT_EQ(s.size(), 2u * 512);
  EXPECT_EQ(header(s).blocks, 2u);
  EXPECT_EQ(header(s).freeCount, 0u);
  EXPECT_EQ(header(s).firstFree, 0u);
  EXPECT_EQ(block(s, 1).used, 300u);
  EXPECT_EQ(block(s, 1).next, 0u);
  EXPECT_EQ(engine.ReadText("Memo"), std::string(300, 'y'));
}

TEST_F(SideFileTest, BlocksFreedInTheMiddleAreReusedBeforeTheFileGrows) {
  ASSERT_TRUE(engine.Append({std::string(1200, 'a')}));                  // blocks 1-3
  ASSERT_TRUE(engine.Append({std::monostate{}, Bytes(100, 0xBB)}));      // block 4
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(engine.WriteField(1, std::string(300, 'b')));
  Bytes s = side();
  EXPECT_EQ(s.size(), 5u * 512);
  EXPECT_EQ(header(s).freeCount, 2u);
  EXPECT_EQ(header(s).firstFree, 2u);
  EXPECT_EQ(block(s, 2).prev, 0u);
  EXPECT_EQ(block(s, 2).next, 3u);
  EXPECT_EQ(block(s, 2).used, 0u);
  EXPECT_EQ(block(s, 3).prev, 2u);
  EXPECT_EQ(block(s, 3).next, 0u);
  EXPECT_EQ(std::count(s.begin() + 1024 + 12, s.begin() + 1536, 'a'), 0) << "freed data is cleared";

  ASSERT_TRUE(engine.Append({std::string(800, 'c')}));
  s = side();
  EXPECT_EQ(s.size(), 5u * 512);
  EXPECT_EQ(header(s).freeCount, 0u);
  EXPECT_EQ(header(s).firstFree, 0u);
  EXPECT_EQ(block(s, 2).next, 3u);
  EXPECT_EQ(block(s, 3).used, 300u);
  EXPECT_EQ(engine.ReadText("Memo"), std::string(800, 'c'));
  ASSERT_TRUE(engine.GoTo(2));
  EXPECT_EQ(engine.ReadBytes("Data"), Bytes(100, 0xBB));
}

TEST_F(SideFileTest, FreeingTheLastBlockTrimsEveryFreeBlockBeforeIt) {
  ASSERT_TRUE(engine.Append({std::string(1200, 'a')}));
  ASSERT_TRUE(engine.Append({std::string(100, 'b')}));  // block 4
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(engine.WriteField("Memo", std::string(10, 'a')));  // frees 2 and 3
  ASSERT_TRUE(engine.GoTo(2));
  ASSERT_TRUE(engine.WriteField("Memo", std::string()));  // frees 4, the last
  const Bytes s = side();
  EXPECT_EQ(s.size(), 2u * 512);
  EXPECT_EQ(header(s).blocks, 2u);
  EXPECT_EQ(header(s).freeCount, 0u);
  EXPECT_EQ(header(s).firstFree, 0u);
  ASSERT_TRUE(engine.GoTo(1));
  EXPECT_EQ(engine.ReadText("Memo"), std::string(10, 'a'));
}

TEST_F(SideFileTest, PackFreesTheDroppedRecordsChainsInRecordOrder) {
  ASSERT_TRUE(engine.Append({std::string()}));
  ASSERT_TRUE(engine.Append({std::string("two")}));     // block 1
  ASSERT_TRUE(engine.Append({std::string("three")}));   // block 2
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(engine.WriteField("Memo", std::string(1000, 'a')));  // blocks 3, 4
  ASSERT_TRUE(engine.Append({std::string("four")}));    // block 5 keeps the end in use
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(engine.Delete());
  ASSERT_TRUE(engine.GoTo(2));
  ASSERT_TRUE(engine.Delete());
  ASSERT_TRUE(engine.Pack());

  // Record 1's blocks went to the free list first, record 2's on top.
  Bytes s = side();
  EXPECT_EQ(header(s).freeCount, 3u);
  EXPECT_EQ(header(s).firstFree, 1u);
  const std::uint32_t order[] = {1, 3, 4};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(order[i]);
    EXPECT_EQ(block(s, order[i]).prev, i > 0 ? order[i - 1] : 0u);
    EXPECT_EQ(block(s, order[i]).next, i < 2 ? order[i + 1] : 0u);
    EXPECT_EQ(block(s, order[i]).used, 0u);
  }
  ASSERT_TRUE(engine.Append({std::string("new")}));
  s = side();
  EXPECT_EQ(block(s, 1).used, 3u) << "the new memo takes the head of the free list";
  EXPECT_EQ(header(s).firstFree, 3u);
  EXPECT_EQ(engine.ReadText("Memo"), "new");
}

TEST_F(SideFileTest, MemoEndsAtItsFirstZeroByteButByteSetsKeepZeros) {
  ASSERT_TRUE(engine.Append({std::string("前\0后", 7), Bytes{0, 1, 0}}));
  EXPECT_EQ(engine.ReadText("Memo"), "前");
  EXPECT_EQ(engine.ReadBytes("Data"), (Bytes{0, 1, 0}));
  const Bytes s = side();
  EXPECT_EQ(Bytes(s.begin() + 512 + 12, s.begin() + 512 + 17), (Bytes{0xC7, 0xB0, 0, 0xBA, 0xF3}));
}

// Damage written straight into block 1 of a one-record file.
struct Damage {
  const char* what;
  std::size_t at;
  std::uint32_t value;
};
const Damage kDamages[] = {
    {"chain loops back to itself", 512 + 4, 1},
    {"chain points past the end of the file", 512 + 4, 99},
    {"block in a chain claims no data", 512 + 8, 0},
    {"block claims more than 500 bytes", 512 + 8, 501},
};

TEST_F(SideFileTest, DamagedChainsFailWithoutHangingOrWriting) {
  ASSERT_TRUE(engine.Append({std::string(1200, 'a')}));
  ASSERT_TRUE(engine.Append({std::string(10, 'b')}));
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(engine.Delete());
  const Bytes good = side();
  const Bytes mainBefore = readFile(path);
  for (const Damage& d : kDamages) {
    SCOPED_TRACE(d.what);
    Bytes bad = good;
    put32(bad, d.at, d.value);
    writeFile(sidePath, bad);
    ASSERT_TRUE(engine.GoTo(1));

    EXPECT_EQ(engine.ReadField("Memo"), Value(std::string()));
    EXPECT_EQ(engine.LastError(), err::ReadFieldFailed);
    EXPECT_FALSE(engine.WriteField("Memo", std::string(20, 'z')));
    EXPECT_EQ(engine.LastError(), err::WriteFieldFailed);
    EXPECT_FALSE(engine.Modify({std::string("zz")}));
    EXPECT_EQ(engine.LastError(), err::SideAccessFailed);
    EXPECT_EQ(side(), bad);
    EXPECT_EQ(readFile(path), mainBefore);

    ASSERT_TRUE(engine.GoTo(2));
    EXPECT_EQ(engine.ReadText("Memo"), std::string(10, 'b'));  // an intact chain still reads
  }
}

TEST_F(SideFileTest, PackDropsARecordWithADamagedChainAndLeavesItsBlocksAlone) {
  ASSERT_TRUE(engine.Append({std::string(1200, 'a')}));
  ASSERT_TRUE(engine.Append({std::string(10, 'b')}));
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(engine.Delete());
  Bytes s = side();
  put32(s, 512 + 4, 4);  // block 1 now leads into the other record's chain
  writeFile(sidePath, s);
  ASSERT_TRUE(engine.Pack());
  EXPECT_EQ(engine.RecordCount(), 1);
  EXPECT_EQ(engine.ReadText("Memo"), std::string(10, 'b'));
  EXPECT_EQ(side(), s);
}

TEST_F(SideFileTest, FreeListLeadingToABlockInUseIsRefused) {
  ASSERT_TRUE(engine.Append({std::string(10, 'a')}));
  Bytes s = side();
  put32(s, 20, 1);
  put32(s, 24, 1);  // "free" head = block 1, which holds the memo
  writeFile(sidePath, s);
  EXPECT_FALSE(engine.Append({std::string(10, 'b')}));
  EXPECT_EQ(engine.LastError(), err::SideAccessFailed);
  EXPECT_EQ(side(), s);
  EXPECT_EQ(engine.RecordCount(), 1);
  EXPECT_EQ(engine.ReadText("Memo"), std::string(10, 'a'));
}

Bytes pattern(std::size_t n, std::uint8_t seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 13 + i / 500);
  return b;
}

TEST_F(SideFileTest, ValuesOfEveryLengthReadBackAloneTogetherAndThroughBulkOperations) {
  // From one block to chains far longer than anything read at once.
  const std::size_t sizes[] = {1, 500, 501, 4000, 20 * 1024, 700000};
  for (std::size_t i = 0; i < std::size(sizes); ++i)
    ASSERT_TRUE(engine.Append({std::string(sizes[i] % 3000 + 1, char('a' + i)),
                               pattern(sizes[i], static_cast<std::uint8_t>(i))}));
  engine.CloseAll();

  auto memo = [&](std::size_t i) { return std::string(sizes[i] % 3000 + 1, char('a' + i)); };
  auto data = [&](std::size_t i) { return pattern(sizes[i], static_cast<std::uint8_t>(i)); };
  // Record r (1-based) holds the values of case order[r - 1].
  auto check = [&](RecordFileEngine& e, const std::vector<std::size_t>& order, bool dataFirst) {
    for (std::size_t r = 0; r < order.size(); ++r) {
      const std::size_t i = order[r];
      SCOPED_TRACE(sizes[i]);
      ASSERT_TRUE(e.GoTo(static_cast<std::int64_t>(r) + 1));
      if (dataFirst) {
        EXPECT_EQ(e.ReadBytes("Data"), data(i));
      }
      EXPECT_EQ(e.ReadText("Memo"), memo(i));
      EXPECT_EQ(e.ReadBytes("Data"), data(i));
      EXPECT_EQ(e.LastError(), 0);
    }
  };
  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  check(e, {0, 1, 2, 3, 4, 5}, false);
  check(e, {0, 1, 2, 3, 4, 5}, true);

  const std::string copy = dir / "copy.edb";
  ASSERT_TRUE(e.Create(copy, {{"Memo", FieldType::Memo, 0}, {"Data", FieldType::ByteSet, 0}}));
  ASSERT_TRUE(e.Open(copy));
  ASSERT_TRUE(e.CopyRecords(path));
  check(e, {0, 1, 2, 3, 4, 5}, false);
  ASSERT_TRUE(e.GoTo(1));
  ASSERT_TRUE(e.Delete());
  ASSERT_TRUE(e.Pack());
  ASSERT_TRUE(e.Append({memo(0), data(0)}));  // takes freed blocks
  check(e, {1, 2, 3, 4, 5, 0}, false);
}

TEST_F(SideFileTest, AChainWhoseBlocksJumpBackAndForthReadsBackWhole) {
  ASSERT_TRUE(engine.Append({std::string(1200, 'a')}));  // blocks 1-3
  ASSERT_TRUE(engine.Append({std::string(600, 'b')}));   // blocks 4-5
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(engine.WriteField("Memo", std::string(300, 'a')));  // frees 2-3
  ASSERT_TRUE(engine.GoTo(2));
  const std::string longMemo(2400, 'c');
  ASSERT_TRUE(engine.WriteField("Memo", longMemo));  // 4, 5, then 2, 3, then 6
  const Bytes s = side();
  EXPECT_EQ(block(s, 4).next, 5u);
  EXPECT_EQ(block(s, 5).next, 2u);
  EXPECT_EQ(block(s, 2).next, 3u);
  EXPECT_EQ(block(s, 3).next, 6u);
  EXPECT_EQ(block(s, 6).next, 0u);
  engine.CloseAll();

  RecordFileEngine e;
  ASSERT_TRUE(e.Open(path));
  ASSERT_TRUE(e.GoTo(2));
  EXPECT_EQ(e.ReadText("Memo"), longMemo);
  ASSERT_TRUE(e.GoTo(1));
  EXPECT_EQ(e.ReadText("Memo"), std::string(300, 'a'));
  EXPECT_EQ(e.LastError(), 0);
}

TEST_F(SideFileTest, AValueReadAlongWithAnotherIsNeverOlderThanTheRecordReadOrOwnWrites) {
  ASSERT_TRUE(engine.Append({std::string("memo"), Bytes{1, 2, 3}}));
  RecordFileEngine other;  // another open of the same files
  ASSERT_TRUE(other.Open(path));

  EXPECT_EQ(engine.ReadText("Memo"), "memo");  // reads Data's block along
  ASSERT_TRUE(engine.WriteField("Data", Bytes{4, 5}));
  EXPECT_EQ(engine.ReadBytes("Data"), (Bytes{4, 5}));

  EXPECT_EQ(engine.ReadText("Memo"), "memo");
  ASSERT_TRUE(other.WriteField("Data", Bytes{6}));
  ASSERT_TRUE(engine.GoTo(1));  // the record is read again, and its values
  EXPECT_EQ(engine.ReadBytes("Data"), (Bytes{6}));
}

}  // namespace
}  // namespace recfile::testing
