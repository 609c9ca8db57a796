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

// Pixels whose channels each fill one whole byte (24-bit BGR, 32-bit BGRA,
// RGBA or XRGB, 8-bit luminance or alpha, 16-bit luminance and alpha): a
// row converts by moving bytes, to the values ChannelMask gives, without
// its work per channel and pixel.
class ByteChannels {
public:
    // The masks of red, green, blue and alpha (0 where the pixel has none;
    // luminance is the same mask for the three colours). False when one is
    // not a whole byte of a pixel of pixelBytes bytes.
    bool Fit(std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t alpha,
             std::uint32_t pixelBytes) {
        if (pixelBytes < 1 || pixelBytes > 4) return false;
        pixelBytes_ = pixelBytes;
        const std::uint32_t inBGRA[4] = {blue, green, red, alpha};
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t mask = inBGRA[c];
            const int shift = mask ? std::countr_zero(mask) : 0;
            if (mask && (shift % 8 != 0 || mask >> shift != 0xFF || std::uint32_t(shift / 8) >= pixelBytes))
                return false;
            place_[c] = std::uint8_t(shift / 8);
            keep_[c] = mask ? 0xFF : 0;
            fill_[c] = mask || c != 3 ? 0 : 0xFF;  // a missing colour is 0, a missing alpha opaque
        }
        return true;
    }

    void ConvertRow(const std::uint8_t* src, std::size_t count, std::uint8_t* out) const {
        if (IsBgra()) {
            std::memcpy(out, src, count * 4);
            return;
        }
        if (IsOpaqueBgrx()) return OpaqueBgrxRow(src, count, out);
        if (IsOpaqueBgr()) return OpaqueBgrRow(src, count, out);
        switch (pixelBytes_) {
        case 1: Gather<1>(src, count, out); break;
        case 2: Gather<2>(src, count, out); break;
        case 3: Gather<3>(src, count, out); break;
        default: Gather<4>(src, count, out); break;
        }
    }

private:
    // The colours where BGRA8 keeps them: bytes 0, 1 and 2 of the pixel.
    bool ColoursInPlace() const {
        return place_[0] == 0 && place_[1] == 1 && place_[2] == 2 && keep_[0] == 0xFF && keep_[1] == 0xFF &&
               keep_[2] == 0xFF;
    }
    // 32-bit BGRA (A8R8G8B8) is stored as it is decoded: rows copy whole.
    bool IsBgra() const { return pixelBytes_ == 4 && ColoursInPlace() && place_[3] == 3 && keep_[3] == 0xFF; }
    // 32-bit BGR and a spare byte (X8R8G8B8) gains only its opaque alpha.
    bool IsOpaqueBgrx() const {
        return std::endian::native == std::endian::little && pixelBytes_ == 4 && ColoursInPlace() && keep_[3] == 0;
    }
    // 24-bit BGR, the stored form of R8G8B8 in every format here, gains only
    // its alpha byte.
    bool IsOpaqueBgr() const {
        return std::endian::native == std::endian::little && pixelBytes_ == 3 && ColoursInPlace() && keep_[3] == 0;
    }
    static void OpaqueBgrxRow(const std::uint8_t* src, std::size_t count, std::uint8_t* out) {
        for (std::size_t i = 0; i < count; ++i, src += 4, out += 4) {
            std::uint32_t pixel;
            std::memcpy(&pixel, src, 4);
            pixel |= 0xFF000000u;
            std::memcpy(out, &pixel, 4);
        }
    }
    // Four pixels (three words) become four words at a time, on a
    // little-endian machine.
    static void OpaqueBgrRow(const std::uint8_t* src, std::size_t count, std::uint8_t* out) {
        constexpr std::uint32_t kOpaque = 0xFF000000u;
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4, src += 12, out += 16) {
            std::uint32_t w[3];
            std::memcpy(w, src, sizeof w);
            const std::uint32_t pixels[4] = {w[0] | kOpaque, (w[0] >> 24) | (w[1] << 8) | kOpaque,
                                             (w[1] >> 16) | (w[2] << 16) | kOpaque, (w[2] >> 8) | kOpaque};
            std::memcpy(out, pixels, sizeof pixels);
        }
        for (; i < count; ++i, src += 3, out += 4) {
            out[0] = src[0];
            out[1] = src[1];
            out[2] = src[2];
            out[3] = 0xFF;
        }
    }

    template <std::size_t N>
    void Gather(const std::uint8_t* src, std::size_t count, std::uint8_t* out) const {
        const std::uint8_t p0 = place_[0], p1 = place_[1], p2 = place_[2], p3 = place_[3];
        const std::uint8_t k0 = keep_[0], k1 = keep_[1], k2 = keep_[2], k3 = keep_[3];
        const std::uint8_t f0 = fill_[0], f1 = fill_[1], f2 = fill_[2], f3 = fill_[3];
        for (std::size_t i = 0; i < count; ++i, src += N, out += 4) {
            out[0] = std::uint8_t((src[p0] & k0) | f0);
            out[1] = std::uint8_t((src[p1] & k1) | f1);
            out[2] = std::uint8_t((src[p2] & k2) | f2);
            out[3] = std::uint8_t((src[p3] & k3) | f3);
        }
    }

    std::uint32_t pixelBytes_ = 4;
    std::uint8_t place_[4] = {};  // the byte of the pixel each of B, G, R, A comes from
    std::uint8_t keep_[4] = {};   // 0xFF where the pixel has the channel
    std::uint8_t fill_[4] = {};   // what a missing channel reads
};

inline void PutBGRA(std::uint8_t* out, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                    std::uint8_t a) {
    out[0] = b;
    out[1] = g;
    out[2] = r;
    out[3] = a;
}

}  // namespace plat::imagebytes
