// The two kinds of modal dialog the window shows: the file-open dialog of the browse buttons and
// the message boxes of the run. Each is reached through a small provider interface, so that the
// window's tests can answer them without a person at the screen.
#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

class QFileDialog;
class QMessageBox;
class QWidget;

namespace popuran::gui {

// The file-open dialog's options.
enum class TOpenOption {
  ofHideReadOnly = 0x1,   // no read-only check box
  ofNoChangeDir = 0x2,    // the process's current folder is the same after the dialog
  ofPathMustExist = 0x4,  // only a folder that exists is accepted
  ofFileMustExist = 0x8,  // only a file that exists is accepted
};
Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOpenOptions)

class TOpenDialog;

// Shows a file-open dialog modally and returns the chosen file's full path, or nothing when the
// user cancels.
class TFileDialogProvider {
 public:
  virtual ~TFileDialogProvider() = default;
  virtual std::optional<QString> Execute(QWidget* owner, const TOpenDialog& dialog) = 0;
};

// The file-open dialog that both browse buttons share. Its file name and filter are set before
// each use and stay as they were left afterwards.
class TOpenDialog {
 public:
  TOpenDialog();

  // "description|mask" pairs, joined by "|"; a mask may list several patterns separated by ";".
  QString Filter;
  // The name the dialog opens with; after a confirmed Execute, the chosen file's full path.
  QString FileName;
  TOpenOptions Options;

  // Shows the dialog over owner. True when the user confirmed a file.
  bool Execute(QWidget* owner);

  void SetProvider(std::unique_ptr<TFileDialogProvider> provider);

 private:
  std::unique_ptr<TFileDialogProvider> FProvider;
};

// The name filters for QFileDialog from a "description|mask|..." filter, one per pair. An odd
// last description without a mask is dropped.
QStringList NameFiltersFor(const QString& filter);

// Sets up a QFileDialog for the request: widget-based (so file names match whatever their case,
// as a Windows program's files keep the case their installer gave them), existing files only.
void ConfigureFileDialog(QFileDialog& fileDialog, const TOpenDialog& dialog);

// The real dialog.
class TQtFileDialogProvider : public TFileDialogProvider {
 public:
  std::optional<QString> Execute(QWidget* owner, const TOpenDialog& dialog) override;
};

// Shows a message box owned by owner and returns the button pressed: IDOK or IDCANCEL. The
// flags are the Win32 message box flags of app/UserInterface.h.
class TMessageBoxProvider {
 public:
  virtual ~TMessageBoxProvider() = default;
  virtual int Show(QWidget* owner, const QString& text, const QString& caption,
                   std::uint32_t flags) = 0;
};

// Sets up a QMessageBox for the text, caption and flags: icon, buttons, plain text.
void ConfigureMessageBox(QMessageBox& box, const QString& text, const QString& caption,
                         std::uint32_t flags);

// The real message box.
class TQtMessageBoxProvider : public TMessageBoxProvider {
 public:
  int Show(QWidget* owner, const QString& text, const QString& caption,
           std::uint32_t flags) override;
};

}  // namespace popuran::gui
