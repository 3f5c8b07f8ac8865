// Composing card faces into canvases and painting them.
#pragma once

#include "desk/windows_win32.h"

#include "deck/card.h"

// The card's front (shared with every card that looks the same) or the table's back, composed for
// the present size and settings.
bool composeFace(Card& card, bool front);
// Composes the card's front or the shared back again, at the present card size; a face not drawn yet
// waits for its first paint.
void recomposeFace(Card& card, bool front);
// The card no longer shows its shared front; the last card to let a front go frees it.
void releaseFront(Card& card);
size_t sharedFrontCount();
void drawIndices(HDC dc, const Card& card);
int widestGlyph(const wchar_t* text, HDC dc);
void drawMarkedFrame(HDC dc);
void drawFocusFrame(HDC dc);
// The card as the screen shows it: the canvas (the part in rect) and the overlays.
void paintContent(const Card& card, HDC dc, const RECT& rect, bool focused);
void paintCard(Card& card);
