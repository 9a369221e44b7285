#include "tools/mochuan-edb/raw_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "recfile/file_system.h"
#include "recfile/page_cipher.h"
#include "recfile/paths.h"
#include "text/text.h"

namespace edb {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* out) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void DecipherFileBytes(const std::string& password, std::vector<std::uint8_t>& file) {
  recfile::PageCipher cipher(text::ToGbk(password));
  cipher.Apply(0, file.data(), file.size());
}

std::string SidePathFor(const std::string& mainPath) {
  const auto fs = recfile::FileSystem::Real();
  const std::string side = recfile::paths::FindExtensionVariant(*fs, recfile::paths::SideFileName(mainPath));
  return fs->Exists(side) ? side : std::string();
}

}  // namespace edb
