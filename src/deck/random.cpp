#include "deck/random.h"

#include <algorithm>

int32_t Random::next() {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFF);
}

int32_t Random::pick(int32_t n) {
    int64_t r = next();
    return static_cast<int32_t>(std::min<int64_t>(r * n / 32767, n - 1));
}
