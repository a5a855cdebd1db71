// The native main window: its layout, fonts and keys, the browse dialog's request, and a run
// through the window with the message boxes answered by the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "demo/DemoArchive.h"
#include "platform/Error.h"
#include "platform/Utf16.h"
#include "support/TempDir.h"
#include "win32/Unit1.h"
// after the window's headers, which bring in windows.h their own way
#include <shlobj.h>

namespace popuran::win32 {
namespace {

namespace fs = std::filesystem;

struct TShownBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT flags;
};

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm1>(dir.Path().string());
    form->SetMessageBoxFunction(
        [this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
          boxes.push_back({owner, WideToUtf8(text), WideToUtf8(caption), flags});
          return answer;
        });
    form->SetLauncher([this](const std::string& path) { started.push_back(path); });
    ASSERT_TRUE(form->Create(::GetModuleHandleW(nullptr), nullptr));
  }

  // Runs the window's part of a message loop until nothing is left to do.
  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      if (form->PreTranslateMessage(message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }

  // A key as the loop would deliver it to the control that has it.
  void PressKey(HWND control, WPARAM key) {
    MSG down{control, WM_KEYDOWN, key, 1, 0, {}};
    if (!form->PreTranslateMessage(down)) ::DispatchMessageW(&down);
    MSG up{control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u), 0, {}};
    if (!form->PreTranslateMessage(up)) ::DispatchMessageW(&up);
    Pump();
  }

  static void SetText(HWND control, const std::string& text) {
    ::SetWindowTextW(control, Utf8ToWide(text).c_str());
  }

  test::TTempDir dir;
  std::unique_ptr<TForm1> form;
  std::vector<TShownBox> boxes;
  std::vector<std::string> started;
  int answer = IDOK;
};

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

RECT ClientPlace(HWND control) {
  RECT place;
  ::GetWindowRect(control, &place);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
  ::GetObjectW(handle, sizeof font, &font);
  return font;
}

TEST_F(MainWindowTest, WindowAndControlsStandWhereTheFormSaysWithTheirFonts) {
  const HWND window = form->Handle();
  EXPECT_EQ(ClassOf(window), L"TForm1");
  EXPECT_EQ(WindowText(window), kApplicationTitle);
  RECT client;
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, 514);
  EXPECT_EQ(client.bottom, 168);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);  // fixed size
  EXPECT_FALSE(style & (WS_HSCROLL | WS_VSCROLL));
  RECT outer;
  ::GetWindowRect(window, &outer);
  const POINT centred =
      CentredPosition({::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)},
                      {outer.right - outer.left, outer.bottom - outer.top});
  EXPECT_EQ(outer.left, centred.x);
  EXPECT_EQ(outer.top, centred.y);

  const struct {
    HWND control;
    const wchar_t* className;
    RECT place;  // left, top, right, bottom
    const char* text;
    LONG fontHeight;
    bool bold;
    bool tabStop;
  } controls[] = {
      {form->Label1,
       L"Static",
       {8, 8, 377, 25},
       "ToHeart2 データファイルのあるパス",
       17,
       false,
       false},
      {form->Label2,
       L"Static",
       {8, 64, 377, 81},
       "窓辺のこびと実行ファイルのあるパス",
       17,
       false,
       false},
      {form->edSrc, L"Edit", {8, 32, 465, 57}, "", 17, false, true},
      {form->btSrc, L"Button", {472, 32, 505, 57}, "...", 15, false, true},
      {form->edDst,
       L"Edit",
       {8, 88, 465, 113},
       "C:\\Program FIles\\Kobitone\\Kobitone.exe",
       17,
       false,
       true},
      {form->btDst, L"Button", {472, 88, 505, 113}, "...", 15, false, true},
      {form->btExec, L"Button", {200, 128, 313, 161}, "実　　行", 18, true, true},
  };
  for (const auto& c : controls) {
    ASSERT_NE(c.control, nullptr) << c.text;
    EXPECT_EQ(_wcsicmp(ClassOf(c.control).c_str(), c.className), 0) << c.text;
    const RECT place = ClientPlace(c.control);
    EXPECT_EQ(place.left, c.place.left) << c.text;
    EXPECT_EQ(place.top, c.place.top) << c.text;
    EXPECT_EQ(place.right, c.place.right) << c.text;
    EXPECT_EQ(place.bottom, c.place.bottom) << c.text;
    EXPECT_EQ(WindowText(c.control), c.text);
    const LOGFONTW font = FontOf(c.control);
    // A negative height: the character height without the internal leading.
    EXPECT_EQ(font.lfHeight, -c.fontHeight) << c.text;
    EXPECT_EQ(font.lfWeight >= FW_BOLD, c.bold) << c.text;
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET) << c.text;
    EXPECT_EQ(WideToUtf8(font.lfFaceName), "ＭＳ Ｐゴシック") << c.text;
    const auto controlStyle = static_cast<DWORD>(::GetWindowLongPtrW(c.control, GWL_STYLE));
    EXPECT_EQ((controlStyle & WS_TABSTOP) != 0, c.tabStop) << c.text;
    // Neither a default nor a cancel button.
    if (c.className == std::wstring(L"Button")) {
      EXPECT_EQ(controlStyle & 0x0F, static_cast<DWORD>(BS_PUSHBUTTON)) << c.text;
    }
  }
}

