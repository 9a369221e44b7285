// A small JSON reader and writer for the tool's arguments and output.
// Strings are UTF-8; the escape code points U+DC80..U+DCFF that stand for
// undecodable GB18030 bytes travel as "\udcXX" both ways.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace edb {

class Json {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Json() = default;
  static Json Boolean(bool b);
  static Json Number(double v);
  static Json Integer(std::int64_t v);
  static Json String(std::string s);
  static Json Array();
  static Json Object();

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool asBool() const { return bool_; }
  double asDouble() const { return number_; }
  // True when the number was written without fraction or exponent and fits.
  bool isInteger() const { return isInteger_; }
  std::int64_t asInteger() const { return integer_; }
  const std::string& asString() const { return string_; }
  const std::vector<Json>& items() const { return items_; }
  const std::vector<std::pair<std::string, Json>>& members() const { return members_; }
  // Member by key; nullptr when absent or not an object.
  const Json* Find(std::string_view key) const;

  Json& Push(Json v);
  Json& Set(std::string key, Json v);

  // Compact text with ", " and ": " separators.
  std::string Dump() const;

  // Parses a whole text; on failure returns false and a message with the
  // byte position.
  static bool Parse(std::string_view text, Json* out, std::string* error);

 private:
  Kind kind_ = Kind::Null;
  bool bool_ = false;
  double number_ = 0;
  bool isInteger_ = false;
  std::int64_t integer_ = 0;
  std::string string_;
  std::vector<Json> items_;
  std::vector<std::pair<std::string, Json>> members_;
};

// A JSON string literal (with quotes) for a UTF-8 text.
std::string Quote(std::string_view utf8);

// Base64 both ways; decode fails on anything that is not base64.
std::string Base64Encode(const std::vector<std::uint8_t>& bytes);
bool Base64Decode(std::string_view text, std::vector<std::uint8_t>* out);

}  // namespace edb
