#include "tools/mochuan-paper/command_line.h"

#include <algorithm>
#include <cstdio>

namespace paper_tool {

CommandLine::CommandLine(const std::vector<std::string>& args, const std::set<std::string>& valued,
                         const std::set<std::string>& flags) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.resize(eq);
    }
    if (valued.count(name)) {
      if (!inlineValue && i + 1 >= args.size()) {
        error_ = "参数 " + name + " 缺少取值";
        return;
      }
      values_[name] = inlineValue ? *inlineValue : args[++i];
    } else if (flags.count(name) && !inlineValue) {
      flags_.insert(name);
    } else {
      error_ = "未知的参数：" + args[i];
      return;
    }
  }
}

std::optional<std::string> CommandLine::value(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string CommandLine::Required(const std::string& name) {
  const auto v = value(name);
  if (!v && error_.empty()) error_ = "缺少参数 " + name;
  return v.value_or(std::string());
}

bool Mentions(const std::vector<std::string>& args, const std::string& option) {
  return std::any_of(args.begin(), args.end(), [&](const std::string& a) {
    return a == option || a.rfind(option + "=", 0) == 0;
  });
}

int Fail(const std::string& message) {
  std::string line = message;
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::fprintf(stderr, "mochuan-paper：%s\n", line.c_str());
  return kExitFailure;
}

}  // namespace paper_tool
