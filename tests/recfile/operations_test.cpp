// The engine's operations: results, current-record movements and errors.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <thread>

#include "support.h"

namespace recfile::testing {
namespace {

const std::vector<FieldDef> kBankFields = {
    {"名称", FieldType::Text, 8}, {"数量", FieldType::Integer, 0}, {"备注", FieldType::Memo, 0}};

class Operations : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine.Create(path, kBankFields));
    ASSERT_TRUE(engine.Open(path));
  }
  void fill(int n) {
    for (int i = 1; i <= n; ++i)
      ASSERT_TRUE(engine.Append({"r" + std::to_string(i), std::int64_t{i}, "memo " + std::to_string(i)}));
  }
  std::vector<std::int64_t> quantities() {
    std::vector<std::int64_t> out;
    for (std::int64_t r = 1; r <= engine.RecordCount(); ++r) {
      engine.GoTo(r);
      out.push_back(engine.ReadInt("数量"));
    }
    return out;
  }

  TempDir dir;
  std::string path = dir / "bank.edb";
  RecordFileEngine engine;
};

struct Step {
  const char* what;
  std::function<bool(RecordFileEngine&)> op;
  bool result;
  int error;
  std::int64_t recordNumber;
};

void runSteps(RecordFileEngine& e, const std::vector<Step>& steps) {
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(s.op(e), s.result);
    EXPECT_EQ(e.LastError(), s.error);
    EXPECT_EQ(e.RecordNumber(), s.recordNumber);
  }
}

TEST_F(Operations, MovementsOverThreeRecords) {
  fill(3);
  runSteps(engine, {
      {"GoTo beyond the end stays on the last", [](auto& e) { return e.GoTo(9); }, true, 0, 3},
      {"GoTo 0 goes to the first", [](auto& e) { return e.GoTo(0); }, true, 0, 1},
      {"Skip 0 does nothing", [](auto& e) { return e.Skip(0); }, true, 0, 1},
      {"Skip 5 stops after the last", [](auto& e) { return e.Skip(5); }, true, 0, 4},
      {"reading after the last", [](auto& e) { e.ReadField("名称"); return e.LastError() == 0; }, false,
       err::SeekFailed, 4},
      {"id after the last", [](auto& e) { return e.RecordId() != 0; }, false, err::SeekFailed, 4},
      {"Modify after the last", [](auto& e) { return e.Modify({std::string("x")}); }, false,
       err::NoCurrentRecord, 4},
      {"Skip forward again", [](auto& e) { return e.Skip(); }, false, err::AfterLast, 4},
      {"Skip back far", [](auto& e) { return e.Skip(-10); }, true, 0, 0},
      {"id before the first", [](auto& e) { return e.RecordId() != 0; }, false, err::NoCurrentRecord, 0},
      {"reading before the first", [](auto& e) { e.ReadField(1); return e.LastError() == 0; }, false,
       err::NoCurrentRecord, 0},
      {"WriteField before the first", [](auto& e) { return e.WriteField(1, std::string("x")); }, false,
       err::NoCurrentRecord, 0},
      {"Delete before the first", [](auto& e) { return e.Delete(); }, false, err::NoCurrentRecord, 0},
      {"Skip back again", [](auto& e) { return e.Skip(-1); }, false, err::BeforeFirst, 0},
      {"Skip forward from before the first", [](auto& e) { return e.Skip(2); }, true, 0, 2},
      {"GoToLast", [](auto& e) { return e.GoToLast(); }, true, 0, 3},
      {"the largest step back", [](auto& e) { return e.Skip(INT64_MIN); }, true, 0, 0},
      {"the largest step forward", [](auto& e) { return e.Skip(INT64_MAX); }, true, 0, 4},
      {"GoTo the smallest number", [](auto& e) { return e.GoTo(INT64_MIN); }, true, 0, 1},
      {"GoTo the largest number", [](auto& e) { return e.GoTo(INT64_MAX); }, true, 0, 3},
  });
  EXPECT_EQ(engine.ReadText("名称"), "r3");
}

