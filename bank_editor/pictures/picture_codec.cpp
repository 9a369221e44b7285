#include "bank_editor/pictures/picture_codec.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "ui/host.h"

namespace bank_editor::pictures {

namespace {

// Beyond this many pixels a file is treated as unreadable rather than
// allowed to claim gigabytes of memory from a forged header.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 27;

bool SizeAcceptable(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
         width * height <= kMaxPixels;
}

// Three bytes a pixel (red, green, blue), rows top first: what the JPEG
// encoder takes.
struct RgbPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> data;
};

std::uint8_t OverWhite(std::uint32_t channel, std::uint32_t alpha) {
  return static_cast<std::uint8_t>((channel * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

RgbPixels ToRgb(const ui::Image& image) {
  RgbPixels out;
  out.width = image.width;
  out.height = image.height;
  const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  out.data.resize(count * 3);
  for (std::size_t i = 0; i < count && i < image.pixels.size(); ++i) {
    const std::uint32_t p = image.pixels[i];
    const std::uint32_t a = p >> 24;
    out.data[i * 3] = OverWhite((p >> 16) & 0xFF, a);
    out.data[i * 3 + 1] = OverWhite((p >> 8) & 0xFF, a);
    out.data[i * 3 + 2] = OverWhite(p & 0xFF, a);
  }
  return out;
}

ui::Image FromRgb(const RgbPixels& rgb) {
  ui::Image image;
  image.width = rgb.width;
  image.height = rgb.height;
  const std::size_t count = static_cast<std::size_t>(rgb.width) * static_cast<std::size_t>(rgb.height);
  image.pixels.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    image.pixels[i] = 0xFF000000u | (std::uint32_t{rgb.data[i * 3]} << 16) |
                      (std::uint32_t{rgb.data[i * 3 + 1]} << 8) | rgb.data[i * 3 + 2];
  return image;
}

// ---- libjpeg ----------------------------------------------------------------
// libjpeg reports errors by calling error_exit, which must not return. The
// jump lands in a function whose own locals are untouched after setjmp; all
// state lives in the job objects the callers own.

struct JpegErrorManager {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

void JpegQuiet(j_common_ptr) {}

struct DecodeJob {
  const Bytes* input = nullptr;
  bool headerOnly = false;
  jpeg_decompress_struct cinfo{};
  JpegErrorManager error{};
  std::vector<std::uint8_t> line;
  RgbPixels result;
};

// Adobe files store CMYK inverted, which is what decoders meet in practice.
void CmykLineToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, int width) {
  for (int x = 0; x < width; ++x) {
    const unsigned k = cmyk[x * 4 + 3];
    rgb[x * 3] = static_cast<std::uint8_t>(cmyk[x * 4] * k / 255);
    rgb[x * 3 + 1] = static_cast<std::uint8_t>(cmyk[x * 4 + 1] * k / 255);
    rgb[x * 3 + 2] = static_cast<std::uint8_t>(cmyk[x * 4 + 2] * k / 255);
  }
}

bool RunJpegDecode(DecodeJob& job) {
  job.cinfo.err = jpeg_std_error(&job.error.mgr);
  job.error.mgr.error_exit = JpegErrorExit;
  job.error.mgr.output_message = JpegQuiet;
  if (setjmp(job.error.jump)) {
    jpeg_destroy_decompress(&job.cinfo);
    return false;
  }
  jpeg_create_decompress(&job.cinfo);
  jpeg_mem_src(&job.cinfo, job.input->data(), static_cast<unsigned long>(job.input->size()));
  if (jpeg_read_header(&job.cinfo, TRUE) != JPEG_HEADER_OK ||
      !SizeAcceptable(job.cinfo.image_width, job.cinfo.image_height)) {
    jpeg_destroy_decompress(&job.cinfo);
    return false;
  }
  if (job.headerOnly) {
    jpeg_destroy_decompress(&job.cinfo);
    return true;
  }
  const bool cmyk = job.cinfo.jpeg_color_space == JCS_CMYK || job.cinfo.jpeg_color_space == JCS_YCCK;
  job.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&job.cinfo);
  const int width = static_cast<int>(job.cinfo.output_width);
  job.result.width = width;
  job.result.height = static_cast<int>(job.cinfo.output_height);
  job.result.data.resize(static_cast<std::size_t>(width) * job.cinfo.output_height * 3);
  if (cmyk) job.line.resize(static_cast<std::size_t>(width) * 4);
  while (job.cinfo.output_scanline < job.cinfo.output_height) {
    std::uint8_t* row = job.result.data.data() + static_cast<std::size_t>(job.cinfo.output_scanline) * width * 3;
    JSAMPROW target = cmyk ? job.line.data() : row;
    if (jpeg_read_scanlines(&job.cinfo, &target, 1) != 1) break;
    if (cmyk) CmykLineToRgb(job.line.data(), row, width);
  }
  jpeg_finish_decompress(&job.cinfo);
  jpeg_destroy_decompress(&job.cinfo);
  return true;
}

bool LooksLikeJpeg(const Bytes& b) { return b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF; }

bool IsJpegFile(const Bytes& bytes) {
  if (!LooksLikeJpeg(bytes)) return false;
  DecodeJob job;
  job.input = &bytes;
  job.headerOnly = true;
  return RunJpegDecode(job);
}

std::optional<RgbPixels> DecodeJpegRgb(const Bytes& bytes) {
  if (!LooksLikeJpeg(bytes)) return std::nullopt;
  DecodeJob job;
  job.input = &bytes;
  if (!RunJpegDecode(job)) return std::nullopt;
  return std::move(job.result);
}

struct EncodeJob {
  const RgbPixels* input = nullptr;
  int quality = 0;  // 0: libjpeg's default
  jpeg_compress_struct cinfo{};
  JpegErrorManager error{};
  unsigned char* output = nullptr;
  unsigned long outputSize = 0;
};

bool RunJpegEncode(EncodeJob& job) {
  job.cinfo.err = jpeg_std_error(&job.error.mgr);
  job.error.mgr.error_exit = JpegErrorExit;
  job.error.mgr.output_message = JpegQuiet;
  if (setjmp(job.error.jump)) {
    jpeg_destroy_compress(&job.cinfo);
    return false;
  }
  jpeg_create_compress(&job.cinfo);
  jpeg_mem_dest(&job.cinfo, &job.output, &job.outputSize);
  job.cinfo.image_width = static_cast<JDIMENSION>(job.input->width);
  job.cinfo.image_height = static_cast<JDIMENSION>(job.input->height);
  job.cinfo.input_components = 3;
  job.cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&job.cinfo);
  if (job.quality > 0) jpeg_set_quality(&job.cinfo, job.quality, TRUE);
  jpeg_start_compress(&job.cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(job.input->width) * 3;
  while (job.cinfo.next_scanline < job.cinfo.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(job.input->data.data()) + job.cinfo.next_scanline * stride;
    jpeg_write_scanlines(&job.cinfo, &row, 1);
  }
  jpeg_finish_compress(&job.cinfo);
  jpeg_destroy_compress(&job.cinfo);
  return true;
}

Bytes EncodeJpegRgb(const RgbPixels& rgb, int quality = 0) {
  if (rgb.width <= 0 || rgb.height <= 0) return {};
  EncodeJob job;
  job.input = &rgb;
  job.quality = quality;
  Bytes out;
  if (RunJpegEncode(job) && job.output) out.assign(job.output, job.output + job.outputSize);
  std::free(job.output);
  return out;
}

// ---- libpng -----------------------------------------------------------------

bool LooksLikePng(const Bytes& b) { return b.size() >= 8 && png_sig_cmp(b.data(), 0, 8) == 0; }

// Reads the PNG in `format`; transparent pixels are laid over white when the
// format has no alpha.
std::optional<std::vector<std::uint8_t>> ReadPng(const Bytes& bytes, png_uint_32 format, int& width,
                                                  int& height) {
  if (!LooksLikePng(bytes)) return std::nullopt;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (!SizeAcceptable(image.width, image.height)) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = format;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  const png_color white{255, 255, 255};
  if (!png_image_finish_read(&image, &white, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return pixels;
}

std::optional<RgbPixels> DecodePngRgb(const Bytes& bytes) {
  RgbPixels rgb;
  auto pixels = ReadPng(bytes, PNG_FORMAT_RGB, rgb.width, rgb.height);
  if (!pixels) return std::nullopt;
  rgb.data = std::move(*pixels);
  return rgb;
}

// ---- BMP --------------------------------------------------------------------

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kBmpInfoHeaderSize = 40;
constexpr std::uint32_t kStoredInfoBlockSize = 44;
constexpr std::uint32_t kStoredPixelOffset = 58;

std::uint32_t ReadLe(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

void PutLe(Bytes& b, std::size_t at, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

bool HasJpegExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot + 1);
  return ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif";
}

Bytes EncodeJpeg(const ui::Image& image, int quality) {
  if (image.empty()) return {};
  return EncodeJpegRgb(ToRgb(image), quality);
}

Bytes EncodeClipboardBmp(const ui::Image& image) {
  if (image.empty()) return {};
  const bool opaque = std::all_of(image.pixels.begin(), image.pixels.end(),
                                  [](std::uint32_t p) { return (p >> 24) == 0xFF; });
  const std::uint32_t bitsPerPixel = opaque ? 24 : 32;
  const std::size_t width = static_cast<std::size_t>(image.width);
  const std::size_t height = static_cast<std::size_t>(image.height);
  const std::size_t stride = (width * bitsPerPixel / 8 + 3) & ~std::size_t{3};
  const std::size_t imageSize = stride * height;

  Bytes out(kStoredPixelOffset + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLe(out, 2, static_cast<std::uint32_t>(kStoredPixelOffset + imageSize), 4);
  PutLe(out, 10, kStoredPixelOffset, 4);
  // Information block: a 40-byte header claiming 44 bytes, then the slot of
  // a first colour-table entry, left zero.
  PutLe(out, 14, kStoredInfoBlockSize, 4);
  PutLe(out, 18, static_cast<std::uint32_t>(image.width), 4);
  PutLe(out, 22, static_cast<std::uint32_t>(image.height), 4);  // positive: bottom row first
  PutLe(out, 26, 1, 2);                                          // planes
  PutLe(out, 28, bitsPerPixel, 2);
  PutLe(out, 30, 0, 4);                                          // uncompressed
  PutLe(out, 34, static_cast<std::uint32_t>(imageSize), 4);

  const std::size_t bytesPerPixel = bitsPerPixel / 8;
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + kStoredPixelOffset + (height - 1 - y) * stride;
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t i = y * width + x;
      const std::uint32_t p = i < image.pixels.size() ? image.pixels[i] : 0;
      std::uint8_t* px = row + x * bytesPerPixel;
      px[0] = static_cast<std::uint8_t>(p);
      px[1] = static_cast<std::uint8_t>(p >> 8);
      px[2] = static_cast<std::uint8_t>(p >> 16);
      if (bytesPerPixel == 4) px[3] = static_cast<std::uint8_t>(p >> 24);
    }
  }
  return out;
}

std::optional<ui::Image> DecodeJpeg(const Bytes& bytes) {
  auto rgb = DecodeJpegRgb(bytes);
  if (!rgb) return std::nullopt;
  return FromRgb(*rgb);
}

std::optional<ui::Image> DecodePng(const Bytes& bytes) {
  ui::Image image;
  auto pixels = ReadPng(bytes, PNG_FORMAT_BGRA, image.width, image.height);
  if (!pixels) return std::nullopt;
  const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  image.pixels.resize(count);
  const std::uint8_t* p = pixels->data();
  for (std::size_t i = 0; i < count; ++i, p += 4)
    image.pixels[i] = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
                      (std::uint32_t{p[1]} << 8) | p[0];
  return image;
}

std::optional<ui::Image> DecodeBmp(const Bytes& b) {
  if (b.size() < kBmpFileHeaderSize + kBmpInfoHeaderSize || b[0] != 'B' || b[1] != 'M')
    return std::nullopt;
  const std::uint32_t pixelOffset = ReadLe(b, 10, 4);
  const std::uint32_t infoSize = ReadLe(b, 14, 4);
  const auto width = static_cast<std::int32_t>(ReadLe(b, 18, 4));
  const auto rawHeight = static_cast<std::int32_t>(ReadLe(b, 22, 4));
  const std::uint32_t bitsPerPixel = ReadLe(b, 28, 2);
  const std::uint32_t compression = ReadLe(b, 30, 4);
  const std::uint32_t coloursUsed = ReadLe(b, 46, 4);
  if (infoSize < kBmpInfoHeaderSize || compression != 0 || width <= 0 || rawHeight == 0 ||
      rawHeight == INT32_MIN)
    return std::nullopt;
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 &&
      bitsPerPixel != 32)
    return std::nullopt;
  const bool bottomUp = rawHeight > 0;
  const std::uint32_t height = static_cast<std::uint32_t>(bottomUp ? rawHeight : -rawHeight);
  if (!SizeAcceptable(static_cast<std::uint32_t>(width), height)) return std::nullopt;
  const std::size_t stride = ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
  if (pixelOffset > b.size() || (b.size() - pixelOffset) / stride < height) return std::nullopt;

  // The colour table follows the information header; in the stored 44-byte
  // layout it starts inside the block itself. Entries that do not fit before
  // the pixels (old pictures kept only the first) stand in as grey levels.
  std::vector<std::uint32_t> palette;
  if (bitsPerPixel <= 8) {
    const std::size_t entries = coloursUsed && coloursUsed <= 256u ? coloursUsed : 1u << bitsPerPixel;
    const std::size_t tableStart =
        kBmpFileHeaderSize + (infoSize == kStoredInfoBlockSize ? kBmpInfoHeaderSize : infoSize);
    for (std::size_t i = 0; i < entries; ++i) {
      const std::size_t at = tableStart + i * 4;
      if (at + 4 <= pixelOffset && at + 4 <= b.size()) {
        palette.push_back(0xFF000000u | (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 1]} << 8) |
                          b[at]);
      } else {
        const auto grey = static_cast<std::uint32_t>(entries > 1 ? i * 255 / (entries - 1) : 0);
        palette.push_back(0xFF000000u | (grey << 16) | (grey << 8) | grey);
      }
    }
  }

  ui::Image image;
  image.width = width;
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<std::size_t>(width) * height);
  bool anyAlpha = false;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = b.data() + pixelOffset + (bottomUp ? height - 1 - y : y) * stride;
    std::uint32_t* target = image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint32_t pixel = 0xFF000000u;
      if (bitsPerPixel >= 24) {
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * (bitsPerPixel / 8);
        pixel = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        if (bitsPerPixel == 32) {
          pixel |= std::uint32_t{p[3]} << 24;
          anyAlpha = anyAlpha || p[3] != 0;
        } else {
          pixel |= 0xFF000000u;
        }
      } else {
        const std::size_t bit = static_cast<std::size_t>(x) * bitsPerPixel;
        const unsigned shift = 8 - bitsPerPixel - static_cast<unsigned>(bit % 8);
        const unsigned index = (row[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1);
        pixel = index < palette.size() ? palette[index] : 0xFF000000u;
      }
      target[x] = pixel;
    }
  }
  // A 32-bit bitmap whose fourth bytes are all zero carries no alpha at all.
  if (bitsPerPixel == 32 && !anyAlpha)
    for (auto& p : image.pixels) p |= 0xFF000000u;
  return image;
}

