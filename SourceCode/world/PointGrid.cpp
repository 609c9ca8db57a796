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

PointGrid::Key PointGrid::Pack(const Cell& c) {
    // 21 bits per axis, wrapping: distinct cells may share a key.
    const auto bits = [](std::int64_t v) { return Key(std::uint64_t(v) & 0x1FFFFF); };
    return bits(c.x) | bits(c.y) << 21 | bits(c.z) << 42;
}

void PointGrid::Box::Grow(const Cell& c) {
    if (Empty()) {
        lo = hi = c;
        return;
    }
    lo = {std::min(lo.x, c.x), std::min(lo.y, c.y), std::min(lo.z, c.z)};
    hi = {std::max(hi.x, c.x), std::max(hi.y, c.y), std::max(hi.z, c.z)};
}

// In double, clamped, so that no finite coordinate overflows the index.
std::int64_t PointGrid::CellOf(float v) const {
    const double cell = std::floor(double(v) / double(cellSize));
    return std::int64_t(std::clamp(cell, -4.0e18, 4.0e18));
}

bool PointGrid::CellOfPoint(const Body& body, std::uint32_t index, Cell* cell) const {
    const Point& p = body.points[index];
    if (!Eligible(p)) return false;
    const D3DXVECTOR3& v = p.position;
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
    *cell = {CellOf(v.x), CellOf(v.y), CellOf(v.z)};
    return true;
}

// Files the point under its current cell; the occupied box grows to hold it.
void PointGrid::Move(std::uint32_t index, const Body& body) {
    Cell cell;
    const bool holds = CellOfPoint(body, index, &cell);
    const Key to = holds ? Pack(cell) : kNotHeld;
    if (holds) occupied.Grow(cell);
    Key& from = keyOf[index];
    if (from == to) return;
    if (from != kNotHeld) {
        auto found = cells.find(from);
        std::vector<std::uint32_t>& list = found->second;
        *std::find(list.begin(), list.end(), index) = list.back();
        list.pop_back();
        if (list.empty()) cells.erase(found);
    }
    if (from != kNotHeld) --held;
    if (to != kNotHeld) cells[to].push_back(index);
    if (to != kNotHeld) ++held;
    from = to;
}

void PointGrid::EmptyCells(const Body& body) {
    cells.clear();
    held = 0;
    keyOf.assign(body.points.size(), kNotHeld);
}

void PointGrid::Sync(const Body& body) {
    float largest = 0.0f;
    for (const Point& p : body.points)
        if (Eligible(p)) largest = std::max(largest, p.owner->GetScale());
    // Cells of one sphere's diameter: a query of a like sphere visits 27.
    const float size = std::max(2.0f * largest, 1.0e-3f);
    if (size != cellSize || keyOf.size() > body.points.size()) {
        cellSize = size;
        EmptyCells(body);
    }
    maxRadius = largest;
    keyOf.resize(body.points.size(), kNotHeld);
    // The points moved since the last Sync: the box is made anew, tight.
    occupied = Box();
    for (std::uint32_t i = 0; i < body.points.size(); ++i) Move(i, body);
}

void PointGrid::Update(const Body& body, std::uint32_t index) {
    if (index >= keyOf.size()) return;
    const Point& p = body.points[index];
    // A point grown past the cells' size is only found by a new sizing.
    if (Eligible(p) && p.owner->GetScale() > maxRadius) {
        Sync(body);
        return;
    }
    Move(index, body);
}
