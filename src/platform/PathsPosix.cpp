// File-system queries and the process's own locations on POSIX systems.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/Paths.h"

namespace popuran {

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0;
}

std::string CurrentDir() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  std::string base = CurrentDir();
  if (base.empty()) return path;
  if (base.back() != '/') base += '/';
  return base + path;
}

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "";
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string DefaultToolDir() {
  const std::string folder = ExtractFileDir(ExecutablePath());
  if (!folder.empty() && ::access(folder.c_str(), W_OK) == 0) return folder;
  std::string cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
    cache = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    cache = std::string(home) + "/.cache";
  } else {
    cache = "/tmp";
  }
  const std::string tool = cache + "/popuran";
  ForceDirectories(tool);
  return tool;
}

}  // namespace popuran