std::optional<ui::Image> DecodePicture(ui::Host& host, const Bytes& bytes) {
  if (bytes.empty()) return std::nullopt;
  std::optional<ui::Image> image;
  if (LooksLikeJpeg(bytes)) image = DecodeJpeg(bytes);
  else if (LooksLikePng(bytes)) image = DecodePng(bytes);
  else if (bytes[0] == 'B' && bytes.size() > 1 && bytes[1] == 'M') image = DecodeBmp(bytes);
  if (!image) image = host.DecodeImage(bytes);
  if (image && image->empty()) return std::nullopt;
  return image;
}

StoredPicture PictureForStorage(ui::Host& host, std::string_view path, const Bytes& fileBytes) {
  StoredPicture result;
  if (fileBytes.empty()) {
    result.message = std::string(kUnreadablePictureMessage);
    return result;
  }
  // A JPEG-named file is kept as it is, but only when it really holds a
  // JPEG; a misnamed file of another kind is converted like any other.
  if (HasJpegExtension(path) && IsJpegFile(fileBytes)) {
    result.bytes = fileBytes;
    return result;
  }
  std::optional<RgbPixels> rgb;
  if (LooksLikePng(fileBytes)) rgb = DecodePngRgb(fileBytes);
  else if (LooksLikeJpeg(fileBytes)) rgb = DecodeJpegRgb(fileBytes);
  if (!rgb) {
    std::optional<ui::Image> image;
    if (fileBytes.size() > 1 && fileBytes[0] == 'B' && fileBytes[1] == 'M') image = DecodeBmp(fileBytes);
    if (!image) image = host.DecodeImage(fileBytes);
    if (image && !image->empty() && SizeAcceptable(static_cast<std::uint32_t>(image->width),
                                                   static_cast<std::uint32_t>(image->height)))
      rgb = ToRgb(*image);
  }
  if (rgb) {
    Bytes jpeg = EncodeJpegRgb(*rgb);
    if (!jpeg.empty()) {
      result.bytes = std::move(jpeg);
      return result;
    }
  }
  result.message = std::string(kUnreadablePictureMessage);
  return result;
}

StoredPicture PictureFileForStorage(ui::Host& host, const std::string& path) {
  std::error_code ec;
  std::ifstream in;
  if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary | std::ios::ate);
  Bytes bytes;
  if (in.is_open()) {
    const std::streamoff size = in.tellg();
    if (size > 0) {
      bytes.resize(static_cast<std::size_t>(size));
      in.seekg(0);
      in.read(reinterpret_cast<char*>(bytes.data()), size);
    }
  }
  if (!in.is_open() || !in) {
    StoredPicture result;
    result.message = "无法打开图片文件：" + path;
    return result;
  }
  return PictureForStorage(host, path, bytes);
}

}  // namespace bank_editor::pictures
