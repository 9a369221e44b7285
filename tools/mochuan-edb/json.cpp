#include "tools/mochuan-edb/json.h"

#include <nettle/base64.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace edb {

Json Json::Boolean(bool b) {
  Json j;
  j.kind_ = Kind::Bool;
  j.bool_ = b;
  return j;
}

Json Json::Number(double v) {
  Json j;
  j.kind_ = Kind::Number;
  j.number_ = v;
  return j;
}

Json Json::Integer(std::int64_t v) {
  Json j;
  j.kind_ = Kind::Number;
  j.number_ = static_cast<double>(v);
  j.isInteger_ = true;
  j.integer_ = v;
  return j;
}

Json Json::String(std::string s) {
  Json j;
  j.kind_ = Kind::String;
  j.string_ = std::move(s);
  return j;
}

Json Json::Array() {
  Json j;
  j.kind_ = Kind::Array;
  return j;
}

Json Json::Object() {
  Json j;
  j.kind_ = Kind::Object;
  return j;
}

const Json* Json::Find(std::string_view key) const {
  for (const auto& [k, v] : members_)
    if (k == key) return &v;
  return nullptr;
}

Json& Json::Push(Json v) {
  items_.push_back(std::move(v));
  return *this;
}

Json& Json::Set(std::string key, Json v) {
  members_.emplace_back(std::move(key), std::move(v));
  return *this;
}

namespace {

void appendU(std::string& out, unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", v);
  out += buf;
}

void dumpTo(const Json& j, std::string& out) {
  switch (j.kind()) {
    case Json::Kind::Null:
      out += "null";
      break;
    case Json::Kind::Bool:
      out += j.asBool() ? "true" : "false";
      break;
    case Json::Kind::Number: {
      if (j.isInteger()) {
        out += std::to_string(j.asInteger());
      } else if (!std::isfinite(j.asDouble())) {
        out += "null";  // JSON has no infinities or NaN
      } else {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, j.asDouble());
        out.append(buf, r.ptr);
      }
      break;
    }
    case Json::Kind::String:
      out += Quote(j.asString());
      break;
    case Json::Kind::Array: {
      out += '[';
      bool first = true;
      for (const Json& v : j.items()) {
        if (!first) out += ", ";
        first = false;
        dumpTo(v, out);
      }
      out += ']';
      break;
    }
    case Json::Kind::Object: {
      out += '{';
      bool first = true;
      for (const auto& [k, v] : j.members()) {
        if (!first) out += ", ";
        first = false;
        out += Quote(k);
        out += ": ";
        dumpTo(v, out);
      }
      out += '}';
      break;
    }
  }
}

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  bool ParseDocument(Json* out, std::string* error) {
    SkipSpace();
    if (!ParseValue(out, 0)) {
      *error = error_;
      return false;
    }
    SkipSpace();
    if (p_ != s_.size()) {
      *error = "unexpected text after the JSON value at byte " + std::to_string(p_);
      return false;
    }
    return true;
  }

 private:
  static constexpr int kMaxDepth = 256;

  bool fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at byte " + std::to_string(p_);
    return false;
  }

  void SkipSpace() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\n' || s_[p_] == '\r'))
      ++p_;
  }

  bool Literal(std::string_view word) {
    if (s_.substr(p_, word.size()) != word) return fail("invalid literal");
    p_ += word.size();
    return true;
  }

  bool ParseValue(Json* out, int depth) {
    if (depth > kMaxDepth) return fail("JSON nested too deeply");
    if (p_ >= s_.size()) return fail("unexpected end of JSON");
    const char c = s_[p_];
    if (c == 'n') {
      *out = Json();
      return Literal("null");
    }
    if (c == 't') {
      *out = Json::Boolean(true);
      return Literal("true");
    }
    if (c == 'f') {
      *out = Json::Boolean(false);
      return Literal("false");
    }
    if (c == '"') {
      std::string s;
      if (!ParseString(&s)) return false;
      *out = Json::String(std::move(s));
      return true;
    }
    if (c == '[') {
      ++p_;
      *out = Json::Array();
      SkipSpace();
      if (p_ < s_.size() && s_[p_] == ']') {
        ++p_;
        return true;
      }
      for (;;) {
        SkipSpace();
        Json v;
        if (!ParseValue(&v, depth + 1)) return false;
        out->Push(std::move(v));
        SkipSpace();
        if (p_ < s_.size() && s_[p_] == ',') {
          ++p_;
          continue;
        }
        if (p_ < s_.size() && s_[p_] == ']') {
          ++p_;
          return true;
        }
        return fail("expected ',' or ']'");
      }
    }
    if (c == '{') {
      ++p_;
      *out = Json::Object();
      SkipSpace();
      if (p_ < s_.size() && s_[p_] == '}') {
        ++p_;
        return true;
      }
      for (;;) {
        SkipSpace();
        if (p_ >= s_.size() || s_[p_] != '"') return fail("expected a member name");
        std::string key;
        if (!ParseString(&key)) return false;
        SkipSpace();
        if (p_ >= s_.size() || s_[p_] != ':') return fail("expected ':'");
        ++p_;
        SkipSpace();
        Json v;
        if (!ParseValue(&v, depth + 1)) return false;
        out->Set(std::move(key), std::move(v));
        SkipSpace();
        if (p_ < s_.size() && s_[p_] == ',') {
          ++p_;
          continue;
        }
        if (p_ < s_.size() && s_[p_] == '}') {
          ++p_;
          return true;
        }
        return fail("expected ',' or '}'");
      }
    }
    if (c == '-' || (c >= '0' && c <= '9')) return ParseNumber(out);
    return fail("unexpected character");
  }

  bool ParseNumber(Json* out) {
    const std::size_t start = p_;
    bool integral = true;
    if (s_[p_] == '-') ++p_;
    auto digits = [&] {
      const std::size_t d = p_;
      while (p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9') ++p_;
      return p_ > d;
    };
    if (p_ < s_.size() && s_[p_] == '0') ++p_;
    else if (!digits()) return fail("invalid number");
    if (p_ < s_.size() && s_[p_] == '.') {
      ++p_;
      integral = false;
      if (!digits()) return fail("invalid number");
    }
    if (p_ < s_.size() && (s_[p_] == 'e' || s_[p_] == 'E')) {
      ++p_;
      integral = false;
      if (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-')) ++p_;
      if (!digits()) return fail("invalid number");
    }
    const std::string_view num = s_.substr(start, p_ - start);
    if (integral) {
      std::int64_t v = 0;
      const auto r = std::from_chars(num.data(), num.data() + num.size(), v);
      if (r.ec == std::errc() && r.ptr == num.data() + num.size()) {
        *out = Json::Integer(v);
        return true;
      }
    }
    double d = 0;
    const auto r = std::from_chars(num.data(), num.data() + num.size(), d);
    if (r.ec != std::errc()) return fail("number out of range");
    *out = Json::Number(d);
    return true;
  }

  static void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  bool Hex4(std::uint32_t* v) {
    if (p_ + 4 > s_.size()) return fail("invalid \\u escape");
    *v = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = s_[p_++];
      *v <<= 4;
      if (h >= '0' && h <= '9') *v |= static_cast<std::uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f') *v |= static_cast<std::uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') *v |= static_cast<std::uint32_t>(h - 'A' + 10);
      else return fail("invalid \\u escape");
    }
    return true;
  }

  bool ParseString(std::string* out) {
    ++p_;  // opening quote
    for (;;) {
      if (p_ >= s_.size()) return fail("unterminated string");
      const auto c = static_cast<unsigned char>(s_[p_]);
      if (c == '"') {
        ++p_;
        return true;
      }
      if (c < 0x20) return fail("control character in string");
      if (c != '\\') {
        *out += static_cast<char>(c);
        ++p_;
        continue;
      }
      ++p_;
      if (p_ >= s_.size()) return fail("unterminated string");
      const char e = s_[p_++];
      switch (e) {
        case '"': *out += '"'; break;
        case '\\': *out += '\\'; break;
        case '/': *out += '/'; break;
        case 'b': *out += '\b'; break;
        case 'f': *out += '\f'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        case 't': *out += '\t'; break;
        case 'u': {
          std::uint32_t v = 0;
          if (!Hex4(&v)) return false;
          if (v >= 0xD800 && v <= 0xDBFF) {
            std::uint32_t lo = 0;
            if (s_.substr(p_, 2) != "\\u") return fail("unpaired surrogate");
            p_ += 2;
            if (!Hex4(&lo)) return false;
            if (lo < 0xDC00 || lo > 0xDFFF) return fail("unpaired surrogate");
            v = 0x10000 + ((v - 0xD800) << 10) + (lo - 0xDC00);
          } else if (v >= 0xDC00 && v <= 0xDFFF && (v < 0xDC80 || v > 0xDCFF)) {
            return fail("unpaired surrogate");
          }
          AppendUtf8(*out, v);  // U+DC80..U+DCFF: a raw byte's escape
          break;
        }
        default:
          return fail("invalid escape in string");
      }
    }
  }

  std::string_view s_;
  std::size_t p_ = 0;
  std::string error_;
};

}  // namespace

