#pragma once
// Small helpers shared by the image decoders and operations: little-endian
// words, a bounds-checked reader of them and the expansion of bit-masked
// channels to 8 bits.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace plat::imagebytes {

// The little-endian value of the count (at most 8) bytes at p. A BGRA8
// pixel read as 4 bytes is its 0xAARRGGBB colour.
inline std::uint64_t ReadLittleEndian(const std::uint8_t* p, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value |= std::uint64_t(p[i]) << (8 * i);
    return value;
}
inline void WriteLittleEndian(std::uint8_t* p, std::uint64_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) p[i] = std::uint8_t(value >> (8 * i));
}

// Reads little-endian values from a byte range. A read past the end yields 0
// and clears ok(), so a decoder can read a whole header and check once.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t pos() const { return pos_; }
    std::size_t size() const { return size_; }
    std::size_t remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }
    const std::uint8_t* here() const { return data_ + pos_; }

    bool seek(std::size_t at) {
        if (at > size_) return ok_ = false;
        pos_ = at;
        return true;
    }
    bool skip(std::size_t count) {
        if (count > remaining()) return ok_ = false;
        pos_ += count;
        return true;
    }
    std::uint8_t u8() { return std::uint8_t(read(1)); }
    std::uint16_t u16() { return std::uint16_t(read(2)); }
    std::uint32_t u32() { return std::uint32_t(read(4)); }
    std::int32_t i32() { return std::int32_t(u32()); }

private:
    std::uint64_t read(std::size_t count) {
        if (count > remaining()) {
            ok_ = false;
            pos_ = size_;
            return 0;
        }
        std::uint64_t value = ReadLittleEndian(data_ + pos_, count);
        pos_ += count;
        return value;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// One channel described by a bit mask, expanded to 0..255 by replicating its
// bits (so 5-bit 31 becomes 255 exactly and magenta keys stay exact).
class ChannelMask {
public:
    ChannelMask() = default;
    explicit ChannelMask(std::uint32_t mask)
        : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0),
          bits_(mask ? std::popcount(mask) : 0) {}

    bool present() const { return mask_ != 0; }
    std::uint8_t expand(std::uint32_t pixel, std::uint8_t absent) const {
        if (!mask_) return absent;
        std::uint32_t value = (pixel & mask_) >> shift_;
        if (bits_ >= 8) return std::uint8_t(value >> (bits_ - 8));
        // Repeat the bits from the top down to fill eight.
        std::uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << bits_) | value;
            filled += bits_;
        }
        return std::uint8_t(out >> (filled - 8));
    }

private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
};

inline void PutBGRA(std::uint8_t* out, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                    std::uint8_t a) {
    out[0] = b;
    out[1] = g;
    out[2] = r;
    out[3] = a;
}

}  // namespace plat::imagebytes
