// Resource identifiers shared by the resource scripts and the code.
#pragma once

#define IDD_RATE_DIALOG  102
#define IDR_MAINFRAME    128
#define IDC_HISTORY_LIST 1000
#define IDC_AVERAGE_EDIT 1001

// The main dialog's caption: other programs find the dialog by it.
#define RATE_DIALOG_CAPTION "Ombrix's DirectInput Tavrel"
