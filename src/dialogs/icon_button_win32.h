// Push buttons that paint themselves as usual and then draw their command's icon centred on top.
#pragma once

#include "desk/windows_win32.h"

extern const int kIconButtons[12];
LRESULT CALLBACK iconButtonProc(HWND button, UINT msg, WPARAM wp, LPARAM lp);
int iconForButton(int controlId);  // 0 when the button has none
