#include "world/GameLogic.h"

#include <cstdio>

#include "Video/Camera.h"
#include "Video/LightMan.h"
#include "Video/ObjectDesc.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "Video/TextMan.h"
#include "ai/AIMan.h"
#include "ai/PathMan.h"
#include "audio/Audio.h"
#include "characters/AnimationMan.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "ui/Button.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {
const LightDesc kSceneLighting = {
    {0.14509804f, 0.14509804f, 0.14509804f, 1.0f},
    {0.08235294f, 0.08235294f, 0.08235294f, 1.0f},
    {0.019607844f, 0.019607844f, 0.019607844f, 1.0f},
    {0.0f, 1.0f, 0.0f},
    1.0f,
};

ObjectDesc GroundDesc() {
    ObjectDesc desc;
    desc.kind = kKindPlane;
    desc.size = 100.0f;
    desc.depth = 100.0f;
    desc.mesh = "ground.x";
    desc.patternScale = 0.2f;
    const float sand[4] = {0.70980394f, 0.6392157f, 0.4627451f, 1.0f};
    const float rust[4] = {0.34f, 0.15f, 0.09f, 1.0f};
    std::copy(sand, sand + 4, desc.diffuse);
    std::copy(rust, rust + 4, desc.specular);
    return desc;
}

constexpr std::uint32_t kSkyboxFlags = 8;  // drawn before everything else
constexpr std::uint32_t kSkyboxMaterial = 2;
constexpr std::uint32_t kCubeTexture = 2;
}  // namespace

GameLogic::~GameLogic() {
    if (initialized) Shutdown();
    ClearUIObjects();
}

bool GameLogic::Init(void*, void*) {
    if (initialized) return false;
    name = names::GameLogic;
    if (!eTable::Register(name, this)) return false;
    showFPS = 1;

    CreatePhysics();
    CreateGameObjectsMan();
    CreateAIMan();
    CreatePathMan();
    CreateAnimationMan();
    PythonMan* python = CreatePythonMan();
    CreateEventHandler();

    CreateFpsText();
    SetUpCamera();
    CreateSkybox();
    CreateHUD()->ShowScoreAndTime();
    SetUpLighting();
    CreateGround();
    ClearUIObjects();
    // A failing "initgame" leaves the game running without a started game.
    python->InitGame();

    showFPS = 0;
    initialized = true;
    return true;
}

Physics* GameLogic::CreatePhysics() { return CreateChild<Physics>(); }

GameObjectsMan* GameLogic::CreateGameObjectsMan() {
    return CreateChild<GameObjectsMan>(const_cast<char*>(names::GameObjectsMan));
}

AIMan* GameLogic::CreateAIMan() { return CreateChild<AIMan>(); }

PathMan* GameLogic::CreatePathMan() { return CreateChild<PathMan>(); }

AnimationMan* GameLogic::CreateAnimationMan() { return CreateChild<AnimationMan>(); }

PythonMan* GameLogic::CreatePythonMan() { return CreateChild<PythonMan>(); }

EventHandler* GameLogic::CreateEventHandler() { return CreateChild<EventHandler>(); }

HUD* GameLogic::CreateHUD() { return CreateChild<HUD>(); }

// The video system's parts are missing only when the device could not be
// made, which is reported already: the set-up goes on without them.
void GameLogic::CreateFpsText() {
    auto* textMan = static_cast<TextMan*>(eTable::Peek(names::TextMan));
    if (!textMan) return;
    TextDescription desc;
    desc.text = "";
    desc.rect = {0, 0, 400, 50};
    fpsText = textMan->CreateText(&desc);
}

