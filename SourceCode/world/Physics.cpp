#include "world/Physics.h"

#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "platform/common/NowRunning.h"
#include "world/GameObject.h"

namespace {
// One counter for the whole process: ids are never reused, not even after
// the bodies of a level are gone.
std::int32_t lastBodyId = 0;
}  // namespace

void Point::SetPosition(const D3DXVECTOR3* p, bool zeroVelocity) {
    position = *p;
    if (zeroVelocity) velocity = D3DXVECTOR3();
}

void Point::SetPositionXYZ(float x, float y, float z, bool zeroVelocity) {
    D3DXVECTOR3 p(x, y, z);
    SetPosition(&p, zeroVelocity);
}

// The tuned constants of every game-world system rest on this exact form:
// four stages each weighted once, in single precision.
void Point::Integrate(float h) {
    const float u = inverseMass * h;
    const D3DXVECTOR3 k1 = force * u;
    const D3DXVECTOR3 k2 = (k1 * 0.5f) * u;
    const D3DXVECTOR3 k3 = k1 * u;
    const D3DXVECTOR3 k4 = (k1 + k3) * u;
    velocity += (k1 + k2 + k3 + k4) * 0.16666667f;
    position += velocity * h;
    if (owner) owner->SetRenderPosition(&position);
}

void Body::AddPoint(GameObject* owner, float x, float y, float z, float inverseMass) {
    Point p;
    p.inverseMass = inverseMass;
    p.position = {x, y, z};
    p.owner = owner;
    points.push_back(p);
    ++pointsAdded;
}

Point* Body::GetPoint(std::uint32_t index) {
    return index < points.size() ? &points[index] : nullptr;
}

void Body::SetPosition(const D3DXVECTOR3* p) {
    if (Point* first = GetPoint(0)) first->SetPosition(p, true);
}

void Body::SetPositionXYZ(float x, float y, float z) {
    D3DXVECTOR3 p(x, y, z);
    SetPosition(&p);
}

void Body::GetPosition(D3DXVECTOR3* out) const {
    *out = points.empty() ? D3DXVECTOR3() : points[0].position;
}

Physics::~Physics() {
    if (initialized) Shutdown();
}

bool Physics::Init(void*, void*) {
    if (initialized) return false;
    name = names::Physics;
    if (!eTable::Register(name, this)) return false;
    initialized = true;
    return true;
}

bool Physics::Shutdown() {
    if (!initialized) return false;
    bodies.clear();
    roster = Roster();
    sweep = Sweep();
    pointsOf.clear();
    ownersListedAt = ~std::uint64_t(0);
    DestroyChildren();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

bool Physics::Update() {
    std::vector<Contact>().swap(contacts);
    std::unordered_set<std::uint64_t>().swap(contactPairs);
    if (!initialized || !active) return false;
    UpdateChildren();
    if (FrameSeconds() == 0.0f) return true;  // paused, or no time passed
    const plat::NowRunning running("running the physics step");
    roster.current = false;
    // Index by id rather than hold iterators: a force function may add or
    // remove bodies (scripts can), and the walk must survive it.
    for (auto it = bodies.begin(); it != bodies.end();) {
        const std::int32_t id = it->first;
        StepBody(it->second.get());
        it = bodies.upper_bound(id);
    }
    return true;
}

void Physics::StepBody(Body* body) {
    stepping = body;
    body->collided.clear();
    for (std::size_t i = 0; i < body->points.size(); ++i) {
        Point& p = body->points[i];
        p.force.y -= kGravityForce;
        p.Integrate(timeStep);
        body->points[i].force = D3DXVECTOR3();
        // Within the step only integration and the collision step move
        // points (force functions add forces), so the grid follows them here.
        PointMoved(body, static_cast<std::uint32_t>(i));
        Collide(body);
        body->stepIndex = static_cast<std::int32_t>(i);
        for (std::size_t f = 0; f < body->forceFuncs.size(); ++f) body->forceFuncs[f](body);
        body->stepIndex = -1;
    }
    body->collided.clear();
    stepping = nullptr;
    sweep.body = nullptr;
}

std::uint32_t Physics::AddBody(GameObject* owner, float inverseMass) {
    const std::int32_t id = ++lastBodyId;
    auto body = std::make_unique<Body>(static_cast<std::uint32_t>(id));
    D3DXVECTOR3 start = owner ? owner->GetRenderPosition() : D3DXVECTOR3();
    body->AddPoint(owner, start.x, start.y, start.z, inverseMass);
    if (owner) owner->body = body.get();
    bodies[id] = std::move(body);
    roster.current = false;
    return static_cast<std::uint32_t>(id);
}

const std::vector<std::pair<std::int32_t, std::uint32_t>>* Physics::ListedPointsOf(const GameObject* owner) {
    if (ownersListedAt != Body::pointsAdded) {
        pointsOf.clear();
        for (const auto& [id, body] : bodies)
            for (std::uint32_t i = 0; i < body->points.size(); ++i)
                if (const GameObject* named = body->points[i].owner) pointsOf[named].emplace_back(id, i);
        ownersListedAt = Body::pointsAdded;
    }
    auto it = pointsOf.find(owner);
    return it == pointsOf.end() ? nullptr : &it->second;
}

Point* Physics::ListedPoint(std::int32_t bodyId, std::uint32_t index) {
    auto it = bodies.find(bodyId);
    return it == bodies.end() ? nullptr : it->second->GetPoint(index);
}

void Physics::RemoveBody(GameObject* owner) {
    auto remove = [this, owner](std::map<std::int32_t, std::unique_ptr<Body>>::iterator it) {
        Body* body = it->second.get();
        // The owner would otherwise keep a pointer to freed memory.
        if (owner && owner->body == body) owner->body = nullptr;
        if (sweep.body == body) sweep.body = nullptr;
        bodies.erase(it);
        roster.current = false;
    };
    if (!owner) {
        for (auto it = bodies.begin(); it != bodies.end(); ++it)
            if (!it->second->points.empty() && !it->second->points[0].owner) return remove(it);
        return;
    }
    // The first body, in id order, whose point 0 still names the owner.
    const auto* listed = ListedPointsOf(owner);
    std::int32_t first = 0;
    bool found = false;
    for (const auto& [bodyId, index] : listed ? *listed : std::vector<std::pair<std::int32_t, std::uint32_t>>()) {
        const Point* p = index == 0 ? ListedPoint(bodyId, 0) : nullptr;
        if (p && p->owner == owner && (!found || bodyId < first)) {
            first = bodyId;
            found = true;
        }
    }
    if (found) remove(bodies.find(first));
}

void Physics::ForgetOwner(const GameObject* owner) {
    if (!owner) return;
    if (const auto* listed = ListedPointsOf(owner)) {
        for (const auto& [bodyId, index] : *listed)
            if (Point* p = ListedPoint(bodyId, index); p && p->owner == owner) p->owner = nullptr;
        pointsOf.erase(owner);
    }
}

Body* Physics::FindBody(std::uint32_t id) {
    auto it = bodies.find(static_cast<std::int32_t>(id));
    return it == bodies.end() ? nullptr : it->second.get();
}
