#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"
#include "world/PointGrid.h"

class Body;
class GameObject;
class Player;

// One point mass. An inverse mass of 0 pins it: integration never moves it.
struct Point {
    float inverseMass = 0.0f;
    std::uint8_t collides = 1;  // takes part in the collision step
    std::uint8_t responds = 1;  // the sphere response may move it
    float compression = 0.0f;   // a trampoline node's charge while it holds something
    D3DXVECTOR3 force;          // gathered since the last integration
    D3DXVECTOR3 position;
    D3DXVECTOR3 velocity;
    GameObject* owner = nullptr;  // its render object follows the point

    void SetPosition(const D3DXVECTOR3* p, bool zeroVelocity);
    void SetPositionXYZ(float x, float y, float z, bool zeroVelocity);
    void SetVelocity(const D3DXVECTOR3* v) { velocity = *v; }
    void SetVelocityXYZ(float x, float y, float z) { velocity = {x, y, z}; }
    void AddForce(const D3DXVECTOR3* f) { force += *f; }
    void AddForceXYZ(float x, float y, float z) { force += D3DXVECTOR3(x, y, z); }
    float SetInverseMass(float m) { return inverseMass = m; }

    // One step of length h; the owner's render object takes the new position.
    void Integrate(float h);
};

// Runs once per point of its body in every step (see Physics::Update).
using ForceFunc = void (*)(Body*);

// A list of point masses moved together by "Physics"; point 0 is the
// owner's own point.
class Body {
public:
    explicit Body(std::uint32_t bodyId) : id(bodyId) {}

    void AddPoint(GameObject* owner, float x, float y, float z, float inverseMass);
    // Points added to any body so far: "Physics" knows by it when the owners'
    // points it has listed may be incomplete.
    static inline std::uint64_t pointsAdded = 0;
    void AddForceFunc(ForceFunc func) { forceFuncs.push_back(func); }

    // Null for an index past the last point (indices come from scripts).
    Point* GetPoint(std::uint32_t index);
    std::uint32_t PointCount() const { return static_cast<std::uint32_t>(points.size()); }

    // Point 0 takes the position and stops.
    void SetPosition(const D3DXVECTOR3* p);
    void SetPositionXYZ(float x, float y, float z);
    void GetPosition(D3DXVECTOR3* out) const;

    std::uint32_t id;
    std::vector<Point> points;
    std::vector<ForceFunc> forceFuncs;

    // While "Physics" steps the body: the point just integrated (the force
    // functions run after each), else -1. A force function that keeps its
    // own account of the points (the trampoline sheet's) reads it, and
    // `collided`, the points of this body that the collision step moved or
    // stopped since the functions last ran (they clear it).
    std::int32_t stepIndex = -1;
    std::vector<std::uint32_t> collided;
};

// One contact of the last step, for the collision conditions of scripts.
// The owners are kept by id: an event of the same frame may delete an owner
// before a condition reads the contact.
struct Contact {
    D3DXVECTOR3 normal;
    float depth = 0.0f;
    std::uint32_t firstOwnerId = 0;
    std::uint32_t secondOwnerId = 0;
};

// Moves every physical thing as point masses: one fixed step per frame of
// running game time (the step does not follow the frame's length, so tuned
// numbers stay the same on any machine speed, while the simulation runs
// faster on a faster one).
class Physics : public System {
public:
    static constexpr float kTimeStep = 0.002f;
    static constexpr float kGravityForce = 50.0f;

    Physics() = default;
    ~Physics() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Update() override;
    bool Shutdown() override;

    // A new body under the next id, its point 0 at the owner's render
    // position; the owner's body field points at it.
    std::uint32_t AddBody(GameObject* owner, float inverseMass);
    // Deletes the first body (in id order) whose point 0 the owner owns.
    void RemoveBody(GameObject* owner);
    // Clears the owner from every point that names it, so that no point
    // keeps an object that is being deleted.
    void ForgetOwner(const GameObject* owner);

    Body* FindBody(std::uint32_t id);
    const std::map<std::int32_t, std::unique_ptr<Body>>& Bodies() const { return bodies; }
    const std::vector<Contact>& Contacts() const { return contacts; }
    // Keeps the contact for the frame's conditions, within the bounds below.
    void AddContact(const Contact& contact);
    // A frame's contacts are kept as they come up to the first number; past
    // it only the first contact of each pair of owners is kept (all that a
    // contact condition asks), up to the second; past that none. Said once.
    // The collision step of a body runs once per point of it, so a sheet
    // lying on another would otherwise list each of its contacts once per
    // node: hundreds of millions a frame.
    static constexpr std::size_t kContactsKept = 65536;
    static constexpr std::size_t kMaxContacts = 1048576;
    float TimeStep() const { return timeStep; }

    // The collision step of one body against the bodies after it.
    void Collide(Body* body);

