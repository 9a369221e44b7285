// Text and value helpers shared by every layer. Every text inside the program
// is UTF-8; GB18030 (a superset of GBK) is the external byte format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// ---- Encoding -------------------------------------------------------------
// UTF-8 -> GB18030 bytes. Escape code points produced by toUtf8 for invalid
// bytes turn back into those same bytes, so reading then writing is lossless.
std::string ToGbk(std::string_view utf8);
// GB18030 bytes -> UTF-8. A byte b (0x80..0xFF) that does not start a valid
// GB18030 sequence becomes the escape code point U+DC00 + b, written as the
// three bytes ED, B2 | (b >> 6 & 1), 80 | (b & 3F) (so 0x80 -> ED B2 80,
// 0xFF -> ED B3 BF), the way Python's surrogateescape does; decoding goes on
// with the byte after it. toGbk writes each escape back as its byte b. Any
// other text GB18030 cannot hold (a lone surrogate, broken UTF-8) is written
// as '?', one per bad character or byte.
std::string ToUtf8(std::string_view gbk);

// Length of a UTF-8 text in GBK/GB18030 bytes (a Chinese character counts 2).
std::size_t GbkLength(std::string_view utf8);

// Cuts a UTF-8 text so its GB18030 form is at most maxBytes long, never
// inside a character. Returns the cut UTF-8 text.
std::string CutToGbkBytes(std::string_view utf8, std::size_t maxBytes);

// Cuts raw GB18030 bytes to at most maxBytes at a character boundary.
std::string CutGbkBytes(std::string_view gbk, std::size_t maxBytes);

// Byte-wise comparison of the GB18030 encodings (pinyin order for common
// Chinese words). Returns <0, 0, >0. caseSensitive=false folds ASCII letters.
int CompareGbk(std::string_view a, std::string_view b, bool caseSensitive = true);

// ASCII-case-insensitive equality of two UTF-8 texts.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// A copy with the ASCII capitals A-Z made small; every other byte as it is.
std::string LowerAscii(std::string_view s);

// ---- Spaces and lines -----------------------------------------------------
// Removes ASCII spaces and full-width spaces (U+3000) at both ends.
std::string TrimSpaces(std::string_view s);
// Removes every ASCII space and full-width space.
std::string RemoveSpaces(std::string_view s);
// Splits at CR LF. "a\r\nb" -> {"a","b"}; "" -> {""}; "a\r\n" -> {"a",""}.
std::vector<std::string> SplitLines(std::string_view s);
// Joins with CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
// Full-width ASCII forms (U+FF01..U+FF5E) and U+3000 -> half-width.
std::string ToHalfWidth(std::string_view s);

// ---- Numbers --------------------------------------------------------------
// A text that is not a number converts to 0. Leading/trailing spaces allowed.
double ToDouble(std::string_view s);
// A real value cut toward zero where an integer is wanted; not a number -> 0.
std::int64_t ToInteger(std::string_view s);
// Numeric sort key: full-width -> half-width, then the leading decimal number
// ("12abc" -> 12, "-3.5" -> -3.5); no leading number -> 0.
double LeadingNumber(std::string_view s);
// Rounds half away from zero to `decimals` places.
double RoundHalfAway(double v, int decimals = 0);
// Shortest decimal text of a number as the program shows it: integers without
// a decimal point ("15"), others with up to 15 significant digits.
std::string FormatNumber(double v);

// ---- Date-times -----------------------------------------------------------
// Days since 1899-12-30, fraction = time of day. Before the epoch the
// integer part is the day and the fraction, taken without its sign, the time:
// -1.25 is 1899-12-29 06:00.
inline constexpr double kMinDays = -657434.0;  // 0100-01-01
inline constexpr double kMaxDays = 2958465.0;  // 9999-12-31
double ClampDays(double days);

struct DateTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
double ToDays(const DateTime& dt);
DateTime FromDays(double days);
// Parses "YYYY-MM-DD" or "YYYY/MM/DD", optionally followed by a space and
// "hh:mm" or "hh:mm:ss" (also YYYY年MM月DD日). nullopt when not a date.
std::optional<double> ParseDateTime(std::string_view s);
// The local date-time now, as days.
double NowDays();
// YYYYMMDDhhmmss.
std::string FormatTimestamp(double days);
std::string FormatTimestamp(const DateTime& dt);

}  // namespace text
