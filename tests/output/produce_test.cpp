// The window's road to documents: generation, messages through the host,
// files in the host's temporary folder, both opened.
#include <gtest/gtest.h>

#include <filesystem>

#include "output/paper_documents.h"
#include "tests/output/paper_fixture.h"
#include "tests/support/temp_dir.h"
#include "ui/testing/scripted_host.h"

namespace {

using namespace mc::testing;

class ProducePaper : public ::testing::Test {
 protected:
  TempDir dir{"mc-produce"};
  ui::testing::ScriptedHost host;
  output::MemoryPaperSource source;
  app::ProgramRandom random;
};

TEST_F(ProducePaper, WritesBothDocumentsIntoTheTemporaryFolderAndOpensThem) {
  host.setTemporaryFolder(dir.path());
  const auto request = Request({Single(1, "判断", "地球是圆的"), Single(2, "判断", "水往低处流")}, {"判断"});
  EXPECT_TRUE(output::ProducePaper(host, nullptr, request, source, random, output::OutputFormat::Html));
  EXPECT_TRUE(host.MessageTexts().empty());
  const std::string title = "物理  20261210103000  10  0  A卷  20261210104500";
  EXPECT_EQ(host.openedDocuments(),
            (std::vector<std::string>{dir / (title + "  试题.html"), dir / (title + "  答案.html")}));
  for (const auto& path : host.openedDocuments()) EXPECT_TRUE(std::filesystem::is_regular_file(path));
}

TEST_F(ProducePaper, AStoppedBuildIsShownAndTheRowsBeforeItAreStillOutput) {
  host.setTemporaryFolder(dir.path());
  auto request = Request({Single(9, "选择", "先出的题"), Choice(1, "选择", "如图所示", "", "B")}, {"选择"});
  request.choices.optionLabels = output::OptionLabels::Circled;
  random.setState(3);  // the single question is drawn first
  EXPECT_TRUE(output::ProducePaper(host, nullptr, request, source, random, output::OutputFormat::Html));
  EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{"试题 如图所示 的答案编号类型不符合组卷要求！"});
  ASSERT_EQ(host.openedDocuments().size(), 2u);
  const std::string paper = ReadFileBytes(host.openedDocuments()[0]);
  EXPECT_NE(paper.find("1. "), std::string::npos);
  EXPECT_EQ(paper.find("2. "), std::string::npos);
}

TEST_F(ProducePaper, AFolderThatCannotBeWrittenIsReportedAndNothingOpens) {
  WriteFileBytes(dir / "file", "x");
  host.setTemporaryFolder(dir / "file");
  const auto request = Request({Single(1, "判断", "地球是圆的")}, {"判断"});
  EXPECT_FALSE(output::ProducePaper(host, nullptr, request, source, random, output::OutputFormat::Html));
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_NE(host.messages()[0].text.find("Not a directory"), std::string::npos) << host.messages()[0].text;
  EXPECT_EQ(host.messages()[0].icon, ui::MessageIcon::Error);
  EXPECT_TRUE(host.openedDocuments().empty());
}

}  // namespace
