// "打开word公式编辑器": starts a formula editor the user can copy a formula
// from. On this platform that is LibreOffice Math; without one the user is
// told to install it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
class Host;
class Window;
}  // namespace ui

namespace bank_editor::pictures {

inline constexpr std::string_view kInstallWordMessage = "请安装word";

// How programs are found and started; tests put their own in place.
struct ProgramLauncher {
  // Full path of an executable `program` on the search path; nullopt when
  // there is none.
  std::function<std::optional<std::string>(const std::string& program)> findProgram;
  // Starts argv[0] (a full path) with the rest as arguments, without
  // waiting for it and without tying it to this process; false when it
  // could not be started.
  std::function<bool(const std::vector<std::string>& argv)> startDetached;

  // Searches $PATH and starts processes for real.
  static ProgramLauncher System();
};

// The first executable file named `program` in the ":"-separated directory
// list (an empty entry is the working directory). A name with "/" is taken
// as a path of its own.
std::optional<std::string> FindProgramOnPath(const std::string& program, std::string_view pathList);

// Starts a program detached (own session, standard streams on /dev/null).
// False when it could not be executed.
bool StartDetached(const std::vector<std::string>& argv);

// Starts the first formula editor found ("lomath", else "libreoffice
// --math", else "soffice --math"). None installed: "请安装word". Found but
// failing to start: a message naming it. True when one was started.
bool OpenFormulaEditor(ui::Host& host, const ui::Window* owner,
                       const ProgramLauncher& launcher = ProgramLauncher::System());

}  // namespace bank_editor::pictures
