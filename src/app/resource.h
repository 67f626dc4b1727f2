// Resource identifiers of the program. The tests and outside drivers find the
// dialog's controls by these ids.
#pragma once

#define IDR_MAINFRAME 162

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The main dialog and its controls.
#define IDD_ZEMREMOVE_DIALOG 102
#define IDC_REMOVE_ALL 1007
#define IDC_PRODUCT_LIST 1025
#define IDC_REMOVE 1026
#define IDC_LOG 1031
