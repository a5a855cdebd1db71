#include "qt/Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/UserInterface.h"

namespace popuran::gui {

TOpenDialog::TOpenDialog()
    : Options(TOpenOption::ofHideReadOnly | TOpenOption::ofNoChangeDir |
              TOpenOption::ofPathMustExist | TOpenOption::ofFileMustExist),
      FProvider(std::make_unique<TQtFileDialogProvider>()) {}

bool TOpenDialog::Execute(QWidget* owner) {
  const std::optional<QString> chosen = FProvider->Execute(owner, *this);
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}

void TOpenDialog::SetProvider(std::unique_ptr<TFileDialogProvider> provider) {
  FProvider = std::move(provider);
}

QStringList NameFiltersFor(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString masks = parts[i + 1];
    masks.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + masks.simplified() + QLatin1Char(')');
  }
  return filters;
}

void ConfigureFileDialog(QFileDialog& fileDialog, const TOpenDialog& dialog) {
  // The platform's own dialog (GTK on many desktops) matches masks case-sensitively; Qt's own
  // dialog does not, so a "kobitone.exe" still shows under "KOBITONE.EXE".
  fileDialog.setOption(QFileDialog::DontUseNativeDialog, true);
  fileDialog.setFilter(fileDialog.filter() & ~QDir::CaseSensitive);
  fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Qt's dialog has no read-only check box, so ofHideReadOnly needs nothing.
  const bool mustExist =
      dialog.Options.testAnyFlags(TOpenOption::ofFileMustExist | TOpenOption::ofPathMustExist);
  fileDialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  const QStringList filters = NameFiltersFor(dialog.Filter);
  if (!filters.isEmpty()) fileDialog.setNameFilters(filters);
  if (!dialog.FileName.isEmpty()) fileDialog.selectFile(dialog.FileName);
}

namespace {
// Puts the process's current folder back when the dialog is done with it.
class TCurrentDirKeeper {
 public:
  explicit TCurrentDirKeeper(bool active) : FActive(active), FDir(QDir::currentPath()) {}
  ~TCurrentDirKeeper() {
    if (FActive && QDir::currentPath() != FDir) QDir::setCurrent(FDir);
  }
  TCurrentDirKeeper(const TCurrentDirKeeper&) = delete;
  TCurrentDirKeeper& operator=(const TCurrentDirKeeper&) = delete;

 private:
  bool FActive;
  QString FDir;
};
}  // namespace

std::optional<QString> TQtFileDialogProvider::Execute(QWidget* owner, const TOpenDialog& dialog) {
  const TCurrentDirKeeper keeper(dialog.Options.testFlag(TOpenOption::ofNoChangeDir));
  QFileDialog fileDialog(owner);
  ConfigureFileDialog(fileDialog, dialog);
  if (fileDialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = fileDialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.front();
}

void ConfigureMessageBox(QMessageBox& box, const QString& text, const QString& caption,
                         std::uint32_t flags) {
  box.setWindowTitle(caption);
  // Plain text: an error text may carry a path, and a path is no markup.
  box.setTextFormat(Qt::PlainText);
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.setText(shown);
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
      box.setIcon(QMessageBox::Critical);
      break;
    case MB_ICONWARNING:
      box.setIcon(QMessageBox::Warning);
      break;
    case MB_ICONINFORMATION:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  if ((flags & MB_BUTTONMASK) == MB_OKCANCEL) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  box.setDefaultButton(QMessageBox::Ok);
}

int TQtMessageBoxProvider::Show(QWidget* owner, const QString& text, const QString& caption,
                                std::uint32_t flags) {
  QMessageBox box(owner);
  ConfigureMessageBox(box, text, caption, flags);
  box.exec();
  // A box with OK alone answers OK however it is closed; otherwise only OK itself is OK.
  if ((flags & MB_BUTTONMASK) != MB_OKCANCEL) return IDOK;
  return box.clickedButton() == box.button(QMessageBox::Ok) ? IDOK : IDCANCEL;
}

}  // namespace popuran::gui
