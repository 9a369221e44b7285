// Course and administrator passwords as stored in "课程密码": DES-ECB cipher
// text of a length-prefixed block under a built-in key.
//
// Two forms of the stored text exist. The cipher bytes themselves are binary
// (raw bytes, never re-encoded). The engine hands text fields out as UTF-8
// converted from GB18030, with bytes that are not valid GB18030 turned into
// escape code points; that conversion is lossless both ways, so the field
// value is text::ToUtf8(cipher bytes) and the cipher bytes are
// text::ToGbk(field value). EncipherPassword/DecipherPassword work on the
// field value, the way callers read and write it; the *Bytes variants on the
// raw cipher bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace databases {

// Width of "课程密码" in bytes, and the longest password (GBK bytes) whose
// cipher text fits it.
inline constexpr std::size_t kCipherFieldWidth = 32;
inline constexpr std::size_t kMaxPasswordBytes = 28;

// The 8-byte DES key made from the built-in key text.
std::array<std::uint8_t, 8> PasswordCipherKey();

// Raw forms: GBK password bytes -> cipher bytes up to the first zero byte,
// and back. An empty password gives an empty text; a stored text that does
// not decipher to a well-formed block gives an empty password.
std::string EncipherPasswordBytes(std::string_view passwordGbk);
std::string DecipherPasswordBytes(std::string_view stored);

// Field forms: a UTF-8 password -> the value to write to "课程密码", and the
// value read from "课程密码" -> the UTF-8 password.
std::string EncipherPassword(const std::string& password);
std::string DecipherPassword(const std::string& storedField);

// Whether the "课程密码" value `storedField` is what writing the cipher text
// of `password` left there: the whole text, or one an older program cut at
// its first zero byte or at the field width. Such cut texts no longer
// decipher, yet still tell the right password from a wrong one. An empty
// password or stored text never matches.
bool StoredTextIsOf(const std::string& storedField, const std::string& password);

// The same on raw bytes: `stored` as "课程密码" holds it, `passwordGbk` the
// password's GBK bytes.
bool CipherIsOf(std::string_view stored, std::string_view passwordGbk);

// Whether the typed (UTF-8) password is the one whose cipher bytes are
// `cipher`, also when an older program stored them cut short. An empty
// cipher stands for "no password", which only the empty text matches.
bool PasswordMatchesCipher(std::string_view cipher, const std::string& typed);

// Whether the password's cipher text can be stored whole, so that it can be
// deciphered again. Longer passwords are cut by the field, and cipher text
// with a zero byte is cut at that byte; either leaves a stored text that no
// longer deciphers. On false, *why (if given) holds a message for the user.
bool PasswordFitsCipherField(const std::string& password, std::string* why = nullptr);

}  // namespace databases
