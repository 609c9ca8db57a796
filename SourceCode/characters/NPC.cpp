#include "characters/NPC.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Video/Camera.h"
#include "Video/Effects/EffectParams.h"
#include "Video/LightMan.h"
#include "Video/Mesh.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "audio/Audio.h"
#include "characters/Animation.h"
#include "characters/AnimationMan.h"
#include "characters/CharacterFile.h"
#include "characters/LineLimb.h"
#include "characters/ModelLimb.h"
#include "characters/SplineLimb.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "world/Physics.h"

namespace {

constexpr std::uint32_t kDefaultBodyMaterial = 10;
constexpr char kDefaultBodyMesh[] = "Body/sphereMedium.x";
constexpr float kReboundBlend = 0.25f;
constexpr float kSpeedLossPerStep = 2.0f;

Scene* MainScene() { return static_cast<Scene*>(eTable::Peek(names::MainScene)); }

float Fps() {
    auto* timer = static_cast<Timer*>(eTable::Peek(names::Timer));
    return timer ? timer->Fps() : 0.0f;
}

Point* BodyPoint(Body* body) { return body ? body->GetPoint(0) : nullptr; }

// An animation's clock: wraps to 0 when it loops, else holds at the end.
void AdvanceClock(float& t, const Animation& animation, float dt) {
    t += dt;
    if (t > animation.aniLength) t = animation.loop ? 0.0f : animation.aniLength;
}

}  // namespace

NPC::~NPC() { Shutdown(); }

void NPC::SetDefaults() {
    System::name = names::NPC;
    kind = kKindNPC;
    std::fill(std::begin(actionAnimations), std::end(actionAnimations), nullptr);
    currentAnimation = pendingAnimation = nullptr;
    currentTime = blendTime = blendElapsed = pendingTime = 0.0f;
    blendClockRunning = 0;
    lightId = -1;
    D3DXQuaternionIdentity(&targetHeading);
    D3DXQuaternionIdentity(&startHeading);
    turnProgress = turnRate = runSpeed = 0.0f;
    lastVerticalVelocity = 10.0f;
    facing = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    reboundSounds.clear();
    bodyTextureNames.clear();
    ClearMotionFlags();
}

bool NPC::Init(void*, void*) {
    if (initialized) return false;
    GameObject::Init(nullptr, nullptr);
    SetDefaults();
    const MeshObjectDesc defaultBody(0, kDefaultBodyMesh, kDefaultBodyMaterial, SurfaceData(), 0);
    SetBody(&defaultBody);
    ClearMotionFlags();
    if (auto* physics = static_cast<Physics*>(eTable::Peek(names::Physics))) {
        physics->AddBody(this, 1.0f);
        if (body) body->AddForceFunc(&NPC::LimitSpeed);
    }
    initialized = true;
    return true;
}

bool NPC::Shutdown() {
    if (!initialized) return false;
    DetachAI();
    DestroyChildren();
    if (renderObject)
        if (Scene* scene = MainScene()) scene->RemoveObject(renderObject, false);
    renderObject = nullptr;
    if (lightId >= 0)
        if (auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan)))
            lights->RemoveLight(std::uint32_t(lightId));
    lightId = -1;
    if (auto* physics = static_cast<Physics*>(eTable::Peek(names::Physics))) physics->RemoveBody(this);
    body = nullptr;
    face.bodyMatrix = nullptr;
    face.Reset();
    reboundSounds.clear();
    bodyTextureNames.clear();
    currentAnimation = pendingAnimation = nullptr;
    std::fill(std::begin(actionAnimations), std::end(actionAnimations), nullptr);
    initialized = false;
    return true;
}

ObjectMesh* NPC::BodyObject() const { return static_cast<ObjectMesh*>(renderObject); }

