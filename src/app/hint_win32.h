// The first-start hint: on a table laid fresh (there was no state file) a small note beside the
// panel says how to begin. Once the player closes it, it does not come back: a marker file beside
// the state file remembers that (the state file keeps its format).
#pragma once

#include <windows.h>

#include <string>

namespace hint {

// The marker's path: the state file's with ".hint" for ".dat"; empty when there is none.
std::wstring markerPath();
// Shows the hint when the table was laid fresh and the hint was never closed.
void showIfFirstStart(HWND panel, bool freshTable);
// The hint while it shows, for the message loop's dialog keys; null otherwise.
HWND window();

}  // namespace hint
