// The files on disk, byte for byte, against images built here by hand from
// the layout tables: plain, enciphered, and read back the other way.
#include <gtest/gtest.h>

#include <cmath>

#include "recfile/page_cipher.h"
#include "support.h"
#include "text/text.h"

namespace recfile::testing {
namespace {

const std::vector<FieldDef> kFields = {
    {"Id", FieldType::Integer, 0},  {"名称", FieldType::Text, 6}, {"Score", FieldType::Double, 0},
    {"Ok", FieldType::Logical, 0},  {"Note", FieldType::Memo, 0}, {"B", FieldType::Byte, 0},
    {"S", FieldType::Short, 0},     {"L", FieldType::Long, 0},    {"F", FieldType::Float, 0},
    {"When", FieldType::DateTime, 0}, {"P", FieldType::SubPtr, 0}, {"Pic", FieldType::ByteSet, 0},
};
// Offsets inside a record: the id, then the fields' widths in order.
enum Off { kId = 4, kName = 8, kScore = 14, kOk = 22, kNote = 23, kB = 27, kS = 28, kL = 30,
           kF = 38, kWhen = 42, kP = 50, kPic = 54, kLength = 58 };
constexpr std::size_t kH = 112 + 4 + 72 * 12;  // 980

void putBytes(Bytes& b, std::size_t at, std::initializer_list<int> v) {
  for (int x : v) b[at++] = static_cast<std::uint8_t>(x);
}
void putDouble(Bytes& b, std::size_t at, double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, 8);
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

struct Image {
  Bytes main, side;
};

// Records: 0 = every field set, 1 = two fields, 2 (optional) = a third append.
Image buildImage(const Bytes& created, int records) {
  Image img;
  Bytes& m = img.main;
  m.assign(kH + kLength * records, 0);
  putBytes(m, 0, {'W', 'E', 'D', 'B'});
  put32(m, 4, 0x00010000);
  std::copy(created.begin(), created.end(), m.begin() + 8);
  put32(m, 16, records);
  put32(m, 20, records + 1);
  put32(m, 24, kLength);
  put32(m, 112, 12);
  struct D { Bytes name; int type, offset, width; };
  const D ds[] = {{{'I', 'd'}, 3, kId, 0},        {{0xC3, 0xFB, 0xB3, 0xC6}, 10, kName, 6},
                  {{'S', 'c', 'o', 'r', 'e'}, 6, kScore, 0}, {{'O', 'k'}, 7, kOk, 0},
                  {{'N', 'o', 't', 'e'}, 12, kNote, 0}, {{'B'}, 1, kB, 0},
                  {{'S'}, 2, kS, 0},              {{'L'}, 4, kL, 0},
                  {{'F'}, 5, kF, 0},              {{'W', 'h', 'e', 'n'}, 8, kWhen, 0},
                  {{'P'}, 9, kP, 0},              {{'P', 'i', 'c'}, 11, kPic, 0}};
  for (std::size_t i = 0; i < 12; ++i) {
    const std::size_t at = 116 + 72 * i;
    std::copy(ds[i].name.begin(), ds[i].name.end(), m.begin() + at);
    put32(m, at + 20, ds[i].type);
    put32(m, at + 24, ds[i].offset);
    put32(m, at + 28, ds[i].width);
  }
  std::size_t r = kH;
  put32(m, r, 1);
  put32(m, r + kId, 7);
  putBytes(m, r + kName, {'a', 'b', 0xD6, 0xD0});  // "ab中"
  putDouble(m, r + kScore, 2.5);
  m[r + kOk] = 1;
  put32(m, r + kNote, 1);
  m[r + kB] = 200;
  putBytes(m, r + kS, {0xFD, 0xFF});
  putBytes(m, r + kL, {0, 0, 0, 0, 0, 1, 0, 0});
  putBytes(m, r + kF, {0, 0, 0, 0x3F});
  putDouble(m, r + kWhen, 45000.5);
  put32(m, r + kP, 0xDEADBEEF);
  put32(m, r + kPic, 2);
  r += kLength;
  put32(m, r, 2);
  put32(m, r + kId, 0xFFFFFFFE);
  putBytes(m, r + kName, {'a', 0xCE, 0xC4, 0xD7, 0xD6});  // "a文字": 过 would split
  if (records > 2) {
    r += kLength;
    put32(m, r, 3);
    put32(m, r + kId, 3);
    put32(m, r + kNote, 3);
  }

  const int blocks = records > 2 ? 4 : 3;
  Bytes& s = img.side;
  s.assign(512 * blocks, 0);
  putBytes(s, 0, {'W', 'E', 'D', 'T'});
  put32(s, 4, 0x00010000);
  std::copy(created.begin(), created.end(), s.begin() + 8);
  put32(s, 16, blocks);
  put32(s, 512 + 8, 5);
  putBytes(s, 512 + 12, {'h', 'e', 'l', 'l', 'o'});
  put32(s, 1024 + 8, 3);
  putBytes(s, 1024 + 12, {1, 2, 3});
  if (records > 2) {
    put32(s, 1536 + 8, 2);
    putBytes(s, 1536 + 12, {'h', 'i'});
  }
  return img;
}

void encipher(Image& img, const std::string& password) {
  const std::string gbk = text::ToGbk(password);
  const std::string digest = DigestOfPasswordBytes(gbk);
  putBytes(img.main, 0, {'W', 'C', 'D', 'B'});
  std::copy(digest.begin(), digest.end(), img.main.begin() + 28);
  referenceEncipher(img.main, gbk, digest);
  referenceEncipher(img.side, gbk, digest);
}

class RecordFileImage : public ::testing::Test {
 protected:
  void createAndFill() {
    ASSERT_TRUE(engine.Create(path, kFields));
    ASSERT_TRUE(engine.Open(path));
    ASSERT_TRUE(engine.Append({std::int64_t{7}, std::string("ab中"), 2.5, true, std::string("hello"),
                               std::int64_t{200}, std::int64_t{-3}, std::int64_t{1} << 40, 0.5,
                               Days{45000.5}, std::int64_t{0xDEADBEEF}, Bytes{1, 2, 3}}));
    ASSERT_TRUE(engine.Append({std::int64_t{-2}, std::string("a文字过长")}));
  }
  Bytes created() const {
    const Bytes m = readFile(path);
    return Bytes(m.begin() + 8, m.begin() + 16);
  }

