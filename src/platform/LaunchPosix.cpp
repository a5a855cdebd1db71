// Starting a program on POSIX systems: fork, setsid, exec; a Windows executable goes through wine.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/Launch.h"

namespace popuran {

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return "";
  std::string list = path;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const std::string folder = end > start ? list.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

namespace {
bool IsWindowsExecutable(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char magic[2] = {};
  return file.read(magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}
}  // namespace

void StartProgram(const std::string& executablePath) {
  std::vector<std::string> arguments;
  if (IsWindowsExecutable(executablePath)) {
    const std::string wine = FindOnPath("wine");
    if (wine.empty()) return;
    arguments = {wine, executablePath};
  } else {
    arguments = {executablePath};
  }
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);

  // Two forks, so the program is nobody's child here and leaves no zombie behind.
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    ::setsid();
    if (::fork() == 0) {
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace popuran