    // On, the collision step walks every pair of points, as the plain double
    // loop does; the tests compare the pairs it visits with it.
    static inline bool visitEveryPair = false;

private:
    // What the collision rules read of a point besides its state: its
    // owner's kind and id (0 without owner) and its radius. Nothing in the
    // step changes them, so the step reads them once, not in every pair.
    struct Traits {
        std::uint32_t kind = 0;
        std::uint32_t id = 0;
        float radius = 1.0f;
    };
    // A point of some body, by the body's id and the point's index, with
    // its traits as read when the roster was made.
    struct PointRef {
        std::int32_t bodyId;
        Body* body;
        std::uint32_t index;
        Traits traits;
    };
    // The colliding points that have an owner, by what they can meet, each
    // list in id and index order. A pair outside them does nothing (two
    // planes, a plane and a node, a point without owner), so the step
    // visits only pairs drawn from them. Made again at every step, whenever
    // a body comes or goes, and for a call from outside the step; a point
    // that has since lost its owner or its collides flag is passed over.
    // The spheres are also held in a grid, by their place in `spheres`,
    // which follows every point that moves during the step.
    struct Roster {
        std::vector<PointRef> owned;         // what a sphere that is not a node may meet
        std::vector<PointRef> spheres;       // the points that are not planes: what a node may meet
        std::vector<PointRef> planeMeeting;  // spheres that are not nodes: what a plane may meet
        std::vector<PointRef> planes;        // what a sphere that is not a node meets besides spheres
        PointGrid grid;
        bool current = false;
    };
    // The pairs of one body with the later bodies' points that can act,
    // kept from one call of the collision step to the next while the body's
    // points are stepped: between two calls only the points moved since
    // (by the integration or by a pair) change which pairs overlap, so only
    // their pairs are found again.
    struct Sweep {
        Body* body = nullptr;
        std::uint32_t first = 0, later = 0;  // the body's spheres in the roster, then the later ones
        std::vector<std::int32_t> entryOf;   // per point of the body: its place among the spheres, or -1
        std::vector<Traits> traits;          // per point of the body that collides
        // Per point of the body: the later spheres it overlaps, ascending.
        std::vector<std::vector<std::uint32_t>> near;
        std::vector<std::uint64_t> busy;  // per point of the body: it may have pairs
        const PointRef *planesFirst = nullptr, *planesLast = nullptr;  // the later planes
        const PointRef *meetingFirst = nullptr, *meetingLast = nullptr;  // the later spheres a plane meets
    };

    void StepBody(Body* body);
    // The points that named the owner when the owners were last listed (made
    // again once points were added since): removing the objects of a level,
    // one by one, then costs in proportion to them.
    const std::vector<std::pair<std::int32_t, std::uint32_t>>* ListedPointsOf(const GameObject* owner);
    Point* ListedPoint(std::int32_t bodyId, std::uint32_t index);
    void MakeRoster();
    // The listed points of the bodies after this one.
    static std::pair<const PointRef*, const PointRef*> After(const std::vector<PointRef>& list, const Body* body);
    void CollideEveryPair(Body* body);
    // The step's own way through the pairs of the sweep (Collision.cpp).
    bool MeetsNothing(const Body& body) const;
    void StartSweep(Body* body);
    void CollideSweep();
    void CollideRow(std::uint32_t i);
    // A point of the stepped body was integrated: the grid and its pairs
    // follow it.
    void PointMoved(Body* body, std::uint32_t index);
    // A pair pushed a later sphere away from where it was.
    void LaterSphereMoved(std::uint32_t entry, const D3DXVECTOR3& was);
    void FindRow(std::uint32_t i);
    std::int32_t SphereEntryOf(const Body* body, std::uint32_t index) const;
    // The collision step's rules (Collision.cpp), with the points' traits.
    static Traits TraitsOf(const Point& p);
    void CollidePair(Point* p, Point* q, const Traits& a, const Traits& b);
    void PlaneTest(Point* planePoint, Point* sphere, const Traits& planeTraits, const Traits& sphereTraits,
                   bool planeFirst);
    void SpherePair(Point* p, Point* q, const Traits& a, const Traits& b);
    void HoldOrLaunch(Point* node, Point* lander, float depth, float k, Player* player);

    std::map<std::int32_t, std::unique_ptr<Body>> bodies;
    std::vector<Contact> contacts;
    // The owner pairs of the frame's contacts, kept once they pass
    // kContactsKept.
    std::unordered_set<std::uint64_t> contactPairs;
    float timeStep = kTimeStep;
    Body* stepping = nullptr;  // the body whose points are being integrated
    Roster roster;
    Sweep sweep;
    // By owner, its points as (body id, index); entries may be stale (their
    // body gone, or the point no longer naming the owner) but none missing.
    std::unordered_map<const GameObject*, std::vector<std::pair<std::int32_t, std::uint32_t>>> pointsOf;
    std::uint64_t ownersListedAt = ~std::uint64_t(0);  // Body::pointsAdded then
};
