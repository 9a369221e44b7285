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
  static Json boolean(bool b);
  static Json number(double v);
  static Json integer(std::int64_t v);
  static Json string(std::string s);
  static Json array();
  static Json object();

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
  const Json* find(std::string_view key) const;

  Json& push(Json v);
  Json& set(std::string key, Json v);

  // Compact text with ", " and ": " separators.
  std::string dump() const;

  // Parses a whole text; on failure returns false and a message with the
  // byte position.
  static bool parse(std::string_view text, Json* out, std::string* error);

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
std::string quote(std::string_view utf8);

// Base64 both ways; decode fails on anything that is not base64.
std::string base64Encode(const std::vector<std::uint8_t>& bytes);
bool base64Decode(std::string_view text, std::vector<std::uint8_t>* out);

}  // namespace edb
