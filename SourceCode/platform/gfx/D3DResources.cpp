// Buffers, textures, vertex declarations and state blocks: CPU copies that
// the device uploads to OpenGL when it draws with them.
#include <algorithm>
#include <cstring>

#include "platform/gfx/DeviceGL.h"

namespace plat {
namespace {
int gLockFailures = 0;

// True when an injected lock failure is due (and uses it up).
bool LockFailureDue() {
    if (gLockFailures <= 0) return false;
    --gLockFailures;
    return true;
}
}  // namespace

void InjectLockFailures(int count) { gLockFailures = std::max(0, count); }
bool TakeInjectedLockFailure() { return LockFailureDue(); }

bool IndexRange(const std::uint8_t* data, size_t available, size_t first, UINT count, bool wide,
                long long* smallest, long long* largest) {
    size_t size = wide ? 4 : 2;
    if ((first + count) * size > available) return false;
    *smallest = wide ? 0xFFFFFFFFll : 0xFFFFll;
    *largest = 0;
    for (UINT i = 0; i < count; ++i) {
        const std::uint8_t* p = data + (first + i) * size;
        long long value;
        if (wide) {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            value = v;
        } else {
            std::uint16_t v;
            std::memcpy(&v, p, 2);
            value = v;
        }
        *smallest = std::min(*smallest, value);
        *largest = std::max(*largest, value);
    }
    return true;
}
}  // namespace plat

// ---- Resource base --------------------------------------------------------

IDirect3DResource9::IDirect3DResource9(IDirect3DDevice9* device, D3DPOOL pool, DWORD usage)
    : device_(device), pool_(pool), usage_(usage) {
    if (device_) device_->ResourceCreated(this);
}

IDirect3DResource9::~IDirect3DResource9() {
    if (device_) device_->ResourceDestroyed(this);
}

HRESULT IDirect3DResource9::GetDevice(IDirect3DDevice9** device) {
    if (!device || !device_) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
}

void IDirect3DResource9::Orphan() {
    FreeGl();
    device_ = nullptr;
}

// ---- Buffers ----------------------------------------------------------------

D3DBufferBase::D3DBufferBase(IDirect3DDevice9* device, UINT length, DWORD usage, D3DPOOL pool)
    : IDirect3DResource9(device, pool, usage), bytes_(length, 0) {}

D3DBufferBase::~D3DBufferBase() {
    if (device_) FreeGl();
}

void D3DBufferBase::FreeGl() {
    plat::GlState::DeleteBuffer(&glBuffer_);
    written_ = {};  // the next use uploads everything
}

HRESULT D3DBufferBase::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (plat::LockFailureDue()) return D3DERR_INVALIDCALL;
    UINT total = Size();
    if (offset > total) return D3DERR_INVALIDCALL;
    if (size == 0) size = total - offset;
    if (size > total - offset) return D3DERR_INVALIDCALL;
    ++locks_;
    if (!(flags & D3DLOCK_READONLY)) {
        const bool first = written_.to <= written_.from;
        written_.from = first ? offset : std::min(written_.from, offset);
        written_.to = first ? offset + size : std::max(written_.to, offset + size);
        // Only a dynamic buffer may drop its contents; on any other the
        // flag is ignored and every byte is kept, as callers rely on.
        written_.discard = written_.discard || ((flags & D3DLOCK_DISCARD) && (usage_ & D3DUSAGE_DYNAMIC));
        ++writes_;
    }
    *data = bytes_.data() + offset;
    return D3D_OK;
}

HRESULT D3DBufferBase::Unlock() {
    if (locks_ == 0) return D3DERR_INVALIDCALL;
    --locks_;
    return D3D_OK;
}

IDirect3DVertexBuffer9::IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage,
                                               DWORD fvf, D3DPOOL pool)
    : D3DBufferBase(device, length, usage, pool), fvf_(fvf) {}

HRESULT IDirect3DVertexBuffer9::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, Size(), fvf_};
    return D3D_OK;
}

IDirect3DIndexBuffer9::IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage,
                                             D3DFORMAT format, D3DPOOL pool)
    : D3DBufferBase(device, length, usage, pool), format_(format) {}

