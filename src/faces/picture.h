// A decoded face picture, held by the Win32 shell as a device-independent bitmap.
#pragma once

#include <cstdint>

struct Picture {
    void* bitmap = nullptr;  // owned by the Win32 shell
    int32_t width = 0;
    int32_t height = 0;
    bool empty() const { return bitmap == nullptr; }
};
