#ifndef VELMORA_APP_SCREENSHOT_TOUR_H_
#define VELMORA_APP_SCREENSHOT_TOUR_H_

#include <QString>

namespace velmora {

// Writes PNG pictures of the program's dialogs into `folder` for the README: the main dialog,
// the About dialog, the CART/ICR2 conversion dialog listing the tracks of a sample installation,
// the directory chooser on the sample GPL folder, and the message box that ends a conversion of
// a sample track. The sample installations are written into a temporary folder and removed
// afterwards; the user's settings are not touched. Returns the number of pictures not written.
int TakeScreenshots(const QString& folder);

}  // namespace velmora

#endif  // VELMORA_APP_SCREENSHOT_TOUR_H_
