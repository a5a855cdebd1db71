#include "qt/StartUp.h"

#include <QGuiApplication>
#include <QPixmap>

#include "app/Messages.h"
#include "qt/Unit1.h"

namespace popuran::gui {

namespace {
#include "qt/popuran.xpm"
}  // namespace

void PrepareDisplayEnvironment() {
  // The layout is in device pixels; a scaled desktop must not enlarge it.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

void PrepareApplication() {
  // The title equals the window's caption, so it is not appended to the caption a second time.
  QGuiApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
  QGuiApplication::setWindowIcon(ApplicationIcon());
  InstallFontSubstitutes();
}

QIcon ApplicationIcon() {
  return QIcon(QPixmap(popuran_xpm));
}

}  // namespace popuran::gui
