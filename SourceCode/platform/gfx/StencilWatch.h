#pragma once
// What the device knows of the back buffer's stencil: whether every value in
// it is 0, as a clear to 0 of the whole back buffer leaves it, until a draw
// that may write the stencil. While it is, a draw whose stencil test fails
// against 0 and whose stencil-fail operation keeps the value can change no
// pixel, no depth and no stencil value: the device skips it (the scene's
// shadow darkening in a frame without shadow volumes). Texture targets have
// no stencil and are not watched. Platform layer only.
#include "platform/gfx/D3DTypes.h"

namespace plat {

class StencilWatch {
public:
    // A clear of the back buffer's stencil to `value`, of all of it or of
    // part.
    void Cleared(DWORD value, bool whole);
    // The stencil's contents are unknown (a swap, a new back buffer).
    void Forget() { allZero = false; }
    // Before a draw into the back buffer with these render states: true when
    // the draw can change nothing and is to be skipped; otherwise notes
    // whether it may write the stencil.
    bool SkipDraw(const DWORD* render);

private:
    bool allZero = false;
};

// Test hook: off, no draw is skipped (to compare the pixels of both ways).
void SkipStencilRejectedDraws(bool on);

}  // namespace plat
