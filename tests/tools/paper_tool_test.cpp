// mochuan-paper: the paper a plan gives, as the program would make it after a
// fresh start, and every failure as one line with exit code 2.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "output/html_output.h"
#include "output/paper_generation.h"
#include "tests/output/bank_fixture.h"
#include "tests/output/docx_reader.h"
#include "tests/output/pdf_tools.h"
#include "text/text.h"
#include "tools/mochuan-paper/paper_mode.h"

namespace {

using namespace mc::testing;

struct Result {
  int code = -1;
  std::string out, err;
};

class PaperTool : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(course.Build(dir.path(), error)) << error;
    std::filesystem::create_directories(dir / "out");
    ASSERT_TRUE(compose::WritePlanFile(dir / "plan.mcplan", course.Plan(), error)) << error;
  }

  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }

  Result Run(const std::vector<std::string>& args) {
    std::string cmd = Quote(MOCHUAN_PAPER_PATH);
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " >" + Quote(dir / "stdout") + " 2>" + Quote(dir / "stderr");
    const int s = std::system(cmd.c_str());
    return {WIFEXITED(s) ? WEXITSTATUS(s) : -1, ReadFileBytes(dir / "stdout"),
            ReadFileBytes(dir / "stderr")};
  }

  std::vector<std::string> Args(const std::string& paper = "A") {
    return {"--data-dir", dir.path(), "--course", SampleCourse::kCourse, "--password",
            SampleCourse::kPassword, "--plan", dir / "plan.mcplan", "--paper", paper,
            "--out", dir / "out", "--stamp", "20261210120000"};
  }

  // The same paper made in this process from a fresh generator.
  output::PaperLayout InProcess(output::Paper paper, std::uint32_t seed) {
    paper_tool::CourseSession session;
    std::string error;
    EXPECT_TRUE(session.Open(dir.path(), SampleCourse::kCourse, SampleCourse::kPassword, error)) << error;
    output::PaperRequest request;
    int leftOut = 0;
    EXPECT_TRUE(paper_tool::RequestFromPlan(session, course.Plan(), paper, "20261210120000",
                                            request, leftOut, error)) << error;
    EXPECT_EQ(leftOut, 0);
    app::ProgramRandom random;
    random.setState(seed);
    output::CourseBankSource source(session.bank());
    return output::GeneratePaper(request, source, random);
  }

  TempDir dir{"mc-paper-tool"};
  SampleCourse course;
};

TEST_F(PaperTool, WritesThePaperAFreshStartGivesAndPrintsBothPaths) {
  for (const char* paper : {"A", "B"}) {
    for (std::uint32_t seed : {1u, 99u}) {
      SCOPED_TRACE(std::string(paper) + " seed " + std::to_string(seed));
      auto args = Args(paper);
      if (seed != 1) args.insert(args.end(), {"--seed", std::to_string(seed)});
      const Result r = Run(args);
      ASSERT_EQ(r.code, 0) << r.err;
      EXPECT_EQ(r.err, "");
      const auto layout = InProcess(*paper == 'A' ? output::Paper::A : output::Paper::B, seed);
      EXPECT_EQ(layout.stopMessage, "");
      const std::string paperPath = dir / ("out/" + layout.paperTitle + ".html");
      const std::string answersPath = dir / ("out/" + layout.answersTitle + ".html");
      EXPECT_EQ(r.out, paperPath + "\n" + answersPath + "\n");
      EXPECT_EQ(text::ToUtf8(ReadFileBytes(paperPath)), output::HtmlPaper(layout).text);
      EXPECT_EQ(text::ToUtf8(ReadFileBytes(answersPath)), output::HtmlAnswers(layout).text);
    }
  }
}

TEST_F(PaperTool, ThePaperCarriesThePlansStampTotalsAndPictures) {
  const Result r = Run(Args("B"));
  ASSERT_EQ(r.code, 0) << r.err;
  // B: 选择 5 + 5, 判断 2, 阅读 10 = 22, all in A too; A: 5+5+5+2+2+10+8 = 37.
  const std::string title = "物理  20261210103000  22  59  B卷  20261210120000";
  const std::string paper = text::ToUtf8(ReadFileBytes(dir / ("out/" + title + "  试题.html")));
  EXPECT_NE(paper.find("<center>" + title + "  试题</center>"), std::string::npos);
  EXPECT_NE(paper.find("（每题5分，共10分）"), std::string::npos);
  // Two question pictures (the picture-options question, the 判断 one).
  EXPECT_EQ(ReadFileBytes(dir / ("out/" + title + "  试题.files/B卷试题0.jpg")).size(), 54u);
  EXPECT_EQ(ReadFileBytes(dir / ("out/" + title + "  试题.files/B卷试题1.jpg")).size(), 54u);
  EXPECT_FALSE(std::filesystem::exists(dir / ("out/" + title + "  试题.files/B卷试题2.jpg")));
}

