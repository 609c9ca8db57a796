#include "platform/gfx/StencilWatch.h"

#include "platform/gfx/Direct3D.h"

namespace plat {

namespace {
bool skipping = true;

// Whether (reference & mask) compared by func with a stored 0 fails.
bool FailsAgainstZero(DWORD func, DWORD reference) {
    switch (func) {
    case D3DCMP_NEVER:
    case D3DCMP_LESS:  // nothing is below 0
        return true;
    case D3DCMP_EQUAL:
    case D3DCMP_LESSEQUAL:
        return reference != 0;
    case D3DCMP_GREATER:
    case D3DCMP_NOTEQUAL:
        return reference == 0;
    default:  // GREATEREQUAL, ALWAYS, or a value the device does not know
        return false;
    }
}

// Every fragment of one face fails the test and leaves the value as it is.
bool FaceChangesNothing(DWORD func, DWORD failOp, DWORD reference, DWORD writeMask) {
    return FailsAgainstZero(func, reference) && (failOp == D3DSTENCILOP_KEEP || writeMask == 0);
}

bool MayWrite(const DWORD* render, bool twoSided) {
    if ((render[D3DRS_STENCILWRITEMASK] & 0xFF) == 0) return false;
    for (D3DRENDERSTATETYPE op : {D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS})
        if (render[op] != D3DSTENCILOP_KEEP) return true;
    if (!twoSided) return false;
    for (D3DRENDERSTATETYPE op : {D3DRS_CCW_STENCILFAIL, D3DRS_CCW_STENCILZFAIL, D3DRS_CCW_STENCILPASS})
        if (render[op] != D3DSTENCILOP_KEEP) return true;
    return false;
}
}  // namespace

void SkipStencilRejectedDraws(bool on) { skipping = on; }

void StencilWatch::Cleared(DWORD value, bool whole) {
    if ((value & 0xFF) != 0)
        allZero = false;
    else if (whole)
        allZero = true;
}

bool StencilWatch::SkipDraw(const DWORD* render) {
    if (!render[D3DRS_STENCILENABLE]) return false;
    const bool twoSided = render[D3DRS_TWOSIDEDSTENCILMODE] != 0;
    if (allZero && skipping) {
        const DWORD reference = render[D3DRS_STENCILREF] & render[D3DRS_STENCILMASK] & 0xFF;
        const DWORD writeMask = render[D3DRS_STENCILWRITEMASK] & 0xFF;
        const bool front =
            FaceChangesNothing(render[D3DRS_STENCILFUNC], render[D3DRS_STENCILFAIL], reference, writeMask);
        const bool back = !twoSided || FaceChangesNothing(render[D3DRS_CCW_STENCILFUNC],
                                                          render[D3DRS_CCW_STENCILFAIL], reference, writeMask);
        if (front && back) return true;
    }
    if (MayWrite(render, twoSided)) allZero = false;
    return false;
}

}  // namespace plat
