// The Qt Test suite of the dialog program. Runs offscreen (QT_QPA_PLATFORM=offscreen).

#include <QApplication>

#include "gui_qt/gui_tests.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failures = 0;
  failures += velmora::testkit::RunPathChooserTests(argc, argv);
  failures += velmora::testkit::RunConversionDialogTests(argc, argv);
  failures += velmora::testkit::RunMainDialogTests(argc, argv);
  return failures == 0 ? 0 : 1;
}
