#include "databases/password_cipher.h"

#include <gtest/gtest.h>
#include <nettle/des.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"
#include "test_support.h"
#include "text/text.h"

namespace databases {
namespace {

std::string FromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string DesEcb(const std::uint8_t key[8], const std::string& plain, bool encrypt = true) {
  des_ctx ctx;
  des_set_key(&ctx, key);
  std::string out(plain.size(), '\0');
  auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
  const auto* src = reinterpret_cast<const std::uint8_t*>(plain.data());
  if (encrypt)
    des_encrypt(&ctx, plain.size(), dst, src);
  else
    des_decrypt(&ctx, plain.size(), dst, src);
  return out;
}

TEST(PasswordCipher, DesPrimitiveMatchesThePublishedEcbVector) {
  // The classic FIPS 81 ECB example.
  const std::uint8_t key[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  EXPECT_EQ(DesEcb(key, "Now is the time for all "),
            FromHex("3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53"));
}

TEST(PasswordCipher, KeyIsTheKeyTextFoldedIntoEightZeroBytes) {
  std::array<std::uint8_t, 8> expected{};
  const std::string keyText = "KVQ";
  for (std::size_t i = 0; i < keyText.size(); ++i) expected[i % 8] ^= static_cast<std::uint8_t>(keyText[i]);
  EXPECT_EQ(PasswordCipherKey(), expected);
  EXPECT_EQ(expected, (std::array<std::uint8_t, 8>{0x4B, 0x56, 0x51, 0, 0, 0, 0, 0}));
}

TEST(PasswordCipher, EnciphersToKnownCipherTexts) {
  // Expected values come from an independent DES implementation (OpenSSL,
  // des-ecb, key 4B56510000000000, no padding) over the length-prefixed block.
  struct Case {
    std::string password, cipherHex;
  };
  const std::vector<Case> cases = {
      {"abc", "a96dccce3caf6544"},
      {"密码", "617cc309333c3dd0"},  // 4 GBK bytes: the block is exactly 8 bytes
      {"12345", "b52e94d9aae8863dca069e879ea46243"},
      {"课程密码2024", "109750403fddc5816c86e4f132353063"},
      {std::string(28, 'a'), "a363f675c126daaf357b47522d28303d357b47522d28303d357b47522d28303d"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    const std::string cipher = FromHex(c.cipherHex);
    EXPECT_EQ(EncipherPasswordBytes(text::ToGbk(c.password)), cipher);
    EXPECT_EQ(EncipherPassword(c.password), text::ToUtf8(cipher));
    EXPECT_EQ(DecipherPassword(EncipherPassword(c.password)), c.password);
  }
}

TEST(PasswordCipher, EmptyPasswordIsStoredEmpty) {
  EXPECT_EQ(EncipherPassword(""), "");
  EXPECT_EQ(DecipherPassword(""), "");
}

TEST(PasswordCipher, CipherTextIsCutAtItsFirstZeroByteAndThenNoLongerDeciphers) {
  // "pw0" enciphers to 65abbe00 35c14d40, "pw40" to 6896fbda 0c3c5e00.
  EXPECT_EQ(EncipherPasswordBytes("pw0"), FromHex("65abbe"));
  EXPECT_EQ(EncipherPasswordBytes("pw40"), FromHex("6896fbda0c3c5e"));
  EXPECT_EQ(DecipherPassword(EncipherPassword("pw0")), "");
  EXPECT_EQ(DecipherPassword(EncipherPassword("pw40")), "");
}

TEST(PasswordCipher, DecipheringAcceptsOnlyWellFormedBlocks) {
  const auto key = PasswordCipherKey();
  auto block = [](std::int64_t n, const std::string& body, std::size_t size) {
    std::string plain(size, '\0');
    for (int i = 0; i < 4; ++i) plain[i] = static_cast<char>((static_cast<std::uint64_t>(n) >> (8 * i)) & 0xFF);
    plain.replace(4, body.size(), body);
    return plain;
  };
  struct Case {
    const char* what;
    std::int64_t n;
    std::string body;
    std::size_t size;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"length fills the block", 4, "abcd", 8, "abcd"},
      {"padding shorter than a block", 5, "abcde", 16, "abcde"},
      {"a whole block of padding too many", 4, "abcd", 16, ""},
      {"length beyond the block", 5, "abcd", 8, ""},
      {"zero length", 0, "", 8, ""},
      {"negative length", -1, "abcd", 8, ""},
      {"largest signed length", 0x7FFFFFFF, "abcd", 8, ""},
      {"length with the top bit set", 0x80000004LL, "abcd", 8, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string stored = DesEcb(key.data(), block(c.n, c.body, c.size));
    EXPECT_EQ(DecipherPasswordBytes(stored), c.expected);
  }
  for (std::size_t size : {1u, 7u, 9u, 15u, 31u}) {
    SCOPED_TRACE(size);
    const std::string valid = EncipherPasswordBytes(text::ToGbk("一二三四五六七八九十一二三四"));  // 32 bytes, no zero
    ASSERT_EQ(valid.size(), 32u);
    EXPECT_EQ(DecipherPasswordBytes(valid.substr(0, size)), "");
  }
}

TEST(PasswordCipher, RefusesPasswordsWhoseCipherTextCannotBeStoredWhole) {
  struct Case {
    std::string password;
    bool fits;
  };
  const std::vector<Case> cases = {
      {"", true},
      {std::string(28, 'a'), true},
      {std::string(29, 'a'), false},  // cipher text of 40 bytes, the field holds 32
      {"一二三四五六七八九十一二三四", true},     // 28 GBK bytes
      {"一二三四五六七八九十一二三四五", false},  // 30 GBK bytes
      {"pw0", false},                              // cipher text with a zero byte
      {"pw40", false},
      {std::string(28, 'p'), false},  // short enough, but its cipher text holds a zero byte
      {"abc", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    std::string why;
    EXPECT_EQ(PasswordFitsCipherField(c.password, &why), c.fits);
    EXPECT_EQ(why.empty(), c.fits);
    if (c.fits) {
      EXPECT_EQ(DecipherPassword(EncipherPassword(c.password)), c.password);
    }
  }
}

TEST(PasswordCipher, AStoredTextCutShortStillIdentifiesThePasswordThatProducedIt) {
  const std::string longPassword(30, 'a');  // cipher text of 40 bytes
  const std::string longCipher = EncipherPasswordBytes(longPassword);
  ASSERT_EQ(longCipher.size(), 40u);
  struct Case {
    const char* what;
    std::string storedBytes, typed;
    bool matches;
  };
  const std::vector<Case> cases = {
      {"whole text", EncipherPasswordBytes("abc"), "abc", true},
      {"another password", EncipherPasswordBytes("abc"), "abd", false},
      {"cut at its zero byte", EncipherPasswordBytes("pw0"), "pw0", true},
      {"cut at the field width", longCipher.substr(0, 32), longPassword, true},
      {"cut a character short of the field width", longCipher.substr(0, 31), longPassword, true},
      {"cut at the width, another password", longCipher.substr(0, 32), std::string(30, 'b'), false},
      {"a prefix far shorter than the width", longCipher.substr(0, 8), longPassword, false},
      {"nothing stored", "", "", false},
      {"nothing typed", EncipherPasswordBytes("abc"), "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(StoredTextIsOf(text::ToUtf8(c.storedBytes), c.typed), c.matches);
  }
}

TEST(PasswordCipher, ArbitraryCipherBytesSurviveTheTextFieldConversion) {
  std::mt19937 rng(12345);
  for (int i = 0; i < 20000; ++i) {
    std::string bytes(1 + rng() % 32, '\0');
    for (auto& b : bytes) b = static_cast<char>(1 + rng() % 255);
    ASSERT_EQ(text::ToGbk(text::ToUtf8(bytes)), bytes) << i;
  }
}

TEST(PasswordCipher, StoredCipherTextIsWrittenToTheFileByteForByte) {
  testing::TempDir dir;
  recfile::RecordFileEngine engine;
  const std::string path = dir / "课程库";
  ASSERT_TRUE(engine.Create(path, CourseLibraryFields()));
  ASSERT_TRUE(engine.Open(path, {}, false, recfile::ShareMode::None, std::string()));

  std::mt19937 rng(99);
  const std::vector<std::string> pieces = {"a", "Z", "7", "#", "密", "码", "课", "程", "鑫", "龘", "€", "é"};
  std::vector<std::string> passwords;
  while (passwords.size() < 200) {
    std::string pw;
    const int length = 1 + static_cast<int>(rng() % 14);
    for (int i = 0; i < length; ++i) pw += pieces[rng() % pieces.size()];
    if (PasswordFitsCipherField(pw)) passwords.push_back(pw);
  }
  for (const auto& pw : passwords)
    ASSERT_TRUE(engine.Append({recfile::Value(std::string("课程")), recfile::Value(EncipherPassword(pw))}));
  for (std::size_t i = 0; i < passwords.size(); ++i) {
    ASSERT_TRUE(engine.GoTo(static_cast<std::int64_t>(i) + 1));
    EXPECT_EQ(DecipherPassword(engine.ReadText(kCoursePasswordField)), passwords[i]) << passwords[i];
  }
  engine.CloseAll();

  // Record r starts at H + r * L with H = 112 + 4 + 72 * 4 and L = 4 + 20 + 32 + 80 + 512;
  // "课程密码" starts 24 bytes into the record and is zero-filled to 32.
  const std::string file = testing::ReadFileBytes(path + ".edb");
  const std::size_t header = 112 + 4 + 72 * 4, length = 4 + 20 + 32 + 80 + 512;
  ASSERT_EQ(file.size(), header + passwords.size() * length);
  for (std::size_t i = 0; i < passwords.size(); ++i) {
    std::string stored = EncipherPasswordBytes(text::ToGbk(passwords[i]));
    stored.resize(32, '\0');
    EXPECT_EQ(file.substr(header + i * length + 24, 32), stored) << passwords[i];
  }
}

}  // namespace
}  // namespace databases
