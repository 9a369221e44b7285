#include <stdlib.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "recfile/record_file_engine.h"
#include "tools/mochuan-edb/commands.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result run(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = edb::Run(args, out, err);
  return {code, out.str(), err.str()};
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

void put32(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

class EdbTool : public testing::Test {
 protected:

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // A bank-like database: record 1 has a 1200-byte memo (side blocks 1-3),
  // record 2 a short one (block 4); record 1's memo then shrinks to 300
  // bytes, so blocks 2 and 3 become the free list.
  std::string makeChainedDb() {
    const std::string db = path("bank.edb");
    recfile::RecordFileEngine engine;
    EXPECT_TRUE(engine.Create(db, {{"知识点", recfile::FieldType::Text, 8},
                                   {"题文1", recfile::FieldType::Memo, 0}}));
    EXPECT_TRUE(engine.Open(db));
    EXPECT_TRUE(engine.Append({std::string("甲"), std::string(1200, 'x')}));
    EXPECT_TRUE(engine.Append({std::string("乙"), std::string("短")}));
    EXPECT_TRUE(engine.GoTo(1));
    EXPECT_TRUE(engine.WriteField(2, std::string(300, 'y')));
    engine.CloseAll();
    return db;
  }

  mc::testing::TempDir tmp_{"edb_tool"};
  fs::path dir_ = tmp_.path();
};

std::string withoutCreated(const std::string& json) {
  return std::regex_replace(json, std::regex("\"created\": [-0-9.e+]+"), "\"created\": 0");
}

TEST_F(EdbTool, CreateAppendAndDumpShowEveryFieldType) {
  const std::string db = path("all.edb");
  const std::string schema = R"([{"name": "知识点", "type": 10, "width": 8}, {"name": "题文1", "type": 12},
      {"name": "难度", "type": 2}, {"name": "屏蔽", "type": 7}, {"name": "日期", "type": 8},
      {"name": "题图数据", "type": 11}, {"name": "分值", "type": 6}, {"name": "号", "type": 4}])";
  ASSERT_EQ(run({"create", db, "--schema", schema}).code, 0);
  writeFile(path("values.json"),
            R"(["光合作用原理", "第一行\r\n\"第二行\"", 3, true, "2024-03-05 06:00", {"base64": "AAEC"}, 2.5, -9007199254740993])");
  Result r = run({"append", db, "--values", "@" + path("values.json")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"id\": 1}\n");
  r = run({"append", db, "--values", R"([null, "\udc80\udcff", 1.9])"});
  ASSERT_EQ(r.code, 0) << r.err;

  r = run({"dump", db});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(withoutCreated(r.out),
            R"({"magic": "WEDB", "version": 65536, "created": 0, "count": 2, "next_id": 3, "record_length": 47, )"
            R"("fields": [{"name": "知识点", "type": 10, "offset": 4, "width": 8}, )"
            R"({"name": "题文1", "type": 12, "offset": 12, "width": 0}, {"name": "难度", "type": 2, "offset": 16, "width": 0}, )"
            R"({"name": "屏蔽", "type": 7, "offset": 18, "width": 0}, {"name": "日期", "type": 8, "offset": 19, "width": 0}, )"
            R"({"name": "题图数据", "type": 11, "offset": 27, "width": 0}, {"name": "分值", "type": 6, "offset": 31, "width": 0}, )"
            R"({"name": "号", "type": 4, "offset": 39, "width": 0}], )"
            R"("records": [{"id": 1, "deleted": false, "values": ["光合作用", "第一行\r\n\"第二行\"", 3, true, 45356.25, )"
            R"({"length": 3, "sha256": "ae4b3280e56e2faf83f414a6e3dabe9d5fbe18976544c05fed121accb85b53fc"}, 2.5, -9007199254740993]}, )"
            R"({"id": 2, "deleted": false, "values": ["", "\udc80\udcff", 1, false, 0, {"length": 0, "sha256": )"
            R"("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"}, 0, 0]}], )"
            R"("side": {"blocks": 4, "free": 0, "first_free": 0}})"
            "\n");
}

TEST_F(EdbTool, DumpOfATextOnlyDatabaseHasNoSideFile) {
  const std::string db = path("plain.edb");
  ASSERT_EQ(run({"create", db, "--schema", R"([{"name": "颜色", "type": 3}])"}).code, 0);
  EXPECT_FALSE(fs::exists(path("plain.EDT")) || fs::exists(path("plain.edt")));
  const Result r = run({"dump", db});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"records\": [], \"side\": null}"), std::string::npos) << r.out;
}

