// What the corner indices of a front say, for any rank and suit a card may hold, and numbers as
// the table's texts write them.
#pragma once

#include <cstdint>
#include <string>

// "A", "2".."10", "J", "Q", "K"; empty for a rank outside 1..13.
std::u16string rankText(int32_t rank);
// A number in decimal digits.
std::u16string decimalText(uint64_t v);
