// Fields to and from bytes, little-endian and of fixed width: the state file's and the shared
// table's messages' habits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteWriter {
public:
    explicit ByteWriter(size_t size = 0) { bytes_.reserve(size); }
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void u64(uint64_t v) { put(v, 8); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void raw(const uint8_t* p, size_t n) { bytes_.insert(bytes_.end(), p, p + n); }
    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    void put(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
};

// Reads fields in order; the first read past the end makes every later read fail too (and read 0).
class ByteReader {
public:
    ByteReader(const uint8_t* p, size_t n) : p_(p), n_(p ? n : 0) {}
    uint8_t u8() { return static_cast<uint8_t>(get(1)); }
    uint16_t u16() { return static_cast<uint16_t>(get(2)); }
    uint32_t u32() { return static_cast<uint32_t>(get(4)); }
    uint64_t u64() { return get(8); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    // n bytes into out; false (and nothing read) when they are not there.
    bool raw(uint8_t* out, size_t n) {
        if (!ok_ || n_ - at_ < n) return ok_ = false;
        for (size_t i = 0; i < n; ++i) out[i] = p_[at_ + i];
        at_ += n;
        return true;
    }
    size_t left() const { return n_ - at_; }
    bool ok() const { return ok_; }

private:
    uint64_t get(int n) {
        if (!ok_ || n_ - at_ < static_cast<size_t>(n)) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(p_[at_ + i]) << (8 * i);
        at_ += static_cast<size_t>(n);
        return v;
    }
    const uint8_t* p_;
    size_t n_;
    size_t at_ = 0;
    bool ok_ = true;
};