TEST_F(Operations, MovementsOverAnEmptyDatabase) {
  EXPECT_EQ(engine.RecordNumber(), 1) << "a new open starts on the first record";
  runSteps(engine, {
      {"GoTo", [](auto& e) { return e.GoTo(5); }, true, 0, 1},
      {"reading", [](auto& e) { e.ReadField("名称"); return e.LastError() == 0; }, false,
       err::SeekFailed, 1},
      {"Skip forward", [](auto& e) { return e.Skip(); }, false, err::AfterLast, 1},
      {"Skip back", [](auto& e) { return e.Skip(-1); }, false, err::BeforeFirst, 1},
      {"GoToLast", [](auto& e) { return e.GoToLast(); }, true, 0, 1},
      {"Find", [](auto& e) { return e.Find([] { return true; }); }, false, 0, 1},
      {"GoToId", [](auto& e) { return e.GoToId(1); }, false, 0, 1},
  });
}

TEST_F(Operations, AppendModifyAndWriteFieldStoreValuesByType) {
  ASSERT_TRUE(engine.Append({std::string("甲")}));
  EXPECT_EQ(engine.RecordNumber(), 1);
  EXPECT_EQ(engine.ReadInt("数量"), 0) << "omitted values are zero";
  EXPECT_EQ(engine.ReadText("备注"), "");

  ASSERT_TRUE(engine.Modify({std::monostate{}, 42.9}));
  EXPECT_EQ(engine.ReadText("名称"), "甲") << "omitted values keep the field";
  EXPECT_EQ(engine.ReadInt("数量"), 42) << "a real value is cut toward zero";
  ASSERT_TRUE(engine.WriteField(2, -7.9));
  EXPECT_EQ(engine.ReadInt(2), -7);
  ASSERT_TRUE(engine.WriteField("名称", std::string("一二三四五")));
  EXPECT_EQ(engine.ReadText("名称"), "一二三四") << "cut to 8 bytes";
  ASSERT_TRUE(engine.WriteField("备注", std::string(2000, 'm')));
  EXPECT_EQ(engine.ReadText("备注").size(), 2000u);

  const Bytes before = readFile(path);
  struct Bad {
    const char* what;
    std::function<bool()> op;
  };
  const Bad bad[] = {
      {"text into a number", [&] { return engine.WriteField("数量", std::string("5")); }},
      {"a truth value into a number", [&] { return engine.WriteField("数量", true); }},
      {"bytes into a memo", [&] { return engine.WriteField("备注", Bytes{1}); }},
      {"a number into text", [&] { return engine.Modify({std::int64_t{1}}); }},
      {"a number into text on append", [&] { return engine.Append({std::int64_t{1}}); }},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.what);
    EXPECT_FALSE(b.op());
    EXPECT_EQ(engine.LastError(), err::TypeMismatch);
  }
  EXPECT_FALSE(engine.Append({std::string(), std::int64_t{1}, std::string(), std::string()}));
  EXPECT_EQ(engine.LastError(), err::NoSuchField);
  EXPECT_EQ(readFile(path), before);
  EXPECT_EQ(engine.RecordCount(), 1);
}

TEST_F(Operations, FieldsAreNamedIgnoringCaseOrByPosition) {
  RecordFileEngine e;
  ASSERT_TRUE(e.Create(dir / "t", {{"Name", FieldType::Text, 4}, {"Flag", FieldType::Logical, 0}}));
  ASSERT_TRUE(e.Open(dir / "t"));
  EXPECT_EQ(e.FieldCount(), 2);
  EXPECT_EQ(e.FieldName(2), "Flag");
  EXPECT_EQ(e.FieldName("NAME"), "Name");
  EXPECT_EQ(e.FieldName(3), "");
  EXPECT_EQ(e.LastError(), err::NoSuchField);
  ASSERT_TRUE(e.Append({std::string("ab"), true}));
  EXPECT_TRUE(e.ReadBool("flag"));
  EXPECT_EQ(e.ReadText("nAmE"), "ab");
  const auto fields = e.Fields();
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].width, 4);
  EXPECT_EQ(fields[1].type, FieldType::Logical);
}

