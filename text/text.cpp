#include "text/text.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

namespace text {
namespace {

// ---- UTF-8 walking ---------------------------------------------------------

bool isAscii(std::string_view s) {
  // Eight bytes at a time: the hot callers mostly see plain ASCII.
  std::size_t i = 0;
  const std::size_t n = s.size();
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ULL) return false;
  }
  for (; i < n; ++i)
    if (static_cast<unsigned char>(s[i]) & 0x80) return false;
  return true;
}

// Decodes one code point at s[i]. Returns its length in bytes, or 0 when the
// bytes there are not well-formed UTF-8. Surrogates (as the escape code points
// are) are accepted here; callers decide what they mean.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t* cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t c;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    c = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    c = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF))) return 0;
  *cp = c;
  return len;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

constexpr char32_t kEscapeFirst = 0xDC80;
constexpr char32_t kEscapeLast = 0xDCFF;

bool isEscape(char32_t c) { return c >= kEscapeFirst && c <= kEscapeLast; }

// ---- iconv descriptors, one pair per thread ----------------------------------

struct Converter {
  iconv_t cd;
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Converter() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
  void Reset() { iconv(cd, nullptr, nullptr, nullptr, nullptr); }
};

Converter& utf8ToGb() {
  thread_local Converter c("GB18030", "UTF-8");
  return c;
}

Converter& gbToUtf8() {
  thread_local Converter c("UTF-8", "GB18030");
  return c;
}

// Runs iconv over in[pos..], appending to out, until the input ends or an
// input error stops it. Returns the position reached; *err gets errno
// (0 when all input was consumed).
std::size_t convertRun(Converter& conv, std::string_view in, std::size_t pos, std::string& out,
                       int* err) {
  char* src = const_cast<char*>(in.data() + pos);
  std::size_t srcLeft = in.size() - pos;
  *err = 0;
  while (srcLeft > 0) {
    char buf[1024];
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    const std::size_t r = iconv(conv.cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, static_cast<std::size_t>(dst - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      *err = errno;
      break;
    }
  }
  return static_cast<std::size_t>(src - in.data());
}

// GB18030 length of one BMP code point, learned from iconv on first use.
std::array<std::atomic<std::uint8_t>, 0x10000> gLengthCache{};

std::size_t gbLengthOf(char32_t c) {
  if (c < 0x80) return 1;
  if (isEscape(c)) return 1;
  if (c >= 0x10000) return 4;
  if (c >= 0xD800 && c <= 0xDFFF) return 1;  // written as '?'
  std::uint8_t n = gLengthCache[c].load(std::memory_order_relaxed);
  if (n == 0) {
    std::string u;
    appendUtf8(u, c);
    Converter& conv = utf8ToGb();
    std::string g;
    if (conv.ok()) {
      conv.Reset();
      int err;
      convertRun(conv, u, 0, g, &err);
    }
    n = static_cast<std::uint8_t>(g.empty() ? 1 : g.size());
    gLengthCache[c].store(n, std::memory_order_relaxed);
  }
  return n;
}

bool isSpaceAt(std::string_view s, std::size_t i, std::size_t* len) {
  if (s[i] == ' ') {
    *len = 1;
    return true;
  }
  if (i + 3 <= s.size() && s.compare(i, 3, "\xE3\x80\x80") == 0) {
    *len = 3;
    return true;
  }
  return false;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

int compareBytes(std::string_view a, std::string_view b) {
  const int r = a.compare(b);  // char_traits<char>::compare is unsigned-bytewise
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace

// ---- Encoding -------------------------------------------------------------

std::string ToGbk(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  Converter& conv = utf8ToGb();
  conv.Reset();
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    int err = 0;
    if (conv.ok()) pos = convertRun(conv, utf8, pos, out, &err);
    else err = EILSEQ;
    if (pos >= utf8.size()) break;
    // iconv stopped: an escape code point, a lone surrogate, bad UTF-8 or a
    // truncated sequence at the end.
    char32_t c;
    const std::size_t len = decodeUtf8(utf8, pos, &c);
    if (len > 0 && isEscape(c)) {
      out.push_back(static_cast<char>(c - 0xDC00));
      pos += len;
    } else {
      out.push_back('?');
      pos += len > 0 ? len : 1;
    }
    conv.Reset();
  }
  return out;
}

namespace {

std::string decodeRun(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  Converter& conv = gbToUtf8();
  conv.Reset();
  std::size_t pos = 0;
  while (pos < gbk.size()) {
    int err = 0;
    if (conv.ok()) pos = convertRun(conv, gbk, pos, out, &err);
    if (pos >= gbk.size()) break;
    // One byte that starts no valid sequence becomes its escape code point;
    // the bytes after it are tried again.
    appendUtf8(out, 0xDC00 + static_cast<unsigned char>(gbk[pos]));
    ++pos;
    conv.Reset();
  }
  return out;
}

// Length of the GB18030 unit at gbk[i] judged by its byte ranges alone:
// 1, 2 or 4 (a lone or broken lead byte counts 1).
std::size_t unitLength(std::string_view gbk, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(gbk[i]);
  if (b0 < 0x81 || b0 > 0xFE || i + 1 >= gbk.size()) return 1;
  const auto b1 = static_cast<unsigned char>(gbk[i + 1]);
  if (b1 >= 0x40 && b1 <= 0xFE && b1 != 0x7F) return 2;
  if (b1 >= 0x30 && b1 <= 0x39 && i + 3 < gbk.size()) {
    const auto b2 = static_cast<unsigned char>(gbk[i + 2]);
    const auto b3 = static_cast<unsigned char>(gbk[i + 3]);
    if (b2 >= 0x81 && b2 <= 0xFE && b3 >= 0x30 && b3 <= 0x39) return 4;
  }
  return 1;
}

bool hasFourByteUnit(std::string_view gbk) {
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t n = unitLength(gbk, i);
    if (n == 4) return true;
    i += n;
  }
  return false;
}

}  // namespace

namespace {

// iconv's UTF-8 for every two-byte code (lead 0x81..0xFE, trail 0x40..0xFE
// but 0x7F), asked once per process: the texts of a bank are mostly such
// codes and ASCII, and one table look-up per character is many times
// cheaper than an iconv call per text. A code iconv does not take, or
// takes into more than three bytes, has length 0 and sends the whole text
// to iconv.
struct TwoByteCode {
  std::uint8_t length = 0;
  std::array<char, 3> utf8{};
};
constexpr std::size_t kTrails = 0xFF - 0x40;

const std::vector<TwoByteCode>& twoByteCodes() {
  static const std::vector<TwoByteCode> table = [] {
    std::vector<TwoByteCode> t(std::size_t{0xFF - 0x81} * kTrails);
    Converter conv("UTF-8", "GB18030");
    if (!conv.ok()) return t;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char out[8];
        char* src = in;
        char* dst = out;
        std::size_t srcLeft = 2, dstLeft = sizeof out;
        conv.Reset();
        if (iconv(conv.cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) ||
            srcLeft != 0)
          continue;
        const auto n = static_cast<std::size_t>(dst - out);
        if (n == 0 || n > 3) continue;
        TwoByteCode& c = t[(lead - 0x81) * kTrails + (trail - 0x40)];
        c.length = static_cast<std::uint8_t>(n);
        std::memcpy(c.utf8.data(), out, n);
      }
    }
    return t;
  }();
  return table;
}