TEST_F(EdbTool, AppendRefusesValuesThatDoNotFitTheFields) {
  const std::string db = path("v.edb");
  ASSERT_EQ(run({"create", db, "--schema", R"([{"name": "难度", "type": 2}, {"name": "图", "type": 11}])"}).code, 0);
  const struct {
    const char* values;
    const char* message;
  } cases[] = {
      {R"(["3"])", "field 难度 must be a number"},
      {R"([1, 2, 3])", "3 values for 2 fields"},
      {R"([1, {"base64": "***"}])", "field 图 must be"},
      {R"([1, "AAEC"])", "field 图 must be"},
      {R"([1,)", "invalid JSON"},
      {R"({"难度": 1})", "expected an array"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.values);
    const Result r = run({"append", db, "--values", c.values});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_NE(run({"dump", db}).out.find("\"count\": 0"), std::string::npos);
}

TEST_F(EdbTool, PasswordIsSetUsedAndRemoved) {
  const std::string db = makeChainedDb();
  ASSERT_EQ(run({"set-password", db, "口令1"}).code, 0);
  EXPECT_EQ(readFile(db).substr(0, 4), "WCDB");

  Result r = run({"dump", db});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("-78 未提供数据库访问密码或提供了错误的密码"), std::string::npos) << r.err;
  r = run({"dump", db, "--password", "口令1"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"magic\": \"WCDB\""), std::string::npos);
  EXPECT_NE(r.out.find("\"side\": {\"blocks\": 5, \"free\": 2"), std::string::npos) << r.out;

  r = run({"check", db, "--password", "口令1"});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "ok\n");
  EXPECT_EQ(run({"check", db}).code, 2);
  EXPECT_EQ(run({"check", db, "--password", "别的"}).code, 2);

  ASSERT_EQ(run({"set-password", db, "", "--password", "口令1"}).code, 0);
  EXPECT_EQ(readFile(db).substr(0, 4), "WEDB");
  EXPECT_EQ(run({"check", db}).out, "ok\n");
}

TEST_F(EdbTool, PackDropsRecordsMarkedDeleted) {
  const std::string db = makeChainedDb();
  {
    recfile::RecordFileEngine engine;
    ASSERT_TRUE(engine.Open(db));
    ASSERT_TRUE(engine.GoTo(1));
    ASSERT_TRUE(engine.Delete());
  }
  Result r = run({"dump", db});
  EXPECT_NE(r.out.find("{\"id\": 1, \"deleted\": true"), std::string::npos) << r.out;
  r = run({"pack", db});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"count\": 1}\n");
  r = run({"dump", db});
  EXPECT_NE(r.out.find("\"records\": [{\"id\": 2, \"deleted\": false, \"values\": [\"乙\", \"短\"]}]"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(run({"check", db}).out, "ok\n");
}

TEST_F(EdbTool, CheckReportsEachBrokenRule) {
  // Side blocks after makeChainedDb: 1 = record 1 (300 bytes), 2 and 3 free,
  // 4 = record 2. Block b starts at 512 * b.
  const struct {
    const char* name;
    bool side;  // patch the side file, else the main file
    std::function<void(std::string&)> damage;
    const char* expected;
  } cases[] = {
      {"broken back link", true, [](std::string& s) { put32(s, 4 * 512, 7); },
       "record 2 field 题文1: block 4 has previous 7, expected 0"},
      {"looping chain", true, [](std::string& s) { put32(s, 4 * 512 + 4, 4); },
       "record 2 field 题文1: chain loops back to block 4"},
      {"lost block", true, [](std::string& s) { put32(s, 2 * 512 + 4, 0); put32(s, 20, 1); },
       "side: block 3 is lost (in no chain and not free)"},
      {"block in two chains", false, [](std::string& s) { put32(s, s.size() - 4, 1); },
       "record 2 field 题文1: block 1 is also in record 1 field 题文1"},
      {"free count", true, [](std::string& s) { put32(s, 20, 1); },
       "side: free list holds 2 blocks, the header says 1"},
      {"used bytes in a free block", true, [](std::string& s) { put32(s, 2 * 512 + 8, 5); },
       "free list: block 2 is free but says 5 bytes are used"},
      {"garbage after the used bytes", true, [](std::string& s) { s[4 * 512 + 511] = 'z'; },
       "record 2 field 题文1: block 4 is not zero-filled after its 2 used bytes"},
      {"chain past the end", true, [](std::string& s) { put32(s, 1 * 512 + 4, 99); },
       "record 1 field 题文1: block 99 (after block 1) is outside the side file's blocks 1..4"},
      {"side header block count", true, [](std::string& s) { put32(s, 16, 9); },
       "side: file is 2560 bytes, the header's 9 blocks make 4608"},
      {"main file too long", false, [](std::string& s) { s += 'x'; },
       "main: file is 293 bytes, header and 2 records of 16 bytes make 292"},
      {"descriptor offset", false, [](std::string& s) { put32(s, 116 + 72 + 24, 8); },
       "field 2 (题文1): offset 8, expected 12"},
      {"text fill", false, [](std::string& s) { s[260 + 4 + 7] = 'q'; },
       "record 1 field 知识点: text is not zero-filled after its end"},
      {"ids", false, [](std::string& s) { put32(s, 276, 1); },
       "record 2: id 1 does not grow past 1"},
      {"side magic", true, [](std::string& s) { s[0] = 'X'; }, "side: magic is not \"WEDT\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string db = makeChainedDb();
    const fs::path side = fs::path(db).replace_extension(fs::exists(fs::path(db).replace_extension("EDT")) ? "EDT" : "edt");
    ASSERT_EQ(run({"check", db}).out, "ok\n");
    std::string bytes = readFile(c.side ? side : fs::path(db));
    c.damage(bytes);
    writeFile(c.side ? side : fs::path(db), bytes);
    const Result r = run({"check", db});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(std::string(c.expected) + "\n"), std::string::npos) << r.out;
  }
}

TEST_F(EdbTool, CheckNamesAMissingSideFile) {
  const std::string db = makeChainedDb();
  for (const char* ext : {"EDT", "edt"}) fs::remove(fs::path(db).replace_extension(ext));
  const Result r = run({"check", db});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "side: the database has memo or byte-set fields but no side file\n");
}

