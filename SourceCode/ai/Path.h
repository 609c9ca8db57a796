#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3dx/Math3D.h"

// How a path goes on after its last point.
enum PathLoopMode : std::uint32_t {
    kPathSingle = 0,     // stops on the last point
    kPathCyclic = 1,     // closes back to point 0
    kPathReversing = 2,  // turns round at either end
};

// An ordered list of world points walked one segment at a time by path
// controllers. A reversing path remembers which way it is going, so the
// index and segment-time queries may turn it round at its ends.
class Path {
public:
    explicit Path(std::uint32_t id) : id(id) {}

    // The index that follows point i. Safe for any i: an index past the end
    // restarts at 0, and a path of fewer than two points stays on point 0.
    std::uint32_t NextIndex(std::uint32_t i);
    // What NextIndex(i) would give, leaving the path as it is.
    std::uint32_t PeekNextIndex(std::uint32_t i) const;
    // The time of the segment that leaves point i, in the direction
    // NextIndex(i) has just chosen. 0 where there is no segment to travel.
    float GetSegmentTime(std::uint32_t i);
    // A copy of point i; the origin for an index past the end.
    D3DXVECTOR3 GetPoint(std::uint32_t i) const;
    // Speed such that the whole path takes the stored time.
    void UpdateSpeed();

    void AddPoint(const D3DXVECTOR3& point) { points.push_back(point); }
    std::size_t PointCount() const { return points.size(); }

    std::uint32_t Id() const { return id; }
    std::uint32_t Mode() const { return mode; }
    // Any value is kept; values other than 0..2 close like a cyclic path
    // without taking time for the closing segment.
    void SetMode(std::uint32_t newMode);
    float Speed() const { return speed; }
    void SetSpeed(float newSpeed) { speed = newSpeed; }
    float Time() const { return time; }
    void SetTime(float newTime) { time = newTime; }
    bool IsBackward() const { return backward; }
    // The sum of the segment lengths, with the closing one in cyclic mode.
    float Length() const;

private:
    std::uint32_t Following(std::uint32_t i, bool& goingBack) const;
    float Distance(std::size_t a, std::size_t b) const;
    float Duration(float distance) const;

    std::vector<D3DXVECTOR3> points;
    std::uint32_t mode = kPathSingle;
    std::uint32_t id;
    float speed = 0.1f;
    float time = 1.0f;
    // Set while a reversing path travels toward point 0.
    bool backward = false;
};
