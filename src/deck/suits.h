// The suits: one table of how each is kept, stored, sorted, drawn and named.
#pragma once

#include <cstdint>

#include "deck/card.h"

struct Suit {
    char16_t code;        // as the card record keeps it
    uint32_t fileNumber;  // as the state file stores it
    uint32_t sortNumber;  // its place when the table is sorted: joker, ♥, ♠, ♣, ♦
    char16_t glyph;       // drawn on the face; none for the joker
    const char16_t* tip;  // as the tooltip names it
    bool red;
    const char16_t* spoken;  // as a screen reader says it
};

constexpr Suit kSuitTable[] = {
    {kJoker, 0, 0, 0, u"JOKER", false, u"ジョーカー"},
    {kHearts, 1, 1, u'♥', u"♥", true, u"ハート"},
    {kClubs, 2, 3, u'♣', u"♣", false, u"クラブ"},
    {kSpades, 3, 2, u'♠', u"♠", false, u"スペード"},
    {kDiamonds, 4, 4, u'♦', u"♦", true, u"ダイヤ"},
};

// The four suits in the order a deck is laid out and the take-out dialog lists them.
constexpr char16_t kDealtSuits[] = {kHearts, kSpades, kClubs, kDiamonds};

// The suit of a code; null for a code that is none.
constexpr const Suit* suitOf(char16_t code) {
    for (const Suit& s : kSuitTable)
        if (s.code == code) return &s;
    return nullptr;
}

// Any number but the joker's and the first three suits' reads as diamonds.
constexpr char16_t suitFromNumber(uint32_t number) {
    for (const Suit& s : kSuitTable)
        if (s.fileNumber == number) return s.code;
    return kDiamonds;
}

constexpr uint32_t suitToNumber(char16_t code) { return suitOf(code) ? suitOf(code)->fileNumber : 0; }
constexpr bool suitIsRed(char16_t code) { return suitOf(code) && suitOf(code)->red; }
constexpr bool isSuit(char16_t code) { return suitOf(code) && code != kJoker; }