  TempDir dir;
  std::string path = dir / "golden.edb";
  std::string side = dir / "golden.edt";
  RecordFileEngine engine;
};

TEST_F(RecordFileImage, NewDatabaseWithTwoRecordsHasTheDocumentedBytes) {
  createAndFill();
  const Bytes when = created();
  double days;
  std::memcpy(&days, when.data(), 8);
  EXPECT_NEAR(days, text::NowDays(), 1.0 / 24);
  const Bytes sideBytes = readFile(side);
  EXPECT_EQ(Bytes(sideBytes.begin() + 8, sideBytes.begin() + 16), when);

  const Image expected = buildImage(when, 2);
  EXPECT_EQ(readFile(path), expected.main);
  EXPECT_EQ(readFile(side), expected.side);
}

TEST_F(RecordFileImage, PasswordEnciphersBothFilesFromTheFifthByteAndWritesStayExact) {
  createAndFill();
  const Bytes when = created();
  ASSERT_TRUE(engine.SetPassword("密码1"));
  Image expected = buildImage(when, 2);
  encipher(expected, "密码1");
  EXPECT_EQ(readFile(path), expected.main);
  EXPECT_EQ(readFile(side), expected.side);

  // A single record and block written under the password.
  ASSERT_TRUE(engine.Append({std::int64_t{3}, std::string(), 0.0, false, std::string("hi")}));
  expected = buildImage(when, 3);
  encipher(expected, "密码1");
  EXPECT_EQ(readFile(path), expected.main);
  EXPECT_EQ(readFile(side), expected.side);

  ASSERT_TRUE(engine.SetPassword(""));
  expected = buildImage(when, 3);
  EXPECT_EQ(readFile(path), expected.main);
  EXPECT_EQ(readFile(side), expected.side);
}

TEST_F(RecordFileImage, HandBuiltFilesReadBackEveryKind) {
  for (const std::string password : {"", "密码1"}) {
    SCOPED_TRACE("password '" + password + "'");
    Image img = buildImage(Bytes(8, 0), 2);
    // A text filling its width, a memo with a zero inside, a date far out.
    putBytes(img.main, kH + kLength + kName, {'a', 'b', 0xCE, 0xC4, 0xD7, 0xD6});
    putBytes(img.side, 512 + 12 + 3, {0});
    putDouble(img.main, kH + kWhen, 1e9);
    if (!password.empty()) encipher(img, password);
    writeFile(path, img.main);
    writeFile(side, img.side);

    RecordFileEngine reader;
    ASSERT_TRUE(openWithPassword(reader, path, password)) << reader.LastError();
    EXPECT_EQ(reader.RecordCount(), 2);
    const std::vector<std::pair<std::string, Value>> first = {
        {"Id", std::int64_t{7}},           {"名称", std::string("ab中")},
        {"Score", 2.5},                    {"Ok", true},
        {"Note", std::string("hel")},      {"B", std::int64_t{200}},
        {"S", std::int64_t{-3}},           {"L", std::int64_t{1} << 40},
        {"F", 0.5},                        {"When", Days{2958465}},
        {"P", std::int64_t{0xDEADBEEF}},   {"Pic", Bytes{1, 2, 3}},
    };
    for (const auto& [field, value] : first) {
      SCOPED_TRACE(field);
      EXPECT_EQ(reader.ReadField(field), value);
      EXPECT_EQ(reader.LastError(), 0);
    }
    ASSERT_TRUE(reader.Skip());
    EXPECT_EQ(reader.ReadField("名称"), Value(std::string("ab文字")));
    EXPECT_EQ(reader.ReadField("Id"), Value(std::int64_t{-2}));
    EXPECT_EQ(reader.ReadField("Note"), Value(std::string()));
    EXPECT_EQ(reader.ReadField("Pic"), Value(Bytes{}));
    reader.CloseAll();
  }
}

TEST(RecordFileNames, TextOnlyDatabaseHasNoSideFileAndNamesGetTheExtension) {
  TempDir dir;
  RecordFileEngine engine;
  ASSERT_TRUE(engine.Create(dir / "plain", {{"T", FieldType::Text, 4}}));
  EXPECT_TRUE(std::filesystem::exists(dir / "plain.edb"));
  EXPECT_FALSE(std::filesystem::exists(dir / "plain.edt"));
  ASSERT_TRUE(engine.Create(dir / "dot.", {{"M", FieldType::Memo, 0}}));
  EXPECT_TRUE(std::filesystem::exists(dir / "dot.edb"));
  EXPECT_TRUE(std::filesystem::exists(dir / "dot.edt"));
  ASSERT_TRUE(engine.Open(dir / "dot"));
  EXPECT_EQ(engine.CurrentName(), "dot");
  EXPECT_EQ(engine.CurrentPath(), dir / "dot.edb");
}

TEST(RecordFileNames, FilesWithCapitalOrMixedExtensionsAreFound) {
  TempDir dir;
  RecordFileEngine engine;
  ASSERT_TRUE(engine.Create(dir / "Bank.EDB", {{"M", FieldType::Memo, 0}}));
  EXPECT_TRUE(std::filesystem::exists(dir / "Bank.EDT"));
  std::filesystem::rename(dir / "Bank.EDT", dir / "Bank.Edt");
  ASSERT_TRUE(engine.Open(dir / "Bank")) << engine.LastError();
  EXPECT_EQ(engine.CurrentPath(), dir / "Bank.EDB");
  ASSERT_TRUE(engine.Append({std::string("备注")}));
  EXPECT_TRUE(engine.IsOpen(dir / "Bank.edb"));
  EXPECT_EQ(engine.ResolvePath(dir / "bank"), dir / "bank.edb");  // the name itself keeps its case
  engine.CloseAll();
  EXPECT_FALSE(std::filesystem::exists(dir / "Bank.edt"));
  EXPECT_GT(std::filesystem::file_size(dir / "Bank.Edt"), 512u);
}

}  // namespace
}  // namespace recfile::testing
