// The collision step of "Physics": the points of one body against the
// points of every later body, as spheres against spheres and against plane
// squares, with the trampoline nodes' hold and launch.
#include "world/Collision.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "characters/Player.h"
#include "platform/common/ErrorLog.h"
#include "world/GameObject.h"
#include "world/Plane.h"

namespace collision {

bool SphereTest(const D3DXVECTOR3& a, float rA, const D3DXVECTOR3& b, float rB, Contact* out) {
    const D3DXVECTOR3 between = b - a;
    const float reach = rA + rB;
    const float distanceSq = D3DXVec3LengthSq(&between);
    if (!(distanceSq < reach * reach)) return false;
    const float distance = std::sqrt(distanceSq);
    // Centres that coincide give no direction; up keeps the response finite.
    if (distance == 0.0f)
        out->normal = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    else
        D3DXVec3Normalize(&out->normal, &between);
    out->depth = std::fabs(distance - reach);
    return true;
}

bool SameSignMajorAxis(const D3DXVECTOR3& a, const D3DXVECTOR3& n) {
    int axis = 2;
    if (std::fabs(n.x) > std::fabs(n.y))
        axis = 0;
    else if (std::fabs(n.y) > std::fabs(n.z))
        axis = 1;
    const float av = (&a.x)[axis], nv = (&n.x)[axis];
    return (av >= 0.0f) == (nv >= 0.0f);
}

void ResolveContact(Point* a, Point* b, const Contact& contact, float j) {
    const bool aActs = a->responds || b->inverseMass == 0.0f;
    const bool bActs = b->responds || a->inverseMass == 0.0f;
    const D3DXVECTOR3 push = contact.normal * (contact.depth / 2.0f);
    if (aActs) {
        a->position -= push;
        a->velocity = contact.normal * (j * a->inverseMass);
    }
    if (bActs) {
        b->position += push;
        b->velocity = contact.normal * (-j * b->inverseMass);
    }
}

}  // namespace collision

namespace {

using namespace collision;

std::uint32_t KindOf(const GameObject* owner) { return owner ? owner->kind : 0; }
bool IsPlane(const GameObject* owner) { return KindOf(owner) == kKindPlane; }
bool IsNode(const GameObject* owner) { return KindOf(owner) == kKindTrampNode; }
Player* AsPlayer(GameObject* owner) {
    return KindOf(owner) == kKindPlayer ? static_cast<Player*>(owner) : nullptr;
}
float RadiusOf(const Point& p) { return p.owner ? p.owner->GetScale() : 1.0f; }
std::uint32_t IdOf(const GameObject* owner) { return owner ? owner->id : 0; }

bool InsideEdge(const D3DXVECTOR3& s, const D3DXVECTOR3& from, const D3DXVECTOR3& to, const D3DXVECTOR3& n) {
    D3DXVECTOR3 side, edge = to - from, toSphere = s - from;
    D3DXVec3Cross(&side, &toSphere, &edge);
    D3DXVec3Normalize(&side, &side);
    return SameSignMajorAxis(side, n);
}

}  // namespace

// The sphere rebounds from the plane's square without loss: only the part of
// its velocity along the normal turns round. Only a sphere moving into the
// plane turns: one already leaving it, turned back, would stay caught in the
// plane's slab, rebounding every step and sinking until it fell through (and
// a character would take each of those turns for a rebound of its own). The
// turning sphere is also put back onto the plane's surface on its own side:
// left where it was, a sphere at rest lost the step's sinking at every
// bounce and went through the ground within a few hundred steps. A sphere
// that fell into the slab is lifted by no more than its last step sank it,
// so a bounce still gains no height. A touching sphere's contact counts
// either way.
void Physics::PlaneTest(Point* planePoint, Point* sphere, bool planeFirst) {
    auto* plane = static_cast<Plane*>(planePoint->owner);
    const D3DXVECTOR3& n = plane->normal;
    const D3DXVECTOR3 c = plane->GetRenderPosition();
    const float r = RadiusOf(*sphere);
    const float d = D3DXVec3Dot(&sphere->position, &n) - D3DXVec3Dot(&c, &n);
    if (!(std::fabs(d) < r)) return;
    const D3DXVECTOR3* k = plane->corners;
    const D3DXVECTOR3& s = sphere->position;
    if (!InsideEdge(s, k[1], k[0], n) || !InsideEdge(s, k[0], k[2], n) || !InsideEdge(s, k[2], k[3], n) ||
        !InsideEdge(s, k[3], k[1], n))
        return;
    const float along = D3DXVec3Dot(&sphere->velocity, &n);
    if (along * d < 0.0f) {
        sphere->velocity -= n * (2.0f * along);
        sphere->position += n * (std::copysign(r, d) - d);
    }
    Contact contact;
    contact.normal = n;
    contact.depth = d - r;
    contact.firstOwnerId = IdOf(planeFirst ? planePoint->owner : sphere->owner);
    contact.secondOwnerId = IdOf(planeFirst ? sphere->owner : planePoint->owner);
    AddContact(contact);
}

