// The sharing dialog: a broker, a table name and passphrase, the player's name; start and stop.
// While the table is shared the panel's caption says so, the state file keeps the player's own
// table (saved as sharing starts), and stopping gives that table back.
#pragma once

#include "desk/windows_win32.h"

#include "share/share_request.h"

void openSharing();
// Shares as the command line asked, once the table is laid: at once with the passphrase from
// RUPONE_PASSPHRASE, else through the dialog, filled in, which asks for it.
void shareAsAsked(const share::ShareRequest& request);
// The program ends while shared: the others see the player leave; the own table stays in the file.
void leaveSharingForClose();
INT_PTR CALLBACK shareDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
