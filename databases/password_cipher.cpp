#include "databases/password_cipher.h"

#include <nettle/des.h>

#include <algorithm>

#include "text/text.h"

namespace databases {

namespace {

constexpr std::string_view kKeyText = "KVQ";

// The whole cipher output, zero bytes included.
std::string FullCipher(std::string_view passwordGbk) {
  const std::size_t plainSize = (4 + passwordGbk.size() + 7) / 8 * 8;
  std::string plain(plainSize, '\0');
  const auto n = static_cast<std::uint32_t>(passwordGbk.size());
  for (int i = 0; i < 4; ++i) plain[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  std::copy(passwordGbk.begin(), passwordGbk.end(), plain.begin() + 4);

  const auto key = PasswordCipherKey();
  des_ctx ctx;
  des_set_key(&ctx, key.data());
  std::string out(plainSize, '\0');
  des_encrypt(&ctx, plainSize, reinterpret_cast<std::uint8_t*>(out.data()),
              reinterpret_cast<const std::uint8_t*>(plain.data()));
  return out;
}

std::string UpToZero(std::string s) {
  const auto zero = s.find('\0');
  if (zero != std::string::npos) s.resize(zero);
  return s;
}

}  // namespace

std::array<std::uint8_t, 8> PasswordCipherKey() {
  std::array<std::uint8_t, 8> key{};
  for (std::size_t i = 0; i < kKeyText.size(); ++i)
    key[i % 8] ^= static_cast<std::uint8_t>(kKeyText[i]);
  return key;
}

std::string EncipherPasswordBytes(std::string_view passwordGbk) {
  if (passwordGbk.empty()) return {};
  return UpToZero(FullCipher(passwordGbk));
}

std::string DecipherPasswordBytes(std::string_view stored) {
  const std::size_t count = stored.size();
  if (count == 0 || count % 8 != 0) return {};
  const auto key = PasswordCipherKey();
  des_ctx ctx;
  des_set_key(&ctx, key.data());
  std::string plain(count, '\0');
  des_decrypt(&ctx, count, reinterpret_cast<std::uint8_t*>(plain.data()),
              reinterpret_cast<const std::uint8_t*>(stored.data()));
  std::uint32_t raw = 0;
  for (int i = 0; i < 4; ++i) raw |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(plain[i])) << (8 * i);
  const std::int64_t n = static_cast<std::int32_t>(raw);
  const auto c = static_cast<std::int64_t>(count);
  if (n <= 0 || n > c - 4 || c >= n + 12) return {};
  return UpToZero(plain.substr(4, static_cast<std::size_t>(n)));
}

std::string EncipherPassword(const std::string& password) {
  return text::ToUtf8(EncipherPasswordBytes(text::ToGbk(password)));
}

std::string DecipherPassword(const std::string& storedField) {
  return text::ToUtf8(DecipherPasswordBytes(text::ToGbk(storedField)));
}

bool StoredTextIsOf(const std::string& storedField, const std::string& password) {
  return CipherIsOf(text::ToGbk(storedField), text::ToGbk(password));
}

bool PasswordMatchesCipher(std::string_view cipher, const std::string& typed) {
  if (cipher.empty()) return typed.empty();
  const std::string gbk = text::ToGbk(typed);
  // Deciphering fails on a cut text, which still tells the password apart.
  return CipherIsOf(cipher, gbk) || (!gbk.empty() && DecipherPasswordBytes(cipher) == gbk);
}

bool CipherIsOf(std::string_view stored, std::string_view gbk) {
  if (stored.empty() || gbk.empty()) return false;
  const std::string cipher = EncipherPasswordBytes(gbk);
  if (stored == cipher) return true;
  // Cut by the field width, at a character boundary: up to a GB18030
  // character (4 bytes) short of it.
  return cipher.size() > kCipherFieldWidth && stored.size() <= kCipherFieldWidth &&
         stored.size() + 3 >= kCipherFieldWidth && cipher.compare(0, stored.size(), stored) == 0;
}

bool PasswordFitsCipherField(const std::string& password, std::string* why) {
  const std::string gbk = text::ToGbk(password);
  if (gbk.empty()) return true;
  if (gbk.size() > kMaxPasswordBytes) {
    if (why) *why = "密码太长，最多 28 个字节（一个汉字算 2 个字节），请换一个密码！";
    return false;
  }
  if (FullCipher(gbk).find('\0') != std::string::npos) {
    if (why) *why = "这个密码加密后无法完整保存，请换一个密码！";
    return false;
  }
  return true;
}

}  // namespace databases