TEST_F(Operations, UsageErrorsOfReadFieldAndWriteField) {
  fill(1);
  EXPECT_EQ(engine.ReadField("无此字段"), Value());
  EXPECT_EQ(engine.LastError(), err::NoSuchField);
  EXPECT_EQ(engine.LastUsageError(), "指定字段不存在");
  EXPECT_FALSE(engine.WriteField(0, std::string("x")));
  EXPECT_EQ(engine.LastError(), err::NoSuchField);
  EXPECT_EQ(engine.ReadField(1, "别的库"), Value());
  EXPECT_EQ(engine.LastError(), err::DatabaseNotOpen);
  EXPECT_EQ(engine.LastUsageError(), "未指定当前数据库或者指定数据库未打开");
  EXPECT_EQ(engine.LastStatus(), Status(err::DatabaseNotOpen, "未指定当前数据库或者指定数据库未打开"));
  EXPECT_FALSE(engine.GoToId(1) && engine.Skip(-5) && engine.Skip(-1));
  EXPECT_EQ(engine.LastStatus(), Status(err::BeforeFirst, "已经越过数据库的首记录"));
  EXPECT_EQ(engine.LastUsageError(), "") << "not a usage error";
  ASSERT_TRUE(engine.GoTo(1));
  EXPECT_TRUE(engine.LastStatus().ok());
  EXPECT_FALSE(engine.WriteField(1, std::string("x"), "别的库"));
  EXPECT_EQ(engine.LastError(), err::DatabaseNotOpen);
  EXPECT_EQ(engine.ReadText(1), "r1");
  EXPECT_EQ(engine.LastUsageError(), "");
  engine.Close();
  EXPECT_FALSE(engine.WriteField(1, std::string("x")));
  EXPECT_EQ(engine.LastError(), err::DatabaseNotOpen);
}

TEST_F(Operations, DeletedRecordsStayReadableUntilPackAndIdsAreNeverReused) {
  fill(4);
  ASSERT_TRUE(engine.GoTo(2));
  ASSERT_TRUE(engine.Delete());
  EXPECT_EQ(engine.RecordCount(), 4);
  EXPECT_TRUE(engine.IsDeleted());
  EXPECT_EQ(engine.RecordId(), 2);
  EXPECT_EQ(engine.ReadText("备注"), "memo 2");
  ASSERT_TRUE(engine.Delete()) << "deleting twice keeps the mark";
  ASSERT_TRUE(engine.GoToLast());
  ASSERT_TRUE(engine.Delete());  // id 4, the highest

  const auto sideBefore = std::filesystem::file_size(dir / "bank.edt");
  ASSERT_TRUE(engine.Pack());
  EXPECT_EQ(engine.RecordNumber(), 1);
  EXPECT_EQ(engine.RecordCount(), 2);
  EXPECT_EQ(quantities(), (std::vector<std::int64_t>{1, 3}));
  EXPECT_EQ(std::filesystem::file_size(path), 112u + 4 + 3 * 72 + 2 * (4 + 8 + 4 + 4));
  EXPECT_LT(std::filesystem::file_size(dir / "bank.edt"), sideBefore);
  EXPECT_FALSE(engine.GoToId(2));
  EXPECT_EQ(engine.LastError(), 0);
  EXPECT_FALSE(engine.GoToId(4));

  ASSERT_TRUE(engine.Append({std::string("new")}));
  EXPECT_EQ(engine.RecordId(), 5);
  EXPECT_EQ(engine.RecordNumber(), 3);
  ASSERT_TRUE(engine.GoTo(2));
  EXPECT_EQ(engine.ReadText("备注"), "memo 3");
}

TEST_F(Operations, DeleteByConditionAndPackWorkAcrossBulkBlocks) {
  // L = 1032 makes a bulk block 158 records long.
  RecordFileEngine e;
  ASSERT_TRUE(e.Create(dir / "wide", {{"T", FieldType::Text, 1024}, {"N", FieldType::Integer, 0}}));
  ASSERT_TRUE(e.Open(dir / "wide"));
  for (int i = 1; i <= 400; ++i) ASSERT_TRUE(e.Append({std::string(i % 7 + 1, 'w'), std::int64_t{i}}));
  ASSERT_TRUE(e.GoTo(10));
  int seen = 0;
  ASSERT_TRUE(e.Delete([&] {
    ++seen;
    return e.ReadInt("N") % 3 == 0;
  }));
  EXPECT_EQ(seen, 400);
  EXPECT_EQ(e.RecordNumber(), 10) << "the current record stays";
  EXPECT_EQ(e.RecordCount(), 400);
  ASSERT_TRUE(e.GoTo(9));
  EXPECT_TRUE(e.IsDeleted());

  ASSERT_TRUE(e.Pack());
  ASSERT_EQ(e.RecordCount(), 267);
  for (std::int64_t r = 1, expected = 1; r <= 267; ++r, ++expected) {
    if (expected % 3 == 0) ++expected;
    ASSERT_TRUE(e.GoTo(r));
    ASSERT_EQ(e.RecordId(), expected);
    ASSERT_EQ(e.ReadInt("N"), expected);
    ASSERT_EQ(e.ReadText("T"), std::string(expected % 7 + 1, 'w'));
  }
  for (std::int64_t id : {1, 200, 398, 400}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(e.GoToId(id));
    EXPECT_EQ(e.ReadInt("N"), id);
  }
  ASSERT_TRUE(e.GoTo(5));
  for (std::int64_t id : {3, 399, 401, 0, -1}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(e.GoToId(id));
    EXPECT_EQ(e.RecordNumber(), 5);
  }
}

