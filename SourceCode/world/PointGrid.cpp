#include "world/PointGrid.h"

#include <algorithm>
#include <cmath>

#include "world/Physics.h"

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

bool PointGrid::CellOfSphere(std::uint32_t entry, Cell* cell) const {
    const Sphere& s = spheres[entry];
    if (!std::isfinite(s.radius)) return false;
    const D3DXVECTOR3& v = s.point->position;
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
    *cell = {CellOf(v.x), CellOf(v.y), CellOf(v.z)};
    return true;
}

// Files the sphere under its current cell; the occupied box grows to hold it.
void PointGrid::Move(std::uint32_t entry) {
    Cell cell;
    const bool filed = CellOfSphere(entry, &cell);
    const Key to = filed ? Pack(cell) : kNotHeld;
    if (filed) occupied.Grow(cell);
    Key& from = keyOf[entry];
    if (from == to) return;
    if (from != kNotHeld) {
        auto found = cells.find(from);
        std::vector<std::uint32_t>& list = found->second;
        *std::find(list.begin(), list.end(), entry) = list.back();
        list.pop_back();
        if (list.empty()) cells.erase(found);
    }
    if (to != kNotHeld) cells[to].push_back(entry);
    from = to;
}

void PointGrid::Sync(std::vector<Sphere> list) {
    spheres = std::move(list);
    largest = 0.0f;
    everywhere.clear();
    for (std::uint32_t i = 0; i < spheres.size(); ++i) {
        const float r = std::fabs(spheres[i].radius);
        if (std::isinf(r))
            everywhere.push_back(i);
        else if (r > largest)
            largest = r;
    }
    // Cells of the largest sphere's diameter: a query of a like sphere
    // visits 27. The buckets are kept while the size holds.
    const float size = std::max(2.0f * largest, 1.0e-3f);
    if (size != cellSize || keyOf.size() > spheres.size()) {
        cellSize = size;
        cells.clear();
        keyOf.clear();
    }
    keyOf.resize(spheres.size(), kNotHeld);
    // The spheres moved since the last Sync: the box is made anew, tight.
    occupied = Box();
    for (std::uint32_t i = 0; i < spheres.size(); ++i) Move(i);
}

void PointGrid::Update(std::uint32_t entry) {
    if (entry < keyOf.size()) Move(entry);
}