void GameLogic::SetUpCamera() {
    auto* camera = static_cast<Camera*>(eTable::Peek(names::Camera));
    if (!camera) return;
    camera->Set({0.0f, 5.0f, -20.0f}, {0.0f, 5.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, 0.7853982f, 1.3333334f, 0.1f,
                10000.0f);
}

void GameLogic::CreateSkybox() {
    auto* scene = static_cast<Scene*>(eTable::Peek(names::MainScene));
    if (!scene) return;
    const MeshObjectDesc desc(kSkyboxFlags, "skybox.x", kSkyboxMaterial, SurfaceData(), 1);
    skybox = scene->CreateMeshObject(&desc);
    if (skybox) skybox->ReplaceTextureSlot("desertSky.dds", kBaseTextureSemantic, 0, kCubeTexture);
}

void GameLogic::SetUpLighting() {
    auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan));
    if (!lights) return;
    const LightDesc& l = kSceneLighting;
    std::copy(l.ambient, l.ambient + 4, lights->sceneAmbient);
    std::copy(l.skyColour, l.skyColour + 4, lights->skyColour);
    std::copy(l.groundColour, l.groundColour + 4, lights->groundColour);
    std::copy(l.skyDirection, l.skyDirection + 3, lights->skyDirection);
    lights->skyDirection[3] = l.skyDirectionW;
    lights->PublishSceneLighting();
}

// The ground stays for the whole run (not a level object). Its render
// object starts below its body point; the first physics step brings it to
// the point.
void GameLogic::CreateGround() {
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    if (!objects) return;
    const ObjectDesc desc = GroundDesc();
    GameObject* ground = objects->CreateObject(&desc);
    if (!ground) return;
    const D3DXVECTOR3 below(0.0f, -10.0f, 0.0f);
    ground->SetRenderPosition(&below);
}

bool GameLogic::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    UpdateFpsText();
    UpdateListener();
    UpdateUIObjects();
    ClearControlFlags();
    return true;
}

void GameLogic::UpdateFpsText() {
    if (!fpsText) return;
    fpsText->SetActive(showFPS != 0);
    if (!showFPS) return;
    auto* timer = static_cast<Timer*>(eTable::Peek(names::Timer));
    char line[64];
    std::snprintf(line, sizeof line, "FPS: %f", timer ? timer->Fps() : 0.0f);
    fpsText->SetText(line);
}

// "Audio" applies the pose in its own update, in the next frame.
void GameLogic::UpdateListener() {
    auto* camera = static_cast<Camera*>(eTable::Peek(names::Camera));
    auto* audio = static_cast<Audio*>(eTable::Peek(names::Audio));
    if (!camera || !audio) return;
    audio->SetListener(camera->eye, D3DXVECTOR3(), camera->cameraForward, camera->cameraUp);
}

void GameLogic::UpdateUIObjects() {
    // By index: an object's update may add UI objects.
    for (std::size_t i = 0; i < uiObjects.size(); ++i) uiObjects[i]->Update();
}

void GameLogic::ClearControlFlags() { Forward = Backward = RotateLeft = RotateRight = Up = Down = 0; }

bool GameLogic::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ClearUIObjects();
    if (skybox) {
        if (auto* scene = static_cast<Scene*>(eTable::Peek(names::MainScene))) scene->RemoveObject(skybox, false);
        skybox = nullptr;
    }
    fpsText = nullptr;
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

namespace {
// The name doubles as the class's type tag.
void HideIfTextOrButton(System* object, bool hide) {
    if (object->Name() == names::HUDText)
        static_cast<HUDText*>(object)->SetHidden(hide);
    else if (object->Name() == names::Button)
        static_cast<Button*>(object)->SetHidden(hide);
}
}  // namespace

void GameLogic::HideTextsAndButtons(bool hide) {
    textsAndButtonsHidden = hide;
    for (System* object : uiObjects) HideIfTextOrButton(object, hide);
}

std::uint32_t GameLogic::AddUIObject(System* object) {
    if (textsAndButtonsHidden) HideIfTextOrButton(object, true);
    uiObjects.push_back(object);
    return nextUIId++;
}

System* GameLogic::GetUIObject(std::uint32_t id) const {
    return id < nextUIId && id < uiObjects.size() ? uiObjects[id] : nullptr;
}

void GameLogic::ClearUIObjects() {
    // Swapped out first: an object's Shutdown may look the list up.
    std::vector<System*> objects;
    objects.swap(uiObjects);
    for (System* object : objects) {
        object->Shutdown();
        delete object;
    }
    nextUIId = 0;
}
