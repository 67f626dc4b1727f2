// Resource identifiers of the main dialog: its template, its icon and its
// controls. The program's resource script, the dialog, the tests and outside
// drivers all take them from here.
#pragma once

#define IDR_MAINFRAME 162

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ZEMREMOVE_DIALOG 102
#define IDC_REMOVE_ALL 1007
#define IDC_PRODUCT_LIST 1025
#define IDC_REMOVE 1026
#define IDC_LOG 1031
