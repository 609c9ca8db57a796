#pragma once
// Render objects that draw no mesh of their own but queue quads in the quad
// batcher ("ManagedQuadBuffer"): a strip along points (ObjectLine), a strip
// along a tessellated spline (ObjectSpline), or screen quads
// (ObjectScreenQuad, made with Scene::CreateScreenQuad). Each colours its
// quads with its surface's diffuse colour and textures them with slot 0.
#include <cstdint>
#include <vector>

#include "Video/Object.h"
#include "Video/ObjectDesc.h"

class ObjectLine : public Object {
public:
    ObjectLine() = default;
    ~ObjectLine() override;

    // a is a const SceneObjectDesc*; its points are copied.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Init(const SceneObjectDesc* desc) { return Init(const_cast<SceneObjectDesc*>(desc), nullptr); }
    bool Shutdown() override;
    bool Update() override;

    // Replaces the points with a copy; a null source leaves none (false).
    bool SetPoints(const LinePoint* src, std::uint32_t count);
    TextureSlotArray* TextureSlots() override { return &slots; }
    void AllocTextureSlots(std::uint32_t count) { slots.Alloc(count); }

    std::uint32_t PointCount() const { return static_cast<std::uint32_t>(points.size()); }
    LinePoint* Points() { return points.data(); }

    SurfaceData surface;

protected:
    // Init for the kind named kindName: flags, world matrix, material, texture
    // slots, surface and a copy of the points.
    bool InitAs(const SceneObjectDesc* desc, const char* kindName);
    // The world x "VIEWPROJECTION" of this frame.
    D3DXMATRIX WorldViewProjection();
    void Queue(const LinePoint* strip, std::uint32_t count);

    TextureSlotArray slots;
    std::vector<LinePoint> points;  // control points, for splines
};

class ObjectSpline : public ObjectLine {
public:
    // The most points the tessellated strip holds.
    static constexpr std::uint32_t kMaxStrip = 100;

    ObjectSpline() = default;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Init(const SceneObjectDesc* desc) { return Init(const_cast<SceneObjectDesc*>(desc), nullptr); }
    bool Update() override;

    // New control points start at (0, 0, 0) with width and tension 1 where
    // the source leaves them; a null source leaves none (false).
    bool SetControlPoints(const LinePoint* src, std::uint32_t count) { return SetPoints(src, count); }
    // Refuses n below 2 and n that would tessellate more than 100 points:
    // (control points - 2) x n must stay at or below 100.
    bool SetSegments(std::uint32_t n);

    // The strip through the control points (at most kMaxStrip points);
    // returns its point count.
    std::uint32_t BuildStrip(LinePoint* strip) const;
    float Step() const { return step; }

private:
    // Appends the Hermite curve from a to c shaped by b, stopping at the
    // strip's end.
    void Tessellate(const LinePoint& a, const LinePoint& b, const LinePoint& c, LinePoint* strip,
                    std::uint32_t* count) const;

    float step = 0.15f;
};

class ObjectScreenQuad : public Object {
public:
    ObjectScreenQuad() = default;
    ~ObjectScreenQuad() override;

    // a is a const SceneObjectDesc*; its quads are copied. Takes no world
    // matrix: the items are already in screen units.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Init(const SceneObjectDesc* desc) { return Init(const_cast<SceneObjectDesc*>(desc), nullptr); }
    bool Shutdown() override;
    bool Update() override;

    // Replaces the items with a copy; a null source leaves none (false).
    bool SetQuads(const ScreenQuadItem* src, std::uint32_t count);
    TextureSlotArray* TextureSlots() override { return &slots; }
    void AllocTextureSlots(std::uint32_t count) { slots.Alloc(count); }

    std::uint32_t ItemCount() const { return static_cast<std::uint32_t>(items.size()); }
    ScreenQuadItem* Items() { return items.data(); }

    SurfaceData surface;

private:
    TextureSlotArray slots;
    std::vector<ScreenQuadItem> items;
};
