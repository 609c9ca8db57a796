// The collision step of "Physics": the points of one body against the
// points of every later body, as spheres against spheres and against plane
// squares, with the trampoline nodes' hold and launch.
#include "world/Collision.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <tuple>

#include "characters/Player.h"
#include "platform/common/ErrorLog.h"
#include "world/GameObject.h"
#include "world/Plane.h"

namespace collision {

bool Overlaps(const D3DXVECTOR3& a, float rA, const D3DXVECTOR3& b, float rB) {
    const D3DXVECTOR3 between = b - a;
    const float reach = rA + rB;
    return D3DXVec3LengthSq(&between) < reach * reach;
}

bool SphereTest(const D3DXVECTOR3& a, float rA, const D3DXVECTOR3& b, float rB, Contact* out) {
    // As Overlaps tests it, computed once for the depth as well.
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
void Physics::PlaneTest(Point* planePoint, Point* sphere, const Traits& planeTraits, const Traits& sphereTraits,
                        bool planeFirst) {
    auto* plane = static_cast<Plane*>(planePoint->owner);
    const float r = sphereTraits.radius;
    const D3DXVECTOR3& n = plane->normal;
    const D3DXVECTOR3 c = plane->GetRenderPosition();
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
    contact.firstOwnerId = planeFirst ? planeTraits.id : sphereTraits.id;
    contact.secondOwnerId = planeFirst ? sphereTraits.id : planeTraits.id;
    AddContact(contact);
}

void Physics::SpherePair(Point* p, Point* q, const Traits& a, const Traits& b) {
    Contact contact;
    if (!SphereTest(p->position, a.radius, q->position, b.radius, &contact)) return;
    float k = 0.0f;
    Player* player = nullptr;
    Player* first = a.kind == kKindPlayer ? static_cast<Player*>(p->owner) : nullptr;
    Player* second = b.kind == kKindPlayer ? static_cast<Player*>(q->owner) : nullptr;
    if (first) {
        player = first;
        k = first->reboundCommand;
    }
    if (second) {
        player = second;
        k = second->reboundCommand;
    }
    k *= kReboundFactor;
    contact.firstOwnerId = a.id;
    contact.secondOwnerId = b.id;
    AddContact(contact);

    if (!p->responds || !q->responds || !(p->inverseMass > 0.0f) || !(q->inverseMass > 0.0f)) return;
    const D3DXVECTOR3 relative = p->velocity - q->velocity;
    const float w = D3DXVec3Dot(&relative, &contact.normal);
    const bool withPlayer = first || second;
    const float e = withPlayer ? kPlayerRestitution : kRestitution;
    const float j = -(1.0f + e) * w /
                    ((p->inverseMass + q->inverseMass) * D3DXVec3LengthSq(&contact.normal));
    if (w < 0.0f) return;  // already parting
    const bool pIsNode = a.kind == kKindTrampNode;
    if (!pIsNode && b.kind != kKindTrampNode) {
        ResolveContact(p, q, contact, j);
        return;
    }
    Point* node = pIsNode ? p : q;
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
void Physics::CollidePair(Point* p, Point* q, const Traits& a, const Traits& b) {
    const bool aPlane = p->owner && a.kind == kKindPlane, bPlane = q->owner && b.kind == kKindPlane;
    const bool aNode = p->owner && a.kind == kKindTrampNode, bNode = q->owner && b.kind == kKindTrampNode;
    if (aPlane && q->owner && !bPlane && !bNode) {
        PlaneTest(p, q, a, b, true);
    } else if (bPlane && p->owner && !aPlane && !aNode) {
        PlaneTest(q, p, b, a, false);
    } else if (p->owner && q->owner && !aPlane && !bPlane) {
        SpherePair(p, q, a, b);
    }
}

Physics::Traits Physics::TraitsOf(const Point& p) { return {KindOf(p.owner), IdOf(p.owner), RadiusOf(p)}; }

// The radii are read here, once a step: nothing in the step changes them.
void Physics::MakeRoster() {
    roster.owned.clear();
    roster.spheres.clear();
    roster.planeMeeting.clear();
    roster.planes.clear();
    for (const auto& [id, body] : bodies) {
        for (std::uint32_t i = 0; i < body->points.size(); ++i) {
            const Point& p = body->points[i];
            if (!p.collides || !p.owner) continue;
            const PointRef ref{id, body.get(), i, TraitsOf(p)};
            roster.owned.push_back(ref);
            if (IsPlane(p.owner)) {
                roster.planes.push_back(ref);
                continue;
            }
            roster.spheres.push_back(ref);
            if (!IsNode(p.owner)) roster.planeMeeting.push_back(ref);
        }
    }
    std::vector<PointGrid::Sphere> spheres;
    spheres.reserve(roster.spheres.size());
    for (const PointRef& ref : roster.spheres) spheres.push_back({&ref.body->points[ref.index], ref.traits.radius});
    roster.grid.Sync(std::move(spheres));
    roster.current = true;
    sweep.body = nullptr;
}

std::pair<const Physics::PointRef*, const Physics::PointRef*> Physics::After(const std::vector<PointRef>& list,
                                                                             const Body* body) {
    const auto first = std::upper_bound(list.begin(), list.end(), static_cast<std::int32_t>(body->id),
                                        [](std::int32_t id, const PointRef& ref) { return id < ref.bodyId; });
    return {list.data() + (first - list.begin()), list.data() + list.size()};
}

namespace {

// The place of a point in the order of the double loop.
std::uint64_t OrderOf(std::int32_t bodyId, std::uint32_t index) {
    return std::uint64_t(std::uint32_t(bodyId)) << 32 | index;
}

constexpr std::uint32_t kNoRow = ~std::uint32_t(0);

void MarkBusy(std::vector<std::uint64_t>& busy, std::uint32_t i) { busy[i >> 6] |= std::uint64_t(1) << (i & 63); }

std::uint32_t NextBusy(const std::vector<std::uint64_t>& busy, std::uint32_t from) {
    std::size_t w = from >> 6;
    if (w >= busy.size()) return kNoRow;
    std::uint64_t word = busy[w] & (~std::uint64_t(0) << (from & 63));
    while (!word) {
        if (++w >= busy.size()) return kNoRow;
        word = busy[w];
    }
    return static_cast<std::uint32_t>(w * 64 + std::countr_zero(word));
}

// Below this many later spheres a point's pairs are found by testing them
// all, cheaper than probing the grid's cells.
constexpr std::size_t kFewLaterSpheres = 16;

}  // namespace

std::int32_t Physics::SphereEntryOf(const Body* body, std::uint32_t index) const {
    const std::uint64_t order = OrderOf(static_cast<std::int32_t>(body->id), index);
    const auto& list = roster.spheres;
    const auto at = std::lower_bound(list.begin(), list.end(), order, [](const PointRef& ref, std::uint64_t o) {
        return OrderOf(ref.bodyId, ref.index) < o;
    });
    if (at == list.end() || OrderOf(at->bodyId, at->index) != order) return -1;
    return static_cast<std::int32_t>(at - list.begin());
}

void Physics::Collide(Body* body) {
    if (visitEveryPair) {
        CollideEveryPair(body);
        return;
    }
    // Called from outside the step, anything may have changed since.
    const bool outside = stepping != body;
    if (outside || !roster.current) MakeRoster();
    if (MeetsNothing(*body)) return;
    if (sweep.body != body) StartSweep(body);
    CollideSweep();
    if (outside) sweep.body = nullptr;
}

// A level's walls and goals are bodies of one plane each, most of them made
// after the characters: such a body has no pairs, found without a sweep.
bool Physics::MeetsNothing(const Body& body) const {
    if (body.points.size() != 1) return false;
    const Point& p = body.points[0];
    if (!p.collides || !p.owner) return true;
    if (p.owner->kind != kKindPlane) return false;
    const auto [first, last] = After(roster.planeMeeting, &body);
    return first == last;
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
                if (others[k].collides) CollidePair(&p, &others[k], TraitsOf(p), TraitsOf(others[k]));
            }
        }
        if (p.position != wasPosition || p.velocity != wasVelocity)
            body->collided.push_back(static_cast<std::uint32_t>(i));
    }
}