// ASCII and two-byte codes through the table; false (out undefined) at the
// first byte of anything else, which iconv and the escapes must judge.
bool decodeCommon(std::string_view gbk, std::string& out) {
  const std::vector<TwoByteCode>& table = twoByteCodes();
  out.resize(gbk.size() + gbk.size() / 2);
  char* to = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
  const auto* end = p + gbk.size();
  while (p < end) {
    if (*p < 0x80) {
      *to++ = static_cast<char>(*p++);
      continue;
    }
    if (*p < 0x81 || *p > 0xFE || end - p < 2 || p[1] < 0x40 || p[1] > 0xFE) return false;
    const TwoByteCode& c = table[std::size_t{p[0] - 0x81u} * kTrails + (p[1] - 0x40u)];
    if (c.length == 0) return false;
    std::memcpy(to, c.utf8.data(), 3);  // the room is there: 2 bytes in give at most 3 out
    to += c.length;
    p += 2;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return true;
}

}  // namespace

std::string ToUtf8(std::string_view gbk) {
  if (isAscii(gbk)) return std::string(gbk);
  {
    std::string out;
    if (decodeCommon(gbk, out)) return out;
  }
  std::string out = decodeRun(gbk);
  // A few four-byte codes decode to characters whose preferred code is a
  // two-byte one; those must stay escaped bytes or writing back would change
  // them. Only texts that have four-byte codes at all need the check.
  if (!hasFourByteUnit(gbk) || ToGbk(out) == gbk) return out;
  out.clear();
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t n = unitLength(gbk, i);
    const std::string_view unit = gbk.substr(i, n);
    std::string piece = decodeRun(unit);
    if (n == 4 && ToGbk(piece) != unit) {
      piece.clear();
      for (char c : unit) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) piece.push_back(c);
        else appendUtf8(piece, 0xDC00 + b);
      }
    }
    out += piece;
    i += n;
  }
  return out;
}

