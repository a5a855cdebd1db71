// The two kinds of modal dialog the window shows: the file-open dialog of the browse buttons
// and the message boxes of the run. Each goes through a replaceable function, so that the
// window's tests can answer them without a person at the screen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "win32/Win32.h"

namespace popuran::win32 {

// The file-open dialog's options, with the values of the OFN_ flags they stand for.
enum TOpenOption : DWORD {
  ofHideReadOnly = OFN_HIDEREADONLY,    // no read-only check box
  ofNoChangeDir = OFN_NOCHANGEDIR,      // the current folder is the same after the dialog
  ofPathMustExist = OFN_PATHMUSTEXIST,  // only a folder that exists is accepted
  ofFileMustExist = OFN_FILEMUSTEXIST,  // only a file that exists is accepted
};

// Shows a prepared OPENFILENAMEW; true when the user confirmed a file (GetOpenFileNameW).
using TOpenFileFunction = std::function<bool(OPENFILENAMEW&)>;

// The file-open dialog that both browse buttons share. Its file name and filter are set before
// each use and stay as they were left afterwards.
class TOpenDialog {
 public:
  TOpenDialog();

  // "description|mask" pairs joined by "|", UTF-8.
  std::string Filter;
  // The name the dialog opens with; after a confirmed Execute, the chosen file's full path.
  std::string FileName;
  DWORD Options;

  // Shows the dialog owned by owner. True when the user confirmed a file.
  bool Execute(HWND owner);

  void SetOpenFileFunction(TOpenFileFunction function) { FOpenFile = std::move(function); }

 private:
  TOpenFileFunction FOpenFile;
};

// The filter in the dialog's form: every "|" becomes a NUL, and the list ends in two NULs.
std::wstring DialogFilter(const std::string& filter);

// Shows a message box and returns the button pressed (MessageBoxW).
using TMessageBoxFunction = std::function<int(HWND owner, const std::wstring& text,
                                              const std::wstring& caption, UINT flags)>;

TMessageBoxFunction SystemMessageBox();

}  // namespace popuran::win32
