#include "faces/picture_size.h"

#include <cstring>

namespace {

uint32_t be16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return be16(p) << 16 | be16(p + 2); }
uint32_t le16(const uint8_t* p) { return uint32_t{p[1]} << 8 | p[0]; }
uint32_t le32(const uint8_t* p) { return le16(p + 2) << 16 | le16(p); }

bool jpegSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return false;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        const size_t length = be16(data + at + 2);
        if (length < 2) return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > size) return false;
            height = be16(data + at + 5);
            width = be16(data + at + 7);
            return true;
        }
        at += 2 + length;
    }
    return false;
}

}  // namespace

bool pictureSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
    static const uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 24 && std::memcmp(data, png, sizeof png) == 0) {
        width = be32(data + 16);
        height = be32(data + 20);
        return true;
    }
    if (size >= 10 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)) {
        width = le16(data + 6);
        height = le16(data + 8);
        return true;
    }
    if (size >= 26 && data[0] == 'B' && data[1] == 'M') {
        if (le32(data + 14) == 12) {  // the old core header: 16-bit sizes
            width = le16(data + 18);
            height = le16(data + 20);
            return true;
        }
        const auto h = static_cast<int32_t>(le32(data + 22));  // negative: rows top-down
        width = le32(data + 18);
        height = h < 0 ? 0u - static_cast<uint32_t>(h) : static_cast<uint32_t>(h);
        return true;
    }
    if (size >= 4 && data[0] == 0xFF && data[1] == 0xD8) return jpegSize(data, size, width, height);
    return false;
}