TEST(CentredPosition, HalvesTheSpareRoomTowardZeroAndNeverLeavesTheScreen) {
  const struct {
    SIZE screen;
    SIZE outer;
    POINT at;
  } cases[] = {
      {{1024, 768}, {520, 197}, {252, 285}},
      {{1025, 769}, {521, 198}, {252, 285}},
      {{400, 100}, {520, 197}, {0, 0}},
      {{520, 197}, {520, 197}, {0, 0}},
  };
  for (const auto& c : cases) {
    const POINT at = CentredPosition(c.screen, c.outer);
    EXPECT_EQ(at.x, c.at.x) << c.screen.cx;
    EXPECT_EQ(at.y, c.at.y) << c.screen.cy;
  }
}

TEST_F(MainWindowTest, TabWalksTheFieldsAndButtonsInOrderAndEnterOrEscPressNothing) {
  const HWND window = form->Handle();
  const HWND order[] = {form->edSrc, form->btSrc, form->edDst, form->btDst, form->btExec};
  for (std::size_t i = 0; i < std::size(order); ++i) {
    EXPECT_EQ(::GetNextDlgTabItem(window, order[i], FALSE), order[(i + 1) % std::size(order)]) << i;
  }
  form->Show(SW_SHOWNORMAL);
  Pump();
  EXPECT_EQ(::GetFocus(), form->edSrc);

  // edSrc names no file: a run would warn at once, so any press shows as a message box.
  for (const HWND field : {form->edSrc, form->edDst}) {
    ::SetFocus(field);
    PressKey(field, VK_RETURN);
    PressKey(field, VK_ESCAPE);
  }
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(::IsWindow(window));

  // A focused button is pressed by Enter, as in any dialog.
  ::SetFocus(form->btExec);
  PressKey(form->btExec, VK_RETURN);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kIndexNotFoundText);
}

TEST_F(MainWindowTest, BrowsingAsksForExactlyOneNameAndKeepsTheFieldOnCancel) {
  struct TRequest {
    HWND owner;
    std::wstring filter;
    std::wstring initialName;
    DWORD flags;
    bool unsetDefaults;
  };
  std::vector<TRequest> requests;
  std::wstring chosen;  // empty: the user cancels
  form->OpenDialog1.SetOpenFileFunction([&](OPENFILENAMEW& request) {
    const wchar_t* filter = request.lpstrFilter;
    std::wstring whole;
    while (*filter != L'\0') {  // up to the double NUL
      const std::wstring part(filter);
      whole += part + L'|';
      filter += part.size() + 1;
    }
    requests.push_back({request.hwndOwner, whole, request.lpstrFile, request.Flags,
                        request.lpstrTitle == nullptr && request.lpstrInitialDir == nullptr &&
                            request.lpstrDefExt == nullptr});
    if (chosen.empty()) return false;
    if (chosen.size() >= request.nMaxFile) return false;
    std::copy(chosen.begin(), chosen.end(), request.lpstrFile);
    request.lpstrFile[chosen.size()] = L'\0';
    return true;
  });

  SetText(form->edSrc, "typed by hand");
  form->btSrcClick();
  EXPECT_EQ(WindowText(form->edSrc), "typed by hand");

  chosen = Utf8ToWide("D:\\ゲーム\\TH2Data.000");
  form->btSrcClick();
  EXPECT_EQ(WindowText(form->edSrc), "D:\\ゲーム\\TH2Data.000");
  chosen = L"C:\\Kobitone\\KOBITONE.EXE";
  form->btDstClick();
  EXPECT_EQ(WindowText(form->edDst), "C:\\Kobitone\\KOBITONE.EXE");
  form->btSrcClick();

  const DWORD flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  ASSERT_EQ(requests.size(), 4u);
  const wchar_t* filters[] = {L"TH2Data.000|TH2Data.000|", L"TH2Data.000|TH2Data.000|",
                              L"KOBITONE.EXE|KOBITONE.EXE|", L"TH2Data.000|TH2Data.000|"};
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].owner, form->Handle()) << i;
    EXPECT_EQ(requests[i].filter, filters[i]) << i;
    // Every browse starts from an empty name, also after a file was chosen.
    EXPECT_EQ(requests[i].initialName, L"") << i;
    EXPECT_EQ(requests[i].flags, flags) << i;
    EXPECT_TRUE(requests[i].unsetDefaults) << i;
  }
}