TEST_F(Operations, GoToIdFollowsChangesMadeThroughAnotherOpen) {
  fill(5);
  ASSERT_TRUE(engine.GoToId(4));
  RecordFileEngine other;  // another open file, as another process would have
  ASSERT_TRUE(other.Open(path));
  ASSERT_TRUE(other.GoToId(2));
  ASSERT_TRUE(other.Delete());
  ASSERT_TRUE(other.Pack());
  ASSERT_TRUE(other.Append({std::string("r6"), std::int64_t{6}}));  // the count is 5 again

  EXPECT_FALSE(engine.GoToId(2));
  for (std::int64_t id : {1, 3, 4, 5, 6}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(engine.GoToId(id));
    EXPECT_EQ(engine.ReadInt("数量"), id);
  }
}

TEST_F(Operations, MovementsAndReadsFollowACountChangedThroughAnotherOpen) {
  fill(3);
  RecordFileEngine other;  // another open file, as another process would have
  ASSERT_TRUE(other.Open(path));

  // The other open shrinks the file to one record.
  ASSERT_TRUE(engine.GoTo(3));
  ASSERT_TRUE(other.Delete([&] { return other.ReadInt("数量") > 1; }));
  ASSERT_TRUE(other.Pack());
  runSteps(engine, {
      {"GoTo is clamped to the one record left", [](auto& e) { return e.GoTo(3); }, true, 0, 1},
      {"Skip forward reaches after the last", [](auto& e) { return e.Skip(); }, true, 0, 2},
      {"and no further", [](auto& e) { return e.Skip(); }, false, err::AfterLast, 2},
  });
  ASSERT_TRUE(engine.GoTo(1));
  EXPECT_EQ(engine.ReadInt("数量"), 1);

  // Writes to a record that is gone add nothing to the file.
  ASSERT_TRUE(engine.GoTo(1));
  ASSERT_TRUE(other.Append({std::string("r9"), std::int64_t{9}}));
  ASSERT_TRUE(engine.GoTo(2));
  ASSERT_TRUE(other.Delete());
  ASSERT_TRUE(other.Pack());
  const auto size = readFile(path).size();
  runSteps(engine, {
      {"WriteField", [](auto& e) { return e.WriteField("数量", std::int64_t{5}); }, false,
       err::NoCurrentRecord, 2},
      {"Modify", [](auto& e) { return e.Modify({std::string("x")}); }, false, err::NoCurrentRecord, 2},
      {"Delete", [](auto& e) { return e.Delete(); }, false, err::NoCurrentRecord, 2},
      {"ReadField", [](auto& e) { e.ReadField("数量"); return e.LastError() == 0; }, false,
       err::SeekFailed, 2},
  });
  EXPECT_EQ(readFile(path).size(), size);
  ASSERT_TRUE(engine.GoTo(1));

  // Then it grows the file while this one stands after the last record.
  ASSERT_TRUE(engine.Skip());
  ASSERT_TRUE(other.Append({std::string("r4"), std::int64_t{4}}));
  EXPECT_EQ(engine.ReadInt("数量"), 4) << "the record now there is read";
  EXPECT_EQ(engine.LastError(), 0);
  EXPECT_EQ(engine.RecordId(), 5);
  EXPECT_TRUE(engine.WriteField("数量", std::int64_t{40}));
  ASSERT_TRUE(other.GoTo(2));
  EXPECT_EQ(other.ReadInt("数量"), 40);
}

