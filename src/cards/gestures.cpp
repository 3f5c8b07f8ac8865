// Mouse and keyboard operation of cards. The gestures arrive with card movement and the history;
// until then a card takes these messages and does nothing with them.
#include "cards/card_window.h"

void onLeftPress(Card&, int32_t, int32_t) {}
void onLeftRelease(Card&, int32_t, int32_t) {}
void onLeftDoubleClick(Card&, int32_t, int32_t) {}
void onRightPress(Card&, int32_t, int32_t) {}
void onRightRelease(Card&, int32_t, int32_t) {}
void onRightDoubleClick(Card&, int32_t, int32_t) {}
void onMiddlePress(Card&, int32_t, int32_t) {}
void onMiddleRelease(Card&, int32_t, int32_t) {}
void onMouseMove(Card&, int32_t, int32_t) {}
void onCaptureChanged(Card&) {}
void onTimer(Card&, uintptr_t) {}
void onKeyDown(Card&, uint32_t, uint32_t) {}
void onKeyUp(Card&, uint32_t, uint32_t) {}
