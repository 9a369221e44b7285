#include "text/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using text::DateTime;

int sign(int v) { return (v > 0) - (v < 0); }

TEST(Encoding, ConvertsChineseTextBothWays) {
  struct Case {
    const char* utf8;
    const char* gbk;
  } cases[] = {
      {"", ""},
      {"abc 123", "abc 123"},
      {"知识点", "\xD6\xAA\xCA\xB6\xB5\xE3"},
      {"€", "\xA2\xE3"},
      {"😀", "\x94\x39\xFC\x36"},  // outside GBK: a four-byte GB18030 code
      {"a中b", "a\xD6\xD0" "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(text::ToGbk(c.utf8), c.gbk);
    EXPECT_EQ(text::ToUtf8(c.gbk), c.utf8);
  }
}

TEST(Encoding, InvalidBytesReadAsEscapesAndWriteBackUnchanged) {
  struct Case {
    std::string gbk;
    std::string utf8;
  } cases[] = {
      {"\x80", "\xED\xB2\x80"},
      {"\xFF", "\xED\xB3\xBF"},
      {"ab\xD6", "ab\xED\xB3\x96"},               // half a character cut off at the end
      {"\xD6 x", "\xED\xB3\x96 x"},               // lead byte followed by a space
      {"\x81\x30\x81", "\xED\xB2\x81" "0\xED\xB2\x81"},  // truncated four-byte code
      {"\xD6\xD0\xFF\xD6\xD0", "中\xED\xB3\xBF中"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.gbk));
    EXPECT_EQ(text::ToUtf8(c.gbk), c.utf8);
    EXPECT_EQ(text::ToGbk(c.utf8), c.gbk);
  }
}

TEST(Encoding, EveryTwoByteSequenceSurvivesReadingAndWriting) {
  for (int a = 0x80; a <= 0xFF; ++a) {
    for (int b = 0x00; b <= 0xFF; ++b) {
      const std::string raw{static_cast<char>(a), static_cast<char>(b)};
      const std::string back = text::ToGbk(text::ToUtf8(raw));
      ASSERT_EQ(back, raw) << std::hex << a << " " << b;
    }
  }
}

TEST(Encoding, TwoByteCodesReadAloneAsInsideTextsIconvDecodes) {
  // A text of ASCII and two-byte codes is read through a table; a trailing
  // invalid byte sends the same code through iconv and the escapes.
  for (int a = 0x81; a <= 0xFE; ++a) {
    for (int b = 0x40; b <= 0xFE; ++b) {
      const std::string code{static_cast<char>(a), static_cast<char>(b)};
      const std::string throughIconv = text::ToUtf8("x" + code + "\x80");
      ASSERT_EQ("x" + text::ToUtf8(code) + "\xED\xB2\x80", throughIconv) << std::hex << a << " " << b;
    }
  }
}

TEST(Encoding, FourByteCodesWhoseCharacterHasATwoByteCodeSurviveAsBytes) {
  // 95 32 90 31 and FE 51 name the same character; the character is written
  // as FE 51, so the four bytes must come back as they were.
  for (const std::string raw : {"\x95\x32\x90\x31", "\xD6\xD0\x95\x32\x90\x31\xFE\x51",
                                "\x81\x30\x81\x30\x96\x30\xBA\x35"}) {
    SCOPED_TRACE(testing::PrintToString(raw));
    EXPECT_EQ(text::ToGbk(text::ToUtf8(raw)), raw);
  }
  EXPECT_EQ(text::ToUtf8("\x81\x30\x81\x30"), "\xC2\x80");  // an ordinary four-byte code
}

TEST(Encoding, TextThatCannotBeWrittenBecomesAQuestionMark) {
  EXPECT_EQ(text::ToGbk("a\xED\xA0\x80z"), "a?z");  // a surrogate that is no escape
  EXPECT_EQ(text::ToGbk("a\xC3z"), "a?z");          // broken UTF-8
}

