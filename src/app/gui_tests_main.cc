// The Qt Test suite of the dialog program. Runs offscreen (QT_QPA_PLATFORM=offscreen).

#include <QApplication>

#include "dialogs/gui_tests.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failures = 0;
  failures += velmora::testing::RunPathChooserTests(argc, argv);
  failures += velmora::testing::RunConversionDialogTests(argc, argv);
  failures += velmora::testing::RunMainDialogTests(argc, argv);
  return failures == 0 ? 0 : 1;
}