TEST_F(Operations, ConditionsThatWriteOrCloseLeaveNothingBroken) {
  fill(3);
  ASSERT_TRUE(engine.Delete([&] {
    const bool first = engine.ReadInt("数量") == 1;
    if (first) engine.WriteField("数量", std::int64_t{99});
    return first;
  }));
  ASSERT_TRUE(engine.GoTo(1));
  EXPECT_TRUE(engine.IsDeleted());
  EXPECT_EQ(engine.ReadInt("数量"), 99) << "the condition's write survives the deletion";

  // Inside a condition the record under test reads back what was written to it.
  std::vector<std::pair<std::int64_t, std::string>> seen;
  ASSERT_TRUE(engine.Find([&] {
    engine.WriteField("数量", std::int64_t{7});
    const std::int64_t quantity = engine.ReadInt("数量");
    engine.WriteField("备注", std::string(600, 'm'));
    seen.emplace_back(quantity, engine.ReadText("备注"));
    return true;
  }));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, 7);
  EXPECT_EQ(seen[0].second, std::string(600, 'm'));

  EXPECT_FALSE(engine.Find([&] {
    engine.Close();
    return true;
  }));
  EXPECT_EQ(engine.LastError(), err::NotOpened);
  EXPECT_EQ(engine.RecordCount(), 0);
  EXPECT_EQ(engine.LastError(), err::NoCurrentDatabase);
}

TEST_F(Operations, FindScansFromTheCurrentRecord) {
  fill(5);
  auto quantityIs = [&](std::int64_t n) { return [&, n] { return engine.ReadInt("数量") == n; }; };
  ASSERT_TRUE(engine.GoTo(2));
  EXPECT_TRUE(engine.Find(quantityIs(4)));
  EXPECT_EQ(engine.RecordNumber(), 4);
  EXPECT_FALSE(engine.Find(quantityIs(1))) << "only forward";
  EXPECT_EQ(engine.LastError(), 0);
  EXPECT_EQ(engine.RecordNumber(), 4);
  ASSERT_TRUE(engine.Skip(-10));
  EXPECT_TRUE(engine.Find(quantityIs(1))) << "from before the first starts at the first";
  ASSERT_TRUE(engine.GoToLast());
  ASSERT_TRUE(engine.Skip());
  EXPECT_FALSE(engine.Find([] { return true; }));
  EXPECT_EQ(engine.LastError(), 0);
  EXPECT_EQ(engine.RecordNumber(), 6);
}

TEST_F(Operations, CopyRecordsMatchesFieldsByNameAndKind) {
  fill(3);
  ASSERT_TRUE(engine.GoTo(2));
  ASSERT_TRUE(engine.Delete());
  ASSERT_TRUE(engine.GoTo(3));

  RecordFileEngine& e = engine;
  ASSERT_TRUE(e.Create(dir / "dest", {{"名称", FieldType::Text, 3},
                                      {"数量", FieldType::Double, 0},
                                      {"备注", FieldType::Text, 10},  // another kind: not copied
                                      {"附加", FieldType::Memo, 0}}));
  ASSERT_TRUE(e.Open(dir / "dest"));
  ASSERT_TRUE(e.Append({std::string("old")}));
  ASSERT_TRUE(e.WriteField("名称", std::string("中文字")));
  EXPECT_EQ(e.ReadText("名称"), "中") << "3 bytes hold one character and not half of the next";
  ASSERT_TRUE(e.Append({std::string("abc")}));

  ASSERT_TRUE(e.SetCurrent("dest"));
  ASSERT_TRUE(e.GoTo(1));
  std::vector<std::string> seenCurrent;
  ASSERT_TRUE(e.CopyRecords("BANK", [&] {
    seenCurrent.push_back(e.CurrentName());
    return e.ReadInt("数量") != 1;
  }));
  EXPECT_EQ(seenCurrent, (std::vector<std::string>{"bank", "bank", "bank"}));
  EXPECT_EQ(e.CurrentName(), "dest");
  EXPECT_EQ(e.RecordNumber(), 1);
  EXPECT_EQ(e.RecordCount(), 4);
  ASSERT_TRUE(e.GoTo(3));
  EXPECT_EQ(e.RecordId(), 3);
  EXPECT_TRUE(e.IsDeleted()) << "the deleted mark travels";
  EXPECT_EQ(e.ReadText("名称"), "r2");
  EXPECT_EQ(e.ReadDouble("数量"), 2.0);
  EXPECT_EQ(e.ReadText("备注"), "");
  ASSERT_TRUE(e.GoTo(4));
  EXPECT_FALSE(e.IsDeleted());
  EXPECT_EQ(e.RecordId(), 4);

  ASSERT_TRUE(e.SetCurrent("bank"));
  EXPECT_EQ(e.RecordNumber(), 3) << "the source's current record is put back";
}

