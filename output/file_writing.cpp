#include "output/file_writing.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace output {

namespace {

std::string Reason(int code) { return std::system_category().message(code); }

}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error) {
  // A new file in place of the old one: truncating a file in place makes
  // ext4 flush it to disk on close, which multiplies the time of a paper
  // with many pictures; and a link planted under the name is not followed.
  ::unlink(path.c_str());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "无法写入文件 " + path + "：" + Reason(errno);
    return false;
  }
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int writeErrno = errno;
  // A full disk may show only when the buffer is flushed.
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    error = "无法写入文件 " + path + "：" + Reason(written ? errno : writeErrno);
    return false;
  }
  return true;
}

bool MakeFolder(const std::string& path, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (std::filesystem::is_directory(path)) return true;
  error = "无法建立文件夹 " + path + "：" + (ec ? ec.message() : Reason(ENOTDIR));
  return false;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

}  // namespace output
