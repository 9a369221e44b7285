// Turning image files into the bytes a question's picture is stored as, and
// stored bytes back into pixels.
//
// Stored formats: a file named with a JPEG extension keeps its bytes; any
// other file is decoded and re-encoded as JPEG with the encoder's default
// settings; a clipboard bitmap becomes a BMP file whose information block is
// 44 bytes long and whose pixels start at byte 58.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/types.h"

namespace ui {
class Host;
}

namespace bank_editor::pictures {

using ui::Bytes;

// True when the text after the last "." of the file name (directories
// ignored) is exactly "jpg", "jpeg", "jpe" or "jfif"; "a.JPG" is not.
bool HasJpegExtension(std::string_view path);

// The outcome of preparing a file for storage: the bytes to store, or a
// message saying why nothing may be stored.
struct StoredPicture {
  std::optional<Bytes> bytes;
  std::string message;  // set when bytes is empty
  bool ok() const { return bytes.has_value(); }
};

// Message for a file that is not an image the program can read.
inline constexpr std::string_view kUnreadablePictureMessage = "无法识别该图片文件，图片未保存！";

// Prepares the contents of the file `path` for storage. JPEG-named files
// whose bytes really are JPEG are kept byte for byte; every other image
// (PNG through libpng, JPEG through libjpeg, BMP, GIF, icon, TIFF through
// the host) is re-encoded as JPEG. A file nothing can decode is refused.
StoredPicture PictureForStorage(ui::Host& host, std::string_view path, const Bytes& fileBytes);

// Reads the file and prepares it as above; an unreadable file is refused.
StoredPicture PictureFileForStorage(ui::Host& host, const std::string& path);

// JPEG file bytes of the image, libjpeg's default settings (quality 75)
// unless a quality (1..100) is given. Transparent pixels are laid over
// white, as on paper.
Bytes EncodeJpeg(const ui::Image& image, int quality = 0);

// The BMP file a clipboard bitmap is stored as: 14-byte file header, a
// 40-byte information header whose size field reads 44 and compression 0,
// 4 bytes standing for the first colour-table entry (zero: there is none),
// then the rows bottom first, each padded to 4 bytes. A fully opaque image
// is written with 24 bits per pixel; one with any transparency keeps its
// 32 bits (blue, green, red, alpha). Nothing is ever written with a colour
// table, so no palette can be lost. Empty for an empty image.
Bytes EncodeClipboardBmp(const ui::Image& image);

// Decoders; nullopt when the bytes are not such a file (or are damaged).
std::optional<ui::Image> DecodeJpeg(const Bytes& bytes);
std::optional<ui::Image> DecodePng(const Bytes& bytes);
// Uncompressed BMP files with an information header of 40 bytes or more
// (the stored 44-byte layout included): 1, 4, 8, 24 and 32 bits per pixel.
std::optional<ui::Image> DecodeBmp(const Bytes& bytes);

// Decodes stored picture bytes (or any image file): JPEG, PNG and BMP here,
// everything else through the host.
std::optional<ui::Image> DecodePicture(ui::Host& host, const Bytes& bytes);

}  // namespace bank_editor::pictures