bool NPC::SetBody(const MeshObjectDesc* desc) {
    Scene* scene = MainScene();
    D3DXVECTOR3 position(0, 0, 0);
    D3DXQUATERNION rotation(0, 0, 0, 1);
    const bool hadBody = renderObject != nullptr;
    if (hadBody) {
        position = renderObject->GetPosition();
        rotation = renderObject->GetRotation();
        if (scene) scene->RemoveObject(renderObject, false);
        renderObject = nullptr;
        face.bodyMatrix = nullptr;
        for (System* child : Children())
            if (IsLimb(child)) static_cast<Limb*>(child)->SetBodyMatrix(nullptr);
        bodyTextureNames.clear();
    }
    if (!desc || !scene) return false;
    ObjectMesh* object = scene->CreateMeshObject(desc);
    if (!object) return false;
    renderObject = object;
    // The new body takes the old one's place and heading, but keeps its own
    // size: the collision step takes the character's radius from it.
    if (hadBody) {
        object->SetPosition(position);
        object->SetRotation(&rotation);
    }
    if (Mesh* mesh = object->GetMesh(); mesh && !mesh->effectLayoutReady) mesh->PrepareForEffects();
    object->preDraw = &NPC::BodyRenderCallback;
    object->callbackContext = this;
    object->UpdateWorldMatrix();
    D3DXMATRIX* world = object->WorldMatrix();
    face.bodyMatrix = world;
    for (System* child : Children())
        if (IsLimb(child)) static_cast<Limb*>(child)->SetBodyMatrix(world);
    return true;
}

bool NPC::LoadCharacter(const char* characterName) {
    if (!characterName) return false;
    std::string characterString = characterName;
    const std::string path = AssetRoot() + "/Assets/Characters/" + characterString + ".x";
    CharacterFile file(this);
    if (!file.Load(path, &characterString)) return false;
    auto* animations = static_cast<AnimationMan*>(eTable::Peek(names::AnimationMan));
    for (std::uint32_t action = 0; action < kActionCount; ++action)
        actionAnimations[action] = animations ? animations->LoadActionAnimation(characterName, action) : nullptr;
    return true;
}

Limb* NPC::GetLimb(std::uint32_t location) const {
    for (System* child : Children())
        if (IsLimb(child) && static_cast<Limb*>(child)->location == location) return static_cast<Limb*>(child);
    return nullptr;
}

std::uint32_t NPC::CountLimbs() const {
    return static_cast<std::uint32_t>(std::count_if(Children().begin(), Children().end(), IsLimb));
}

Limb* NPC::AddLimb(std::uint32_t limbKind, std::uint32_t location, std::uint32_t) {
    if (!renderObject || GetLimb(location)) return nullptr;
    Limb* limb = nullptr;
    switch (limbKind) {
        case Limb::kLine: limb = new LineLimb(); break;
        case Limb::kSpline: limb = new SplineLimb(); break;
        case Limb::kModel: limb = new ModelLimb(); break;
        default: return nullptr;
    }
    LimbDesc desc;  // no points, black
    desc.bodyMatrix = renderObject->WorldMatrix();
    AddChild(limb);
    limb->Init(&desc, nullptr);
    limb->location = location;
    return limb;
}

void NPC::RemoveLimbByLoc(std::uint32_t location) {
    if (Limb* limb = GetLimb(location)) DeleteChild(limb);
}

void NPC::RemoveLimb(Limb* limb) {
    for (System* child : Children())
        if (child == limb && IsLimb(child)) {
            DeleteChild(limb);
            return;
        }
}

bool NPC::AddFilePoint(Limb& limb, const LimbControlPoint& point) { return limb.AddControlPoints(&point, 1); }

