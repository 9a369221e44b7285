#include "output/picture_info.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

namespace output {

namespace {

// Sizes beyond this are damaged headers, not pictures a paper can hold.
constexpr long kMaxSide = 65535;

bool sensible(long w, long h) { return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide; }

std::uint32_t be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}
std::uint32_t le32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
         (std::uint32_t{b[at + 3]} << 24);
}
std::uint16_t le16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// libjpeg reports errors through error_exit, which must not return; the
// jump lands here with only the job's own state to release.
struct JpegJob {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr mgr{};
  std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info) {
  std::longjmp(static_cast<JpegJob*>(info->client_data)->jump, 1);
}
void jpegQuiet(j_common_ptr) {}

bool readJpegHeader(JpegJob& job, const Bytes& bytes) {
  job.cinfo.err = jpeg_std_error(&job.mgr);
  job.mgr.error_exit = jpegErrorExit;
  job.mgr.output_message = jpegQuiet;
  if (setjmp(job.jump)) {
    jpeg_destroy_decompress(&job.cinfo);
    return false;
  }
  jpeg_create_decompress(&job.cinfo);
  job.cinfo.client_data = &job;
  jpeg_mem_src(&job.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  const bool ok = jpeg_read_header(&job.cinfo, TRUE) == JPEG_HEADER_OK;
  jpeg_destroy_decompress(&job.cinfo);
  return ok;
}

std::optional<PictureInfo> jpegInfo(const Bytes& bytes) {
  JpegJob job;
  if (!readJpegHeader(job, bytes)) return std::nullopt;
  const long w = static_cast<long>(job.cinfo.image_width);
  const long h = static_cast<long>(job.cinfo.image_height);
  if (!sensible(w, h)) return std::nullopt;
  return PictureInfo{PictureFormat::Jpeg, static_cast<int>(w), static_cast<int>(h)};
}

std::optional<PictureInfo> pngInfo(const Bytes& bytes) {
  // The signature, then the IHDR chunk: length 13, "IHDR", width, height.
  if (bytes.size() < 33 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return std::nullopt;
  const long w = be32(bytes, 16);
  const long h = be32(bytes, 20);
  if (!sensible(w, h)) return std::nullopt;
  return PictureInfo{PictureFormat::Png, static_cast<int>(w), static_cast<int>(h)};
}

std::optional<PictureInfo> bmpInfo(const Bytes& bytes) {
  if (bytes.size() < 26) return std::nullopt;
  const std::uint32_t header = le32(bytes, 14);
  long w = 0;
  long h = 0;
  if (header == 12) {  // the old core header: 16-bit sizes
    w = le16(bytes, 18);
    h = le16(bytes, 20);
  } else if (header >= 40 && bytes.size() >= 26) {
    w = static_cast<std::int32_t>(le32(bytes, 18));
    h = static_cast<std::int32_t>(le32(bytes, 22));
    if (h < 0) h = -h;  // stored top row first
  }
  if (!sensible(w, h)) return std::nullopt;
  return PictureInfo{PictureFormat::Bmp, static_cast<int>(w), static_cast<int>(h)};
}

std::optional<PictureInfo> gifInfo(const Bytes& bytes) {
  if (bytes.size() < 10) return std::nullopt;
  const long w = le16(bytes, 6);
  const long h = le16(bytes, 8);
  if (!sensible(w, h)) return std::nullopt;
  return PictureInfo{PictureFormat::Gif, static_cast<int>(w), static_cast<int>(h)};
}

bool startsWith(const Bytes& b, std::string_view magic) {
  return b.size() >= magic.size() && std::memcmp(b.data(), magic.data(), magic.size()) == 0;
}

}  // namespace

std::optional<PictureInfo> ReadPictureInfo(const Bytes& bytes) {
  if (startsWith(bytes, "\xFF\xD8\xFF")) return jpegInfo(bytes);
  if (startsWith(bytes, "\x89PNG\r\n\x1A\n")) return pngInfo(bytes);
  if (startsWith(bytes, "BM")) return bmpInfo(bytes);
  if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) return gifInfo(bytes);
  return std::nullopt;
}

std::string_view ExtensionOf(PictureFormat format) {
  switch (format) {
    case PictureFormat::Jpeg: return "jpeg";
    case PictureFormat::Png: return "png";
    case PictureFormat::Bmp: return "bmp";
    case PictureFormat::Gif: return "gif";
  }
  return "bin";
}

std::string_view MimeTypeOf(PictureFormat format) {
  switch (format) {
    case PictureFormat::Jpeg: return "image/jpeg";
    case PictureFormat::Png: return "image/png";
    case PictureFormat::Bmp: return "image/bmp";
    case PictureFormat::Gif: return "image/gif";
  }
  return "application/octet-stream";
}

}  // namespace output
