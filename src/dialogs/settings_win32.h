// The settings dialog (card size, drawing, sound, conflicts, the 18 key rows) and its printout.
#pragma once

#include <string>
#include <vector>

#include "desk/windows_win32.h"
#include "deck/keys.h"

// The product version of the program's own file, "1, 0, 0, 0" read as "1.0.0"; empty without one.
std::u16string productVersionText();
// Caption "ルポネ " + version + suffix; without a version the template's caption stays.
void setDialogCaption(HWND dialog, const wchar_t* suffix);

// Runs the dialog over the panel and puts what it leaves pending into effect.
void openSettings();
INT_PTR CALLBACK settingsDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// The layout's names of the 92 selectable keys, in their order (at most 15 characters each).
std::vector<std::u16string> buildKeyNames();
// "なし" and, when names are given, the 92 keys with their virtual-key codes as item data.
void fillKeyRow(HWND dlg, int comboId, const std::vector<std::u16string>& names);
void selectKeyRow(HWND dlg, KeyAction row, KeyBinding binding, bool withKeys);
KeyBinding readKeyRow(HWND dlg, KeyAction row);

// Prints a picture of the dialog, frame and caption included, enlarged to fill one page.
void printSettingsWindow(HWND dialog);
// Draws the window onto a page of the given size in device pixels, whole-number enlarged and
// centred; false when the window cannot be captured.
bool drawWindowOnPage(HWND window, HDC page, int pageWidth, int pageHeight);
// The message box for a print dialog that failed with this result.
void showPrintError(HWND dialog, HRESULT result);
