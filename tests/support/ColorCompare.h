#pragma once
// Colours read back from the software rasteriser may differ from the exact
// value by a rounding step or two in any channel.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "platform/gfx/D3DTypes.h"

inline bool Near(D3DCOLOR a, D3DCOLOR b, int tolerance = 2) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance) return false;
    }
    return true;
}

// The pixels where two pictures of the same size differ at all (a size
// mismatch counts every pixel).
inline std::size_t CountDifferentPixels(const std::vector<D3DCOLOR>& a, const std::vector<D3DCOLOR>& b) {
    if (a.size() != b.size()) return std::max(a.size(), b.size());
    std::size_t different = 0;
    for (std::size_t i = 0; i < a.size(); ++i) different += a[i] != b[i] ? 1 : 0;
    return different;
}
