#include "cards/tooltips.h"

// The tooltips come with their own window; until then a gesture's end has nothing to pop up.
void popUpTip(Card&) {}
