// Helpers for reading record files straight from their bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace edb {

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* out);

// Deciphers a whole file read into memory (bytes from offset 4 on) with the
// access password's page cipher.
void DecipherFileBytes(const std::string& password, std::vector<std::uint8_t>& file);

// The side file that belongs to a main file: same name with the extension
// "EDT" in any case of letters; "" when there is none.
std::string SidePathFor(const std::string& mainPath);

}  // namespace edb
