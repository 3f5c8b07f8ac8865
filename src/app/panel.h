// The control panel's overlap controls, as the table sees them.
#pragma once

#include <cstdint>

#include "desk/desk.h"

// A new trackbar position; anything above 100 (read unsigned) counts as 100.
void overlapRatioChanged(uint32_t position);
void recursiveChanged(bool checked);
// The trackbar needs moving when it does not show the stored ratio.
bool trackbarNeedsRatio(int32_t position);
bool workArea(desk::Rect& out);
// The turn-all buttons: face up while some card is face down, face down while some is face up.
void updateFaceButtons();
// The panel follows the table: its undo, redo and turn-all buttons.
void listenForPanel();
// Where the panel goes: centred on the pointer, 10 pixels inside the work area, right and bottom
// limits winning when the area is too small.
desk::Point placePanel(desk::Point pointer, int32_t width, int32_t height, const desk::Rect& work);
