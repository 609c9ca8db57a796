#include "ai/AI_Path.h"

#include "ai/Path.h"
#include "world/GameObject.h"

void AI_Path::Restart() {
    path = nullptr;
    pointIndex = 0;
}

void AI_Path::UnbindObject() {
    AI::UnbindObject();
    pointIndex = 0;
}

void AI_Path::SetPath(Path* newPath) {
    path = newPath;
    if (path && pointIndex >= path->PointCount()) pointIndex = 0;
}

bool AI_Path::IsAtLastPoint() const {
    return path && Object() && path->PeekNextIndex(pointIndex) == pointIndex;
}

bool AI_Path::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    GameObject* object = Object();
    if (!path || !object) return false;
    if (object->moving) return true;
    // Points may have been added to the path or the path replaced meanwhile.
    if (path->PointCount() == 0) return true;
    if (pointIndex >= path->PointCount()) pointIndex = 0;

    const std::uint32_t next = path->NextIndex(pointIndex);
    const D3DXVECTOR3 point = path->GetPoint(next);
    const float time = path->GetSegmentTime(pointIndex);
    object->SetMoveTarget(0, time, point.x, point.y, point.z);
    pointIndex = next;
    return true;
}
