#include "win32/Unit1.h"

#include <algorithm>
#include <cwchar>
#include <exception>
#include <vector>

#include "app/Messages.h"
#include "platform/Launch.h"
#include "platform/Utf16.h"

namespace popuran::win32 {

namespace {
// A single border and a caption with the system menu and the maximise box; no minimise box
// and no sizing frame.
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_WINDOWEDGE;

LRESULT BrushResult(int colourIndex) {
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(colourIndex));
}
}  // namespace

LOGFONTW WindowLogFont(int pixelHeight, bool bold) {
  LOGFONTW font{};
  font.lfHeight = -pixelHeight;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring face = Utf8ToWide(kWindowFontFamily);
  std::wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return font;
}

TFont::TFont(int pixelHeight, bool bold) {
  const LOGFONTW font = WindowLogFont(pixelHeight, bold);
  FHandle = ::CreateFontIndirectW(&font);
}

TFont::~TFont() {
  if (FHandle != nullptr) ::DeleteObject(FHandle);
}

TFont& TFont::operator=(TFont&& other) noexcept {
  if (this != &other) {
    if (FHandle != nullptr) ::DeleteObject(FHandle);
    FHandle = other.FHandle;
    other.FHandle = nullptr;
  }
  return *this;
}

POINT CentredPosition(SIZE screen, SIZE outer) {
  // Integer division rounds toward zero, also for a window larger than the screen.
  return {std::max<LONG>(0, (screen.cx - outer.cx) / 2),
          std::max<LONG>(0, (screen.cy - outer.cy) / 2)};
}

std::string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return "";
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  return WideToUtf8(std::wstring_view(text.data(), static_cast<std::size_t>(std::max(copied, 0))));
}

TForm1::TForm1(std::string toolDir)
    : FRun(std::move(toolDir)),
      FMessageBox(SystemMessageBox()),
      FLauncher([](const std::string& path) { popuran::StartProgram(path); }) {}

TForm1::~TForm1() {
  if (FHandle != nullptr) ::DestroyWindow(FHandle);
}

bool TForm1::Create(HINSTANCE instance, HICON icon) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!::GetClassInfoExW(instance, kWindowClassName, &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &TForm1::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClassName;
    if (!::RegisterClassExW(&windowClass)) return false;
  }

  // The client area is fixed; the frame around it is whatever the system draws.
  RECT outer{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&outer, kWindowStyle, FALSE, kWindowExStyle);
  const SIZE outerSize{outer.right - outer.left, outer.bottom - outer.top};
  const POINT at = CentredPosition(
      {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}, outerSize);

  FWindowFont = TFont(15, false);
  FTextFont = TFont(17, false);
  FRunButtonFont = TFont(18, true);

  const std::wstring caption = Utf8ToWide(kApplicationTitle);
  ::CreateWindowExW(kWindowExStyle, kWindowClassName, caption.c_str(), kWindowStyle, at.x, at.y,
                    outerSize.cx, outerSize.cy, nullptr, nullptr, instance, this);
  if (FHandle == nullptr) return false;
  ::DragAcceptFiles(FHandle, TRUE);
  ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FWindowFont.Handle()), FALSE);
  CreateControls();
  FormCreate();
  return true;
}

HWND TForm1::CreateControl(const wchar_t* className, TControlId id, DWORD style, DWORD exStyle,
                           RECT place, const char* text, const TFont& font) {
  const std::wstring wideText = Utf8ToWide(text);
  HWND control = ::CreateWindowExW(
      exStyle, className, wideText.c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
      place.right, place.bottom, FHandle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(FHandle, GWLP_HINSTANCE)), nullptr);
  if (control != nullptr) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), FALSE);
  }
  return control;
}

void TForm1::CreateControls() {
  // Created in this order: the dialog manager's tab order follows it (labels take no focus),
  // and later controls lie above earlier ones where they meet. Places are left, top, width,
  // height in the client area.
  constexpr DWORD kLabel = SS_LEFT;
  constexpr DWORD kEdit = WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
  Label1 = CreateControl(L"STATIC", kIdLabel1, kLabel, 0, {8, 8, 369, 17},
                         "ToHeart2 データファイルのあるパス", FTextFont);
  Label2 = CreateControl(L"STATIC", kIdLabel2, kLabel, 0, {8, 64, 369, 17},
                         "窓辺のこびと実行ファイルのあるパス", FTextFont);
  edSrc =
      CreateControl(L"EDIT", kIdEdSrc, kEdit, WS_EX_CLIENTEDGE, {8, 32, 457, 25}, "", FTextFont);
  btSrc = CreateControl(L"BUTTON", kIdBtSrc, kButton, 0, {472, 32, 33, 25}, "...", FWindowFont);
  edDst = CreateControl(L"EDIT", kIdEdDst, kEdit, WS_EX_CLIENTEDGE, {8, 88, 457, 25},
                        "C:\\Program FIles\\Kobitone\\Kobitone.exe", FTextFont);
  btDst = CreateControl(L"BUTTON", kIdBtDst, kButton, 0, {472, 88, 33, 25}, "...", FWindowFont);
  btExec = CreateControl(L"BUTTON", kIdBtExec, kButton, 0, {200, 128, 113, 33}, "実　　行",
                         FRunButtonFont);
}

