// The Windows dialog program's test suite: the common controls the templates use are
// registered before the first dialog opens, as the program does.

#include <windows.h>
//
#include <commctrl.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
