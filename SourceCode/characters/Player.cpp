#include "characters/Player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/common/ErrorLog.h"
#include "Video/Mesh.h"
#include "Video/ObjectMesh.h"
#include "characters/Animation.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "ui/Cursor.h"
#include "ui/HUD.h"
#include "world/Physics.h"

namespace {
constexpr float kBlend = 0.25f;
constexpr float kSteerShare = 0.04f;  // the ring's average: 1 / 25
constexpr float kEnergyRegain = 6.0f;  // per second
constexpr float kEnergySpend = 12.0f;  // per second of dive or boost
constexpr float kRunSpeedLoss = 90.0f;  // per second
constexpr float kPlayerInverseMass = 100.0f;
constexpr std::int32_t kFallPenalty = 100;
const D3DXVECTOR3 kRespawnAt(0.0f, 4.0f, 0.0f);

// The action animations by their type (Part of the animation data).
constexpr std::uint32_t kActionJump = 2;
constexpr std::uint32_t kActionFall = 3;
constexpr std::uint32_t kActionAddForce = 6;
constexpr std::uint32_t kActionLoseForce = 7;
constexpr std::uint32_t kTypeAddForce = 6;
constexpr std::uint32_t kTypeLoseForce = 7;
constexpr std::uint32_t kNoAnimation = ~0u;

constexpr std::uint32_t kDefaultBodyMaterial = 10;
constexpr char kDefaultBodyMesh[] = "Body/sphereMedium.x";
}  // namespace

Player::~Player() { Shutdown(); }

void Player::SetPlayerDefaults() {
    SetDefaults();
    System::name = names::Player;
    kind = kKindPlayer;
    reboundCommand = 0.0f;
    onTrampoline = 0;
    energy = kMaxEnergy;
    energyFactor = 1.0f;
    std::fill(std::begin(cursorRing), std::end(cursorRing), D3DXVECTOR2());
    cursorRingIndex = 0;
    mouseSteering = 1;
}

bool Player::Init(void* a, void*) {
    if (initialized) return false;
    GameObject::Init(nullptr, nullptr);
    SetPlayerDefaults();
    const auto* desc = static_cast<const ObjectDesc*>(a);
    GiveBody(desc && !desc->character.empty() ? desc->character.c_str() : nullptr);
    if (auto* physics = static_cast<Physics*>(eTable::Peek(names::Physics))) {
        physics->AddBody(this, kPlayerInverseMass);
        if (body) body->AddForceFunc(&Player::ApplyForces);
    }
    ClearMotionFlags();
    id = objectid::kPlayer;
    initialized = true;
    return true;
}

// The named character, or the default sphere when it cannot be loaded (the
// rest of the player needs a body to steer and draw).
void Player::GiveBody(const char* character) {
    if (character && !LoadCharacter(character))
        plat::LogErrorF("Error: Failed to load the player's character \"%s\"; it plays as the default body.\n",
                     character);
    if (!renderObject) {
        const MeshObjectDesc defaultBody(0, kDefaultBodyMesh, kDefaultBodyMaterial, SurfaceData(), 0);
        SetBody(&defaultBody);
    }
    ObjectMesh* object = BodyObject();
    if (!object) return;
    if (Mesh* mesh = object->GetMesh(); mesh && !mesh->effectLayoutReady) mesh->PrepareForEffects();
    object->preDraw = &NPC::BodyRenderCallback;
    object->callbackContext = this;
}

bool Player::Shutdown() { return NPC::Shutdown(); }

void Player::ApplyForces(Body*) {}

Point* Player::BodyPoint() const { return body ? body->GetPoint(0) : nullptr; }

std::uint32_t Player::CurrentAnimationType() const {
    return currentAnimation ? currentAnimation->aniType : kNoAnimation;
}

bool Player::Update() {
    if (!initialized || !active || !renderObject) return false;
    const float dt = FrameSeconds();
    RespawnIfFallen();
    if (!mouseSteering || moving) {
        UpdateTimedMotion();
    } else {
        Steer();
        AdvanceHeading();
        CheckReboundAndFallOnTrampolines();
        RegainEnergy(dt);
        auto* input = static_cast<Input*>(eTable::Peek(names::Input));
        HandleInput(input && input->LeftButton(), input && input->RightButton(), dt);
        runSpeed = std::max(0.0f, runSpeed - kRunSpeedLoss * dt);
    }
    AdvanceAnimations(dt);
    for (System* child : Children())
        if (child) child->Update();
    face.Update();
    return true;
}

