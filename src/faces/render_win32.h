// Composing card faces into canvases and painting them.
#pragma once

#include "desk/windows_win32.h"

#include "deck/card.h"

bool createFaceCanvas(Card& card, bool front, HDC windowDC);
bool composeFace(Card& card, bool front);
void drawIndices(HDC dc, const Card& card);
int widestGlyph(const wchar_t* text, HDC dc);
void drawMarkedFrame(HDC dc);
void drawFocusFrame(HDC dc);
// The card as the screen shows it: the canvas (the part in rect) and the overlays.
void paintContent(const Card& card, HDC dc, const RECT& rect, bool focused);
void paintCard(Card& card);
