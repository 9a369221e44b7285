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
#include "tests/support/temp_dir.h"

namespace databases::testing {

using mc::testing::ReadFileBytes;
using mc::testing::TempDir;
using mc::testing::WriteFileBytes;

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
