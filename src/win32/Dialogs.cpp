#include "win32/Dialogs.h"

#include <algorithm>
#include <vector>

#include "platform/Utf16.h"

namespace popuran::win32 {

namespace {
// Room for a long path (the system's longest) and its NUL.
constexpr std::size_t kFileNameCapacity = 32768;
}  // namespace

TOpenDialog::TOpenDialog()
    : Options(ofHideReadOnly | ofNoChangeDir | ofPathMustExist | ofFileMustExist),
      FOpenFile([](OPENFILENAMEW& request) { return ::GetOpenFileNameW(&request) != FALSE; }) {}

std::wstring DialogFilter(const std::string& filter) {
  std::wstring wide = Utf8ToWide(filter);
  for (wchar_t& c : wide) {
    if (c == L'|') c = L'\0';
  }
  // One NUL ends the last string, the second ends the list.
  wide.push_back(L'\0');
  wide.push_back(L'\0');
  return wide;
}

bool TOpenDialog::Execute(HWND owner) {
  const std::wstring filter = DialogFilter(Filter);
  std::vector<wchar_t> file(kFileNameCapacity, L'\0');
  const std::wstring initial = Utf8ToWide(FileName);
  if (initial.size() < file.size()) std::copy(initial.begin(), initial.end(), file.begin());

  // Title, initial folder and default extension stay unset: the system's defaults apply.
  OPENFILENAMEW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpstrFilter = filter.c_str();
  request.nFilterIndex = 1;
  request.lpstrFile = file.data();
  request.nMaxFile = static_cast<DWORD>(file.size());
  request.Flags = Options;
  if (!FOpenFile(request)) return false;
  FileName = WideToUtf8(file.data());
  return true;
}

TMessageBoxFunction SystemMessageBox() {
  return [](HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
  };
}

}  // namespace popuran::win32
