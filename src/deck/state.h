// Saving the table to the state file and building it again from there.
#pragma once

#include "deck/state_file.h"

StateData collectState();
void saveState();
// False, with the table untouched, when there is no usable file.
bool loadState();
// Builds the table from checked file contents.
void applyState(const StateData& data);
