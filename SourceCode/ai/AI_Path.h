#pragma once
#include <cstdint>

#include "ai/AI.h"

class Path;

// Walks its object along a path of "PathMan", one timed move per segment:
// whenever the object's move has ended it gets the next point and the time
// of the segment leading there.
class AI_Path : public AI {
public:
    AI_Path() : AI(ainames::AI_Path, kAIPath) {}

    bool Update() override;
    void UnbindObject() override;

    // The path to follow (null for none). The walk goes on from the current
    // point when the new path has it, else from point 0.
    void SetPath(Path* newPath);
    Path* GetPath() const { return path; }
    std::uint32_t PointIndex() const { return pointIndex; }
    void SetPointIndex(std::uint32_t index) { pointIndex = index; }

    // True on the last point of a single path (the walk goes nowhere from
    // the current point).
    bool IsAtLastPoint() const;

protected:
    void Restart() override;

private:
    Path* path = nullptr;
    std::uint32_t pointIndex = 0;
};
