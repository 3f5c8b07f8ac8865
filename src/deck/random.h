// The table's random generator: a 32-bit linear congruential generator.
#pragma once

#include <cstdint>

struct Random {
    uint32_t state = 0;
    void seed(uint32_t s) { state = s; }
    int32_t next();          // 0..32767
    int32_t pick(int32_t n);  // 0..n-1, one draw; n >= 1
};
