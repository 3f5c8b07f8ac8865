// The undo ring: 101 snapshots, slot s of every card together forming snapshot s.
#pragma once

#include <cstdint>

#include "deck/card.h"

// The ring slot the next snapshot goes to, or -1 when none can be recorded.
int32_t nextSnapshotSlot(uint32_t start, int32_t current);
void writeSlot(int32_t slot, Card& card, desk::Window insertAfter);
void takeSnapshot();
