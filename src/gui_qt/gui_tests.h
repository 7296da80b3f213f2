#ifndef VELMORA_GUI_QT_GUI_TESTS_H_
#define VELMORA_GUI_QT_GUI_TESTS_H_

// Each test file of the Qt Test suite runs its test objects here; the numbers of failures add up.
namespace velmora::testkit {
int RunPathChooserTests(int argc, char** argv);
int RunConversionDialogTests(int argc, char** argv);
int RunMainDialogTests(int argc, char** argv);
}  // namespace velmora::testkit

#endif  // VELMORA_GUI_QT_GUI_TESTS_H_
