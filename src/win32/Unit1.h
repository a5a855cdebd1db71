// The main window as a native Win32 window: two path fields with their browse buttons and the
// run button. It only draws and forwards: every handler is a thin call into the conversion
// run, which talks back through TUserInterface.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/ConversionRun.h"
#include "app/UserInterface.h"
#include "win32/Dialogs.h"
#include "win32/Win32.h"

namespace popuran::win32 {

inline constexpr wchar_t kWindowClassName[] = L"TForm1";
inline constexpr int kClientWidth = 514;
inline constexpr int kClientHeight = 168;

// The window's font family.
inline constexpr const char* kWindowFontFamily = "ＭＳ Ｐゴシック";

// Control identifiers; 1 and 2 are IDOK and IDCANCEL, which the dialog manager sends for Enter
// and Esc, so the controls keep clear of them.
enum TControlId : int {
  kIdLabel1 = 100,
  kIdLabel2,
  kIdEdSrc,
  kIdBtSrc,
  kIdEdDst,
  kIdBtDst,
  kIdBtExec,
};

// A GDI font that is deleted with its owner.
class TFont {
 public:
  TFont() = default;
  // The window's font at a character height in pixels (internal leading excluded).
  TFont(int pixelHeight, bool bold);
  ~TFont();
  TFont(TFont&& other) noexcept : FHandle(other.FHandle) { other.FHandle = nullptr; }
  TFont& operator=(TFont&& other) noexcept;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;
  HFONT Handle() const { return FHandle; }

 private:
  HFONT FHandle = nullptr;
};

// The window's font: a negative height asks for the character height without the internal
// leading.
LOGFONTW WindowLogFont(int pixelHeight, bool bold);

// Where the outer frame's top-left corner goes to centre it on the screen: half the spare room
// on each axis, rounded toward zero, never before the screen's edge.
POINT CentredPosition(SIZE screen, SIZE outer);

class TForm1 : public TUserInterface {
 public:
  // toolDir is the folder for the run's intermediate files.
  explicit TForm1(std::string toolDir);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Registers the window class (once) and creates the window and its controls, centred on
  // the screen, hidden. False when the system refuses.
  bool Create(HINSTANCE instance, HICON icon);
  // Shows the window and puts the keyboard focus on edSrc.
  void Show(int showCommand);
  HWND Handle() const { return FHandle; }

  // Gives the window's keyboard handling (Tab, arrow keys; Enter and Esc pressing nothing) a
  // message of the loop. True when it was handled and must not be dispatched.
  bool PreTranslateMessage(MSG& message);

  // The controls; the window owns them as their parent.
  HWND edSrc = nullptr;
  HWND Label1 = nullptr;
  HWND btSrc = nullptr;
  HWND edDst = nullptr;
  HWND Label2 = nullptr;
  HWND btDst = nullptr;
  HWND btExec = nullptr;
  TOpenDialog OpenDialog1;

  void btSrcClick();
  void btDstClick();
  void btExecClick();
  void FormCreate();

  // TUserInterface
  std::string SourceText() override;
  std::string DestText() override;
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  void StartProgram(const std::string& executablePath) override;
  void CloseWindow() override;

  // Replaces how message boxes are shown (tests answer them).
  void SetMessageBoxFunction(TMessageBoxFunction function) { FMessageBox = std::move(function); }
  // Replaces how the companion program is started.
  using TLauncher = std::function<void(const std::string&)>;
  void SetLauncher(TLauncher launcher) { FLauncher = std::move(launcher); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HWND CreateControl(const wchar_t* className, TControlId id, DWORD style, DWORD exStyle,
                     RECT place, const char* text, const TFont& font);
  void Browse(const char* filter, HWND target);
  void DropFiles(HDROP drop);

  TConversionRun FRun;
  HWND FHandle = nullptr;
  TFont FWindowFont;
  TFont FTextFont;
  TFont FRunButtonFont;
  HWND FFocusBeforeDeactivation = nullptr;
  TMessageBoxFunction FMessageBox;
  TLauncher FLauncher;
};

// The text of a window (an edit field's contents), as UTF-8.
std::string WindowText(HWND window);

}  // namespace popuran::win32
