#include "bank_editor/pictures/picture_codec.h"

#include <gtest/gtest.h>

#include "tests/pictures/picture_fixtures.h"
#include "ui/testing/scripted_host.h"

namespace bank_editor::pictures {
namespace {

using namespace pictures_test;

TEST(PictureForStorage, KeepsJpegNamedFilesByteForByteAndReencodesEverythingElse) {
  ui::testing::ScriptedHost host;
  const ui::Image image = Pattern(16, 8);
  // Quality 95 on purpose: a re-encoding with the default settings cannot
  // give the same bytes back.
  const Bytes jpeg = EncodeJpegAtQuality(image, 95);
  const Bytes png = EncodePng(image);
  struct Case {
    const char* path;
    const Bytes* content;
    bool keptAsIs;
  };
  const Case cases[] = {
      {"a.jpg", &jpeg, true},         {"a.jpeg", &jpeg, true},        {"x/a.jpe", &jpeg, true},
      {"a.jfif", &jpeg, true},        {"a.b.jpg", &jpeg, true},       {"a.JPG", &jpeg, false},
      {"a.Jpeg", &jpeg, false},       {"a.jpg.png", &jpeg, false},    {"dir.jpg/a", &jpeg, false},
      {"b.png", &png, false},         {"b", &png, false},
      {"c.jpg", &png, false},  // a PNG under a JPEG name is converted, not stored as PNG
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const StoredPicture stored = PictureForStorage(host, c.path, *c.content);
    ASSERT_TRUE(stored.ok()) << stored.message;
    if (c.keptAsIs) {
      EXPECT_EQ(*stored.bytes, *c.content);
    } else {
      EXPECT_NE(*stored.bytes, *c.content);
      EXPECT_TRUE(StartsAsJpeg(*stored.bytes));
      const auto decoded = DecodeJpeg(*stored.bytes);
      ASSERT_TRUE(decoded);
      EXPECT_EQ(decoded->width, 16);
      EXPECT_EQ(decoded->height, 8);
    }
  }
  EXPECT_TRUE(host.messages().empty());
}

TEST(PictureForStorage, ReencodedPictureKeepsItsColours) {
  ui::testing::ScriptedHost host;
  ui::Image image;
  image.width = 16;
  image.height = 16;
  // Left half red, right half transparent: paper shows white there.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) image.pixels.push_back(x < 8 ? 0xFFFF0000u : 0x00000000u);
  const StoredPicture stored = PictureForStorage(host, "t.png", EncodePng(image));
  ASSERT_TRUE(stored.ok());
  const auto decoded = DecodeJpeg(*stored.bytes);
  ASSERT_TRUE(decoded);
  const std::uint32_t red = decoded->pixels[8 * 16 + 2];
  const std::uint32_t white = decoded->pixels[8 * 16 + 13];
  EXPECT_GT(Channel(red, 16), 230);
  EXPECT_LT(Channel(red, 8), 30);
  EXPECT_LT(Channel(red, 0), 30);
  for (int shift : {16, 8, 0}) EXPECT_GT(Channel(white, shift), 240);
}

TEST(PictureForStorage, OtherFormatsGoThroughTheHostDecoder) {
  ui::testing::ScriptedHost host;
  int hostCalls = 0;
  host.setImageDecoder([&](const Bytes& b) -> std::optional<ui::Image> {
    ++hostCalls;
    if (b == BytesOf("GIF89a-fake")) return Pattern(4, 3);
    return std::nullopt;
  });
  const StoredPicture gif = PictureForStorage(host, "f.gif", BytesOf("GIF89a-fake"));
  ASSERT_TRUE(gif.ok());
  EXPECT_TRUE(StartsAsJpeg(*gif.bytes));
  EXPECT_EQ(DecodeJpeg(*gif.bytes)->width, 4);
  EXPECT_EQ(hostCalls, 1);

  // BMP files are read here, whatever the host can do.
  const StoredPicture bmp = PictureForStorage(host, "f.bmp", EncodeClipboardBmp(Pattern(5, 2)));
  ASSERT_TRUE(bmp.ok());
  EXPECT_EQ(DecodeJpeg(*bmp.bytes)->height, 2);
  EXPECT_EQ(hostCalls, 1);
}

TEST(PictureForStorage, RefusesFilesThatAreNoImage) {
  ui::testing::ScriptedHost host;
  Bytes truncatedPng = EncodePng(Pattern(32, 32));
  truncatedPng.resize(40);
  const struct {
    const char* path;
    Bytes content;
  } cases[] = {
      {"notes.png", BytesOf("just some text, not a picture")},
      {"notes.jpg", BytesOf("just some text, not a picture")},
      {"broken.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00}},
      {"broken.png", truncatedPng},
      {"empty.gif", Bytes{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const StoredPicture stored = PictureForStorage(host, c.path, c.content);
    EXPECT_FALSE(stored.ok());
    EXPECT_EQ(stored.message, kUnreadablePictureMessage);
  }
}

TEST(PictureFileForStorage, ReadsTheFileAndRefusesOneThatCannotBeRead) {
  ui::testing::ScriptedHost host;
  TempDir dir;
  const Bytes jpeg = EncodeJpegAtQuality(Pattern(3, 3), 90);
  WriteFile(dir / "图.jpg", jpeg);
  const StoredPicture stored = PictureFileForStorage(host, dir / "图.jpg");
  ASSERT_TRUE(stored.ok());
  EXPECT_EQ(*stored.bytes, jpeg);

  for (const std::string& path : {dir / "missing.png", dir.path()}) {
    SCOPED_TRACE(path);
    const StoredPicture refused = PictureFileForStorage(host, path);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.message, "无法打开图片文件：" + path);
  }
}

TEST(EncodeClipboardBmp, WritesTheStoredLayoutWithRowsBottomFirst) {
  ui::Image image;
  image.width = 2;
  image.height = 2;
  // Top row: red, green; bottom row: blue, white.
  image.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  const Bytes bmp = EncodeClipboardBmp(image);
  const Bytes expected = {
      'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0,  // file header: size 58 + 16, offset 58
      44, 0, 0, 0,                                      // information block size
      2, 0, 0, 0, 2, 0, 0, 0,                           // width, height (bottom-up)
      1, 0, 24, 0,                                      // planes, bits per pixel
      0, 0, 0, 0,                                       // uncompressed
      16, 0, 0, 0,                                      // image size
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,   // resolution, colour counts
      0, 0, 0, 0,                                       // first colour-table entry (none)
      0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,               // bottom row: blue, white, padding
      0, 0, 0xFF, 0, 0xFF, 0, 0, 0,                     // top row: red, green, padding
  };
  EXPECT_EQ(bmp, expected);
}

TEST(EncodeClipboardBmp, KeepsTransparencyInThirtyTwoBitsAndReadsBack) {
  ui::Image image = Pattern(3, 2);
  const auto opaque = DecodeBmp(EncodeClipboardBmp(image));
  ASSERT_TRUE(opaque);
  EXPECT_EQ(opaque->pixels, image.pixels);

  image.pixels[1] = 0x80123456u;
  const Bytes bmp = EncodeClipboardBmp(image);
  EXPECT_EQ(bmp[28], 32);
  EXPECT_EQ(bmp.size(), 58u + 3 * 4 * 2);
  EXPECT_EQ(bmp[14], 44);
  const auto back = DecodeBmp(bmp);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixels, image.pixels);

  EXPECT_TRUE(EncodeClipboardBmp(ui::Image{}).empty());
}

TEST(DecodeBmp, ReadsPaletteBitmapsAndRefusesDamagedOnes) {
  // A 3 x 1 bitmap of 8 bits per pixel with a standard 40-byte header and a
  // two-entry colour table.
  Bytes bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,  // file header, pixels at 62
               40, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0,            // header size, width, height
               1, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0,             // planes, bits, compression, size
               0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, // resolution, 2 colours used
               0, 0, 0xFF, 0,                                  // colour 0 red
               0xFF, 0, 0, 0,                                  // colour 1 blue
               1, 0, 1, 0};                                    // pixels 1 0 1, padding
  const auto image = DecodeBmp(bmp);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{0xFF0000FFu, 0xFFFF0000u, 0xFF0000FFu}));