void IDirect3DIndexBuffer9::WholeRange(long long* smallest, long long* largest) {
    if (rangeWrites_ != writes_) {
        bool wide = format_ == D3DFMT_INDEX32;
        UINT count = UINT(bytes_.size() / (wide ? 4 : 2));
        smallest_ = 0;
        largest_ = -1;
        if (count > 0) plat::IndexRange(bytes_.data(), bytes_.size(), 0, count, wide, &smallest_, &largest_);
        rangeWrites_ = writes_;
    }
    *smallest = smallest_;
    *largest = largest_;
}

HRESULT IDirect3DIndexBuffer9::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, Size()};
    return D3D_OK;
}

// ---- Vertex declarations ------------------------------------------------------

IDirect3DVertexDeclaration9::IDirect3DVertexDeclaration9(std::vector<D3DVERTEXELEMENT9> elements)
    : elements_(std::move(elements)) {}

HRESULT IDirect3DVertexDeclaration9::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) {
    if (!count) return D3DERR_INVALIDCALL;
    *count = UINT(elements_.size() + 1);
    if (elements) {
        std::copy(elements_.begin(), elements_.end(), elements);
        elements[elements_.size()] = D3DDECL_END();
    }
    return D3D_OK;
}

// ---- Textures -----------------------------------------------------------------

IDirect3DBaseTexture9::IDirect3DBaseTexture9(IDirect3DDevice9* device, UINT width, UINT height,
                                             UINT depth, UINT faces, UINT levels, DWORD usage,
                                             D3DFORMAT format, D3DPOOL pool)
    : IDirect3DResource9(device, pool, usage), faces_(faces), levelCount_(levels), format_(format) {
    levels_.resize(size_t(faces) * levels);
    for (UINT face = 0; face < faces; ++face) {
        for (UINT l = 0; l < levels; ++l) {
            plat::TextureLevel& level = levels_[size_t(face) * levels + l];
            level.width = std::max(1u, width >> l);
            level.height = std::max(1u, height >> l);
            level.depth = std::max(1u, depth >> l);
            // The device refuses sizes whose pitches do not fit the lock records.
            const plat::LevelPitches pitches = plat::PitchesOf(format, level.width, level.height);
            level.rowPitch = UINT(pitches.row);
            level.slicePitch = UINT(pitches.slice);
            level.bytes.assign(size_t(level.slicePitch) * level.depth, 0);
        }
    }
}

IDirect3DBaseTexture9::~IDirect3DBaseTexture9() {
    if (device_) FreeGl();
}

void IDirect3DBaseTexture9::FreeGl() {
    plat::GlState::DeleteTexture(&glTexture_);
    for (auto& level : levels_) level.dirty = true;
}

plat::TextureLevel* IDirect3DBaseTexture9::Level(UINT face, UINT level) {
    if (face >= faces_ || level >= levelCount_) return nullptr;
    return &levels_[size_t(face) * levelCount_ + level];
}

bool IDirect3DBaseTexture9::AnyDirty() const {
    return std::any_of(levels_.begin(), levels_.end(), [](const plat::TextureLevel& l) { return l.dirty; });
}

HRESULT IDirect3DBaseTexture9::LockLevel(UINT face, UINT level, D3DLOCKED_BOX* locked,
                                         const D3DBOX* box, DWORD flags) {
    plat::TextureLevel* l = Level(face, level);
    if (!l || !locked || l->locked) return D3DERR_INVALIDCALL;
    D3DBOX whole = {0, 0, l->width, l->height, 0, l->depth};
    const D3DBOX& b = box ? *box : whole;
    if (b.Left >= b.Right || b.Top >= b.Bottom || b.Front >= b.Back || b.Right > l->width ||
        b.Bottom > l->height || b.Back > l->depth)
        return D3DERR_INVALIDCALL;
    size_t offset;
    if (plat::IsBlockCompressed(format_)) {
        if (b.Left % 4 || b.Top % 4) return D3DERR_INVALIDCALL;
        offset = size_t(b.Top / 4) * l->rowPitch + size_t(b.Left / 4) * plat::BytesPerPixel(format_);
    } else {
        offset = size_t(b.Top) * l->rowPitch + size_t(b.Left) * plat::BytesPerPixel(format_);
    }
    offset += size_t(b.Front) * l->slicePitch;
    if (plat::LockFailureDue()) return D3DERR_INVALIDCALL;
    l->locked = true;
    l->lockedReadOnly = (flags & D3DLOCK_READONLY) != 0;
    locked->RowPitch = INT(l->rowPitch);
    locked->SlicePitch = INT(l->slicePitch);
    locked->pBits = l->bytes.data() + offset;
    return D3D_OK;
}