std::size_t GbkLength(std::string_view utf8) {
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      ++n;
      ++i;
      continue;
    }
    char32_t c;
    const std::size_t len = decodeUtf8(utf8, i, &c);
    if (len == 0) {
      ++n;  // written as '?'
      ++i;
      continue;
    }
    n += gbLengthOf(c);
    i += len;
  }
  return n;
}

std::string CutToGbkBytes(std::string_view utf8, std::size_t maxBytes) {
  if (utf8.size() <= maxBytes && isAscii(utf8)) return std::string(utf8);
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    std::size_t len = decodeUtf8(utf8, i, &c);
    const std::size_t w = len == 0 ? 1 : gbLengthOf(c);
    if (len == 0) len = 1;
    if (n + w > maxBytes) break;
    n += w;
    i += len;
  }
  return std::string(utf8.substr(0, i));
}

std::string CutGbkBytes(std::string_view gbk, std::size_t maxBytes) {
  if (gbk.size() <= maxBytes) return std::string(gbk);
  std::size_t i = 0;
  while (i < gbk.size()) {
    const std::size_t len = unitLength(gbk, i);
    if (i + len > maxBytes) break;
    i += len;
  }
  return std::string(gbk.substr(0, i));
}

int CompareGbk(std::string_view a, std::string_view b, bool caseSensitive) {
  if (!caseSensitive) {
    const std::string la = LowerAscii(a);
    const std::string lb = LowerAscii(b);
    return CompareGbk(la, lb, true);
  }
  // Skip the common prefix, backed off to a character start; ASCII orders
  // the same in both encodings, so an all-ASCII rest needs no conversion.
  std::size_t p = 0;
  const std::size_t m = std::min(a.size(), b.size());
  while (p < m && a[p] == b[p]) ++p;
  auto continues = [](std::string_view s, std::size_t i) {
    return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
  };
  while (p > 0 && (continues(a, p) || continues(b, p))) --p;
  const std::string_view ra = a.substr(p);
  const std::string_view rb = b.substr(p);
  if (isAscii(ra) && isAscii(rb)) return compareBytes(ra, rb);
  return compareBytes(ToGbk(ra), ToGbk(rb));
}

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = LowerAscii(c);
  return r;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// ---- Spaces and lines -----------------------------------------------------

std::string TrimSpaces(std::string_view s) {
  std::size_t len;
  std::size_t begin = 0;
  while (begin < s.size() && isSpaceAt(s, begin, &len)) begin += len;
  std::size_t end = s.size();
  for (;;) {
    if (end > begin && s[end - 1] == ' ') {
      --end;
    } else if (end >= begin + 3 && s.compare(end - 3, 3, "\xE3\x80\x80") == 0) {
      end -= 3;
    } else {
      break;
    }
  }
  return std::string(s.substr(begin, end - begin));
}

std::string RemoveSpaces(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t len;
    if (isSpaceAt(s, i, &len)) {
      i += len;
    } else {
      out.push_back(s[i]);
      ++i;
    }
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view s) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = s.find("\r\n", start);
    if (p == std::string_view::npos) {
      lines.emplace_back(s.substr(start));
      return lines;
    }
    lines.emplace_back(s.substr(start, p - start));
    start = p + 2;
  }
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines[i];
  }
  return out;
}

std::string ToHalfWidth(std::string_view s) {
  if (isAscii(s)) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    char32_t c;
    const std::size_t len = decodeUtf8(s, i, &c);
    if (len == 3 && c >= 0xFF01 && c <= 0xFF5E) {
      out.push_back(static_cast<char>(c - 0xFEE0));
    } else if (len == 3 && c == 0x3000) {
      out.push_back(' ');
    } else {
      const std::size_t n = len == 0 ? 1 : len;
      out.append(s.substr(i, n));
      i += n;
      continue;
    }
    i += len;
  }
  return out;
}

// ---- Numbers --------------------------------------------------------------