void NPC::Move(D3DXVECTOR2* steer, bool cameraRelative) {
    if (!steer) return;
    D3DXVECTOR2 reference(0.0f, 1.0f);
    if (cameraRelative)
        if (auto* camera = static_cast<Camera*>(eTable::Peek(names::Camera))) {
            D3DXVECTOR2 toOrigin(-camera->eye.x, -camera->eye.z);
            // An eye straight above the origin gives no direction: keep +Z.
            if (D3DXVec2LengthSq(&toOrigin) > 0.0f) D3DXVec2Normalize(&reference, &toOrigin);
        }
    const float length = D3DXVec2Length(steer);
    // No direction to turn to: the heading stays as it was.
    if (!(length > 0.0f) || !std::isfinite(length)) return;
    *steer /= length;
    const float cosine = std::clamp(steer->x * reference.x + steer->y * reference.y, -1.0f, 1.0f);
    float angle = std::acos(cosine);
    if (steer->y * reference.x - steer->x * reference.y < 0.0f) angle = -angle;
    D3DXQUATERNION heading;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXQuaternionRotationAxis(&heading, &up, angle);
    startHeading = (turnRate != 0.0f && renderObject) ? renderObject->GetRotation() : targetHeading;
    targetHeading = heading;
    const float k = std::clamp((1.0f - 1.0f / length) * 0.5f, 0.0f, 1.0f);
    turnProgress = 0.0f;
    turnRate = k * Fps();
    runSpeed = std::min(runSpeed + length * 5.0f, kMaxRunSpeed);
}

void NPC::PlayAnimation(std::uint32_t action, float blend, bool runClock) {
    if (pendingAnimation) {
        currentAnimation = pendingAnimation;
        currentTime = pendingTime;
    }
    pendingAnimation = action < kActionCount ? actionAnimations[action] : nullptr;
    blendClockRunning = runClock ? 1 : 0;
    blendTime = blend;
    blendElapsed = 0.0f;
    pendingTime = 0.0f;
}

void NPC::AdvanceAnimations(float dt) {
    if (currentAnimation) {
        AdvanceClock(currentTime, *currentAnimation, dt);
        currentAnimation->Apply(this, currentTime, pendingAnimation ? 0.0f : -1.0f);
    }
    if (!pendingAnimation) return;
    AdvanceClock(pendingTime, *pendingAnimation, dt);
    if (blendClockRunning) blendElapsed = std::min(blendElapsed + dt, blendTime);
    const bool done = blendElapsed >= blendTime;
    float weight = blendTime > 0.0f ? blendElapsed / blendTime : 1.0f;
    // A weight of 0 would read as "set the positions" and snap to the new
    // pose; the smallest weight draws the old pose as it should.
    if (weight <= 0.0f) weight = std::numeric_limits<float>::min();
    pendingAnimation->Apply(this, pendingTime, weight);
    if (done) {
        currentAnimation = pendingAnimation;
        currentTime = pendingTime;
        blendTime = blendElapsed = pendingTime = 0.0f;
        pendingAnimation = nullptr;
    }
}

void NPC::CheckReboundAndFall() {
    Point* point = BodyPoint(body);
    if (!point) return;
    const float v = point->velocity.y;
    if (lastVerticalVelocity < 0.0f && v > 0.0f) {
        point->AddForceXYZ(facing.x * runSpeed, 0.0f, facing.z * runSpeed);
        PlayAnimation(2, kReboundBlend, true);
        PlayReboundSound();
    } else if (lastVerticalVelocity > 0.0f && v < 0.0f) {
        PlayAnimation(3, kReboundBlend, true);
    }
    lastVerticalVelocity = v;
}

void NPC::AdvanceHeading() {
    if (!renderObject) return;
    if (turnRate != 0.0f) {
        const float fps = Fps();
        if (turnProgress < 1.0f) {
            if (fps > 0.0f) {
                turnProgress += turnRate / fps;
                D3DXQUATERNION q;
                D3DXQuaternionSlerp(&q, &startHeading, &targetHeading, turnProgress);
                renderObject->SetRotation(&q);
            }
        } else {
            renderObject->SetRotation(&targetHeading);
            startHeading = targetHeading;
            turnRate = turnProgress = 0.0f;
        }
    }
    D3DXMATRIX turn;
    D3DXQUATERNION rotation = renderObject->GetRotation();
    D3DXMatrixRotationQuaternion(&turn, &rotation);
    const D3DXVECTOR3 forward(0.0f, 0.0f, -1.0f);
    D3DXVec3TransformCoord(&facing, &forward, &turn);
}

