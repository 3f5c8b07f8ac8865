#include "faces/face_text.h"

std::u16string rankText(int32_t rank) {
    switch (rank) {
    case 1: return u"A";
    case 11: return u"J";
    case 12: return u"Q";
    case 13: return u"K";
    case 10: return u"10";
    default:
        if (rank >= 2 && rank <= 9) return std::u16string(1, static_cast<char16_t>(u'0' + rank));
        return {};
    }
}

std::u16string decimalText(uint64_t v) {
    std::u16string s;
    do {
        s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
        v /= 10;
    } while (v);
    return s;
}