namespace {

// Reads [sign] digits [. digits] [e [sign] digits] at s[i..]; returns the end
// of the number, or i when there is none. withExponent=false stops before
// an exponent.
std::size_t scanNumber(std::string_view s, std::size_t i, bool withExponent) {
  std::size_t p = i;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
  std::size_t digits = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++digits;
  if (p < s.size() && s[p] == '.') {
    std::size_t q = p + 1;
    std::size_t frac = 0;
    while (q < s.size() && s[q] >= '0' && s[q] <= '9') ++q, ++frac;
    if (digits + frac > 0) {
      p = q;
      digits += frac;
    }
  }
  if (digits == 0) return i;
  if (withExponent && p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
    std::size_t q = p + 1;
    if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
    const std::size_t e0 = q;
    while (q < s.size() && s[q] >= '0' && s[q] <= '9') ++q;
    if (q > e0) p = q;
  }
  return p;
}

double parseScanned(std::string_view num) {
  if (!num.empty() && num[0] == '+') num.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(num.data(), num.data() + num.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow gives the largest finite value of that sign; underflow 0.
    const bool neg = !num.empty() && num[0] == '-';
    const bool tiny = num.find_first_of("eE") != std::string_view::npos &&
                      num.find('-', num.find_first_of("eE")) != std::string_view::npos;
    if (tiny) return 0.0;
    return neg ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
  }
  if (r.ec != std::errc()) return 0.0;
  return v;
}

std::string_view trimForNumber(std::string_view s) {
  auto isWs = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  for (;;) {
    if (!s.empty() && isWs(s.front())) s.remove_prefix(1);
    else if (s.size() >= 3 && s.substr(0, 3) == "\xE3\x80\x80") s.remove_prefix(3);
    else break;
  }
  for (;;) {
    if (!s.empty() && isWs(s.back())) s.remove_suffix(1);
    else if (s.size() >= 3 && s.substr(s.size() - 3) == "\xE3\x80\x80") s.remove_suffix(3);
    else break;
  }
  return s;
}

}  // namespace

double ToDouble(std::string_view s) {
  s = trimForNumber(s);
  const std::size_t end = scanNumber(s, 0, true);
  if (end == 0 || end != s.size()) return 0.0;
  return parseScanned(s.substr(0, end));
}

std::int64_t ToInteger(std::string_view s) {
  const double v = std::trunc(ToDouble(s));
  constexpr double kLimit = 9223372036854775807.0;  // 2^63
  if (v >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (v < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

double LeadingNumber(std::string_view s) {
  const std::string h = ToHalfWidth(s);
  std::string_view v = h;
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  const std::size_t end = scanNumber(v, 0, false);
  if (end == 0) return 0.0;
  return parseScanned(v.substr(0, end));
}

double RoundHalfAway(double v, int decimals) {
  if (!std::isfinite(v) || v == 0.0) return v;
  // Round the shortest decimal form, so 2.675 (stored a hair below) still
  // rounds up the way the user reads it.
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos))
    if (c != '.') digits.push_back(c);
  int exp10 = 0;
  std::string_view ex = sci.substr(ePos + 1);
  if (!ex.empty() && ex[0] == '+') ex.remove_prefix(1);
  std::from_chars(ex.data(), ex.data() + ex.size(), exp10);
  // Value = 0.d1d2d3... * 10^(exp10 + 1). Keep digits up to 10^-decimals.
  const long keep = static_cast<long>(exp10) + 1 + decimals;
  const double sign = v < 0 ? -1.0 : 1.0;
  if (keep < 0) return 0.0 * sign;
  if (keep >= static_cast<long>(digits.size())) return v;
  bool up = digits[static_cast<std::size_t>(keep)] >= '5';
  std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
  int scaleExp = exp10 + 1 - static_cast<int>(keep);  // value = kept * 10^scaleExp
  if (up) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') kept[static_cast<std::size_t>(i--)] = '0';
    if (i < 0) kept.insert(kept.begin(), '1');
    else ++kept[static_cast<std::size_t>(i)];
  }
  if (kept.empty()) return 0.0 * sign;
  std::string out = kept + "e" + std::to_string(scaleExp);
  double res = 0;
  std::from_chars(out.data(), out.data() + out.size(), res);
  return sign * res;
}

std::string FormatNumber(double v) {
  if (!std::isfinite(v)) return "0";
  if (v == 0.0) return "0";
  char buf[64];
  if (v == std::trunc(v) && std::fabs(v) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

// ---- Date-times -----------------------------------------------------------
// Negative day numbers follow the usual serial-date rule: the integer part is
// the day, the fraction (taken without its sign) the time of day, so -1.25 is
// 1899-12-29 06:00.

namespace {

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned dd = doy - (153 * mp + 2) / 5 + 1;
  const unsigned mm = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int>(yy + (mm <= 2));
  *m = static_cast<int>(mm);
  *d = static_cast<int>(dd);
}

const std::int64_t kEpoch = daysFromCivil(1899, 12, 30);

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[m - 1];
}

}  // namespace

