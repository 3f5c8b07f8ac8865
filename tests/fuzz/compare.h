// What the fuzz targets compare: two tables' cards and settings.
#pragma once

#include "deck/state_file.h"

inline bool sameCards(const std::vector<StateCard>& a, const std::vector<StateCard>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const StateCard &x = a[i], &y = b[i];
        if (x.suit != y.suit || x.rank != y.rank || x.x != y.x || x.y != y.y || x.faceUp != y.faceUp) return false;
    }
    return true;
}

inline bool sameSettings(const StateData& a, const StateData& b) {
    return a.overlapRatio == b.overlapRatio && a.judgeRecursively == b.judgeRecursively &&
           a.cardWidth == b.cardWidth && a.cardHeight == b.cardHeight && a.drawIndex == b.drawIndex &&
           a.soundOn == b.soundOn && a.overwriteConflicts == b.overwriteConflicts && a.keys == b.keys;
}