HRESULT IDirect3DBaseTexture9::UnlockLevel(UINT face, UINT level) {
    plat::TextureLevel* l = Level(face, level);
    if (!l || !l->locked) return D3DERR_INVALIDCALL;
    l->locked = false;
    if (!l->lockedReadOnly) l->dirty = true;
    return D3D_OK;
}

namespace {
HRESULT ToLockedRect(HRESULT hr, const D3DLOCKED_BOX& box, D3DLOCKED_RECT* locked) {
    if (hr == D3D_OK) *locked = {box.RowPitch, box.pBits};
    return hr;
}
D3DBOX BoxOf(const RECT& r) {
    auto clampToUnsigned = [](LONG v) { return v < 0 ? 0u : UINT(v); };
    return {clampToUnsigned(r.left), clampToUnsigned(r.top), clampToUnsigned(r.right),
            clampToUnsigned(r.bottom), 0, 1};
}
}  // namespace

IDirect3DTexture9::IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture9(device, width, height, 1, 1, levels, usage, format, pool) {}

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    plat::TextureLevel* l = Level(0, level);
    if (!l || !desc) return D3DERR_INVALIDCALL;
    *desc = {format_, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE, 0, l->width, l->height};
    return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked) return D3DERR_INVALIDCALL;
    D3DLOCKED_BOX box{};
    D3DBOX area = rect ? BoxOf(*rect) : D3DBOX{};
    return ToLockedRect(LockLevel(0, level, &box, rect ? &area : nullptr, flags), box, locked);
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) { return UnlockLevel(0, level); }

IDirect3DCubeTexture9::IDirect3DCubeTexture9(IDirect3DDevice9* device, UINT edge, UINT levels,
                                             DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture9(device, edge, edge, 1, 6, levels, usage, format, pool) {}

HRESULT IDirect3DCubeTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    plat::TextureLevel* l = Level(0, level);
    if (!l || !desc) return D3DERR_INVALIDCALL;
    *desc = {format_, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE, 0, l->width, l->height};
    return D3D_OK;
}

HRESULT IDirect3DCubeTexture9::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked,
                                        const RECT* rect, DWORD flags) {
    if (!locked) return D3DERR_INVALIDCALL;
    D3DLOCKED_BOX box{};
    D3DBOX area = rect ? BoxOf(*rect) : D3DBOX{};
    return ToLockedRect(LockLevel(face, level, &box, rect ? &area : nullptr, flags), box, locked);
}

HRESULT IDirect3DCubeTexture9::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    return UnlockLevel(face, level);
}

IDirect3DVolumeTexture9::IDirect3DVolumeTexture9(IDirect3DDevice9* device, UINT width, UINT height,
                                                 UINT depth, UINT levels, DWORD usage,
                                                 D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture9(device, width, height, depth, 1, levels, usage, format, pool) {}

HRESULT IDirect3DVolumeTexture9::GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) {
    plat::TextureLevel* l = Level(0, level);
    if (!l || !desc) return D3DERR_INVALIDCALL;
    *desc = {format_, D3DRTYPE_VOLUME, usage_, pool_, l->width, l->height, l->depth};
    return D3D_OK;
}

HRESULT IDirect3DVolumeTexture9::LockBox(UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box,
                                         DWORD flags) {
    return LockLevel(0, level, locked, box, flags);
}

HRESULT IDirect3DVolumeTexture9::UnlockBox(UINT level) { return UnlockLevel(0, level); }

// ---- State blocks -------------------------------------------------------------

IDirect3DStateBlock9::IDirect3DStateBlock9(IDirect3DDevice9* device, const plat::StateMask& mask)
    : mask_(mask), device_(device) {
    if (device_) device_->StateBlockCreated(this);
}

IDirect3DStateBlock9::~IDirect3DStateBlock9() {
    DropResources();
    if (device_) device_->StateBlockDestroyed(this);
}