double ClampDays(double days) {
  if (std::isnan(days)) return kMinDays;
  return std::clamp(days, kMinDays, kMaxDays);
}

double ToDays(const DateTime& dt) {
  const double day = static_cast<double>(
      daysFromCivil(dt.year, static_cast<unsigned>(std::clamp(dt.month, 1, 12)),
                    static_cast<unsigned>(std::clamp(dt.day, 1, 31))) -
      kEpoch);
  const double time = (dt.hour * 3600.0 + dt.minute * 60.0 + dt.second) / 86400.0;
  return day < 0 ? day - time : day + time;
}

DateTime FromDays(double days) {
  days = ClampDays(days);
  double dayPart = std::trunc(days);
  // Whole seconds, rounded, so 0.9999999 of a day is the next midnight.
  std::int64_t secs = std::llround(std::fabs(days - dayPart) * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    dayPart += days < 0 ? -1 : 1;
  }
  DateTime dt;
  civilFromDays(static_cast<std::int64_t>(dayPart) + kEpoch, &dt.year, &dt.month, &dt.day);
  dt.hour = static_cast<int>(secs / 3600);
  dt.minute = static_cast<int>(secs / 60 % 60);
  dt.second = static_cast<int>(secs % 60);
  return dt;
}

std::optional<double> ParseDateTime(std::string_view input) {
  const std::string trimmed = TrimSpaces(input);
  std::string_view s = trimmed;
  std::size_t p = 0;
  auto readInt = [&](std::size_t minDigits, std::size_t maxDigits, int* out) {
    std::size_t q = p;
    int v = 0;
    while (q < s.size() && q - p < maxDigits && s[q] >= '0' && s[q] <= '9') v = v * 10 + (s[q++] - '0');
    if (q - p < minDigits) return false;
    if (q < s.size() && s[q] >= '0' && s[q] <= '9') return false;
    p = q;
    *out = v;
    return true;
  };
  auto eat = [&](std::string_view sep) {
    if (s.substr(p, sep.size()) == sep) {
      p += sep.size();
      return true;
    }
    return false;
  };
  DateTime dt;
  if (!readInt(1, 4, &dt.year)) return std::nullopt;
  bool chinese = false;
  std::string_view sep;
  if (eat("-")) sep = "-";
  else if (eat("/")) sep = "/";
  else if (eat("年")) chinese = true;
  else return std::nullopt;
  if (!readInt(1, 2, &dt.month)) return std::nullopt;
  if (chinese ? !eat("月") : !eat(sep)) return std::nullopt;
  if (!readInt(1, 2, &dt.day)) return std::nullopt;
  if (chinese && !eat("日")) return std::nullopt;
  if (dt.year < 100 || dt.month < 1 || dt.month > 12 || dt.day < 1 ||
      dt.day > daysInMonth(dt.year, dt.month))
    return std::nullopt;
  if (p < s.size()) {
    if (s[p] != ' ' && s[p] != 'T') return std::nullopt;
    while (p < s.size() && s[p] == ' ') ++p;
    if (p < s.size() && s[p] == 'T') ++p;
    if (!readInt(1, 2, &dt.hour) || !eat(":") || !readInt(2, 2, &dt.minute)) return std::nullopt;
    if (eat(":") && !readInt(2, 2, &dt.second)) return std::nullopt;
    if (p != s.size()) return std::nullopt;
    if (dt.hour > 23 || dt.minute > 59 || dt.second > 59) return std::nullopt;
  }
  return ToDays(dt);
}

double NowDays() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  DateTime dt;
  dt.year = tm.tm_year + 1900;
  dt.month = tm.tm_mon + 1;
  dt.day = tm.tm_mday;
  dt.hour = tm.tm_hour;
  dt.minute = tm.tm_min;
  dt.second = std::min(tm.tm_sec, 59);
  return ToDays(dt);
}

std::string FormatTimestamp(const DateTime& dt) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", dt.year, dt.month, dt.day, dt.hour,
                dt.minute, dt.second);
  return buf;
}

std::string FormatTimestamp(double days) { return FormatTimestamp(FromDays(days)); }

}  // namespace text
