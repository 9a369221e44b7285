// Where the program keeps its databases: "--data-dir DIR" when given;
// otherwise the folder of the executable when it is writable (portable use);
// otherwise $XDG_DATA_HOME/mochuan (default ~/.local/share/mochuan), created
// when missing. The process then works in that folder.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace app {

// Exit code of a program that found no usable data folder.
inline constexpr int kDataDirectoryExitCode = 2;

struct DataDirectory {
  std::string path;   // absolute; set when usable
  std::string error;  // a message for the user when not
  bool ok() const { return error.empty() && !path.empty(); }
};

struct DataDirArgument {
  std::optional<std::string> dir;  // the folder given, if any
  std::string error;               // "--data-dir" without a folder
};

// Finds "--data-dir DIR" or "--data-dir=DIR" among the arguments (args[0],
// the program, is skipped). Other arguments are left to others.
DataDirArgument ParseDataDirArgument(const std::vector<std::string>& args);

// The program's own options, read once (after Qt has taken its own out):
// "--demo", "--data-dir DIR" / "--data-dir=DIR". An unknown argument or both
// options together are a usage error; a "--data-dir" without its folder is
// the data folder's error, reported when the folder is set up.
struct ProgramOptions {
  bool demo = false;
  DataDirArgument dataDir;
  std::string usageError;
};
ProgramOptions ReadProgramOptions(const std::vector<std::string>& args);

// Environment lookup; replaceable in tests. Returns nullopt for unset.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
std::optional<std::string> ProcessEnvironment(const std::string& name);

// Picks the folder by the rules above and makes sure it exists and can be
// read and written. `executableDir` may be empty when unknown.
DataDirectory ResolveDataDirectory(const std::optional<std::string>& requested,
                                   const std::string& executableDir,
                                   const EnvLookup& env = ProcessEnvironment);

// Makes `dir` the working directory; false with a message in *error.
bool EnterDataDirectory(const std::string& dir, std::string* error = nullptr);

// What main() does before anything else: parse the arguments, resolve the
// folder and make it the working directory. On failure the result carries
// the message to show; the program then ends with kDataDirectoryExitCode.
DataDirectory SetUpDataDirectory(const std::vector<std::string>& args,
                                 const std::string& executablePath);
// The same with the arguments already read.
DataDirectory SetUpRequestedDataDirectory(const DataDirArgument& requested,
                                          const std::string& executablePath);

// The running executable's path (/proc/self/exe), empty when unknown.
std::string ExecutablePath();

}  // namespace app
