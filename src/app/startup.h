// Start-up and shutdown steps that belong to the table rather than to the window system.
#pragma once

#include <cstdint>

#include <string>

#include "deck/state_file.h"
#include "desk/desk.h"


struct CardSize {
    int32_t width;
    int32_t height;
};
// The card size of a fresh table: 60 x 88 at 96 DPI, scaled to the display's DPI.
CardSize freshCardSize(uint32_t dpi);

// The table after the state file was tried: the default deck when it was not used, then the
// cycling order and the first snapshot.
void buildTable(bool fromStateFile);

// Whether a keyboard event seen by the thread hook hands the focus to the current card.
bool hookSwitchesToCard(int32_t code, uint32_t vk, uint32_t keyFlags, uint32_t mods, bool panelHasFocus);
// The shell's listeners of the table (the panel, the autosave, the sounds), once for the process.
void installTableListeners();

// The table shown makes way for the one read from path (a new history begins), or for the fresh
// table when data is null; it is kept in path from now on and remembered for the next start.
void replaceTable(const std::u16string& path, const StateData* data);
