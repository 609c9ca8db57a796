#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/d3dx/Math3D.h"

class Body;

// A spatial hash of the points of one body that can meet spheres, so that
// the collision step finds the few points near a sphere of a later body
// without walking the whole body. It holds indices, not pointers: the body
// may grow. Kept in step with the points by Sync (once a step, before the
// body moves) and Update (after any one point moved). Cell coordinates wrap
// in the key, so far-apart cells may share a bucket: a query returns a
// superset, never less. A point with a coordinate that is not finite can
// meet nothing (every distance to it fails the overlap test) and is not held.
// A query probes only the part of its box that overlaps the box of the
// occupied cells, which the grid keeps (a superset between Syncs).
class PointGrid {
public:
    // Off, a query probes every cell of its box, as it did before the
    // occupied box was kept: the tests compare the two.
    static inline bool probeOccupiedOnly = true;

    // Brings every point's cell up to date: after the points moved, gained or
    // lost their collides flag, or changed size.
    void Sync(const Body& body);
    // One point moved (or changed otherwise).
    void Update(const Body& body, std::uint32_t index);

    // Calls fn(index) for every held point that may lie within reach + its
    // own radius of q (a superset; the caller tests each exactly).
    template <class Fn>
    void ForEachNear(const D3DXVECTOR3& q, float reach, Fn fn) const;

    float MaxRadius() const { return maxRadius; }
    std::size_t Count() const { return held; }

private:
    using Key = std::uint64_t;
    static constexpr Key kNotHeld = ~Key(0);
    // Beyond this many cells a query walks every point instead.
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

    // False for a point the grid does not hold.
    bool CellOfPoint(const Body& body, std::uint32_t index, Cell* cell) const;
    static Key Pack(const Cell& c);
    std::int64_t CellOf(float v) const;
    void Move(std::uint32_t index, const Body& body);
    void EmptyCells(const Body& body);

    float cellSize = 0.0f;
    float maxRadius = 0.0f;
    std::size_t held = 0;
    std::vector<Key> keyOf;  // per point index
    std::unordered_map<Key, std::vector<std::uint32_t>> cells;
    Box occupied;  // holds the cell of every held point
};

template <class Fn>
void PointGrid::ForEachNear(const D3DXVECTOR3& q, float reach, Fn fn) const {
    if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z)) return;
    const float r = reach + maxRadius;
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
        for (const auto& cell : cells)
            for (std::uint32_t index : cell.second) fn(index);
        return;
    }
    for (std::int64_t x = probe.lo.x; x <= probe.hi.x; ++x)
        for (std::int64_t y = probe.lo.y; y <= probe.hi.y; ++y)
            for (std::int64_t z = probe.lo.z; z <= probe.hi.z; ++z) {
                auto it = cells.find(Pack({x, y, z}));
                if (it == cells.end()) continue;
                for (std::uint32_t index : it->second) fn(index);
            }
}