// A drop of files as the shell delivers it: a DROPFILES block followed by the names, each
// ending in a NUL, the list in a second one.
HGLOBAL MakeDrop(POINT at, const std::vector<std::wstring>& names) {
  std::wstring list;
  for (const std::wstring& name : names) list += name + L'\0';
  list += L'\0';
  const std::size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  const HGLOBAL memory = ::GlobalAlloc(GHND, size);
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = at;
  drop->fWide = TRUE;
  std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(drop + 1));
  ::GlobalUnlock(memory);
  return memory;
}

TEST_F(MainWindowTest, AFileDroppedOnAFieldReplacesItsText) {
  const auto dropAt = [this](POINT at, const std::vector<std::wstring>& names) {
    ::SendMessageW(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(at, names)), 0);
  };
  const std::string before = WindowText(form->edDst);
  dropAt({100, 40}, {Utf8ToWide("D:\\ゲーム\\TH2Data.000"), L"D:\\other"});
  EXPECT_EQ(WindowText(form->edSrc), "D:\\ゲーム\\TH2Data.000");
  EXPECT_EQ(WindowText(form->edDst), before);
  dropAt({100, 100}, {L"C:\\Kobitone\\KOBITONE.EXE"});
  EXPECT_EQ(WindowText(form->edDst), "C:\\Kobitone\\KOBITONE.EXE");
  // On a label or the run button: nothing changes, nothing runs.
  dropAt({20, 12}, {L"C:\\x"});
  dropAt({250, 140}, {L"C:\\x"});
  EXPECT_EQ(WindowText(form->edSrc), "D:\\ゲーム\\TH2Data.000");
  EXPECT_EQ(WindowText(form->edDst), "C:\\Kobitone\\KOBITONE.EXE");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, ACompletedRunStartsTheCompanionAndClosesTheWindow) {
  const demo::TDemoPaths paths = demo::WriteDemoArchive(dir / "demo");
  SetText(form->edSrc, paths.indexFile);
  SetText(form->edDst, paths.companionExe);
  const HWND window = form->Handle();
  ::SendMessageW(form->btExec, BM_CLICK, 0, 0);

  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, ConfirmationText());
  EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING));
  EXPECT_EQ(boxes[1].text, kCompletedText);
  EXPECT_EQ(boxes[1].flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
  for (const TShownBox& box : boxes) {
    EXPECT_EQ(box.owner, window);
    EXPECT_EQ(box.caption, kMessageCaption);
  }
  EXPECT_EQ(started, std::vector<std::string>{paths.companionExe});
  EXPECT_TRUE(fs::exists(dir.Path() / "demo" / "Kobitone" / "B" / "000.NAD"));
  // The window closes once the handler has returned.
  EXPECT_TRUE(::IsWindow(window));
  Pump();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(form->Handle(), nullptr);
}

TEST_F(MainWindowTest, AnErrorGetsTheApplicationsReportAndTheWindowStays) {
  // An index that promises an entry it does not hold: the run ends with the read error.
  test::WriteBytes(dir / "TH2Data.000", {'P', 'A', 'C', 'K', 1, 0, 0, 0});
  test::WriteBytes(dir / "TH2Data.001", {});
  test::WriteBytes(dir / "Run.exe", {'M', 'Z'});
  SetText(form->edSrc, dir / "TH2Data.000");
  SetText(form->edDst, dir / "Run.exe");
  form->btExecClick();
  Pump();

  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, std::string(kReadErrorText) + ".");
  EXPECT_EQ(boxes[1].caption, kApplicationTitle);
  EXPECT_EQ(boxes[1].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_TRUE(started.empty());
  EXPECT_TRUE(::IsWindow(form->Handle()));
  // The archive is free again: another run can open it.
  const HANDLE index = ::CreateFileW(Utf8ToWide(dir / "TH2Data.000").c_str(), GENERIC_READ, 0,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(index, INVALID_HANDLE_VALUE);
  ::CloseHandle(index);
}

}  // namespace
}  // namespace popuran::win32
