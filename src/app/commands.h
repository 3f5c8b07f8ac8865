// The control panel's table-wide commands.
#pragma once

#include <cstdint>

void turnAllFaceUp();
void turnAllFaceDown();
void scatter();
void gather();
// Deals every card into the given number of piles (2 to 10) on a circle.
void divide(int32_t piles);
void shufflePile();
void sequenceAll();
// The key the sequence command sorts by: suit (joker, hearts, spades, clubs, diamonds), then rank.
uint32_t sequenceKey(char16_t suit, int32_t rank);
// Puts the settings dialog's pending card size, drawing and sound into effect, keeping the
// stacking, and saves the table whatever changed.
void applySettings();
