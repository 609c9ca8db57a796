#include "characters/Animation.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "characters/Limb.h"
#include "characters/NPC.h"

namespace {

const D3DXVECTOR3 kZero(0.0f, 0.0f, 0.0f);

// Times are typed and stored in single precision, where 1.05 - 1.0 comes out
// a hair under 0.05: frames meant to lie exactly the tolerance apart must
// count as apart.
constexpr float kRounding = 1e-4f;
bool Near(float a, float b) { return std::fabs(a - b) < Animation::kFrameTolerance - kRounding; }

// One limb posed between its entries of frames A (optional) and B.
void AnimateLimb(Limb& limb, AnimationLimb* entryA, AnimationLimb* entryB, float factor, float blend) {
    bool changed = false;
    for (std::uint32_t i = 0; i < Limb::kMaxControlPoints; ++i) {
        LimbControlPoint* point = limb.GetControlPoint(i);
        if (!point) break;
        auto index = static_cast<std::uint16_t>(i);
        AnimationControlPoint* keyA = entryA ? entryA->FindControlPoint(index) : nullptr;
        AnimationControlPoint* keyB = entryB->FindControlPoint(index);
        D3DXVECTOR3 a = keyA ? keyA->pos : point->GetOffset();
        D3DXVECTOR3 b = keyB ? keyB->pos : kZero;
        if (a == kZero && b == kZero) continue;
        D3DXVECTOR3 pose = point->restPosition + a + (b - a) * factor;
        if (blend > 0.0f) {
            point->targetPosition = point->position + (pose - point->position) * blend;
        } else {
            point->position = pose;
            if (blend < 0.0f) point->targetPosition = kZero;
        }
        changed = true;
    }
    if (changed) limb.Rebuild();
}

}  // namespace

AnimationControlPoint* AnimationLimb::AddControlPoint(std::uint16_t index) {
    if (FindControlPoint(index)) return nullptr;
    controlPoints.push_back({index, kZero});
    return &controlPoints.back();
}

AnimationControlPoint* AnimationLimb::FindControlPoint(std::uint16_t index) {
    for (AnimationControlPoint& point : controlPoints)
        if (point.index == index) return &point;
    return nullptr;
}

AnimationLimb* AnimationFrame::AddLimb(std::uint16_t loc) {
    if (FindLimb(loc)) return nullptr;
    limbs.push_back({loc, {}});
    return &limbs.back();
}

AnimationLimb* AnimationFrame::FindLimb(std::uint16_t loc) {
    for (AnimationLimb& limb : limbs)
        if (limb.loc == loc) return &limb;
    return nullptr;
}

Animation::Animation(std::string name, std::uint32_t aniType, float aniLength, bool loop)
    : name(std::move(name)), aniType(aniType), aniLength(aniLength), loop(loop ? 1 : 0) {
    active = false;
}

Animation::Animation(const Animation& other)
    : System(), name(other.name), aniType(other.aniType), aniLength(other.aniLength), loop(other.loop),
      frames(other.frames) {
    active = false;
}

Animation::~Animation() { Shutdown(); }

bool Animation::Init(void*, void*) {
    if (initialized) return false;
    this->System::name = names::Animation;
    initialized = true;
    active = true;
    return true;
}

bool Animation::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    frames.clear();
    initialized = false;
    return true;
}

AnimationFrame* Animation::FindFrame(float t) {
    for (AnimationFrame& frame : frames)
        if (Near(frame.time, t)) return &frame;
    return nullptr;
}

AnimationFrame* Animation::GetFrame(std::uint32_t index) {
    if (index >= frames.size()) return nullptr;
    auto it = frames.begin();
    std::advance(it, index);
    return &*it;
}

AnimationFrame* Animation::FindFrameAtOrAfter(float t) {
    if (frames.empty()) return nullptr;
    for (AnimationFrame& frame : frames)
        if (frame.time >= t) return &frame;
    return &frames.front();
}

float Animation::SetLength(float t) {
    if (!std::isfinite(t)) return aniLength;
    aniLength = frames.empty() ? t : std::max(t, frames.back().time);
    return aniLength;
}

AnimationFrame* Animation::AddFrame(float t) {
    if (!std::isfinite(t) || FindFrame(t) || t > aniLength) return nullptr;
    auto later = frames.begin();
    while (later != frames.end() && later->time <= t) ++later;
    AnimationFrame frame;
    frame.time = t;
    return &*frames.insert(later, std::move(frame));
}

bool Animation::RemoveFrame(float t) {
    for (auto it = frames.begin(); it != frames.end(); ++it) {
        if (Near(it->time, t)) {
            frames.erase(it);
            return true;
        }
    }
    return false;
}

void Animation::SortFrames() {
    frames.sort([](const AnimationFrame& x, const AnimationFrame& y) { return x.time < y.time; });
}

Animation::FramePair Animation::FindFrames(float t) {
    FramePair pair;
    if (frames.empty()) return pair;
    for (AnimationFrame& frame : frames) {
        if (frame.time > t) {
            pair.b = &frame;
            break;
        }
        pair.a = &frame;
    }
    if (!pair.b) pair.b = loop ? &frames.front() : pair.a;
    if (!pair.a) pair.a = pair.b;
    float end = pair.b->time < pair.a->time ? aniLength : pair.b->time;
    float span = end - pair.a->time;
    pair.factor = span == 0.0f ? 0.0f : (t - pair.a->time) / span;
    return pair;
}

bool Animation::Apply(NPC* character, float t, float blend) {
    Limb* limbs[kLimbLocations] = {};
    if (character)
        for (std::uint32_t loc = 0; loc < kLimbLocations; ++loc) limbs[loc] = character->GetLimb(loc);
    return ApplyToLimbs(limbs, t, blend);
}

bool Animation::ApplyToLimbs(Limb* const limbs[kLimbLocations], float t, float blend) {
    FramePair pair = FindFrames(t);
    if (!pair.a || !pair.b) return false;
    for (std::uint16_t loc = 0; loc < kLimbLocations; ++loc) {
        AnimationLimb* entryB = pair.b->FindLimb(loc);
        if (limbs[loc] && entryB) AnimateLimb(*limbs[loc], pair.a->FindLimb(loc), entryB, pair.factor, blend);
    }
    return true;
}
