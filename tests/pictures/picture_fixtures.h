// Small images and files built by the tests themselves.
#pragma once

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "ui/types.h"
#include "tests/support/temp_dir.h"

namespace pictures_test {

// A fresh folder under $MC_TEST_TMP (else /tmp), removed afterwards.
using mc::testing::TempDir;

inline void WriteFile(const std::string& path, const ui::Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

inline ui::Bytes BytesOf(std::string_view text) { return ui::Bytes(text.begin(), text.end()); }

// A width x height image with a colour per quadrant-ish pattern, opaque.
inline ui::Image Pattern(int width, int height) {
  ui::Image image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.pixels.push_back(0xFF000000u | (static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1)) << 16) |
                             (static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1)) << 8) | 0x40u);
  return image;
}

// PNG bytes of an image (alpha kept), written with libpng.
inline ui::Bytes EncodePng(const ui::Image& image) {
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t p : image.pixels) {
    rgba.push_back(static_cast<std::uint8_t>(p >> 16));
    rgba.push_back(static_cast<std::uint8_t>(p >> 8));
    rgba.push_back(static_cast<std::uint8_t>(p));
    rgba.push_back(static_cast<std::uint8_t>(p >> 24));
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgba.data(), 0, nullptr)) return {};
  ui::Bytes out(size);
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

// JPEG bytes at a chosen quality, written with libjpeg directly.
inline ui::Bytes EncodeJpegAtQuality(const ui::Image& image, int quality) {
  std::vector<std::uint8_t> rgb;
  for (std::uint32_t p : image.pixels) {
    rgb.push_back(static_cast<std::uint8_t>(p >> 16));
    rgb.push_back(static_cast<std::uint8_t>(p >> 8));
    rgb.push_back(static_cast<std::uint8_t>(p));
  }
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = rgb.data() + static_cast<std::size_t>(cinfo.next_scanline) * image.width * 3;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  ui::Bytes bytes(out, out + size);
  std::free(out);
  return bytes;
}

inline bool StartsAsJpeg(const ui::Bytes& b) { return b.size() > 2 && b[0] == 0xFF && b[1] == 0xD8; }

inline int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

}  // namespace pictures_test