// The pairs of the double loop that can act, for the body about to be
// stepped: each of its spheres with the later spheres it overlaps, each of
// its planes with every later sphere that may meet a plane, each of its
// other spheres with every later plane. Pairs of nothing else act.
void Physics::StartSweep(Body* body) {
    sweep.body = body;
    const std::int32_t id = static_cast<std::int32_t>(body->id);
    const auto bodyFirst = [id](const std::vector<PointRef>& list) {
        return std::lower_bound(list.begin(), list.end(), id,
                                [](const PointRef& ref, std::int32_t i) { return ref.bodyId < i; }) -
               list.begin();
    };
    sweep.first = static_cast<std::uint32_t>(bodyFirst(roster.spheres));
    sweep.later = static_cast<std::uint32_t>(After(roster.spheres, body).first - roster.spheres.data());
    std::tie(sweep.planesFirst, sweep.planesLast) = After(roster.planes, body);
    std::tie(sweep.meetingFirst, sweep.meetingLast) = After(roster.planeMeeting, body);
    const std::size_t n = body->points.size();
    sweep.entryOf.assign(n, -1);
    sweep.traits.resize(n);
    sweep.near.resize(n);
    for (auto& row : sweep.near) row.clear();
    sweep.busy.assign((n + 63) / 64, 0);
    const auto [ownFirst, ownLast] = std::pair(roster.owned.data() + bodyFirst(roster.owned),
                                               After(roster.owned, body).first);
    for (const PointRef* ref = ownFirst; ref != ownLast; ++ref) {
        const std::uint32_t kind = ref->traits.kind;
        const bool meetsPlanes = kind == kKindPlane ? sweep.meetingFirst != sweep.meetingLast
                                                    : kind != kKindTrampNode && sweep.planesFirst != sweep.planesLast;
        if (meetsPlanes) MarkBusy(sweep.busy, ref->index);
        sweep.traits[ref->index] = ref->traits;
    }
    for (std::uint32_t e = sweep.first; e < sweep.later; ++e) sweep.entryOf[roster.spheres[e].index] = std::int32_t(e);
    if (sweep.later == roster.spheres.size()) return;
    for (std::uint32_t e = sweep.first; e < sweep.later; ++e) FindRow(roster.spheres[e].index);
}

