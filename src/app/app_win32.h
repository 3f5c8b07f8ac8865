// Process-wide values of the Win32 shell and the control panel's procedure.
#pragma once

#include "desk/accessible_win32.h"

#include "desk/windows_win32.h"

#include <string>

extern HINSTANCE appInstance;
extern decltype(&::GradientFill) gradientFillFn;  // null when msimg32 lacks it
extern decltype(&::AlphaBlend) alphaBlendFn;

extern const wchar_t kProgramName[];  // caption of start-up and shutdown errors, and the mutex
extern const wchar_t kHelpFile[];     // "ルポネ.chm", looked up along the search path

// Looks up GradientFill and AlphaBlend in msimg32.dll; each stays null when missing.
HMODULE loadOptionalEntryPoints();
void freeOptionalEntryPoints(HMODULE msimg);

INT_PTR CALLBACK panelDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK keyboardHookProc(int code, WPARAM wp, LPARAM lp);
// Runs the program: mutex, panel, message loop. Returns the exit code.
int runTable(HINSTANCE instance);

// What screen readers read of a control of the panel: its tooltip text as its name, its role,
// whether it can be used (and is checked, or where its thumb stands).
a11y::Facts panelControlFacts(HWND control);
