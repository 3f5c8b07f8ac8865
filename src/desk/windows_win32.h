// The Windows headers, included first by every Win32 shell file.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <imm.h>
#include <mmsystem.h>
#include <shellapi.h>

#include "desk/desk.h"

inline HWND toHwnd(desk::Window w) { return reinterpret_cast<HWND>(w); }
inline desk::Window toWindow(HWND h) { return reinterpret_cast<desk::Window>(h); }

namespace desk {
bool runningUnderWine();
// Brings a card window that has just become active to the top, as Windows does with every
// activation; Wine activates a clicked window where it stands.
void raiseActivated(HWND h);
// A message box of the program's. Under Wine, when it goes, X gives its focus to the window under
// the pointer, and Wine activates that window: a card that becomes active that way stays where it
// lies (it is not raised), and the window that was active before the box is active again.
int messageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);
// Puts a hidden tooltip at the bottom of the window list (just above its owner, as owned windows
// stay above their owner), where it stays until its control shows it again, top-most. Under Wine,
// making or raising a window costs a server request for every hidden window above it.
void putTipAway(HWND tip);
}  // namespace desk
