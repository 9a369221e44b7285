// Opens arbitrary main and side file bytes with the engine, read-only and
// read-write, reads every field of every record and packs; the raw format
// check runs over the same bytes.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_input.h"
#include "recfile/record_file_engine.h"
#include "tools/mochuan-edb/check.h"

namespace {

// Made once per process and removed at exit; kept on the heap so that the
// exit handler never sees it destroyed.
const std::string& workDir() {
  static const std::string* dir = [] {
    const char* base = std::getenv("MC_TEST_TMP");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/fuzz_open.XXXXXX";
    std::filesystem::create_directories(std::filesystem::path(tmpl).parent_path());
    if (!mkdtemp(tmpl.data())) std::abort();
    auto* d = new std::string(tmpl);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(workDir(), ec);
    });
    return d;
  }();
  return *dir;
}

void writeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void readEverything(recfile::RecordFileEngine& engine) {
  const std::int64_t count = engine.RecordCount();
  const int fields = engine.FieldCount();
  (void)engine.Fields();
  for (std::int64_t r = 1; r <= count; ++r) {
    engine.GoTo(r);
    (void)engine.RecordId();
    (void)engine.IsDeleted();
    for (int f = 1; f <= fields; ++f) (void)engine.ReadField(f);
  }
  engine.GoTo(1);
  while (engine.Skip(1)) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzing::FuzzFiles in = fuzzing::SplitInput(data, size);
  const std::string mainPath = workDir() + "/db.edb";
  const std::string sidePath = workDir() + "/db.edt";
  const std::string password = (in.flags & fuzzing::kWithPassword) ? fuzzing::kPassword : "";
  const bool withSide = !(in.flags & fuzzing::kNoSideFile);
  writeFile(mainPath, in.main);
  std::error_code ec;
  std::filesystem::remove(sidePath, ec);
  if (withSide) writeFile(sidePath, in.side);

  (void)edb::CheckFiles(mainPath, withSide ? sidePath : std::string(), password);

  {
    recfile::RecordFileEngine engine;
    if (engine.Open(mainPath, {}, true, recfile::ShareMode::None, password)) readEverything(engine);
    engine.CloseAll();
  }
  {
    recfile::RecordFileEngine engine;
    if (engine.Open(mainPath, {}, false, recfile::ShareMode::None, password)) {
      readEverything(engine);
      engine.Pack();
      readEverything(engine);
    }
    engine.CloseAll();
  }
  return 0;
}