void Physics::SpherePair(Point* p, Point* q) {
    Contact contact;
    if (!SphereTest(p->position, RadiusOf(*p), q->position, RadiusOf(*q), &contact)) return;
    float k = 0.0f;
    Player* player = nullptr;
    if (Player* first = AsPlayer(p->owner)) {
        player = first;
        k = first->reboundCommand;
    }
    if (Player* second = AsPlayer(q->owner)) {
        player = second;
        k = second->reboundCommand;
    }
    k *= kReboundFactor;
    contact.firstOwnerId = IdOf(p->owner);
    contact.secondOwnerId = IdOf(q->owner);
    AddContact(contact);

    if (!p->responds || !q->responds || !(p->inverseMass > 0.0f) || !(q->inverseMass > 0.0f)) return;
    const D3DXVECTOR3 relative = p->velocity - q->velocity;
    const float w = D3DXVec3Dot(&relative, &contact.normal);
    const bool withPlayer = AsPlayer(p->owner) || AsPlayer(q->owner);
    const float e = withPlayer ? kPlayerRestitution : kRestitution;
    const float j = -(1.0f + e) * w /
                    ((p->inverseMass + q->inverseMass) * D3DXVec3LengthSq(&contact.normal));
    if (w < 0.0f) return;  // already parting
    if (!IsNode(p->owner) && !IsNode(q->owner)) {
        ResolveContact(p, q, contact, j);
        return;
    }
    Point* node = IsNode(p->owner) ? p : q;
    Point* lander = node == p ? q : p;
    // Only what comes onto the sheet from above (or level with a node) is
    // held. Held from below, a node would take the lander's upward speed and
    // be pushed up, and the launch would send the lander straight back into
    // it: a character hopping under the sheet would carry the node up hop by
    // hop until the sheet stood up in a peak. From below, a node lets the
    // sphere through, as the gaps between the nodes do.
    if (lander->position.y < node->position.y) return;
    HoldOrLaunch(node, lander, contact.depth, k, player);
}

// A trampoline node holds what lands on it: both sink together, the lander
// slowing as the node's charge grows, until the charge passes the threshold
// and the lander leaves straight up.
void Physics::HoldOrLaunch(Point* node, Point* lander, float depth, float k, Player* player) {
    if (player) player->onTrampoline = 1;
    const D3DXVECTOR3 v = lander->velocity;
    const float speed = D3DXVec3Length(&v);
    // Without a speed there is no direction to sink in: no push.
    if (speed > 0.0f) {
        const D3DXVECTOR3 push = v / speed * (depth / 2.0f);
        const D3DXVECTOR3 nodeTo = node->position + push, landerTo = lander->position - push;
        node->SetPosition(&nodeTo, true);
        lander->SetPosition(&landerTo, true);
    } else {
        node->velocity = lander->velocity = D3DXVECTOR3();
    }
    const float t = kMassTerm / lander->inverseMass + std::fabs(v.y) + k;
    const float threshold = std::fabs(t);
    // A threshold of 0 cannot be charged against: the lander leaves at once.
    if (node->compression > threshold || threshold == 0.0f) {
        node->compression = 0.0f;
        lander->velocity = D3DXVECTOR3(0.0f, t + kLaunchBase, 0.0f);
        if (player) player->onTrampoline = 0;
        return;
    }
    node->velocity = v;
    const float slowDown = std::fmin(1.0f, (1.0f - node->compression / threshold) + kHoldFloor);
    lander->velocity = v * slowDown;
    node->compression += kHoldCharge;
}

