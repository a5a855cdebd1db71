// What the conversion run needs of whoever shows it to the user: the window, the command line
// or a test.
#pragma once

#include <cstdint>
#include <string>

namespace popuran {

// Message box flags and answers, with their Win32 values.
inline constexpr std::uint32_t MB_OK = 0x00;
inline constexpr std::uint32_t MB_OKCANCEL = 0x01;
inline constexpr std::uint32_t MB_ICONERROR = 0x10;
inline constexpr std::uint32_t MB_ICONWARNING = 0x30;
inline constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr std::uint32_t MB_BUTTONMASK = 0x0F;
inline constexpr std::uint32_t MB_ICONMASK = 0xF0;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class TUserInterface {
 public:
  virtual ~TUserInterface() = default;

  // The texts of the two path fields, read afresh at every call.
  virtual std::string SourceText() = 0;
  virtual std::string DestText() = 0;
  // Shows a message owned by the window and returns the button pressed (IDOK, IDCANCEL).
  virtual int MessageBox(const std::string& text, const std::string& caption,
                         std::uint32_t flags) = 0;
  // Starts the companion program, its executable's path as the user typed it.
  virtual void StartProgram(const std::string& executablePath) = 0;
  // Closes the main window, which ends the tool.
  virtual void CloseWindow() = 0;
};

}  // namespace popuran