TEST_F(PaperTool, CircledLabelsTakeTheTwinOfThePictureQuestion) {
  std::string error;
  ASSERT_TRUE(compose::WritePlanFile(dir / "plan.mcplan", course.Plan(true), error)) << error;
  const Result r = Run(Args("A"));
  ASSERT_EQ(r.code, 0) << r.err;
  const std::size_t firstEnd = r.out.find('\n');
  ASSERT_NE(firstEnd, std::string::npos);
  const std::string answersPath = r.out.substr(firstEnd + 1, r.out.size() - firstEnd - 2);
  // The answers show ② and the twin's answer picture.
  const std::string answers = text::ToUtf8(ReadFileBytes(answersPath));
  EXPECT_NE(answers.find(". ②<img src='"), std::string::npos) << answers;
}

TEST_F(PaperTool, WritesWordDocumentsAndPdfUnderTheSameNames) {
  const auto layout = InProcess(output::Paper::A, 1);
  for (const std::string format : {"docx", "pdf"}) {
    SCOPED_TRACE(format);
    auto args = Args("A");
    args.insert(args.end(), {"--format", format});
    const Result r = Run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string paperPath = dir / ("out/" + layout.paperTitle + "." + format);
    const std::string answersPath = dir / ("out/" + layout.answersTitle + "." + format);
    EXPECT_EQ(r.out, paperPath + "\n" + answersPath + "\n");
    if (format == "docx") {
      const docx_test::Docx paper(paperPath), answers(answersPath);
      ASSERT_FALSE(paper.paragraphs().empty());
      EXPECT_EQ(paper.paragraphs().front().text(), layout.paperTitle);
      EXPECT_EQ(answers.paragraphs().front().text(), layout.answersTitle);
    } else {
#ifdef MC_WITH_PDF
      // The text comes back with runs of spaces as one.
      const auto collapsed = [](std::string s) {
        std::string out;
        for (char c : s)
          if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
        return out;
      };
      const pdf_test::Pdf paper(paperPath), answers(answersPath);
      EXPECT_GE(paper.pages(), 1);
      EXPECT_NE(paper.text().find(collapsed(layout.paperTitle)), std::string::npos) << paper.text();
      EXPECT_NE(answers.text().find(collapsed(layout.answersTitle)), std::string::npos) << answers.text();
#endif
    }
  }
}

TEST_F(PaperTool, WritesMoodleXmlInPaperOrder) {
  const auto layout = InProcess(output::Paper::A, 1);
  auto args = Args("A");
  args.insert(args.end(), {"--format", "moodle-xml"});
  const Result r = Run(args);
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string title = layout.paperTitle.substr(0, layout.paperTitle.size() - std::string("  试题").size());
  const std::string path = dir / ("out/" + title + ".xml");
  EXPECT_EQ(r.out, path + "\n");
  const std::string xml = ReadFileBytes(path);
  EXPECT_NE(xml.find("<text>$course$/物理/" + title + "</text>"), std::string::npos) << xml;
  std::size_t at = 0;
  for (const auto& section : layout.sections) {
    for (const auto& row : section.rows) {
      const auto found = xml.find("<defaultgrade>" + std::to_string(row.score) + "</defaultgrade>", at);
      if (row.groupNumber == "0") continue;  // a title is a description, without a grade
      ASSERT_NE(found, std::string::npos);
      at = found + 1;
    }
  }
}

TEST_F(PaperTool, EveryFailureIsOneLineWithExitCodeTwo) {
  WriteFileBytes(dir / "broken.mcplan", "{\"kind\": ");
  compose::PaperPlan other = course.Plan();
  other.course = "化学";
  std::string error;
  ASSERT_TRUE(compose::WritePlanFile(dir / "other.mcplan", other, error));
  WriteFileBytes(dir / "a-file", "x");

  auto with = [&](std::vector<std::string> args, const std::string& key, const std::string& value) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
      if (args[i] == key) {
        args[i + 1] = value;
        return args;
      }
    args.push_back(key);
    args.push_back(value);
    return args;
  };
  struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {"unknown course", with(Args(), "--course", "化学"), "没有课程：化学"},
      {"wrong password", with(Args(), "--password", "错的"), "课程密码错误！"},
      {"no password", with(Args(), "--password", ""), "课程密码错误！"},
      {"broken plan", with(Args(), "--plan", dir / "broken.mcplan"), ""},
      {"plan of another course", with(Args(), "--plan", dir / "other.mcplan"), ""},
      {"missing plan", with(Args(), "--plan", dir / "none.mcplan"), ""},
      {"unknown format", with(Args(), "--format", "rtf"), "rtf"},
      {"paper C", with(Args(), "--paper", "C"), "--paper"},
      {"bad stamp", with(Args(), "--stamp", "2026"), "--stamp"},
      {"bad seed", with(Args(), "--seed", "-1"), "--seed"},
      {"no data folder", with(Args(), "--data-dir", dir / "nowhere"), "没有课程库"},
      {"output folder not writable", with(Args(), "--out", dir / "a-file/sub"), "a-file/sub"},
      {"unknown option", with(Args(), "--colour", "red"), "--colour"},
      {"no plan option", {"--data-dir", dir.path(), "--course", "物理", "--paper", "A"}, "--plan"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Run(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.rfind("mochuan-paper：", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere/课程库.edb"));
}

}  // namespace
