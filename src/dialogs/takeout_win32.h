// The take-out and put-away dialog: cards of chosen suits and ranks onto the table, chosen cards
// off it for good.
#pragma once

#include "desk/windows_win32.h"

// Runs the dialog over the panel; nothing when one is open already.
void openTakeOut();
INT_PTR CALLBACK takeOutDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
