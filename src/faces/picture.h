// A decoded face picture, held by the Win32 shell as a bottom-up device-independent bitmap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "deck/card.h"

struct Picture {
    void* bitmap = nullptr;        // the section; null while the picture is empty
    uint8_t* bits = nullptr;       // first byte of the top row
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;             // from a row to the row below: negative, rows are bottom-up
    int32_t bitsPerPixel = 0;      // 1, 4, 8, 16, 24 or 32
    bool hasAlpha = false;         // 32-bit straight alpha that drawing honours
    void* dc = nullptr;            // borrowed from the context cache while read or drawn
    int32_t dcUseCount = 0;
    void* dcSavedBitmap = nullptr;
    void* blendCopy = nullptr;     // premultiplied copy for alpha blending, made at the first draw
    void* scaled = nullptr;        // an opaque picture reduced to the size last drawn, kept for the next
    int32_t scaledWidth = 0;
    int32_t scaledHeight = 0;
    bool empty() const { return bitmap == nullptr; }
};

// The decoded picture of a file, shared with every holder of the same unchanged file; null when
// the file is missing or cannot be decoded (PictureRef, in deck/card.h).
PictureRef loadPicture(const std::u16string& path);
// The pixel size the picture file's header declares; false when it cannot be read or told.
bool readPictureSize(const std::u16string& path, uint32_t& width, uint32_t& height);