void Player::RespawnIfFallen() {
    Point* point = BodyPoint();
    if (!point || !(point->position.y < kRespawnBelow)) return;
    point->SetPosition(&kRespawnAt, true);
    energy = kMaxEnergy;
    onTrampoline = 0;
    if (auto* hud = static_cast<HUD*>(eTable::Peek(names::HUD))) hud->AddScore(-kFallPenalty);
}

// The mouse steers by its movement averaged over the last 25 frames, so
// that a twitch does not turn the player; an average beyond 1 on either
// axis turns it, relative to the camera.
void Player::Steer() {
    D3DXVECTOR2 movement;
    if (auto* cursor = static_cast<Cursor*>(eTable::Peek(names::Cursor)))
        movement = D3DXVECTOR2(cursor->delta.x, cursor->delta.y);
    cursorRing[cursorRingIndex] = movement;
    D3DXVECTOR2 sum;
    for (const D3DXVECTOR2& entry : cursorRing) sum += entry;
    D3DXVECTOR2 average = sum * kSteerShare;
    cursorRingIndex = std::int8_t((cursorRingIndex + 1) % kRingSize);
    if (std::fabs(average.x) > 1.0f || std::fabs(average.y) > 1.0f) Move(&average, true);
}

// Leaving the sheet upward pushes the player along its facing by its run
// speed (only off a trampoline); turning downward starts the fall.
void Player::CheckReboundAndFallOnTrampolines() {
    Point* point = BodyPoint();
    if (!point) return;
    const float v = point->velocity.y;
    const std::uint32_t type = CurrentAnimationType();
    const bool forced = type == kTypeAddForce || type == kTypeLoseForce;
    if (lastVerticalVelocity < 0.0f && v > 0.0f) {
        if (onTrampoline) point->AddForceXYZ(facing.x * runSpeed, 0.0f, facing.z * runSpeed);
        if (currentAnimation && !forced) PlayAnimation(kActionJump, kBlend, true);
        PlayReboundSound();
    } else if (lastVerticalVelocity > 0.0f && v < 0.0f && currentAnimation && !forced) {
        PlayAnimation(kActionFall, kBlend, true);
    }
    lastVerticalVelocity = v;
}

void Player::RegainEnergy(float dt) {
    energy += kEnergyRegain * dt;
    if (energy > kMaxEnergy) {
        energy = kMaxEnergy;
        energyFactor = 1.0f;
    }
}

void Player::HandleInput(bool dive, bool boost, float dt) {
    if (dive && !boost)
        Dive(dt);
    else if (boost && !dive)
        Boost(dt);
    else
        Coast();
    if ((dive != boost) && energy < 0.0f) {
        // An emptied reserve disables the energy-scaled forces until it is
        // full again.
        energy = 0.0f;
        energyFactor = 0.0f;
    }
}

void Player::Dive(float dt) {
    Point* point = BodyPoint();
    if (onTrampoline) {
        reboundCommand = kDive;
    } else if (point) {
        const float s = std::clamp(runSpeed, 0.0f, 2.5f);
        const float y = lastVerticalVelocity < 0.0f ? energyFactor * -20.0f : -50.0f;
        point->AddForceXYZ(s * facing.x, y, s * facing.z);
    }
    if (currentAnimation && CurrentAnimationType() != kTypeAddForce) PlayAnimation(kActionAddForce, kBlend, true);
    energy -= kEnergySpend * dt;
}

void Player::Boost(float dt) {
    Point* point = BodyPoint();
    if (onTrampoline) {
        reboundCommand = kBoost;
    } else if (point) {
        const float s = std::clamp(runSpeed, 0.0f, 10.0f);
        const float k = lastVerticalVelocity > 0.0f ? 0.25f : 1.0f;
        point->AddForceXYZ(s * facing.x, k * energyFactor * 65.0f, s * facing.z);
    }
    if (currentAnimation && CurrentAnimationType() != kTypeLoseForce) PlayAnimation(kActionLoseForce, kBlend, true);
    if (energyFactor != 0.0f) energy -= kEnergySpend * dt;
}

void Player::Coast() {
    Point* point = BodyPoint();
    if (onTrampoline) {
        reboundCommand = 0.0f;
    } else if (point) {
        const float s = std::clamp(runSpeed, 0.0f, 5.0f);
        point->AddForceXYZ(s * facing.x, 0.0f, s * facing.z);
    }
    const std::uint32_t type = CurrentAnimationType();
    if (type == kTypeAddForce || type == kTypeLoseForce)
        PlayAnimation(point && point->velocity.y > 0.0f ? kActionJump : kActionFall, kBlend, true);
}
