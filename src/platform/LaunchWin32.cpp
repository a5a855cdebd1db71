// Starting a program on Windows: CreateProcessW on the quoted path, like a command typed at
// the Run box, in this process's current folder.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Launch.h"
#include "platform/Utf16.h"

namespace popuran {

std::string FindOnPath(const std::string& name) {
  const std::wstring wide = Utf8ToWide(name);
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD n = ::SearchPathW(nullptr, wide.c_str(), L".exe", static_cast<DWORD>(buffer.size()),
                                  buffer.data(), nullptr);
    if (n == 0) return "";
    if (n < buffer.size()) return WideToUtf8(std::wstring_view(buffer.data(), n));
    buffer.resize(static_cast<std::size_t>(n) + 1);
  }
  return "";
}

void StartProgram(const std::string& executablePath) {
  // The command line is the path in double quotes, nothing else; CreateProcessW may write into
  // its buffer, so it is a copy of our own.
  std::wstring commandLine = L"\"" + Utf8ToWide(executablePath) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return;  // not reported: the tool ends all the same
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
}

}  // namespace popuran
