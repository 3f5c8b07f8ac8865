// Moving card windows: carrying a group, stacking it beneath its lead card, key steps, and one
// step of gathering or spreading. Every group move is one batch.
#pragma once

#include <cstdint>

#include "deck/card.h"
#include "desk/desk.h"

bool cardWorkArea(const Card& card, desk::Rect& out);
void dragGroup(Card& lead, desk::Point pointer);
void stackUnder(Card& lead, bool recompute);
void moveCardByKey(Card& card, uint32_t direction, bool firstPress);
void movePileByKey(Card& card, uint32_t direction, bool firstPress);
void gatherSpreadStep(Card& centre, bool spread);
