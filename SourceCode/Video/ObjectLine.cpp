#include "Video/ObjectLine.h"

#include <algorithm>

#include "Video/Effects/EffectParams.h"
#include "Video/Effects/Material.h"
#include "Video/QuadBatcher.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
ManagedQuadBuffer* Batcher() { return static_cast<ManagedQuadBuffer*>(eTable::Peek(names::ManagedQuadBuffer)); }
}  // namespace

// ---- ObjectLine ----

ObjectLine::~ObjectLine() {
    if (initialized) ObjectLine::Shutdown();
}

bool ObjectLine::InitAs(const SceneObjectDesc* desc, const char* kindName) {
    if (initialized || !desc) return false;
    name = kindName;
    TakeFlagsAndWorld(desc->flags);
    material = AcquireMaterial(desc->materialKind);
    slots.Alloc(desc->textureSlots);
    surface = desc->surface;
    SetPoints(desc->points, desc->pointCount);
    initialized = true;
    return true;
}

bool ObjectLine::Init(void* a, void*) { return InitAs(static_cast<const SceneObjectDesc*>(a), names::ObjectLine); }

bool ObjectLine::Shutdown() { return ShutdownDrawable(); }

bool ObjectLine::SetPoints(const LinePoint* src, std::uint32_t count) {
    points.clear();
    if (!src) return false;
    points.assign(src, src + count);
    return true;
}

D3DXMATRIX ObjectLine::WorldViewProjection() {
    const D3DXMATRIX* placed = CurrentWorld();
    D3DXMATRIX built;
    if (!placed) {
        built = UpdateWorldMatrix();
        placed = &built;
    }
    D3DXMATRIX result = *placed;
    if (const D3DXMATRIX* viewProjection = EffectParams::GetMatrix(sem::ViewProjection))
        D3DXMatrixMultiply(&result, placed, viewProjection);
    return result;
}

void ObjectLine::Queue(const LinePoint* strip, std::uint32_t count) {
    if (!material) return;
    ManagedQuadBuffer* batcher = Batcher();
    if (!batcher) return;
    const D3DXMATRIX wvp = WorldViewProjection();
    batcher->AddLine(strip, &wvp, count, material->kind, surface.diff[0], surface.diff[1], surface.diff[2],
                     surface.diff[3], slots.First());
}

bool ObjectLine::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    Queue(points.data(), PointCount());
    return true;
}

// ---- ObjectSpline ----

bool ObjectSpline::Init(void* a, void*) {
    return InitAs(static_cast<const SceneObjectDesc*>(a), names::ObjectSpline);
}

bool ObjectSpline::SetSegments(std::uint32_t n) {
    // Fewer than two control points leave no count of curves to bound.
    if (n < 2 || points.size() < 2) return false;
    const std::uint64_t curves = points.size() - 2;
    if (curves * n > kMaxStrip) return false;
    step = 1.0f / static_cast<float>(n);
    return true;
}

void ObjectSpline::Tessellate(const LinePoint& a, const LinePoint& b, const LinePoint& c, LinePoint* strip,
                              std::uint32_t* count) const {
    auto emit = [&](float x, float y, float z, float width) {
        if (*count >= kMaxStrip) return;  // the strip is full: the rest is cut off
        strip[*count] = LinePoint{x, y, z, width, 0.0f};
        ++*count;
    };
    emit(a.x, a.y, a.z, a.width);
    for (float t = step; t < 0.999f && *count < kMaxStrip; t += step) {
        const float t2 = t * t, t3 = t2 * t;
        const float h1 = 2 * t3 - 3 * t2 + 1, h2 = 3 * t2 - 2 * t3, h3 = t3 - 2 * t2 + t, h4 = t3 - t2;
        auto at = [&](float pa, float pb, float pc) {
            return pa * h1 + pc * h2 + a.tension * (pb - pa) * h3 + c.tension * (pc - pb) * h4;
        };
        emit(at(a.x, b.x, c.x), at(a.y, b.y, c.y), at(a.z, b.z, c.z), (1.0f - t) * a.width + t * c.width);
    }
    emit(c.x, c.y, c.z, c.width);
}

std::uint32_t ObjectSpline::BuildStrip(LinePoint* strip) const {
    std::uint32_t count = 0;
    const std::size_t n = points.size();
    if (n < 3 || !(step > 0.0f)) return 0;
    Tessellate(points[0], points[1], points[2], strip, &count);
    for (std::size_t i = 3; i < n && count < kMaxStrip; ++i) {
        const LinePoint& before = points[i - 2];
        const LinePoint& a = points[i - 1];
        // The reflection of the point before a through a.
        const LinePoint mirrored{2 * a.x - before.x, 2 * a.y - before.y, 2 * a.z - before.z, 1.0f, 1.0f};
        Tessellate(a, mirrored, points[i], strip, &count);
    }
    return count;
}

bool ObjectSpline::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    LinePoint strip[kMaxStrip] = {};
    const std::uint32_t count = BuildStrip(strip);
    if (count >= 2) Queue(strip, count);
    return true;
}

// ---- ObjectScreenQuad ----

ObjectScreenQuad::~ObjectScreenQuad() {
    if (initialized) ObjectScreenQuad::Shutdown();
}

bool ObjectScreenQuad::Init(void* a, void*) {
    if (initialized) return false;
    const auto* desc = static_cast<const SceneObjectDesc*>(a);
    if (!desc) return false;
    name = names::ObjectScreenQuad;
    flags = static_cast<std::uint8_t>(desc->flags | kDirty);
    material = AcquireMaterial(desc->materialKind);
    slots.Alloc(desc->textureSlots);
    surface = desc->surface;
    SetQuads(desc->quads, desc->pointCount);
    initialized = true;
    return true;
}

bool ObjectScreenQuad::Shutdown() { return ShutdownDrawable(); }

bool ObjectScreenQuad::SetQuads(const ScreenQuadItem* src, std::uint32_t count) {
    items.clear();
    if (!src) return false;
    items.assign(src, src + count);
    return true;
}

bool ObjectScreenQuad::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (!material) return true;
    if (ManagedQuadBuffer* batcher = Batcher())
        batcher->AddScreenQuad(items.data(), ItemCount(), material->kind, surface.diff[0], surface.diff[1],
                               surface.diff[2], surface.diff[3], slots.First());
    return true;
}