TEST_F(EdbTool, BadArgumentsGiveOneLineAndExitTwo) {
  const std::string db = makeChainedDb();
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate", db},
      {"dump"},
      {"dump", db, "extra"},
      {"dump", db, "--pasword", "x"},
      {"dump", db, "--password"},
      {"dump", db, "--password", "a", "--password", "b"},
      {"dump", path("missing.edb")},
      {"check", path("missing.edb")},
      {"create", path("n.edb")},
      {"create", path("n.edb"), "--schema", R"([{"name": "a", "type": 99}])"},
      {"create", path("n.edb"), "--schema", R"([{"name": "1a", "type": 3}])"},
      {"create", path("n.edb"), "--schema", R"([{"name": "a"}])"},
      {"create", path("n.edb"), "--schema", "@" + path("nowhere.json")},
      {"append", db, "--values", "[1]", "--schema", "[]"},
      {"set-password", db},
      {"set-password", db, "?"},
      {"pack", db, "--password", "wrong"},
      {"sample-bank", path("s.edb")},
      {"sample-bank", path("s.edb"), "--questions", "12x"},
      {"sample-bank", path("s.edb"), "--questions", "0"},
      {"sample-bank", path("s.edb"), "--questions", "5", "--seed", "-1"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const Result r = run(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.rfind("mochuan-edb: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_NE(run({"create", path("n.edb"), "--schema", R"([{"name": "a", "type": 99}])"}).err.find("-17 无效的字段类型"),
            std::string::npos);
}

TEST_F(EdbTool, SampleBankWritesASoundBankOfTheAskedSize) {
  const std::string db = path("样例.edb");
  Result r = run({"sample-bank", db, "--questions", "40", "--seed", "7", "--password", "课程口令"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"check", db, "--password", "课程口令"});
  EXPECT_EQ(r.out, "ok\n");
  r = run({"dump", db, "--password", "课程口令"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"count\": 40,"), std::string::npos);
  EXPECT_NE(r.out.find("{\"name\": \"答图数据\", \"type\": 11"), std::string::npos);
}

TEST_F(EdbTool, TheProgramReportsThroughItsExitStatus) {
  const std::string db = makeChainedDb();
  auto status = [&](const std::string& args) {
    const std::string cmd = std::string(MOCHUAN_EDB_PATH) + " " + args + " > " + path("out.txt") + " 2>&1";
    const int s = std::system(cmd.c_str());
    return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  };
  EXPECT_EQ(status("check '" + db + "'"), 0);
  EXPECT_EQ(readFile(path("out.txt")), "ok\n");
  EXPECT_EQ(status("dump"), 2);
  std::string bytes = readFile(db);
  put32(bytes, 20, 0);  // next id 0
  writeFile(db, bytes);
  EXPECT_EQ(status("check '" + db + "'"), 1);
}

}  // namespace
