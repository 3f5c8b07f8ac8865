// The table to and from what the state file holds.
#pragma once

#include <cstddef>
#include <functional>

#include "deck/state_file.h"
#include "desk/desk.h"

// The table's settings and its cards, top first (the panel's place is the shell's to fill in).
StateData collectTable();
// Lays the table the data describes: its settings, and a window for each card under owner, made
// from the bottom card up (made is told how many are ready), then placed, shown and stacked in one
// batch. Cards that got no window leave the Deck and are kept as read in unshownCards. The
// listeners hear of the cards that came.
void layTable(const StateData& data, desk::Window owner, const std::function<void(size_t made)>& made);
