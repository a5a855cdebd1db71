// The main window: two path fields with their browse buttons and the run button. It only draws
// and forwards: every handler is a thin call into the conversion run, which talks back through
// TUserInterface.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/ConversionRun.h"
#include "app/UserInterface.h"
#include "qt/Dialogs.h"

class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;

namespace popuran::gui {

class TForm1 : public QWidget, public TUserInterface {
  Q_OBJECT

 public:
  // toolDir is the folder for the run's intermediate files.
  explicit TForm1(std::string toolDir);
  ~TForm1() override;

  // The controls; the window owns them as their parent.
  QLineEdit* edSrc = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* btSrc = nullptr;
  QLineEdit* edDst = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* btDst = nullptr;
  QPushButton* btExec = nullptr;
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
  void SetMessageBoxProvider(std::unique_ptr<TMessageBoxProvider> provider);
  // Replaces how the companion program is started.
  using TLauncher = std::function<void(const std::string&)>;
  void SetLauncher(TLauncher launcher);

  // Moves the window so that its outer frame stands in the middle of the primary screen.
  void CentreOnScreen();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Browse(const QString& filter, QLineEdit* target);

  TConversionRun FRun;
  std::unique_ptr<TMessageBoxProvider> FMessageBoxes;
  TLauncher FLauncher;
  bool FShownOnce = false;
  bool FActivatedOnce = false;
  QSize FCentredOuterSize;
};

// The window's font family. It does not exist outside Windows; InstallFontSubstitutes maps it.
inline constexpr const char* kWindowFontFamily = "ＭＳ Ｐゴシック";

// Maps the window's font family onto the metric-compatible Japanese fonts found on Linux
// desktops, IPAPGothic first. Harmless where the family exists.
void InstallFontSubstitutes();

// The window's font at a character height in pixels (internal leading excluded).
QFont WindowFont(int pixelHeight, bool bold = false);

// Where the outer frame's top-left corner goes to centre it on the screen: half the spare room
// on each axis, rounded toward zero, never before the screen's edge.
QPoint CentredPosition(const QRect& screen, const QSize& outerSize);

// The local file path carried by a drag, when it carries one.
std::optional<QString> DroppedPath(const QMimeData* data);

}  // namespace popuran::gui