std::string Json::Dump() const {
  std::string out;
  dumpTo(*this, out);
  return out;
}

bool Json::Parse(std::string_view text, Json* out, std::string* error) {
  Parser p(text);
  return p.ParseDocument(out, error);
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      appendU(out, c);
    } else if (c == 0xED && i + 2 < s.size() &&
               (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0xA0) {
      // A surrogate (an escaped raw byte): legal in JSON only as \u.
      const unsigned v = 0xD000 | ((static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) |
                         (static_cast<unsigned char>(s[i + 2]) & 0x3F);
      appendU(out, v);
      i += 3;
      continue;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string Base64Encode(const std::vector<std::uint8_t>& bytes) {
  std::string out(BASE64_ENCODE_RAW_LENGTH(bytes.size()), '\0');
  base64_encode_raw(reinterpret_cast<char*>(out.data()), bytes.size(), bytes.data());
  return out;
}

bool Base64Decode(std::string_view text, std::vector<std::uint8_t>* out) {
  base64_decode_ctx ctx;
  base64_decode_init(&ctx);
  out->assign(BASE64_DECODE_LENGTH(text.size()), 0);
  std::size_t len = out->size();
  if (!base64_decode_update(&ctx, &len, out->data(), text.size(), text.data())) return false;
  if (!base64_decode_final(&ctx)) return false;
  out->resize(len);
  return true;
}

}  // namespace edb
