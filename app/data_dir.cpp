#include "app/data_dir.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOption = "--data-dir";

bool Usable(const fs::path& dir) { return ::access(dir.c_str(), R_OK | W_OK | X_OK) == 0; }

// Creates the folder when missing and checks that it can be used.
DataDirectory Prepare(const fs::path& wanted) {
  DataDirectory result;
  std::error_code ec;
  const fs::path dir = fs::absolute(wanted, ec).lexically_normal();
  if (ec) {
    result.error = "数据目录 " + wanted.string() + " 无法使用：" + ec.message();
    return result;
  }
  std::string shown = dir.string();
  if (shown.size() > 1 && shown.back() == '/') shown.pop_back();
  if (!fs::exists(dir, ec)) {
    fs::create_directories(dir, ec);
    if (ec) {
      result.error = "无法创建数据目录 " + shown + "：" + ec.message();
      return result;
    }
    // Course banks and passwords live here: keep it to the user.
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace, ec);
  }
  if (!fs::is_directory(dir, ec)) {
    result.error = "数据目录 " + shown + " 不是一个目录";
    return result;
  }
  if (!Usable(dir)) {
    result.error = "数据目录 " + shown + " 不可读写：" + std::strerror(errno);
    return result;
  }
  result.path = shown;
  return result;
}

}  // namespace

DataDirArgument ParseDataDirArgument(const std::vector<std::string>& args) {
  DataDirArgument result;
  const std::string prefix = std::string(kOption) + "=";
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == kOption) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        result.error = std::string(kOption) + " 后面缺少数据目录";
        return result;
      }
      result.dir = args[++i];
    } else if (a.rfind(prefix, 0) == 0) {
      if (a.size() == prefix.size()) {
        result.error = std::string(kOption) + " 后面缺少数据目录";
        return result;
      }
      result.dir = a.substr(prefix.size());
    }
  }
  return result;
}

ProgramOptions ReadProgramOptions(const std::vector<std::string>& args) {
  ProgramOptions o;
  o.dataDir = ParseDataDirArgument(args);
  const std::string prefix = std::string(kOption) + "=";
  bool dataDirGiven = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--demo") {
      o.demo = true;
    } else if (a == kOption) {
      dataDirGiven = true;
      ++i;  // its folder
    } else if (a.rfind(prefix, 0) == 0) {
      dataDirGiven = true;
    } else {
      o.usageError = "未知的参数：" + a;
      return o;
    }
  }
  if (o.demo && dataDirGiven) o.usageError = "--demo 与 --data-dir 不能同时使用";
  return o;
}

std::optional<std::string> ProcessEnvironment(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

DataDirectory ResolveDataDirectory(const std::optional<std::string>& requested,
                                   const std::string& executableDir, const EnvLookup& env) {
  if (requested) return Prepare(*requested);
  if (!executableDir.empty() && fs::is_directory(executableDir) && Usable(executableDir))
    return Prepare(executableDir);

  // XDG: a relative $XDG_DATA_HOME is invalid and is ignored.
  fs::path base;
  const auto xdg = env ? env("XDG_DATA_HOME") : std::nullopt;
  if (xdg && !xdg->empty() && (*xdg)[0] == '/') {
    base = *xdg;
  } else {
    const auto home = env ? env("HOME") : std::nullopt;
    if (!home || home->empty()) {
      DataDirectory result;
      result.error = "找不到数据目录：程序所在目录不可写，且未设置 HOME 或 XDG_DATA_HOME";
      return result;
    }
    base = fs::path(*home) / ".local" / "share";
  }
  return Prepare(base / "mochuan");
}

bool EnterDataDirectory(const std::string& dir, std::string* error) {
  if (::chdir(dir.c_str()) == 0) return true;
  if (error) *error = "无法进入数据目录 " + dir + "：" + std::strerror(errno);
  return false;
}

DataDirectory SetUpDataDirectory(const std::vector<std::string>& args,
                                 const std::string& executablePath) {
  return SetUpRequestedDataDirectory(ParseDataDirArgument(args), executablePath);
}

DataDirectory SetUpRequestedDataDirectory(const DataDirArgument& arg, const std::string& executablePath) {
  if (!arg.error.empty()) return {{}, arg.error};
  std::string exeDir;
  if (!executablePath.empty()) exeDir = fs::path(executablePath).parent_path().string();
  DataDirectory dir = ResolveDataDirectory(arg.dir, exeDir);
  if (!dir.ok()) return dir;
  std::string error;
  if (!EnterDataDirectory(dir.path, &error)) return {{}, error};
  return dir;
}

std::string ExecutablePath() {
  std::error_code ec;
  const fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

}  // namespace app
