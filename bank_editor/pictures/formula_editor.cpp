#include "bank_editor/pictures/formula_editor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "ui/host.h"

namespace bank_editor::pictures {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

void WriteErrno(int fd) {
  const int error = errno;
  [[maybe_unused]] const ssize_t n = ::write(fd, &error, sizeof error);
}

}  // namespace

std::optional<std::string> FindProgramOnPath(const std::string& program, std::string_view pathList) {
  if (program.empty()) return std::nullopt;
  if (program.find('/') != std::string::npos)
    return IsExecutableFile(program) ? std::optional<std::string>(program) : std::nullopt;
  std::size_t start = 0;
  while (start <= pathList.size()) {
    std::size_t end = pathList.find(':', start);
    if (end == std::string_view::npos) end = pathList.size();
    std::string dir(pathList.substr(start, end - start));
    const std::string candidate = dir.empty() ? "./" + program : dir + "/" + program;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

bool StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  // Everything the child needs is prepared before fork: only async-signal-
  // safe calls happen between fork and exec.
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The grandchild reports a failed exec through the pipe; a successful exec
  // closes it (close-on-exec), so the parent reads end-of-file.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (child == 0) {
    ::close(fds[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) {
      WriteErrno(fds[1]);
      ::_exit(1);
    }
    if (grandchild > 0) ::_exit(0);
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      ::dup2(devNull, 0);
      ::dup2(devNull, 1);
      ::dup2(devNull, 2);
      if (devNull > 2) ::close(devNull);
    }
    ::execv(args[0], args.data());
    WriteErrno(fds[1]);
    ::_exit(127);
  }
  ::close(fds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t n;
  do {
    n = ::read(fds[0], &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  ::close(fds[0]);
  return n == 0;
}

ProgramLauncher ProgramLauncher::System() {
  ProgramLauncher launcher;
  launcher.findProgram = [](const std::string& program) {
    const char* path = std::getenv("PATH");
    return FindProgramOnPath(program, path ? path : "/usr/local/bin:/usr/bin:/bin");
  };
  launcher.startDetached = StartDetached;
  return launcher;
}

bool OpenFormulaEditor(ui::Host& host, const ui::Window* owner, const ProgramLauncher& launcher) {
  static const std::vector<std::vector<std::string>> kCandidates = {
      {"lomath"}, {"libreoffice", "--math"}, {"soffice", "--math"}};
  for (const auto& candidate : kCandidates) {
    const auto path = launcher.findProgram(candidate.front());
    if (!path) continue;
    std::vector<std::string> argv = candidate;
    argv.front() = *path;
    if (launcher.startDetached(argv)) return true;
    host.Message(owner, "无法启动公式编辑器：" + *path);
    return false;
  }
  host.Message(owner, kInstallWordMessage);
  return false;
}

}  // namespace bank_editor::pictures
