// popuran: the window program that makes the companion program's character set, native on
// Windows.
#include "win32/Win32.h"
// after windows.h
#include <commctrl.h>
#include <ole2.h>

#include "platform/Paths.h"
#include "win32/Resource.h"
#include "win32/Unit1.h"

namespace {
// OLE for this thread, a single-threaded apartment, from start to end: the file-open dialog
// hosts shell objects that need it.
class TOleSession {
 public:
  TOleSession() : FStarted(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~TOleSession() {
    if (FStarted) ::OleUninitialize();
  }
  TOleSession(const TOleSession&) = delete;
  TOleSession& operator=(const TOleSession&) = delete;

 private:
  bool FStarted;
};
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  const TOleSession ole;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  popuran::win32::TForm1 Form1(popuran::DefaultToolDir());
  const HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(popuran::win32::kApplicationIconId));
  if (!Form1.Create(instance, icon)) return 1;
  Form1.Show(showCommand);

  MSG message{};
  int status;
  while ((status = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
    if (Form1.PreTranslateMessage(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return status < 0 ? 1 : static_cast<int>(message.wParam);
}