TEST(GbkLength, CountsBytesOfTheEncodedForm) {
  struct Case {
    const char* utf8;
    std::size_t length;
  } cases[] = {
      {"", 0}, {"abc", 3}, {"中文", 4}, {"a中", 3}, {"😀", 4}, {"\xED\xB2\x80", 1}, {"ａ", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(text::GbkLength(c.utf8), c.length);
    EXPECT_EQ(text::ToGbk(c.utf8).size(), c.length);
  }
}

TEST(Cutting, NeverSplitsACharacter) {
  struct Case {
    const char* utf8;
    std::size_t max;
    const char* expected;
  } cases[] = {
      {"a中b", 0, ""},     {"a中b", 1, "a"},   {"a中b", 2, "a"},   {"a中b", 3, "a中"},
      {"a中b", 4, "a中b"}, {"a中b", 99, "a中b"}, {"x😀", 4, "x"},   {"x😀", 5, "x😀"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.utf8 << " " << c.max);
    EXPECT_EQ(text::CutToGbkBytes(c.utf8, c.max), c.expected);
    EXPECT_EQ(text::CutGbkBytes(text::ToGbk(c.utf8), c.max), text::ToGbk(c.expected));
  }
}

TEST(Cutting, RawBytesWithInvalidSequencesCutBytewise) {
  EXPECT_EQ(text::CutGbkBytes("\xFF\xFF\xFF", 2), "\xFF\xFF");
  EXPECT_EQ(text::CutGbkBytes("ab\xD6", 2), "ab");
}

TEST(CompareGbk, OrdersByEncodedBytes) {
  struct Case {
    const char* a;
    const char* b;
    bool caseSensitive;
    int expected;
  } cases[] = {
      {"安", "北", true, -1},   // pinyin order
      {"北", "中", true, -1},
      {"x一", "x丁", true, 1},  // UTF-8 order would say the opposite
      {"啊", "一", true, -1},
      {"ab", "abc", true, -1},
      {"", "", true, 0},
      {"B", "a", true, -1},
      {"B", "a", false, 1},
      {"abc", "ABC", false, 0},
      {"中A", "中a", false, 0},
      {"a", "中", true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
    EXPECT_EQ(sign(text::CompareGbk(c.a, c.b, c.caseSensitive)), c.expected);
    EXPECT_EQ(sign(text::CompareGbk(c.b, c.a, c.caseSensitive)), -c.expected);
  }
}

TEST(CompareGbk, CaseFoldingLeavesDoubleByteCharactersAlone) {
  // "丂" is 81 40 and "乣" is 81 60 in GBK: their trail bytes look like '@'
  // and '`', and "亖" is 81 61 ('a'); folding them would reorder them.
  EXPECT_LT(text::CompareGbk("丂", "乣", false), 0);
  EXPECT_NE(text::CompareGbk("乣", "亖", false), 0);
}

TEST(EqualsIgnoreCase, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(text::EqualsIgnoreCase("课程库Ab", "课程库aB"));
  EXPECT_FALSE(text::EqualsIgnoreCase("ａ", "Ａ"));
  EXPECT_FALSE(text::EqualsIgnoreCase("a", "ab"));
}

TEST(Spaces, TrimAndRemoveHalfAndFullWidthSpaces) {
  struct Case {
    const char* in;
    const char* trimmed;
    const char* removed;
  } cases[] = {
      {"", "", ""},
      {"   ", "", ""},
      {" 　a b　 ", "a b", "ab"},
      {"　中　文　", "中　文", "中文"},
      {"\ta\t", "\ta\t", "\ta\t"},  // only spaces count
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(text::TrimSpaces(c.in), c.trimmed);
    EXPECT_EQ(text::RemoveSpaces(c.in), c.removed);
  }
}

TEST(Lines, SplitAtCrLfOnly) {
  using V = std::vector<std::string>;
  EXPECT_EQ(text::SplitLines(""), V{""});
  EXPECT_EQ(text::SplitLines("a\r\nb"), (V{"a", "b"}));
  EXPECT_EQ(text::SplitLines("a\r\n"), (V{"a", ""}));
  EXPECT_EQ(text::SplitLines("a\nb\rc"), V{"a\nb\rc"});
  EXPECT_EQ(text::JoinLines({"a", "", "b"}), "a\r\n\r\nb");
  EXPECT_EQ(text::JoinLines(text::SplitLines("x\r\n\r\ny\r\n")), "x\r\n\r\ny\r\n");
}

TEST(HalfWidth, ReplacesFullWidthFormsAndIdeographicSpace) {
  EXPECT_EQ(text::ToHalfWidth("１２ａＺ！～　中"), "12aZ!~ 中");
}

TEST(Numbers, TextToDoubleAndInteger) {
  struct Case {
    const char* in;
    double real;
    std::int64_t integer;
  } cases[] = {
      {"15", 15, 15},        {" -3.9 ", -3.9, -3},   {"+2.5", 2.5, 2},    {".5", 0.5, 0},
      {"1e3", 1000, 1000},   {"abc", 0, 0},          {"12abc", 0, 0},     {"", 0, 0},
      {"-", 0, 0},           {"inf", 0, 0},          {"nan", 0, 0},       {"0x10", 0, 0},
      {"1e999", 1.7976931348623157e308, INT64_MAX},  {"-1e999", -1.7976931348623157e308, INT64_MIN},
      {"　7　", 7, 7},       {"5.", 5, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_DOUBLE_EQ(text::ToDouble(c.in), c.real);
    EXPECT_EQ(text::ToInteger(c.in), c.integer);
  }
}

TEST(Numbers, LeadingNumberReadsTheNumericSortKey) {
  struct Case {
    const char* in;
    double value;
  } cases[] = {
      {"12abc", 12}, {"-3.5分", -3.5}, {"１２", 12}, {"abc", 0},  {"", 0},
      {"  7", 7},    {"9", 9},         {"10", 10},   {"1e3", 1}, {"－２", -2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_DOUBLE_EQ(text::LeadingNumber(c.in), c.value);
  }
}

TEST(Numbers, RoundsHalvesAwayFromZero) {
  struct Case {
    double v;
    int decimals;
    double expected;
  } cases[] = {
      {2.5, 0, 3},       {-2.5, 0, -3},     {0.5, 0, 1},      {2.4999, 0, 2},  {2.675, 2, 2.68},
      {1.005, 2, 1.01},  {-1.005, 2, -1.01}, {9.995, 2, 10},  {1234.5, -2, 1200}, {0.0004, 2, 0},
      {15, 0, 15},       {1e300, 2, 1e300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " to " << c.decimals);
    EXPECT_DOUBLE_EQ(text::RoundHalfAway(c.v, c.decimals), c.expected);
  }
}

TEST(Numbers, FormatsShortestText) {
  struct Case {
    double v;
    const char* expected;
  } cases[] = {
      {15, "15"}, {-3, "-3"}, {0, "0"}, {-0.0, "0"}, {2.5, "2.5"}, {0.1 + 0.2, "0.3"}, {1e20, "1e+20"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(text::FormatNumber(c.v), c.expected);
  }
}

TEST(DateTimes, DayNumbersOfKnownDates) {
  struct Case {
    DateTime dt;
    double days;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0}, 0},
      {{1900, 1, 1, 0, 0, 0}, 2},
      {{2024, 2, 29, 12, 0, 0}, 45351.5},
      {{100, 1, 1, 0, 0, 0}, text::kMinDays},
      {{9999, 12, 31, 0, 0, 0}, text::kMaxDays},
      {{1899, 12, 29, 6, 0, 0}, -1.25},  // before the epoch the time still counts forward
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.days);
    EXPECT_DOUBLE_EQ(text::ToDays(c.dt), c.days);
    const DateTime back = text::FromDays(c.days);
    EXPECT_EQ(text::FormatTimestamp(back), text::FormatTimestamp(c.dt));
  }
}

TEST(DateTimes, ClampsToTheRepresentableRange) {
  EXPECT_EQ(text::ClampDays(-1e9), text::kMinDays);
  EXPECT_EQ(text::ClampDays(1e9), text::kMaxDays);
  EXPECT_EQ(text::ClampDays(NAN), text::kMinDays);
  EXPECT_EQ(text::ClampDays(100.5), 100.5);
  EXPECT_EQ(text::FormatTimestamp(1e12), "99991231000000");
}

TEST(DateTimes, ParsesCommonDateForms) {
  struct Case {
    const char* in;
    std::optional<double> days;
  } cases[] = {
      {"1900-01-01", 2},
      {"1900/1/1", 2},
      {"1900年1月1日", 2},
      {" 2024-02-29 12:00 ", 45351.5},
      {"2024-02-29 18:00:00", 45351.75},
      {"2023-02-29", std::nullopt},
      {"2024-13-01", std::nullopt},
      {"2024-01-01 24:00", std::nullopt},
      {"2024-01-01 12", std::nullopt},
      {"2024-01/01", std::nullopt},
      {"20240101", std::nullopt},
      {"abc", std::nullopt},
      {"", std::nullopt},
      {"2024-01-01x", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(text::ParseDateTime(c.in), c.days);
  }
}

TEST(DateTimes, FormatTimestampGivesFourteenDigits) {
  EXPECT_EQ(text::FormatTimestamp(DateTime{2024, 3, 5, 7, 8, 9}), "20240305070809");
  // 23:59:59.9 rounds to the next second, not to a 60th second.
  EXPECT_EQ(text::FormatTimestamp(45351.0 + 86399.9 / 86400), "20240301000000");
  EXPECT_EQ(text::FormatTimestamp(text::NowDays()).size(), 14u);
}

}  // namespace