// The later spheres that the body's sphere i overlaps where it is now.
void Physics::FindRow(std::uint32_t i) {
    std::vector<std::uint32_t>& row = sweep.near[i];
    row.clear();
    const PointRef& self = roster.spheres[std::uint32_t(sweep.entryOf[i])];
    const D3DXVECTOR3& at = sweep.body->points[i].position;
    auto test = [&](std::uint32_t e) {
        const PointRef& q = roster.spheres[e];
        if (Overlaps(at, self.traits.radius, q.body->points[q.index].position, q.traits.radius)) row.push_back(e);
    };
    if (roster.spheres.size() - sweep.later <= kFewLaterSpheres) {
        for (std::uint32_t e = sweep.later; e < roster.spheres.size(); ++e) test(e);
    } else {
        roster.grid.ForEachNear(at, self.traits.radius, [&](std::uint32_t e) {
            if (e >= sweep.later) test(e);
        });
        std::sort(row.begin(), row.end());
    }
    if (!row.empty()) MarkBusy(sweep.busy, i);
}

void Physics::PointMoved(Body* body, std::uint32_t index) {
    if (!roster.current) return;
    const bool swept = sweep.body == body;
    const std::int32_t entry = swept ? sweep.entryOf[index] : SphereEntryOf(body, index);
    if (entry < 0) return;
    roster.grid.Update(std::uint32_t(entry));
    if (swept && sweep.later < roster.spheres.size()) FindRow(index);
}

