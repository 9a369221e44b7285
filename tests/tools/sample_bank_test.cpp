#include "tools/sample_bank/sample_bank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "databases/program_databases.h"
#include "tests/databases/test_support.h"
#include "text/text.h"

#include <jpeglib.h>

namespace databases {
namespace {

using samples::WriteSampleBank;
using recfile::Bytes;

struct Row {
  std::string points, groupName, groupNumber, text1, picture, text2, answer, answerPicture, type;
  std::int64_t difficulty = 0, score = 0;
  bool choice = false, fixedScore = false, masked = false;
  Bytes pictureData, answerPictureData;
};

std::vector<Row> ReadBank(recfile::RecordFileEngine& engine, const std::string& path,
                          const std::string& password = {}) {
  std::vector<Row> rows;
  EXPECT_TRUE(engine.Open(path, {}, false, recfile::ShareMode::None, password));
  for (std::int64_t i = 1; i <= engine.RecordCount(); ++i) {
    engine.GoTo(i);
    Row r;
    r.points = engine.ReadText(kKnowledgePoints);
    r.groupName = engine.ReadText(kGroupName);
    r.groupNumber = engine.ReadText(kGroupNumber);
    r.text1 = engine.ReadText(kQuestionText1);
    r.picture = engine.ReadText(kQuestionPicture);
    r.text2 = engine.ReadText(kQuestionText2);
    r.answer = engine.ReadText(kAnswer);
    r.answerPicture = engine.ReadText(kAnswerPicture);
    r.type = engine.ReadText(kQuestionType);
    r.difficulty = engine.ReadInt(kDifficulty);
    r.score = engine.ReadInt(kScore);
    r.choice = engine.ReadBool(kChoice);
    r.fixedScore = engine.ReadBool(kFixedScore);
    r.masked = engine.ReadBool(kMasked);
    r.pictureData = engine.ReadBytes(kQuestionPictureData);
    r.answerPictureData = engine.ReadBytes(kAnswerPictureData);
    rows.push_back(std::move(r));
  }
  engine.Close(engine.CurrentPath());
  return rows;
}

// Lines as the question rules count them: a trailing CR LF adds no line.
std::vector<std::string> Lines(const std::string& s) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = s.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(s.substr(start, at - start));
  if (start < s.size()) lines.push_back(s.substr(start));
  return lines;
}

bool HasRepeats(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return std::adjacent_find(v.begin(), v.end()) != v.end();
}

bool IsLabelLetter(char c) { return c >= 'A' && c <= 'I'; }

bool StartsWithCircledDigit(const std::string& gbk) {
  for (const char* d : {"①", "②", "③", "④", "⑤", "⑥", "⑦", "⑧", "⑨"})
    if (gbk.compare(0, 2, text::ToGbk(d)) == 0) return true;
  return false;
}

// The first question rule a row breaks (0 = none), checked the way the bank
// editor checks a row before it may be left.
int BrokenRule(const Row& r) {
  const bool title = r.groupNumber == "0";
  const bool pictureOptions = r.choice && !r.picture.empty() && r.text2.empty();
  const bool textOptions = r.choice && !r.text2.empty();
  const std::string answer = text::ToGbk(r.answer);
  if ((r.text1 + r.picture + r.text2).empty()) return 1;
  if (r.type.empty()) return 2;
  if (!title && r.answer.empty() && r.answerPicture.empty() && !r.choice) return 3;
  if (!title && r.answer == "请输入答案") return 4;
  if (!title && (r.score < 1 || r.score > 100)) return 5;
  if (r.choice && r.text2.empty() && r.picture.empty()) return 6;
  if (textOptions && Lines(r.text2).size() < 2) return 7;
  if (textOptions && HasRepeats(Lines(r.text2))) return 8;
  if (r.choice && r.answer.empty()) return 9;
  if (r.choice && HasRepeats(Lines(r.answer))) return 10;
  if (pictureOptions && !IsLabelLetter(answer[0]) && !StartsWithCircledDigit(answer)) return 11;
  if (pictureOptions)
    for (std::size_t i = 1; i < answer.size(); ++i)
      if (IsLabelLetter(answer[i]) != IsLabelLetter(answer[0])) return 12;
  if (textOptions && Lines(r.answer).size() > Lines(r.text2).size()) return 13;
  if (textOptions)
    for (const auto& line : Lines(r.answer)) {
      const auto options = Lines(r.text2);
      if (std::find(options.begin(), options.end(), line) == options.end()) return 14;
    }
  return 0;
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

bool DecodesAsJpeg(const Bytes& bytes) {
  jpeg_decompress_struct info;
  JpegError err;
  info.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
  err.mgr.output_message = [](j_common_ptr) {};
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  std::vector<JSAMPLE> line(static_cast<std::size_t>(info.output_width) * info.output_components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = line.data();
    jpeg_read_scanlines(&info, &row, 1);
  }
  const bool warned = err.mgr.num_warnings != 0;
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return !warned;
}

TEST(SampleBank, EveryQuestionKeepsTheQuestionRulesAndTheGroupInvariants) {
  testing::TempDir dir;
  recfile::RecordFileEngine engine;
  std::string error;
  ASSERT_TRUE(WriteSampleBank(engine, dir / "样例", 600, 7, "", &error)) << error;
  const auto rows = ReadBank(engine, dir / "样例");
  ASSERT_EQ(rows.size(), 600u);

  const std::set<std::string> types = {"判断", "选择", "填空", "名词", "问答"};
  std::set<std::string> keys;
  std::map<std::string, const Row*> titles;
  std::map<std::string, std::int64_t> unmaskedSum;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("record " + std::to_string(i + 1) + ": " + r.text1);
    EXPECT_EQ(BrokenRule(r), 0);
    EXPECT_TRUE(keys.insert(r.text1 + r.text2 + '\n' + r.answer).second) << "duplicate";
    EXPECT_TRUE(types.count(r.type));
    EXPECT_GE(r.difficulty, 1);
    EXPECT_LE(r.difficulty, 9);
    EXPECT_EQ(r.picture.empty(), r.pictureData.empty());
    EXPECT_EQ(r.answerPicture.empty(), r.answerPictureData.empty());
    for (const Bytes* data : {&r.pictureData, &r.answerPictureData})
      if (!data->empty()) {
        EXPECT_TRUE(DecodesAsJpeg(*data));
      }
    for (const auto* mark : {&r.picture, &r.answerPicture}) EXPECT_TRUE(mark->empty() || *mark == "√");
    if (!r.points.empty()) {
      EXPECT_LE(text::GbkLength(r.points), 512u);
      EXPECT_EQ(r.points, text::RemoveSpaces(r.points));
      EXPECT_EQ(r.points.find("||"), std::string::npos);
      EXPECT_NE(r.points.front(), '|');
      EXPECT_NE(r.points.back(), '|');
    }
    if (r.groupName.empty()) {
      EXPECT_EQ(r.groupNumber, "");
    } else if (r.groupNumber == "0") {
      EXPECT_TRUE(titles.emplace(r.groupName, &r).second) << "second title";
      EXPECT_TRUE(r.answer.empty() && r.answerPicture.empty() && !r.choice && !r.fixedScore);
      unmaskedSum[r.groupName];
    } else {
      const std::int64_t number = text::ToInteger(r.groupNumber);
      EXPECT_TRUE(number >= 1 && number <= 99);
      ASSERT_TRUE(titles.count(r.groupName)) << "member before or without its title";
      const Row& title = *titles[r.groupName];
      EXPECT_EQ(r.type, title.type);
      EXPECT_EQ(r.difficulty, title.difficulty);
      if (title.masked) {
        EXPECT_TRUE(r.masked);
      }
      if (!r.masked) unmaskedSum[r.groupName] += r.score;
    }
  }
  for (const auto& [name, title] : titles) {
    SCOPED_TRACE(name);
    EXPECT_EQ(title->score, title->masked ? 0 : unmaskedSum[name]);
  }

  // Picture-option questions sharing a stem come with alternates of both
  // label series, so the editor's closing check passes.
  for (const Row& r : rows) {
    if (!(r.choice && !r.picture.empty() && r.text2.empty())) continue;
    int letters = 0, circled = 0;
    for (const Row& o : rows)
      if (o.text1 == r.text1 && !o.picture.empty())
        ++(StartsWithCircledDigit(text::ToGbk(o.answer)) ? circled : letters);
    EXPECT_GE(letters, 2) << r.text1;
    EXPECT_GE(circled, 2) << r.text1;
  }

  // The bank shows every kind of question a teacher writes.
  auto count = [&](auto pred) { return std::count_if(rows.begin(), rows.end(), pred); };
  for (const auto& type : types) EXPECT_GT(count([&](const Row& r) { return r.type == type; }), 0) << type;
  EXPECT_GT(count([](const Row& r) { return r.choice && Lines(r.text2).size() >= 2; }), 0);
  EXPECT_GT(count([](const Row& r) { return r.choice && r.text2.empty() && IsLabelLetter(r.answer[0]); }), 0);
  EXPECT_GT(count([](const Row& r) { return r.choice && r.text2.empty() && !IsLabelLetter(r.answer[0]); }), 0);
  EXPECT_GT(count([](const Row& r) { return r.choice && Lines(r.answer).size() >= 2; }), 0);
  EXPECT_GT(titles.size(), 3u);
  EXPECT_GT(count([](const Row& r) { return r.masked && r.groupName.empty(); }), 0);
  EXPECT_GT(count([](const Row& r) { return r.masked && r.groupNumber != "" && r.groupNumber != "0"; }), 0);
  EXPECT_GT(count([](const Row& r) { return r.fixedScore; }), 0);
  EXPECT_GT(count([](const Row& r) { return !r.picture.empty() && !r.choice; }), 0);
  EXPECT_GT(count([](const Row& r) { return !r.answerPicture.empty(); }), 0);
  EXPECT_GT(count([](const Row& r) { return r.points.find('|') != std::string::npos; }), 0);
  EXPECT_GT(count([](const Row& r) { return r.points.empty(); }), 0);
  std::set<std::int64_t> difficulties;
  for (const Row& r : rows) difficulties.insert(r.difficulty);
  EXPECT_GE(difficulties.size(), 7u);
}

TEST(SampleBank, SameSeedWritesTheSameQuestions) {
  testing::TempDir dir;
  recfile::RecordFileEngine engine;
  std::string error;
  ASSERT_TRUE(WriteSampleBank(engine, dir / "甲", 150, 42, "", &error)) << error;
  ASSERT_TRUE(WriteSampleBank(engine, dir / "乙", 150, 42, "", &error)) << error;
  ASSERT_TRUE(WriteSampleBank(engine, dir / "丙", 150, 43, "", &error)) << error;
  auto texts = [&](const std::string& name) {
    std::vector<std::string> v;
    for (const Row& r : ReadBank(engine, dir / name))
      v.push_back(r.groupName + r.groupNumber + r.text1 + r.text2 + r.answer + r.type +
                  std::to_string(r.score) + std::to_string(r.difficulty) +
                  std::string(r.pictureData.begin(), r.pictureData.end()));
    return v;
  };
  EXPECT_EQ(texts("甲"), texts("乙"));
  EXPECT_NE(texts("甲"), texts("丙"));
}

TEST(SampleBank, PasswordBecomesTheBanksAccessPassword) {
  testing::TempDir dir;
  recfile::RecordFileEngine engine;
  std::string error;
  ASSERT_TRUE(WriteSampleBank(engine, dir / "加密", 40, 1, "秘密1", &error)) << error;
  EXPECT_FALSE(engine.IsOpen(dir / "加密"));
  EXPECT_TRUE(engine.IsPasswordProtected(dir / "加密"));
  EXPECT_FALSE(engine.Open(dir / "加密", {}, false, recfile::ShareMode::None, std::string()));
  EXPECT_EQ(ReadBank(engine, dir / "加密", "秘密1").size(), 40u);
}

TEST(SampleBank, ReportsWhyItCouldNotWrite) {
  testing::TempDir dir;
  recfile::RecordFileEngine engine;
  std::string error;
  EXPECT_FALSE(WriteSampleBank(engine, dir / "no-such-folder/样例", 10, 1, "", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteSampleBank(engine, dir / "样例", -1, 1, "", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace databases
