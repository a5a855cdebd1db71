// popuran: the window program that makes the companion program's character set.
#include <QApplication>

#include "platform/Paths.h"
#include "qt/StartUp.h"
#include "qt/Unit1.h"

int main(int argc, char** argv) {
  popuran::gui::PrepareDisplayEnvironment();
  QApplication application(argc, argv);
  popuran::gui::PrepareApplication();
  popuran::gui::TForm1 Form1(popuran::DefaultToolDir());
  Form1.show();
  return application.exec();
}