TEST_F(Operations, CopyRecordsCutsWiderTextAtACharacterAndCopiesMemos) {
  ASSERT_TRUE(engine.Append({std::string("a中文"), std::int64_t{5}, std::string(1500, 'q')}));
  ASSERT_TRUE(engine.Create(dir / "narrow",
                            {{"名称", FieldType::Text, 4}, {"备注", FieldType::Memo, 0}}));
  ASSERT_TRUE(engine.Open(dir / "narrow"));
  ASSERT_TRUE(engine.CopyRecords("bank"));
  ASSERT_TRUE(engine.GoTo(1));
  EXPECT_EQ(engine.ReadText("名称"), "a中");
  EXPECT_EQ(engine.ReadText("备注"), std::string(1500, 'q'));
  const Bytes main = readFile(dir / "narrow.edb");
  const std::size_t record = 112 + 4 + 2 * 72;
  EXPECT_EQ(Bytes(main.begin() + record + 4, main.begin() + record + 8), (Bytes{'a', 0xD6, 0xD0, 0}));
  // A chain of its own in the destination's side file.
  ASSERT_TRUE(engine.WriteField("备注", std::string("x")));
  ASSERT_TRUE(engine.SetCurrent("bank"));
  EXPECT_EQ(engine.ReadText("备注"), std::string(1500, 'q'));
}

TEST_F(Operations, OpenDatabasesAreFoundByAliasNameOrPath) {
  ASSERT_TRUE(engine.Create(dir / "second", kBankFields));
  ASSERT_TRUE(engine.Create(dir / "third", kBankFields));
  ASSERT_TRUE(engine.Open(dir / "second", "Alias", false));
  ASSERT_TRUE(engine.Open(dir / "third", "bank", false));  // an alias that is another's name
  EXPECT_FALSE(engine.Open(dir / "x", "1bad", false));
  EXPECT_EQ(engine.LastError(), err::BadAlias);

  const std::pair<std::string, std::string> lookups[] = {
      {"alias", "second"}, {"BANK", "third"}, {"Second", "second"},
      {dir / "BANK.EDB", "bank"}, {dir / "bank", "bank"}};
  for (const auto& [key, name] : lookups) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(engine.SetCurrent(key));
    EXPECT_EQ(engine.CurrentName(), name);
  }
  EXPECT_FALSE(engine.SetCurrent("nothing"));
  EXPECT_EQ(engine.LastError(), err::DatabaseNotOpen);

  ASSERT_TRUE(engine.SetCurrent("third"));
  engine.Close("nothing");
  EXPECT_EQ(engine.LastError(), 0);
  engine.Close("second");
  EXPECT_EQ(engine.CurrentName(), "third") << "closing another keeps the current one";
  engine.Close();
  EXPECT_EQ(engine.CurrentName(), "");
  EXPECT_EQ(engine.RecordCount(), 0);
  EXPECT_EQ(engine.LastError(), err::NoCurrentDatabase);
  EXPECT_FALSE(engine.Append({}));
  EXPECT_EQ(engine.LastError(), err::NoCurrentDatabase);
  EXPECT_TRUE(engine.SetCurrent("bank"));
  engine.CloseAll();
  EXPECT_FALSE(engine.IsOpen(path));
}

