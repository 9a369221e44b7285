// How one fuzz input is split into the files it stands for:
//   byte 0      flags: 1 = open with a password, 2 = leave the side file out
//   bytes 1..4  length of the main file (little-endian), cut to what follows
//   then        the main file's bytes, then the side file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzzing {

inline constexpr std::uint8_t kWithPassword = 1;
inline constexpr std::uint8_t kNoSideFile = 2;
inline constexpr const char* kPassword = "口令pw";

struct FuzzFiles {
  std::uint8_t flags = 0;
  std::string_view main;
  std::string_view side;
};

inline FuzzFiles SplitInput(const std::uint8_t* data, std::size_t size) {
  FuzzFiles f;
  if (size == 0) return f;
  f.flags = data[0];
  std::uint32_t len = 0;
  for (std::size_t i = 1; i < 5 && i < size; ++i) len |= std::uint32_t(data[i]) << (8 * (i - 1));
  const std::size_t rest = size > 5 ? size - 5 : 0;
  const char* p = reinterpret_cast<const char*>(data) + (size > 5 ? 5 : size);
  const std::size_t mainLen = len < rest ? len : rest;
  f.main = std::string_view(p, mainLen);
  f.side = std::string_view(p + mainLen, rest - mainLen);
  return f;
}

inline std::string JoinInput(std::uint8_t flags, std::string_view main, std::string_view side) {
  std::string s(1, static_cast<char>(flags));
  const auto len = static_cast<std::uint32_t>(main.size());
  for (int i = 0; i < 4; ++i) s += static_cast<char>((len >> (8 * i)) & 0xFF);
  s.append(main);
  s.append(side);
  return s;
}

}  // namespace fuzzing