namespace {
std::uint64_t OwnerPairOf(const Contact& c) {
    const std::uint32_t low = std::min(c.firstOwnerId, c.secondOwnerId);
    const std::uint32_t high = std::max(c.firstOwnerId, c.secondOwnerId);
    return std::uint64_t(low) << 32 | high;
}
}  // namespace

void Physics::AddContact(const Contact& contact) {
    if (contacts.size() < kContactsKept) {
        contacts.push_back(contact);
        return;
    }
    if (contactPairs.empty()) {
        plat::LogErrorOnce("Error: More than " + std::to_string(kContactsKept) +
                           " contacts in one frame: past them only the first contact of each pair of objects is kept");
        for (const Contact& kept : contacts) contactPairs.insert(OwnerPairOf(kept));
    }
    if (contacts.size() >= kMaxContacts) return;
    if (contactPairs.insert(OwnerPairOf(contact)).second) contacts.push_back(contact);
}

// One point pair by the first rule that applies: a plane and a sphere (never
// a node), or two spheres; planes meet no planes and nodes no planes.
void Physics::CollidePair(Point* p, Point* q) {
    GameObject* a = p->owner;
    GameObject* b = q->owner;
    if (IsPlane(a) && b && !IsPlane(b) && !IsNode(b)) {
        PlaneTest(p, q, true);
    } else if (IsPlane(b) && a && !IsPlane(a) && !IsNode(a)) {
        PlaneTest(q, p, false);
    } else if (a && b && !IsPlane(a) && !IsPlane(b)) {
        SpherePair(p, q);
    }
}

Physics::BodyIndex* Physics::IndexOf(Body* body) {
    if (body->points.size() < kIndexedPoints) {
        indices.erase(body->id);
        return nullptr;
    }
    return &indices[body->id];
}

void Physics::SyncIndex(Body* body, BodyIndex& index) {
    index.grid.Sync(*body);
    index.planes.clear();
    index.planeMeetingSpheres.clear();
    for (std::uint32_t i = 0; i < body->points.size(); ++i) {
        const Point& p = body->points[i];
        if (!p.collides || !p.owner) continue;
        if (IsPlane(p.owner))
            index.planes.push_back(i);
        else if (!IsNode(p.owner))
            index.planeMeetingSpheres.push_back(i);
    }
}

void Physics::MakeRoster() {
    roster.owned.clear();
    roster.spheres.clear();
    roster.planeMeeting.clear();
    for (const auto& [id, body] : bodies) {
        for (std::uint32_t i = 0; i < body->points.size(); ++i) {
            const Point& p = body->points[i];
            if (!p.collides || !p.owner) continue;
            const PointRef ref{id, body.get(), i};
            roster.owned.push_back(ref);
            if (IsPlane(p.owner)) continue;
            roster.spheres.push_back(ref);
            if (!IsNode(p.owner)) roster.planeMeeting.push_back(ref);
        }
    }
    roster.current = true;
}

std::pair<const Physics::PointRef*, const Physics::PointRef*> Physics::After(const std::vector<PointRef>& list,
                                                                             const Body* body) {
    const auto first = std::upper_bound(list.begin(), list.end(), static_cast<std::int32_t>(body->id),
                                        [](std::int32_t id, const PointRef& ref) { return id < ref.bodyId; });
    return {list.data() + (first - list.begin()), list.data() + list.size()};
}

// The points that an owned point may do something with: a plane meets the
// spheres that are not nodes, a node meets spheres, any other sphere meets
// both planes and spheres.
const std::vector<Physics::PointRef>& Physics::WhatMeets(const Point& p) const {
    if (IsPlane(p.owner)) return roster.planeMeeting;
    if (IsNode(p.owner)) return roster.spheres;
    return roster.owned;
}

void Physics::Collide(Body* body) {
    if (visitEveryPair) {
        CollideEveryPair(body);
        return;
    }
    // Called from outside the step, anything may have changed since.
    if (stepping != body || !roster.current) MakeRoster();
    BodyIndex* index = IndexOf(body);
    if (!index) {
        CollideListedPairs(body);
        return;
    }
    if (stepping != body) SyncIndex(body, *index);
    CollideNearPairs(body, *index);
}

