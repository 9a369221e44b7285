// Shared pieces of the database tests: a fresh temporary folder and a
// prompter that records every message box and answers from a script.
#pragma once

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "databases/prompter.h"

namespace databases::testing {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("MC_TEST_TMP");
    std::filesystem::path root = base && *base ? base : "/tmp";
    std::filesystem::create_directories(root);
    std::string pattern = (root / "mc-databases-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct ShownMessage {
  std::string caption, text;
  Buttons buttons;
  Icon icon;
};

class RecordingPrompter : public Prompter {
 public:
  int MessageBox(const std::string& caption, const std::string& text, Buttons buttons, Icon icon) override {
    shown.push_back({caption, text, buttons, icon});
    if (answers.empty()) return kOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void EndProgram(int exitCode) override { exitCodes.push_back(exitCode); }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : shown) texts.push_back(m.text);
    return texts;
  }

  std::deque<int> answers;  // buttons pressed, in order; OK once they run out
  std::vector<ShownMessage> shown;
  std::vector<int> exitCodes;
};

}  // namespace databases::testing
