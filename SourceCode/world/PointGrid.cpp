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
    // 21 bits per axis: cells of kFarAway reach stay well inside them for any
    // cell size the step uses (the far list takes the rest).
    const auto bits = [](std::int64_t v) { return Key(std::uint64_t(v) & 0x1FFFFF); };
    return bits(x) | bits(y) << 21 | bits(z) << 42;
}

std::int64_t PointGrid::CellOf(float v) const { return std::int64_t(std::floor(v / cellSize)); }

PointGrid::Key PointGrid::KeyOf(const Body& body, std::uint32_t index) const {
    const Point& p = body.points[index];
    if (!Eligible(p)) return kNotHeld;
    const D3DXVECTOR3& v = p.position;
    if (!(v.x > -kFarAway && v.x < kFarAway && v.y > -kFarAway && v.y < kFarAway && v.z > -kFarAway &&
          v.z < kFarAway))
        return kFar;
    return Pack(CellOf(v.x), CellOf(v.y), CellOf(v.z));
}

void PointGrid::Move(std::uint32_t index, Key to) {
    Key& from = keyOf[index];
    if (from == to) return;
    if (from == kFar) {
        far.erase(std::find(far.begin(), far.end(), index));
    } else if (from != kNotHeld) {
        auto cell = cells.find(from);
        std::vector<std::uint32_t>& list = cell->second;
        *std::find(list.begin(), list.end(), index) = list.back();
        list.pop_back();
        if (list.empty()) cells.erase(cell);
    }
    if (from != kNotHeld) --held;
    if (to == kFar)
        far.push_back(index);
    else if (to != kNotHeld)
        cells[to].push_back(index);
    if (to != kNotHeld) ++held;
    from = to;
}

void PointGrid::Rebuild(const Body& body) {
    cells.clear();
    far.clear();
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
