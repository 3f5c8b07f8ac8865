// The pixel size a picture file declares in its header, read without decoding it, so that a
// picture too large to hold is refused before any memory is spent on it.
#pragma once

#include <cstddef>
#include <cstdint>

// Larger pictures are refused: decoded, 100 million pixels take 400 MB.
constexpr uint64_t kMostPicturePixels = 100'000'000;
inline bool pictureTooLarge(uint64_t width, uint64_t height) { return width * height > kMostPicturePixels; }
// A decoded picture is kept no larger than the largest card can show it.
constexpr int32_t kMostKeptPictureSide = 999;
// How much of a file the header is looked for in (a JPEG's frame header follows its metadata).
constexpr size_t kPictureHeaderBytes = 256 * 1024;

// The width and height a PNG, GIF, BMP or JPEG header declares; false when the bytes are none of
// these or end before the size.
bool pictureSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height);
