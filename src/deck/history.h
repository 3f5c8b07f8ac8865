// The undo ring: 101 snapshots, slot s of every card together forming snapshot s.
#pragma once

#include <cstdint>
#include <vector>

#include "deck/card.h"

// The ring slot the next snapshot goes to, or -1 when none can be recorded.
int32_t nextSnapshotSlot(uint32_t start, int32_t current);
void writeSlot(int32_t slot, Card& card, desk::Window insertAfter);
// Adds the card's move back to the slot to the batch; the batch, or null when it failed.
desk::Batch applySlot(int32_t slot, Card& card, desk::Batch batch);
void takeSnapshot();
// Records the present table in place of the latest snapshot (a first one when there is none).
void replaceLatestSnapshot();
// The latest snapshot takes in the table as it shows after a change that came from outside: such a
// change is no step of the player's, and the next step is told against the table as it was seen.
void takeInOutsideChange();
void undo();
void redo();
// Puts the table back as the present snapshot has it, without moving in the history.
void restoreCurrent();
// Cards about to leave the table: the history, the trails, the remembered order and the current
// card let them go (their windows still exist).
void forgetCards(const std::vector<Card*>& leaving);
