// File-system queries and the process's own locations on Windows, through the wide API so
// that any path the user can type works, whatever the system's ANSI code page.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/Utf16.h"

namespace popuran {

namespace {
DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(Utf8ToWide(path).c_str());
}

// Calls a "fill this buffer" function of the API until the buffer is large enough. The
// function returns the length written, or the size needed when the buffer was too small.
template <typename TFill>
std::wstring FillBuffer(TFill fill) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return L"";
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(static_cast<std::size_t>(n) + 1 > buffer.size() * 2
                      ? static_cast<std::size_t>(n) + 1
                      : buffer.size() * 2);
  }
  return L"";
}

bool IsSlash(char c) {
  return c == '\\' || c == '/';
}

// True when a file can be made in the folder: a trial file that removes itself on closing.
// The folder's access rights alone do not say it, so it is tried.
bool CanWriteIn(const std::string& folder) {
  const std::wstring probe =
      Utf8ToWide(folder) + L"\\.popuran-" + std::to_wstring(::GetCurrentProcessId()) + L".probe";
  HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

std::string EnvironmentVariable(const wchar_t* name) {
  return WideToUtf8(FillBuffer([name](wchar_t* buffer, DWORD size) {
    return ::GetEnvironmentVariableW(name, buffer, size);
  }));
}
}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::string& path) {
  return ::CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr) != 0;
}

std::string CurrentDir() {
  return WideToUtf8(
      FillBuffer([](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); }));
}

std::string AbsolutePath(const std::string& path) {
  // "C:\..." and "\\server\share\..." are absolute already. Anything else, a relative name, a
  // path from the current drive's root ("\dir") or one relative to a drive ("C:dir"), is
  // completed by the system against the current folder of that drive.
  const bool driveAbsolute = path.size() >= 3 && path[1] == ':' && IsSlash(path[2]);
  const bool unc = path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1]);
  if (path.empty() || driveAbsolute || unc) return path;
  const std::wstring wide = Utf8ToWide(path);
  const std::wstring full = FillBuffer([&wide](wchar_t* buffer, DWORD size) {
    return ::GetFullPathNameW(wide.c_str(), size, buffer, nullptr);
  });
  return full.empty() ? path : WideToUtf8(full);
}

std::string ExecutablePath() {
  // GetModuleFileNameW returns the size of the buffer when the name was cut short.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) return WideToUtf8(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
  return "";
}

std::string DefaultToolDir() {
  const std::string folder = ExtractFileDir(ExecutablePath());
  if (!folder.empty() && CanWriteIn(folder)) return folder;
  std::string base = EnvironmentVariable(L"LOCALAPPDATA");
  if (base.empty() || !DirectoryExists(base)) {
    base = WideToUtf8(
        FillBuffer([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); }));
  }
  while (!base.empty() && base.back() == '\\') base.pop_back();
  const std::string tool = base + "\\popuran";
  ForceDirectories(tool);
  return tool;
}

}  // namespace popuran