TEST(CreateChecks, RefusesBadFieldLists) {
  TempDir dir;
  RecordFileEngine e;
  struct Case {
    const char* what;
    std::vector<FieldDef> fields;
    int error;
  };
  const Case cases[] = {
      {"no fields", {}, err::NoFields},
      {"an empty name ends the list", {{"", FieldType::Text, 4}, {"A", FieldType::Text, 4}}, err::NoFields},
      {"digit first", {{"1a", FieldType::Text, 4}}, err::BadFieldName},
      {"underscore", {{"a_b", FieldType::Text, 4}}, err::BadFieldName},
      {"space", {{"a b", FieldType::Text, 4}}, err::BadFieldName},
      {"18 bytes", {{"一二三四五六七八九", FieldType::Text, 4}}, err::BadFieldName},
      {"17 bytes", {{"abcdefghijklmnopq", FieldType::Text, 4}}, err::BadFieldName},
      {"type 0", {{"A", static_cast<FieldType>(0), 0}}, err::BadFieldType},
      {"type 13", {{"A", static_cast<FieldType>(13), 0}}, err::BadFieldType},
      {"width 0", {{"A", FieldType::Text, 0}}, err::BadFieldWidth},
      {"width 1025", {{"A", FieldType::Text, 1025}}, err::BadFieldWidth},
      {"same name in another case", {{"Name", FieldType::Text, 4}, {"NAME", FieldType::Memo, 0}},
       err::DuplicateField},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(e.Create(dir / "x", c.fields));
    EXPECT_EQ(e.LastError(), c.error);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.edb"));
  }
  const std::vector<FieldDef> good = {{"abcdefghijklmnop", FieldType::Text, 1024},
                                      {"一二三四五六七八", FieldType::Byte, 0},
                                      {"Ａ全角９", FieldType::Text, 1},
                                      {"x1", FieldType::Memo, 99},  // width only counts for text
                                      {"", FieldType::Text, 0},
                                      {"ignored", static_cast<FieldType>(99), 0}};
  ASSERT_TRUE(e.Create(dir / "x", good));
  ASSERT_TRUE(e.Open(dir / "x"));
  EXPECT_EQ(e.FieldCount(), 4);
  EXPECT_EQ(e.FieldName(3), "Ａ全角９");
  EXPECT_FALSE(e.Create(dir / "x", good)) << "an open database is not replaced";
  EXPECT_EQ(e.LastError(), err::AlreadyOpen);

  EXPECT_FALSE(e.Create(dir / "no/such/folder/x", good));
  EXPECT_EQ(e.LastError(), err::CreateFailed);
  std::filesystem::create_directory(dir / "blocked.edt");
  EXPECT_FALSE(e.Create(dir / "blocked", good));
  EXPECT_EQ(e.LastError(), err::SideCreateFailed);
  EXPECT_FALSE(std::filesystem::exists(dir / "blocked.edb")) << "no main file without its side file";
}

TEST_F(Operations, PasswordsSetChangeAndRemove) {
  fill(2);
  EXPECT_FALSE(engine.IsPasswordProtected(path));
  EXPECT_FALSE(engine.SetPassword("?"));
  EXPECT_EQ(engine.LastError(), err::BadPasswordText);
  ASSERT_TRUE(engine.SetPassword("旧密码"));
  EXPECT_TRUE(engine.IsPasswordProtected(path));
  ASSERT_TRUE(engine.GoTo(1));
  EXPECT_EQ(engine.ReadText("备注"), "memo 1");
  ASSERT_TRUE(engine.SetPassword("新"));
  engine.CloseAll();
  EXPECT_TRUE(engine.IsPasswordProtected(path));
  EXPECT_FALSE(openWithPassword(engine, path, "旧密码"));
  ASSERT_TRUE(openWithPassword(engine, path, "新"));
  ASSERT_TRUE(engine.GoTo(2));
  EXPECT_EQ(engine.ReadText("备注"), "memo 2");
  ASSERT_TRUE(engine.SetPassword(""));
  engine.CloseAll();
  EXPECT_FALSE(engine.IsPasswordProtected(path));
  EXPECT_EQ(readFile(path)[0 + 1], 'E');
  ASSERT_TRUE(engine.Open(path));
  EXPECT_FALSE(engine.IsPasswordProtected(dir / "missing"));
  EXPECT_EQ(engine.LastError(), err::FileNotFound);
}

TEST(PasswordFailure, AFailedReencipheringPutsTheOldPasswordBack) {
  TempDir dir;
  auto faults = std::make_shared<FaultyFileSystem>();
  RecordFileEngine e(faults);
  ASSERT_TRUE(e.Create(dir / "p", {{"M", FieldType::Memo, 0}}));
  ASSERT_TRUE(e.Open(dir / "p"));
  ASSERT_TRUE(e.SetPassword("old"));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(e.Append({std::string(600, static_cast<char>('a' + i % 26))}));
  const Bytes main = readFile(dir / "p.edb"), side = readFile(dir / "p.edt");
  ASSERT_GT(side.size(), 4u * 10240);  // several portions

  for (int failAt : {1, 2, 4, 7}) {
    SCOPED_TRACE(failAt);
    faults->failNthWrite = failAt;
    EXPECT_FALSE(e.SetPassword("new"));
    EXPECT_EQ(e.LastError(), err::PasswordChangeFailed);
    faults->failNthWrite = 0;
    EXPECT_EQ(readFile(dir / "p.edb"), main);
    EXPECT_EQ(readFile(dir / "p.edt"), side);
    ASSERT_TRUE(e.GoTo(40));
    EXPECT_EQ(e.ReadText("M"), std::string(600, 'n'));
  }
}