// Every colliding point of the body against every point of the later
// bodies, in the order of the points and of the bodies' ids.
void Physics::CollideEveryPair(Body* body) {
    auto later = bodies.upper_bound(static_cast<std::int32_t>(body->id));
    for (std::size_t i = 0; i < body->points.size(); ++i) {
        Point& p = body->points[i];
        if (!p.collides) continue;
        const D3DXVECTOR3 wasPosition = p.position, wasVelocity = p.velocity;
        for (auto it = later; it != bodies.end(); ++it) {
            std::vector<Point>& others = it->second->points;
            for (std::size_t k = 0; k < others.size(); ++k) {
                if (others[k].collides) CollidePair(&p, &others[k]);
            }
        }
        if (p.position != wasPosition || p.velocity != wasVelocity)
            body->collided.push_back(static_cast<std::uint32_t>(i));
    }
}

// The pairs of the double loop, in its order, less those that cannot do
// anything: each point meets only the later points listed as what it may
// meet. With many pinned planes about (a level of baskets) most pairs are
// two planes, and the step no longer grows with their square.
void Physics::CollideListedPairs(Body* body) {
    for (std::size_t i = 0; i < body->points.size(); ++i) {
        Point& p = body->points[i];
        if (!p.collides || !p.owner) continue;
        const D3DXVECTOR3 wasPosition = p.position, wasVelocity = p.velocity;
        const auto [first, last] = After(WhatMeets(p), body);
        for (const PointRef* ref = first; ref != last; ++ref) {
            if (ref->index >= ref->body->points.size()) continue;
            Point& q = ref->body->points[ref->index];
            if (q.collides) CollidePair(&p, &q);
        }
        if (p.position != wasPosition || p.velocity != wasVelocity)
            body->collided.push_back(static_cast<std::uint32_t>(i));
    }
}

// The same pairs in the same order, with the same results, without walking
// them all: only pairs in which something can happen are visited (spheres
// that overlap, found through the body's grid, and every pair of a plane and
// a sphere that may meet it). Nothing in a pair that does nothing changes
// the state, and only a pair's position pushes can change which later pairs
// act, so after a push the pairs still to come are found again.
void Physics::CollideNearPairs(Body* body, BodyIndex& index) {
    // Later planes meet only the body's spheres that are not nodes.
    const auto& candidates = index.planeMeetingSpheres.empty() ? roster.spheres : roster.owned;
    std::vector<Point*> later;
    const auto [first, last] = After(candidates, body);
    for (const PointRef* ref = first; ref != last; ++ref) {
        if (ref->index >= ref->body->points.size()) continue;
        Point& q = ref->body->points[ref->index];
        if (q.collides && q.owner) later.push_back(&q);
    }
    if (later.empty()) return;

    struct Pair {
        std::uint32_t p, q;  // index in the body, position in `later`
        bool operator<(const Pair& o) const { return p != o.p ? p < o.p : q < o.q; }
    };
    std::vector<Pair> pairs;
    auto findPairs = [&](const Pair* after) {
        pairs.clear();
        auto add = [&](std::uint32_t p, std::uint32_t q) {
            Pair pair{p, q};
            if (!after || *after < pair) pairs.push_back(pair);
        };
        for (std::uint32_t qi = 0; qi < later.size(); ++qi) {
            Point& q = *later[qi];
            if (IsPlane(q.owner)) {
                for (std::uint32_t p : index.planeMeetingSpheres) add(p, qi);
                continue;
            }
            if (!IsNode(q.owner))
                for (std::uint32_t p : index.planes) add(p, qi);
            const float rQ = RadiusOf(q);
            index.grid.ForEachNear(q.position, rQ, [&](std::uint32_t p) {
                const Point& a = body->points[p];
                Contact unused;
                if (SphereTest(a.position, RadiusOf(a), q.position, rQ, &unused)) add(p, qi);
            });
        }
        std::sort(pairs.begin(), pairs.end());
    };

    findPairs(nullptr);
    for (std::size_t i = 0; i < pairs.size();) {
        const Pair pair = pairs[i];
        Point* p = &body->points[pair.p];
        Point* q = later[pair.q];
        const D3DXVECTOR3 wasP = p->position, wasQ = q->position, wasVelocity = p->velocity;
        CollidePair(p, q);
        if (p->position != wasP || p->velocity != wasVelocity) body->collided.push_back(pair.p);
        if (p->position == wasP && q->position == wasQ) {
            ++i;
            continue;
        }
        index.grid.Update(*body, pair.p);
        findPairs(&pair);
        i = 0;
    }
}
