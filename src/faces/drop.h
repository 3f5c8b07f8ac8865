// Giving cards pictures by dropping image files on them: the file is copied into the program's
// folder under the name that says which cards it is for, after the files that would conflict with
// that have been deleted (asked or not), and the cards concerned are drawn again at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "deck/card.h"

// Every existing face file that the choice (the assignment menu's id, 0 for a face-down card)
// would replace or that would come first in the lookup for the cards concerned; at most 71.
std::vector<std::u16string> collectConflicts(const Card& card, uint32_t choice);
// Delete (IDM_RP_DELETE) or keep (IDM_RP_KEEP) one conflicting file; the card may remember "always".
uint32_t askConflict(Card& card, const std::u16string& path);
// The first dropped file, as the card window received it.
void dropPicture(Card& card, const std::u16string& dropped);
// Told when the dropped file's path does not fit a path buffer: it is never cut short and copied.
extern const char16_t kDroppedPathTooLong[];
