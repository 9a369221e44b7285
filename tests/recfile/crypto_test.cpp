// Known answers for the primitives under the password protection.
#include <gtest/gtest.h>

#include <nettle/arcfour.h>

#include "recfile/page_cipher.h"
#include "support.h"
#include "text/text.h"

namespace recfile::testing {
namespace {

std::string hex(const std::uint8_t* p, std::size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

TEST(Md5, GivesTheDigestsOfRfc1321) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [input, digest] : cases) {
    SCOPED_TRACE(input);
    const auto d = Md5(input);
    EXPECT_EQ(hex(d.data(), d.size()), digest);
  }
}

// RFC 6229 keystreams at offsets 0, 16 and 4096.
struct Rc4Case {
  Bytes key;
  std::size_t offset;
  std::string stream;
};
const Rc4Case kRc4Cases[] = {
    {{1, 2, 3, 4, 5}, 0, "b2396305f03dc027ccc3524a0a1118a8"},
    {{1, 2, 3, 4, 5}, 16, "6982944f18fc82d589c403a47a0d0919"},
    {{1, 2, 3, 4, 5}, 4096, "ff25b58995996707e51fbdf08b34d875"},
    {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
    {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 16, "5248c4959014126a6e8a84f11d1a9e1c"},
};

TEST(Rc4, LibraryKeystreamMatchesRfc6229) {
  for (const auto& c : kRc4Cases) {
    SCOPED_TRACE(c.stream);
    arcfour_ctx ctx;
    arcfour_set_key(&ctx, c.key.size(), c.key.data());
    Bytes stream(c.offset + 16, 0);
    arcfour_crypt(&ctx, stream.size(), stream.data(), stream.data());
    EXPECT_EQ(hex(stream.data() + c.offset, 16), c.stream);
  }
}

TEST(Rc4, TestReferenceMatchesRfc6229) {
  for (const auto& c : kRc4Cases) {
    SCOPED_TRACE(c.stream);
    TextbookRc4 rc4(c.key);
    for (std::size_t i = 0; i < c.offset; ++i) rc4.next();
    Bytes out(16);
    for (auto& b : out) b = rc4.next();
    EXPECT_EQ(hex(out.data(), 16), c.stream);
  }
}

TEST(PasswordDigest, IsTheMd5HexWithPairsSwappedThenReversed) {
  // MD5 of the GB18030 bytes of "密码1" is 4377af4706557b8b10ba9f5ebdfbdcaf.
  std::string expected = "4377af4706557b8b10ba9f5ebdfbdcaf";
  for (std::size_t i = 0; i < expected.size(); i += 2) std::swap(expected[i], expected[i + 1]);
  expected.assign(expected.rbegin(), expected.rend());
  EXPECT_EQ(PasswordDigest("密码1"), expected);
  EXPECT_EQ(expected, "afdcfbbd5e9fba108b7b550647af7743");
  EXPECT_EQ(PasswordDigest("abc"), "727fe1287d3f96d6b04fd23c98500190");
}

TEST(PageCipher, MatchesTheDefinitionForAnyRangeAlone) {
  const std::string password = text::ToGbk("密码1");
  Bytes plain(3 * 4096 + 100);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 7 + 3);
  Bytes expected = plain;
  referenceEncipher(expected, password, DigestOfPasswordBytes(password));
  ASSERT_EQ(Bytes(expected.begin(), expected.begin() + 4), Bytes(plain.begin(), plain.begin() + 4));

  const std::pair<std::size_t, std::size_t> ranges[] = {
      {0, plain.size()}, {0, 3}, {2, 10}, {4095, 2}, {4000, 5000}, {8192, 1}, {12287, 100}};
  for (const auto& [from, n] : ranges) {
    SCOPED_TRACE(std::to_string(from) + "+" + std::to_string(n));
    PageCipher cipher(password);  // fresh, so later pages are computed first too
    Bytes chunk(plain.begin() + from, plain.begin() + from + n);
    cipher.Apply(from, chunk.data(), chunk.size());
    EXPECT_EQ(chunk, Bytes(expected.begin() + from, expected.begin() + from + n));
    cipher.Apply(from, chunk.data(), chunk.size());
    EXPECT_EQ(chunk, Bytes(plain.begin() + from, plain.begin() + from + n));
  }
}

}  // namespace
}  // namespace recfile::testing
