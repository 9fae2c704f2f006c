// The desktop program: the Qt window host and the program over it.
#include <QApplication>

#include "files/exe_dir.h"
#include "platform/qt/qt_platform.h"
#include "ui/app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  qx::QtPlatform platform;
  qx::App program(platform, qx::executableDirectory());
  return program.WinMain();
}
