// The card window class of the Win32 shell.
#pragma once

#include "desk/windows_win32.h"

#include "deck/card.h"
#include "desk/accessible_win32.h"

extern const wchar_t kCardClassName[];
void registerCardClass();
// The one tooltip control that every card window is a tool of; owned by the cards' owner window,
// it goes with it.
void createCardTooltip();
LRESULT CALLBACK cardWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
Card* cardOf(HWND hwnd);
// What screen readers read of the card: its name, pile, role and state.
a11y::Facts cardFacts(const Card& card);
void onDropFiles(HWND hwnd, Card& card, HDROP drop);
// The rounded shape of a card of this size, in window coordinates.
HRGN createCardRegion(int width, int height);
bool sameRegion(HRGN a, HRGN b);
