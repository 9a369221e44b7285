#include "compose/type_order.h"

#include <gtest/gtest.h>

namespace compose {
namespace {

using Names = std::vector<std::string>;

TEST(TypeOrder, SavedOrderIsCleanedAndExtendedByTheBanksTypes) {
  struct Case {
    const char* stored;
    Names bank;
    Names expected;
  };
  const Case cases[] = {
      {"选择,判断,作文", {"判断", "填空", "选择"}, {"选择", "判断", "填空"}},
      {"", {"判断", "填空"}, {"判断", "填空"}},
      {"填空,,填空,判断", {"判断", "填空"}, {"填空", "判断"}},
      {"作文", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(MergeTypeOrder(SplitTypeOrder(c.stored), c.bank), c.expected);
  }
}

TEST(TypeOrder, TypesAreCollectedAtTheirFirstOccurrence) {
  EXPECT_EQ(CollectTypes({"判断", "填空", "判断", "选择", "填空"}), (Names{"判断", "填空", "选择"}));
}

TEST(TypeOrder, JoinedOrderKeepsOnlyWholeNamesWithinTheFieldWidth) {
  EXPECT_EQ(JoinTypeOrder({"选择", "判断", "填空"}), "选择,判断,填空");
  // 4 + 1 + 4 = 9 bytes fit in 10; the third name would need 5 more.
  EXPECT_EQ(JoinTypeOrder({"选择", "判断", "填空"}, 10), "选择,判断");
  const std::string longName(300, 'x');
  EXPECT_EQ(JoinTypeOrder({longName, longName, "判断"}), longName);
}

}  // namespace
}  // namespace compose
