#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/d3dx/Math3D.h"

struct Point;

// A spatial hash of spheres (points of any bodies with their radii), so that
// the collision step finds the few spheres that may overlap a given one
// without walking them all. The radii are read once, when the spheres are
// handed over; the positions are read from the points, so the grid is told
// of every move (Update). Cell coordinates wrap in the key, so far-apart
// cells may share a bucket: a query returns a superset, never less. A
// sphere that can overlap nothing is not held: one whose position is not
// finite, or whose radius is not a number. One of infinite radius overlaps
// whatever is finite, so every query returns it. A query probes only the
// part of its box that overlaps the box of the occupied cells, which the
// grid keeps (a superset between Syncs).
class PointGrid {
public:
    // Off, a query probes every cell of its box, as it did before the
    // occupied box was kept: the tests compare the two.
    static inline bool probeOccupiedOnly = true;

    struct Sphere {
        const Point* point = nullptr;
        float radius = 0.0f;
    };

    // Takes the spheres, each afterwards known by its place in the list.
    void Sync(std::vector<Sphere> list);
    // The sphere's point moved.
    void Update(std::uint32_t entry);

    const Sphere& operator[](std::uint32_t entry) const { return spheres[entry]; }
    std::size_t Size() const { return spheres.size(); }

    // Calls fn(entry) for every held sphere that may overlap a sphere of the
    // radius at q (a superset; the caller tests each exactly). The radii may
    // be negative: two spheres overlap when their distance is below the
    // magnitude of their radii's sum, never more than the sum of their
    // magnitudes.
    template <class Fn>
    void ForEachNear(const D3DXVECTOR3& q, float radius, Fn fn) const;

private:
    using Key = std::uint64_t;
    static constexpr Key kNotHeld = ~Key(0);
    // Beyond this many cells a query walks every sphere instead.
    static constexpr long kMaxCellsPerQuery = 4096;

    // Cell coordinates; a box of them holds both corners.
    struct Cell {
        std::int64_t x = 0, y = 0, z = 0;
    };
    struct Box {
        Cell lo{1, 1, 1}, hi{0, 0, 0};  // empty
        bool Empty() const { return lo.x > hi.x; }
        void Grow(const Cell& c);
    };

    // False for a sphere that is not filed in a cell.
    bool CellOfSphere(std::uint32_t entry, Cell* cell) const;
    static Key Pack(const Cell& c);
    std::int64_t CellOf(float v) const;
    void Move(std::uint32_t entry);
    template <class Fn>
    void ForEachHeld(Fn fn) const;

    std::vector<Sphere> spheres;
    float cellSize = 0.0f;
    float largest = 0.0f;  // the largest finite radius magnitude
    std::vector<Key> keyOf;  // per entry
    std::unordered_map<Key, std::vector<std::uint32_t>> cells;
    std::vector<std::uint32_t> everywhere;  // the spheres of infinite radius
    Box occupied;  // holds the cell of every filed sphere
};

template <class Fn>
void PointGrid::ForEachHeld(Fn fn) const {
    for (const auto& cell : cells)
        for (std::uint32_t entry : cell.second) fn(entry);
}

template <class Fn>
void PointGrid::ForEachNear(const D3DXVECTOR3& q, float radius, Fn fn) const {
    if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z) || std::isnan(radius)) return;
    for (std::uint32_t entry : everywhere) fn(entry);
    const float r = std::fabs(radius) + largest;
    if (!std::isfinite(r)) {
        ForEachHeld(fn);
        return;
    }
    Box probe{{CellOf(q.x - r), CellOf(q.y - r), CellOf(q.z - r)}, {CellOf(q.x + r), CellOf(q.y + r), CellOf(q.z + r)}};
    if (probeOccupiedOnly) {
        probe.lo = {std::max(probe.lo.x, occupied.lo.x), std::max(probe.lo.y, occupied.lo.y),
                    std::max(probe.lo.z, occupied.lo.z)};
        probe.hi = {std::min(probe.hi.x, occupied.hi.x), std::min(probe.hi.y, occupied.hi.y),
                    std::min(probe.hi.z, occupied.hi.z)};
        if (probe.lo.x > probe.hi.x || probe.lo.y > probe.hi.y || probe.lo.z > probe.hi.z) return;
    }
    // In double: a far query's box may span more cells than 64 bits count.
    const double cellsInBox = (double(probe.hi.x) - double(probe.lo.x) + 1.0) *
                              (double(probe.hi.y) - double(probe.lo.y) + 1.0) *
                              (double(probe.hi.z) - double(probe.lo.z) + 1.0);
    if (!(cellsInBox <= double(kMaxCellsPerQuery))) {
        ForEachHeld(fn);
        return;
    }
    for (std::int64_t x = probe.lo.x; x <= probe.hi.x; ++x)
        for (std::int64_t y = probe.lo.y; y <= probe.hi.y; ++y)
            for (std::int64_t z = probe.lo.z; z <= probe.hi.z; ++z) {
                auto it = cells.find(Pack({x, y, z}));
                if (it == cells.end()) continue;
                for (std::uint32_t entry : it->second) fn(entry);
            }
}