HRESULT IDirect3DStateBlock9::GetDevice(IDirect3DDevice9** device) {
    if (!device || !device_) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
}

void IDirect3DStateBlock9::DropResources() {
    for (auto*& t : values_.texture) plat::Assign<IDirect3DBaseTexture9>(t, nullptr);
    for (auto& s : values_.stream) plat::Assign<IDirect3DVertexBuffer9>(s.buffer, nullptr);
    plat::Assign<IDirect3DIndexBuffer9>(values_.indices, nullptr);
    plat::Assign<IDirect3DVertexDeclaration9>(values_.declaration, nullptr);
}

HRESULT IDirect3DStateBlock9::Capture() {
    if (!device_) return D3DERR_INVALIDCALL;
    const plat::DeviceStates& now = device_->States();
    plat::DeviceStates& v = values_;
    for (DWORD i = 0; i < D3DRS_COUNT; ++i)
        if (mask_.render[i]) v.render[i] = now.render[i];
    for (DWORD s = 0; s < D3D_MAX_SAMPLERS; ++s)
        for (DWORD i = 0; i < D3DSAMP_COUNT; ++i)
            if (mask_.sampler[s][i]) v.sampler[s][i] = now.sampler[s][i];
    for (DWORD s = 0; s < D3D_MAX_TEXTURE_STAGES; ++s)
        for (DWORD i = 0; i < D3DTSS_COUNT; ++i)
            if (mask_.stage[s][i]) v.stage[s][i] = now.stage[s][i];
    for (DWORD s = 0; s < D3D_MAX_SAMPLERS; ++s)
        if (mask_.texture[s]) plat::Assign(v.texture[s], now.texture[s]);
    for (DWORD s = 0; s < D3D_MAX_STREAMS; ++s) {
        if (!mask_.stream[s]) continue;
        plat::Assign(v.stream[s].buffer, now.stream[s].buffer);
        v.stream[s].offset = now.stream[s].offset;
        v.stream[s].stride = now.stream[s].stride;
    }
    if (mask_.indices) plat::Assign(v.indices, now.indices);
    if (mask_.vertexLayout) {
        v.fvf = now.fvf;
        plat::Assign(v.declaration, now.declaration);
        layoutIsDeclaration_ = device_->LayoutIsDeclaration();
    }
    if (mask_.viewport) v.viewport = now.viewport;
    if (mask_.scissor) v.scissor = now.scissor;
    return D3D_OK;
}

HRESULT IDirect3DStateBlock9::Apply() {
    if (!device_) return D3DERR_INVALIDCALL;
    IDirect3DDevice9* d = device_;
    const plat::DeviceStates& v = values_;
    for (DWORD i = 0; i < D3DRS_COUNT; ++i)
        if (mask_.render[i]) d->SetRenderState(D3DRENDERSTATETYPE(i), v.render[i]);
    for (DWORD s = 0; s < D3D_MAX_SAMPLERS; ++s)
        for (DWORD i = 0; i < D3DSAMP_COUNT; ++i)
            if (mask_.sampler[s][i]) d->SetSamplerState(s, D3DSAMPLERSTATETYPE(i), v.sampler[s][i]);
    for (DWORD s = 0; s < D3D_MAX_TEXTURE_STAGES; ++s)
        for (DWORD i = 0; i < D3DTSS_COUNT; ++i)
            if (mask_.stage[s][i]) d->SetTextureStageState(s, D3DTEXTURESTAGESTATETYPE(i), v.stage[s][i]);
    for (DWORD s = 0; s < D3D_MAX_SAMPLERS; ++s)
        if (mask_.texture[s]) d->SetTexture(s, v.texture[s]);
    for (DWORD s = 0; s < D3D_MAX_STREAMS; ++s)
        if (mask_.stream[s]) d->SetStreamSource(s, v.stream[s].buffer, v.stream[s].offset, v.stream[s].stride);
    if (mask_.indices) d->SetIndices(v.indices);
    if (mask_.vertexLayout) {
        if (layoutIsDeclaration_) d->SetVertexDeclaration(v.declaration);
        else d->SetFVF(v.fvf);
    }
    if (mask_.viewport) d->SetViewport(&v.viewport);
    if (mask_.scissor) d->SetScissorRect(&v.scissor);
    return D3D_OK;
}