void TForm1::Show(int showCommand) {
  ::ShowWindow(FHandle, showCommand);
  ::UpdateWindow(FHandle);
  ::SetFocus(edSrc);
}

bool TForm1::PreTranslateMessage(MSG& message) {
  if (FHandle == nullptr) return false;
  // Enter presses the button that has the focus, as in a dialog. The dialog manager does that
  // only for a default button, and this window has none.
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    const HWND focus = ::GetFocus();
    if (focus != nullptr && (focus == btSrc || focus == btDst || focus == btExec)) {
      ::SendMessageW(FHandle, WM_COMMAND,
                     MAKEWPARAM(::GetDlgCtrlID(focus), static_cast<WORD>(BN_CLICKED)),
                     reinterpret_cast<LPARAM>(focus));
      return true;
    }
  }
  // The dialog manager moves the focus with Tab and the arrow keys. Enter in a field and Esc
  // come as IDOK and IDCANCEL, which no control has, so they press nothing.
  return ::IsDialogMessageW(FHandle, &message) != FALSE;
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form =
        static_cast<TForm1*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->FHandle = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TForm1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    form->FHandle = nullptr;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  // No exception may unwind through the system's frames.
  try {
    return form->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const auto control = reinterpret_cast<HWND>(lParam);
      if (HIWORD(wParam) != BN_CLICKED || control == nullptr) break;
      if (control == btSrc) {
        btSrcClick();
      } else if (control == btDst) {
        btDstClick();
      } else if (control == btExec) {
        btExecClick();
      }
      return 0;
    }
    case WM_ACTIVATE:
      // The focus leaves with the window (to a message box, another program) and comes back
      // to the control that had it; the first time, to edSrc.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(FHandle, focus)) FFocusBeforeDeactivation = focus;
      } else if (::IsWindowVisible(FHandle)) {
        const bool known =
            FFocusBeforeDeactivation != nullptr && ::IsWindow(FFocusBeforeDeactivation);
        ::SetFocus(known ? FFocusBeforeDeactivation : edSrc);
        return 0;
      }
      break;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      // The labels stand on the window's face colour, in the window-text colour.
      ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOWTEXT));
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
      return BrushResult(COLOR_BTNFACE);
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(FHandle, message, wParam, lParam);
}

void TForm1::DropFiles(HDROP drop) {
  // A file dropped on one of the path fields replaces its text, as a confirmed browse does; of
  // several files the first is taken. A drop anywhere else changes nothing.
  POINT at{};
  ::DragQueryPoint(drop, &at);
  const HWND target = ::ChildWindowFromPointEx(FHandle, at, CWP_SKIPINVISIBLE);
  const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
  if ((target == edSrc || target == edDst) && length > 0) {
    std::vector<wchar_t> name(static_cast<std::size_t>(length) + 1, L'\0');
    ::DragQueryFileW(drop, 0, name.data(), length + 1);
    ::SetWindowTextW(target, name.data());
  }
  ::DragFinish(drop);
}

void TForm1::btSrcClick() {
  CallHandler(*this, [this] { Browse("TH2Data.000|TH2Data.000", edSrc); });
}

void TForm1::btDstClick() {
  CallHandler(*this, [this] { Browse("KOBITONE.EXE|KOBITONE.EXE", edDst); });
}

void TForm1::btExecClick() {
  CallHandler(*this, [this] { FRun.ExecClick(*this); });
}

void TForm1::FormCreate() {
  CallHandler(*this, [this] { FRun.FormCreate(); });
}

void TForm1::Browse(const char* filter, HWND target) {
  OpenDialog1.FileName.clear();
  OpenDialog1.Filter = filter;
  if (OpenDialog1.Execute(FHandle)) {
    ::SetWindowTextW(target, Utf8ToWide(OpenDialog1.FileName).c_str());
  }
}

std::string TForm1::SourceText() {
  return WindowText(edSrc);
}

std::string TForm1::DestText() {
  return WindowText(edDst);
}

int TForm1::MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
  return FMessageBox(FHandle, Utf8ToWide(text), Utf8ToWide(caption), flags);
}

void TForm1::StartProgram(const std::string& executablePath) {
  FLauncher(executablePath);
}

void TForm1::CloseWindow() {
  // Posted, so the window goes once the run's handler has returned.
  ::PostMessageW(FHandle, WM_CLOSE, 0, 0);
}

}  // namespace popuran::win32
