#include "app/panel.h"

#include "app/table.h"
#include "cards/card_window.h"

void overlapRatioChanged(uint32_t position) {
    uint32_t ratio = position > 100 ? 100 : position;
    if (ratio == table.overlapRatio) return;
    table.overlapRatio = ratio;
    if (table.currentCard) refreshMarks(*table.currentCard);
}

void recursiveChanged(bool checked) {
    uint32_t value = checked ? 1 : 0;
    if (value == table.judgeRecursively) return;
    table.judgeRecursively = value;
    if (table.currentCard) refreshMarks(*table.currentCard);
}

bool trackbarNeedsRatio(int32_t position) { return static_cast<uint32_t>(position) != table.overlapRatio; }

bool workArea(desk::Rect& out) { return table.panel && desk::workAreaNear(table.panel, out); }