  Bytes truncated = bmp;
  truncated.resize(63);
  EXPECT_FALSE(DecodeBmp(truncated));
  Bytes huge = EncodeClipboardBmp(Pattern(2, 2));
  huge[21] = 0x7F;  // width claims two billion pixels
  EXPECT_FALSE(DecodeBmp(huge));
}

TEST(DecodePicture, DecodesStoredFormatsItselfAndAsksTheHostForTheRest) {
  ui::testing::ScriptedHost host;
  int hostCalls = 0;
  host.setImageDecoder([&](const Bytes&) -> std::optional<ui::Image> {
    ++hostCalls;
    return Pattern(7, 7);
  });
  const ui::Image image = Pattern(6, 4);
  for (const Bytes& bytes : {EncodeJpegAtQuality(image, 90), EncodePng(image), EncodeClipboardBmp(image)}) {
    const auto decoded = DecodePicture(host, bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 6);
    EXPECT_EQ(decoded->height, 4);
  }
  EXPECT_EQ(hostCalls, 0);
  EXPECT_EQ(DecodePicture(host, BytesOf("GIF89a"))->width, 7);
  EXPECT_EQ(hostCalls, 1);
  EXPECT_FALSE(DecodePicture(host, Bytes{}));
}

}  // namespace
}  // namespace bank_editor::pictures
