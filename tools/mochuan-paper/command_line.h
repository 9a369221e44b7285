// The options of mochuan-paper: "--name value" pairs and bare flags, read
// once and then asked for by name.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace paper_tool {

// Exit codes shared by every mode.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 2;

class CommandLine {
 public:
  // args without the program name. `valued` are the options that take a
  // value, `flags` those that do not; anything else is an error.
  CommandLine(const std::vector<std::string>& args, const std::set<std::string>& valued,
              const std::set<std::string>& flags = {});

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  bool has(const std::string& name) const { return values_.count(name) || flags_.count(name); }
  std::optional<std::string> value(const std::string& name) const;
  // The value, or an error ("缺少参数 --name") when it is missing.
  std::string Required(const std::string& name);

 private:
  std::map<std::string, std::string> values_;
  std::set<std::string> flags_;
  std::string error_;
};

// Whether `args` name `option` anywhere: how main() picks a mode.
bool Mentions(const std::vector<std::string>& args, const std::string& option);

// Prints "mochuan-paper：" + message on one line of standard error and
// returns kExitFailure.
int Fail(const std::string& message);

}  // namespace paper_tool
