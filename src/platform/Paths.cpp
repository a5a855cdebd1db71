#include "platform/Paths.h"

#include <string>

namespace popuran {

char PathSeparator(TPathFlavour flavour) {
  return flavour == TPathFlavour::Windows ? '\\' : '/';
}

namespace {
bool IsDelimiter(char c, TPathFlavour flavour) {
  return flavour == TPathFlavour::Windows ? (c == '\\' || c == ':') : c == '/';
}

// Index of the last character of path that is one of the delimiters, or npos.
std::size_t LastDelimiter(const std::string& path, TPathFlavour flavour, bool withDot) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (IsDelimiter(path[i], flavour) || (withDot && path[i] == '.')) return i;
  }
  return std::string::npos;
}
}  // namespace

std::string ChangeFileExt(const std::string& path, const std::string& ext, TPathFlavour flavour) {
  const std::size_t at = LastDelimiter(path, flavour, true);
  if (at == std::string::npos || path[at] != '.') return path + ext;
  return path.substr(0, at) + ext;
}

std::string ExtractFileDir(const std::string& path, TPathFlavour flavour) {
  std::size_t at = LastDelimiter(path, flavour, false);
  if (at == std::string::npos) return "";
  // Drop the separator itself unless it is the root's: at the very start, or after a drive
  // colon or another separator.
  const char separator = PathSeparator(flavour);
  if (at > 0 && path[at] == separator && !IsDelimiter(path[at - 1], flavour))
    return path.substr(0, at);
  return path.substr(0, at + 1);
}

void ForceDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == PathSeparator()) folder.pop_back();
  if (folder.empty() || DirectoryExists(folder)) return;
  const std::string parent = ExtractFileDir(folder);
  if (!parent.empty() && parent != folder) ForceDirectories(parent);
  MakeDirectory(folder);  // a failure shows later, when a file there cannot be made
}

}  // namespace popuran