void NPC::ShowLimbs(bool shown) {
    for (System* child : Children())
        if (IsLimb(child) && child->IsActive() != shown) static_cast<Limb*>(child)->ToggleEnabled();
}

void NPC::Disable() {
    GameObject::Disable();
    ShowLimbs(false);
    for (Face::Eye& eye : face.eyes)
        if (eye.object) eye.object->SetActive(false);
}

bool NPC::Enable() {
    const bool enabled = GameObject::Enable();
    ShowLimbs(!wasCulled);
    for (Face::Eye& eye : face.eyes)
        if (eye.object) eye.object->SetActive(true);
    return enabled;
}

void NPC::UpdateLimbs(bool cullingChanged) {
    // Limbs follow the body out of view and back. They are set to the body's
    // state rather than flipped, so that hiding the character in between
    // cannot leave them the wrong way round.
    if (cullingChanged) ShowLimbs(!wasCulled);
    // Spline detail falls with the body's detail factor.
    float segments = 25.0f * (1.0f - renderObject->GetFactor() / 1400.0f);
    if (!(segments >= 2.0f)) segments = 2.0f;
    const auto count = static_cast<std::uint32_t>(segments);
    for (System* child : Children()) {
        if (!child) continue;
        if (IsLimb(child) && static_cast<Limb*>(child)->kind == Limb::kSpline)
            static_cast<SplineLimb*>(child)->SetSegments(count);
        child->Update();
    }
}

void NPC::MoveCarriedLight() {
    if (lightId < 0 || !renderObject) return;
    auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan));
    Light* light = lights ? lights->FindLight(std::uint32_t(lightId)) : nullptr;
    if (!light) return;  // a later character's light cleared it
    const D3DXVECTOR3 p = renderObject->GetPosition();
    light->position[0] = p.x;
    light->position[1] = p.y;
    light->position[2] = p.z;
}

bool NPC::Update() {
    if (!initialized || !active || !renderObject) return false;
    const float dt = FrameSeconds();
    UpdateTimedMotion();
    AdvanceAnimations(dt);
    const auto culled = static_cast<std::uint8_t>(renderObject->WasCulled());
    const bool cullingChanged = culled != wasCulled;
    wasCulled = culled;
    CheckReboundAndFall();
    AdvanceHeading();
    runSpeed = std::max(0.0f, runSpeed - kRunSpeedDecay * dt);
    UpdateLimbs(cullingChanged);
    face.Update();
    MoveCarriedLight();
    return true;
}

void NPC::PlayReboundSound() {
    const std::size_t count = reboundSounds.size();
    if (count == 0 || count > kMaxReboundSounds || !renderObject) return;
    auto* audio = static_cast<Audio*>(eTable::Peek(names::Audio));
    if (!audio) return;
    SoundParams params;
    params.volume = 255;
    params.is3D = 1;
    params.minDistance = 1055.0f;
    params.maxDistance = 1e9f;
    params.position = renderObject->GetPosition();
    const char* files[kMaxReboundSounds + 1] = {};
    for (std::size_t i = 0; i < count; ++i) files[i] = CharacterSoundName(int(reboundSounds[i]));
    audio->PlayRandomSoundFrom(&params, files);
}

void NPC::LimitSpeed(Body* body) {
    Point* point = BodyPoint(body);
    if (!point) return;
    const float speed = D3DXVec3Length(&point->velocity);
    if (speed > kMaxBodySpeed) point->velocity -= point->velocity * (kSpeedLossPerStep / speed);
}

void NPC::BodyRenderCallback(void* context) {
    auto* character = static_cast<NPC*>(context);
    Point* point = character ? BodyPoint(character->body) : nullptr;
    if (!point) return;
    const D3DXVECTOR3& v = point->velocity;
    const float speed = D3DXVec3Length(&v);
    // At rest there is no direction: all four values are 0.
    const float velocity[4] = {speed > 0.0f ? v.x / speed : 0.0f, speed > 0.0f ? v.y / speed : 0.0f,
                               speed > 0.0f ? v.z / speed : 0.0f, speed};
    EffectParams::SetVector(sem::Velocity, velocity);
}
