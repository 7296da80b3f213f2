#ifndef VELMORA_GUI_WIN32_RESOURCE_IDS_H_
#define VELMORA_GUI_WIN32_RESOURCE_IDS_H_

// Identifiers of the resources in velmora-gui.rc, shared by the script and the views. Plain
// macros: the resource compiler reads this file with the C preprocessor. The controls inside
// the dialogs carry the identifiers of dialogs/dialog_texts.h.

#define VELMORA_IDI_PROGRAM 128

#define VELMORA_IDD_MAIN 100
#define VELMORA_IDD_ABOUT 101
#define VELMORA_IDD_CART 102
#define VELMORA_IDD_N2 103
#define VELMORA_IDD_N3 104
#define VELMORA_IDD_NL 105
#define VELMORA_IDD_CHOOSER 106

#endif  // VELMORA_GUI_WIN32_RESOURCE_IDS_H_
