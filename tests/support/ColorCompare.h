#pragma once
// Colours read back from the software rasteriser may differ from the exact
// value by a rounding step or two in any channel.
#include <cstdlib>

#include "platform/gfx/D3DTypes.h"

inline bool Near(D3DCOLOR a, D3DCOLOR b, int tolerance = 2) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance) return false;
    }
    return true;
}
