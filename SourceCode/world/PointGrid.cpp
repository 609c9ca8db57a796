#include "world/PointGrid.h"

#include <algorithm>
#include <cmath>

#include "world/GameObject.h"
#include "world/Physics.h"

namespace {
// The points a sphere of another body can meet: colliding, owned, and not
// a plane (planes are tested another way).
bool Eligible(const Point& p) { return p.collides && p.owner && p.owner->kind != kKindPlane; }
}  // namespace

PointGrid::Key PointGrid::Pack(std::int64_t x, std::int64_t y, std::int64_t z) {
    // 21 bits per axis, wrapping: distinct cells may share a key.
    const auto bits = [](std::int64_t v) { return Key(std::uint64_t(v) & 0x1FFFFF); };
    return bits(x) | bits(y) << 21 | bits(z) << 42;
}

// In double, clamped, so that no finite coordinate overflows the index.
std::int64_t PointGrid::CellOf(float v) const {
    const double cell = std::floor(double(v) / double(cellSize));
    return std::int64_t(std::clamp(cell, -4.0e18, 4.0e18));
}

PointGrid::Key PointGrid::KeyOf(const Body& body, std::uint32_t index) const {
    const Point& p = body.points[index];
    if (!Eligible(p)) return kNotHeld;
    const D3DXVECTOR3& v = p.position;
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return kNotHeld;
    return Pack(CellOf(v.x), CellOf(v.y), CellOf(v.z));
}

void PointGrid::Move(std::uint32_t index, Key to) {
    Key& from = keyOf[index];
    if (from == to) return;
    if (from != kNotHeld) {
        auto cell = cells.find(from);
        std::vector<std::uint32_t>& list = cell->second;
        *std::find(list.begin(), list.end(), index) = list.back();
        list.pop_back();
        if (list.empty()) cells.erase(cell);
    }
    if (from != kNotHeld) --held;
    if (to != kNotHeld) cells[to].push_back(index);
    if (to != kNotHeld) ++held;
    from = to;
}

void PointGrid::Rebuild(const Body& body) {
    cells.clear();
    held = 0;
    keyOf.assign(body.points.size(), kNotHeld);
    for (std::uint32_t i = 0; i < body.points.size(); ++i) Move(i, KeyOf(body, i));
}

void PointGrid::Sync(const Body& body) {
    float largest = 0.0f;
    for (const Point& p : body.points)
        if (Eligible(p)) largest = std::max(largest, p.owner->GetScale());
    // Cells of one sphere's diameter: a query of a like sphere visits 27.
    const float size = std::max(2.0f * largest, 1.0e-3f);
    if (size != cellSize || keyOf.size() > body.points.size()) {
        maxRadius = largest;
        cellSize = size;
        Rebuild(body);
        return;
    }
    maxRadius = largest;
    keyOf.resize(body.points.size(), kNotHeld);
    for (std::uint32_t i = 0; i < body.points.size(); ++i) Move(i, KeyOf(body, i));
}

void PointGrid::Update(const Body& body, std::uint32_t index) {
    if (index >= keyOf.size()) return;
    const Point& p = body.points[index];
    // A point grown past the cells' size is only found by a new sizing.
    if (Eligible(p) && p.owner->GetScale() > maxRadius) {
        Sync(body);
        return;
    }
    Move(index, KeyOf(body, index));
}