// A later sphere moved: the rows that held it lie within its reach of where
// it was (their points have not moved since they were found), and the rows
// that hold it now within its reach of where it is.
void Physics::LaterSphereMoved(std::uint32_t entry, const D3DXVECTOR3& was) {
    roster.grid.Update(entry);
    const PointRef& q = roster.spheres[entry];
    const D3DXVECTOR3& now = q.body->points[q.index].position;
    auto ofBody = [this](std::uint32_t e) { return e >= sweep.first && e < sweep.later; };
    roster.grid.ForEachNear(was, q.traits.radius, [&](std::uint32_t e) {
        if (!ofBody(e)) return;
        std::vector<std::uint32_t>& row = sweep.near[roster.spheres[e].index];
        const auto at = std::lower_bound(row.begin(), row.end(), entry);
        if (at != row.end() && *at == entry) row.erase(at);
    });
    roster.grid.ForEachNear(now, q.traits.radius, [&](std::uint32_t e) {
        if (!ofBody(e)) return;
        const PointRef& p = roster.spheres[e];
        if (!Overlaps(p.body->points[p.index].position, p.traits.radius, now, q.traits.radius)) return;
        std::vector<std::uint32_t>& row = sweep.near[p.index];
        const auto at = std::lower_bound(row.begin(), row.end(), entry);
        if (at == row.end() || *at != entry) row.insert(at, entry);
        MarkBusy(sweep.busy, p.index);
    });
}

// The same pairs in the same order, with the same results, as the double
// loop, without walking them all: only the pairs of the sweep are visited.
// Nothing in a pair that does nothing changes the state, and only the
// position pushes of a pair change which later pairs act; those are found
// again for the points that moved.
void Physics::CollideSweep() {
    for (std::uint32_t i = NextBusy(sweep.busy, 0); i != kNoRow; i = NextBusy(sweep.busy, i + 1)) CollideRow(i);
}

// The pairs of the body's point i, in the order of the later points: the
// spheres it overlaps merged with the planes it may meet.
void Physics::CollideRow(std::uint32_t i) {
    Body* body = sweep.body;
    Point& p = body->points[i];
    if (!p.collides || !p.owner) return;
    const Traits& a = sweep.traits[i];
    const PointRef *plane = nullptr, *planesEnd = nullptr;
    if (a.kind == kKindPlane) {
        plane = sweep.meetingFirst;
        planesEnd = sweep.meetingLast;
    } else if (a.kind != kKindTrampNode) {
        plane = sweep.planesFirst;
        planesEnd = sweep.planesLast;
    }
    const std::int32_t self = sweep.entryOf[i];
    const bool meetsPlanes = plane != planesEnd;
    const std::vector<std::uint32_t>& row = sweep.near[i];
    std::uint64_t after = 0;  // the order of the last pair's later point
    std::size_t k = 0;
    while (true) {
        const PointRef* sphere = k < row.size() ? &roster.spheres[row[k]] : nullptr;
        const bool planeNext = plane != planesEnd &&
                               (!sphere || OrderOf(plane->bodyId, plane->index) < OrderOf(sphere->bodyId, sphere->index));
        if (!planeNext && !sphere) break;
        const PointRef& ref = planeNext ? *plane++ : *sphere;
        std::int32_t qEntry = planeNext ? -1 : std::int32_t(row[k]);
        after = OrderOf(ref.bodyId, ref.index);
        Point& q = ref.body->points[ref.index];
        const D3DXVECTOR3 wasP = p.position, wasQ = q.position, wasVelocity = p.velocity;
        if (q.collides && q.owner) CollidePair(&p, &q, a, ref.traits);
        if (p.position != wasP || p.velocity != wasVelocity) body->collided.push_back(i);
        const bool qMoved = q.position != wasQ, pMoved = p.position != wasP;
        if (!qMoved && !pMoved) {
            if (!planeNext) ++k;
            continue;
        }
        if (qMoved) {
            if (qEntry < 0) qEntry = SphereEntryOf(ref.body, ref.index);
            if (qEntry >= 0) LaterSphereMoved(std::uint32_t(qEntry), wasQ);
        }
        if (pMoved && self >= 0) {
            roster.grid.Update(std::uint32_t(self));
            FindRow(i);
        }
        // The row may have changed: on after the pair just visited.
        k = std::upper_bound(row.begin(), row.end(), after,
                             [this](std::uint64_t o, std::uint32_t e) {
                                 return o < OrderOf(roster.spheres[e].bodyId, roster.spheres[e].index);
                             }) -
            row.begin();
    }
    if (row.empty() && !meetsPlanes) sweep.busy[i >> 6] &= ~(std::uint64_t(1) << (i & 63));
}
