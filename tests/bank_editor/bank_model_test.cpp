#include "bank_editor/bank_model.h"

#include <gtest/gtest.h>

#include "editor_fixture.h"

namespace bank_editor::testing {
namespace {

class BankModelTest : public EditorFixture {
 protected:
  // A model on a bank of these questions, read afresh.
  BankModel& Open(const std::vector<Q>& questions) {
    WriteBank(questions);
    EXPECT_TRUE(engine_.Open(BankPath(), {}, false, recfile::ShareMode::None, std::string()));
    model_ = std::make_unique<BankModel>(engine_, kCourse);
    EXPECT_TRUE(model_->Load());
    return *model_;
  }
  std::unique_ptr<BankModel> model_;
};

// The index finds exactly what the rule calls the same, also when the
// joined texts split differently and across updates.
TEST_F(BankModelTest, DuplicatesFollowTheJoinedTextsAndTheAnswerThroughUpdates) {
  struct C {
    std::string text1, text2, answer;
  };
  const std::vector<C> contents = {{"甲乙", "丙", "答"}, {"甲", "乙丙", "答"}, {"甲乙丙", "", "答 "},
                                   {"a", "", "bc"},     {"ab", "", "c"},     {"1:", "2", "3"}};
  std::vector<Q> questions;
  for (const C& c : contents) {
    Q q = Question(c.text1, c.answer);
    q.text2 = c.text2;
    questions.push_back(q);
  }
  BankModel& model = Open(questions);
  ASSERT_EQ(model.size(), contents.size());
  const auto& ids = model.ids();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    SCOPED_TRACE(i);
    std::int64_t expected = 0;
    for (std::size_t j = 0; j < ids.size() && expected == 0; ++j)
      if (j != i && SameQuestionContent(contents[i].text1, contents[i].text2, contents[i].answer,
                                        contents[j].text1, contents[j].text2, contents[j].answer))
        expected = ids[j];
    EXPECT_EQ(model.FindDuplicate(ids[i]), expected);
  }

  // The third gets the first two's answer: three alike; the first changed:
  // the other two remain alike.
  QuestionChanges c;
  c.answer = "答";
  ASSERT_TRUE(model.Update(ids[2], c));
  EXPECT_NE(model.FindDuplicate(ids[2]), 0);
  c = {};
  c.text2 = "丁";
  ASSERT_TRUE(model.Update(ids[0], c));
  EXPECT_EQ(model.FindDuplicate(ids[0]), 0);
  EXPECT_EQ(model.FindDuplicate(ids[1]), ids[2]);
  EXPECT_EQ(model.Find(ids[0])->text2, "丁");
  EXPECT_EQ(std::get<std::string>(DiskField(ids[0], databases::kQuestionText2)), "丁");

  // A deleted question is no duplicate any more; an appended one is.
  ASSERT_TRUE(model.Delete(ids[2]));
  EXPECT_EQ(model.FindDuplicate(ids[1]), 0);
  const std::int64_t added = model.Append(*model.Find(ids[1]));
  ASSERT_GT(added, 0);
  EXPECT_EQ(model.FindDuplicate(ids[1]), added);
}

TEST_F(BankModelTest, AWriteTheBankRefusesLeavesTheModelAsItWas) {
  BankModel& model = Open({Question("一"), Question("二")});
  const databases::Question before = *model.Find(model.ids()[0]);
  const std::vector<std::int64_t> ids = model.ids();
  std::vector<std::pair<std::int64_t, QuestionChanges>> changes;
  for (const std::int64_t id : ids) {
    QuestionChanges c;
    c.text1 = "同";
    c.score = 9;
    changes.emplace_back(id, c);
  }
  fs_->failWrites = true;
  EXPECT_FALSE(model.UpdateMany(changes));
  EXPECT_FALSE(model.Update(ids[0], changes[0].second));
  fs_->failWrites = false;
  EXPECT_NE(model.lastError().code, 0);
  EXPECT_EQ(*model.Find(ids[0]), before);
  EXPECT_EQ(model.FindDuplicate(ids[0]), 0);
  ASSERT_TRUE(model.UpdateMany(changes));
  EXPECT_EQ(model.FindDuplicate(ids[0]), ids[1]);
  EXPECT_EQ(model.Find(ids[1])->score, 9);
}

}  // namespace
}  // namespace bank_editor::testing