TEST(ReadOnlyOpen, RefusesEveryWriteAndWritesNothing) {
  TempDir dir;
  RecordFileEngine e;
  ASSERT_TRUE(e.Create(dir / "r", kBankFields));
  ASSERT_TRUE(e.Open(dir / "r"));
  ASSERT_TRUE(e.Append({std::string("a"), std::int64_t{1}, std::string("m")}));
  e.CloseAll();
  const Bytes before = readFile(dir / "r.edb");
  ASSERT_TRUE(e.Open(dir / "r", {}, true));
  const std::pair<const char*, std::function<bool()>> ops[] = {
      {"Append", [&] { return e.Append({}); }},
      {"Modify", [&] { return e.Modify({std::string("b")}); }},
      {"WriteField", [&] { return e.WriteField(1, std::string("b")); }},
      {"Delete", [&] { return e.Delete(); }},
      {"Pack", [&] { return e.Pack(); }},
      {"SetPassword", [&] { return e.SetPassword("x"); }},
      {"CopyRecords", [&] { return e.CopyRecords("r"); }},
  };
  for (const auto& [what, op] : ops) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(op());
    EXPECT_EQ(e.LastError(), err::AccessDenied);
  }
  EXPECT_EQ(e.ReadText(1), "a");
  EXPECT_EQ(readFile(dir / "r.edb"), before);
}

TEST(FileFailures, ShortReadsAndFailedWritesGiveTheirCodes) {
  TempDir dir;
  auto faults = std::make_shared<FaultyFileSystem>();
  RecordFileEngine e(faults);
  ASSERT_TRUE(e.Create(dir / "f", kBankFields));
  ASSERT_TRUE(e.Open(dir / "f"));
  ASSERT_TRUE(e.Append({std::string("a"), std::int64_t{1}, std::string("m")}));

  faults->shortNthRead = 1;
  EXPECT_EQ(e.RecordCount(), 0);
  EXPECT_EQ(e.LastError(), err::CountFailed);
  ASSERT_TRUE(e.GoTo(1));
  faults->shortNthRead = 1;
  EXPECT_EQ(e.ReadText(1), "");
  EXPECT_EQ(e.LastError(), err::ReadRecordFailed);
  faults->shortNthRead = 0;
  EXPECT_EQ(e.ReadText(1), "a");

  faults->failNthWrite = 1;
  EXPECT_FALSE(e.WriteField(2, std::int64_t{9}));
  EXPECT_EQ(e.LastError(), err::DiskFull);
  faults->failNthWrite = 1;
  EXPECT_FALSE(e.Append({std::string("b")}));
  EXPECT_EQ(e.LastError(), err::DiskFull);
  faults->failNthWrite = 0;
  EXPECT_EQ(e.RecordCount(), 1);
  EXPECT_EQ(e.ReadInt(2), 1);
}

TEST(ErrorTexts, EveryCodeHasItsMessageAndOthersAreUnknown) {
  const std::pair<int, const char*> cases[] = {
      {-1, "未知错误"},
      {-16, "字段数目必须大于 0 "},
      {-18, "无效的字段名称。名称首字符必须为全半角字母或汉字，其他字符必须为全半角字母、全半角数字或汉字。名称长度必须小于 16 字符"},
      {-38, "指定数据库已经被打开"},
      {-74, "数据库的共享打开方式不是“#禁止读写”"},
      {-80, "无效的密码文本"},
      {-77, "未知错误"},
      {0, "未知错误"},
      {-81, "未知错误"},
      {5, "未知错误"},
  };
  for (const auto& [code, text] : cases) {
    SCOPED_TRACE(code);
    EXPECT_EQ(ErrorText(code), text);
  }
  int known = 0;
  for (int code = -1; code >= -80; --code) known += ErrorText(code) != "未知错误";
  EXPECT_EQ(known, 78);  // every code from -2 to -80 but -77
}

TEST(LastError, IsKeptPerThread) {
  TempDir dir;
  RecordFileEngine e;
  EXPECT_FALSE(e.SetCurrent("none"));
  int other = 1;
  std::thread([&] {
    other = e.LastError();
    e.GoTo(1);
  }).join();
  EXPECT_EQ(other, 0);
  EXPECT_EQ(e.LastError(), err::DatabaseNotOpen);
}

}  // namespace
}  // namespace recfile::testing
