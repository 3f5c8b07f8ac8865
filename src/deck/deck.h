// Deck-wide operations: finding this program's card windows, letting all cards go.
#pragma once

#include <cstdint>
#include <vector>

#include "deck/card.h"
#include "desk/desk.h"

// This program's card windows in z-order, top first.
std::vector<desk::Window> listCardWindows();
bool isCardWindowTitle(const char16_t* title, size_t length);
