// The wide command line and a UTF-8 console on Windows.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <memory>

#include "platform/Console.h"
#include "platform/Utf16.h"

namespace popuran {

std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  // LocalFree releases the array that CommandLineToArgvW allocates in one block.
  const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> wide(
      ::CommandLineToArgvW(::GetCommandLineW(), &count), &::LocalFree);
  std::vector<std::string> arguments;
  if (!wide) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(WideToUtf8(wide.get()[i]));
  return arguments;
}

void PrepareConsole() {
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
}

}  // namespace popuran
