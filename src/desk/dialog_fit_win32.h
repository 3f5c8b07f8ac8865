// Text that fits: a dialog measures each of its texts (statics, check boxes, radio and push buttons)
// with its own font when it opens, and gives a text that would be cut or broken the room it needs.
// A control is widened where there is room beside it; otherwise its text wraps and the control
// grows downwards, pushing what lies below it in its group (and everything below the group) down,
// and the dialog grows with it. Where every text fits, nothing moves.
#pragma once

#include <windows.h>

namespace dialogfit {

void fitTexts(HWND dialog);

}  // namespace dialogfit
