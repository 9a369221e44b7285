// Feeds small, typical and typically-damaged files to the fuzz target; set
// MC_FUZZ_SEED_DIR to also write them out as seeds for the corpus.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "recfile/record_file_engine.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

class FuzzSeeds : public testing::Test {
 protected:
  // Main and side bytes of a small bank: a text, a memo spanning three
  // blocks, a byte-set and a number; `password` enciphers it.
  std::pair<std::string, std::string> makeDb(const std::string& name, const std::string& password) {
    const std::string db = (dir_ / (name + ".edb")).string();
    recfile::RecordFileEngine engine;
    EXPECT_TRUE(engine.Create(db, {{"知识点", recfile::FieldType::Text, 6},
                                   {"题文1", recfile::FieldType::Memo, 0},
                                   {"题图数据", recfile::FieldType::ByteSet, 0},
                                   {"难度", recfile::FieldType::Short, 0},
                                   {"屏蔽", recfile::FieldType::Logical, 0},
                                   {"日期", recfile::FieldType::DateTime, 0}}));
    EXPECT_TRUE(engine.Open(db));
    EXPECT_TRUE(engine.Append({std::string("光合"), std::string(1200, 'm'), recfile::Bytes{1, 2, 3},
                               std::int64_t{3}, true, recfile::Days{45000.5}}));
    EXPECT_TRUE(engine.Append({std::string("呼吸"), std::string("短题")}));
    EXPECT_TRUE(engine.Append({std::string("删除")}));
    EXPECT_TRUE(engine.Delete());
    if (!password.empty()) {
      EXPECT_TRUE(engine.SetPassword(password));
    }
    engine.CloseAll();
    fs::path sidePath = fs::path(db).replace_extension("EDT");
    if (!fs::exists(sidePath)) sidePath = fs::path(db).replace_extension("edt");
    return {readFile(db), readFile(sidePath)};
  }

  mc::testing::TempDir tmp_{"fuzz_seeds"};
  fs::path dir_ = tmp_.path();
};

TEST_F(FuzzSeeds, TypicalAndDamagedFilesPassThroughTheTarget) {
  const auto [main, side] = makeDb("plain", "");
  const auto [cMain, cSide] = makeDb("ciphered", fuzzing::kPassword);

  std::vector<std::pair<std::string, std::string>> seeds = {
      {"valid", fuzzing::JoinInput(0, main, side)},
      {"valid-password", fuzzing::JoinInput(fuzzing::kWithPassword, cMain, cSide)},
      {"wrong-password", fuzzing::JoinInput(0, cMain, cSide)},
      {"no-side-file", fuzzing::JoinInput(fuzzing::kNoSideFile, main, "")},
      {"truncated-main", fuzzing::JoinInput(0, main.substr(0, main.size() - 7), side)},
      {"truncated-header", fuzzing::JoinInput(0, main.substr(0, 60), side)},
      {"truncated-side", fuzzing::JoinInput(0, main, side.substr(0, 700))},
      {"empty", ""},
  };
  // Block 1 holds the long memo's first piece; make its last block point
  // back to the first, and make the byte-set's chain run off the file.
  std::string looping = side;
  put32(looping, 3 * 512 + 4, 1);
  seeds.emplace_back("looping-chain", fuzzing::JoinInput(0, main, looping));
  std::string selfLoop = side;
  put32(selfLoop, 1 * 512 + 4, 1);
  seeds.emplace_back("self-loop", fuzzing::JoinInput(0, main, selfLoop));
  std::string offEnd = side;
  put32(offEnd, 4 * 512 + 4, 0x7FFFFFFF);
  put32(offEnd, 4 * 512 + 8, 600);
  seeds.emplace_back("chain-off-end", fuzzing::JoinInput(0, main, offEnd));
  std::string freeLoop = side;
  put32(freeLoop, 20, 3);
  put32(freeLoop, 24, 2);
  seeds.emplace_back("free-list-into-chain", fuzzing::JoinInput(0, main, freeLoop));
  std::string hugeCount = main;
  put32(hugeCount, 16, 0x7FFFFFFF);
  seeds.emplace_back("huge-count", fuzzing::JoinInput(0, hugeCount, side));
  std::string badField = main;
  put32(badField, 112, 0x40000000);
  seeds.emplace_back("huge-field-count", fuzzing::JoinInput(0, badField, side));

  const char* out = std::getenv("MC_FUZZ_SEED_DIR");
  for (const auto& [name, bytes] : seeds) {
    SCOPED_TRACE(name);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (out && *out) std::ofstream(fs::path(out) / ("seed-" + name), std::ios::binary) << bytes;
  }
}

}  // namespace
