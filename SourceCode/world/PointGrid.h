#pragma once
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
class PointGrid {
public:
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

    Key KeyOf(const Body& body, std::uint32_t index) const;
    static Key Pack(std::int64_t x, std::int64_t y, std::int64_t z);
    std::int64_t CellOf(float v) const;
    void Move(std::uint32_t index, Key to);
    void Rebuild(const Body& body);

    float cellSize = 0.0f;
    float maxRadius = 0.0f;
    std::size_t held = 0;
    std::vector<Key> keyOf;  // per point index
    std::unordered_map<Key, std::vector<std::uint32_t>> cells;
};

template <class Fn>
void PointGrid::ForEachNear(const D3DXVECTOR3& q, float reach, Fn fn) const {
    if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z)) return;
    const float r = reach + maxRadius;
    const double cellsAcross = double(2.0f * r) / double(cellSize) + 2.0;
    if (!(cellsAcross * cellsAcross * cellsAcross <= double(kMaxCellsPerQuery))) {
        for (const auto& cell : cells)
            for (std::uint32_t index : cell.second) fn(index);
        return;
    }
    const std::int64_t x0 = CellOf(q.x - r), x1 = CellOf(q.x + r);
    const std::int64_t y0 = CellOf(q.y - r), y1 = CellOf(q.y + r);
    const std::int64_t z0 = CellOf(q.z - r), z1 = CellOf(q.z + r);
    for (std::int64_t x = x0; x <= x1; ++x)
        for (std::int64_t y = y0; y <= y1; ++y)
            for (std::int64_t z = z0; z <= z1; ++z) {
                auto it = cells.find(Pack(x, y, z));
                if (it == cells.end()) continue;
                for (std::uint32_t index : it->second) fn(index);
            }
}
