#include "scripting/Event.h"

#include "Video/LightMan.h"
#include "Video/Object.h"
#include "Video/ObjectDesc.h"
#include "ai/AIMan.h"
#include "audio/Audio.h"
#include "characters/NPC.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "scripting/WorldLookup.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"
#include "ui/SplashScreen.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/Trampoline.h"

using scripting::CharacterOf;
using scripting::FindObject;
using scripting::OwnPoint;
using scripting::Running;

namespace {
constexpr float kLockedHeight = 1.0f;
constexpr float kAnimationBlend = 0.1f;
constexpr std::int32_t kHoldAction = 5;

std::uint8_t Slot(std::int32_t scriptSlot) { return static_cast<std::uint8_t>(scriptSlot & 0xFF); }
}  // namespace

Event* Event::MakeList(Event* first, Event* second) {
    return new Event(EventType::EventList, event_params::List{{first, second}});
}

void Event::Append(Event* event) {
    if (auto* list = std::get_if<event_params::List>(&params)) list->events.push_back(event);
}

std::int32_t Event::ObjectId() const {
    return std::visit(
        [](const auto& block) -> std::int32_t {
            if constexpr (requires { block.id; })
                return block.id;
            else
                return 0;
        },
        params);
}

bool Event::IsObjectEvent(EventType type) {
    return (type >= EventType::CreateNPC && type <= EventType::ChangeAni) ||
           type == EventType::SetObjectVelocity;
}

void Event::Execute() {
    // Object events of id 0 carry nothing to act on.
    if (IsObjectEvent(type) && ObjectId() == 0) return;
    switch (type) {
        case EventType::EventList:
            ExecuteList();
            return;
        case EventType::CreateNPC:
        case EventType::MoveObj:
        case EventType::ScaleObj:
        case EventType::RotateObj:
        case EventType::RemoveObj:
        case EventType::ChangeAI:
        case EventType::ChangeAni:
        case EventType::SetObjectVelocity:
        case EventType::LockObjectPos:
        case EventType::ModifyLight:
        case EventType::ChangeSurfaceProps:
        case EventType::ChangeEyes:
        case EventType::MoveObjectUnder:
            ExecuteOnObject();
            return;
        case EventType::LockTrampNode:
        case EventType::LockTrampNodeXYZ:
        case EventType::UnlockTrampNode:
            ExecuteOnTrampoline();
            return;
        case EventType::ShowText:
        case EventType::FadeSplashScreen:
        case EventType::FadeText:
        case EventType::AlterText:
        case EventType::Lose:
        case EventType::ModifyScore:
            ExecuteOnInterface();
            return;
        default:
            ExecuteOnSystems();
            return;
    }
}

void Event::ExecuteList() {
    // By index, re-reading the size: a script run by one of the events may
    // add events to this very list.
    for (std::size_t i = 0; i < std::get<event_params::List>(params).events.size(); ++i)
        std::get<event_params::List>(params).events[i]->Execute();
}

void Event::ExecuteOnObject() {
    using namespace event_params;
    switch (type) {
        case EventType::CreateNPC:
            CreateCharacter();
            return;
        case EventType::MoveObj: {
            const auto& p = std::get<IdVector>(params);
            if (GameObject* object = FindObject(p.id)) object->SetMoveTarget(0, p.time, p.x, p.y, p.z);
            return;
        }
        case EventType::ScaleObj: {
            const auto& p = std::get<IdFloats>(params);
            if (GameObject* object = FindObject(p.id)) object->SetScaleTarget(p.a, p.time);
            return;
        }
        case EventType::RotateObj: {
            const auto& p = std::get<IdFloats>(params);
            if (GameObject* object = FindObject(p.id)) object->SetRotateTarget(p.a, p.b, p.time);
            return;
        }
        case EventType::RemoveObj:
            RemoveObject(std::get<IdValue>(params).id);
            return;
        case EventType::ChangeAI: {
            const auto& p = std::get<IdValue>(params);
            GameObject* object = FindObject(p.id);
            auto* ais = Running<AIMan>(names::AIMan);
            AI* ai = ais ? ais->GetAI(static_cast<std::uint32_t>(p.value)) : nullptr;
            if (object && ai) object->AttachAI(ai);
            return;
        }
        case EventType::ChangeAni: {
            const auto& p = std::get<IdValue>(params);
            if (NPC* character = CharacterOf(FindObject(p.id))) PlayAction(character, p.value);
            return;
        }
        case EventType::ModifyLight: {
            const auto& p = std::get<Colour>(params);
            NPC* character = CharacterOf(FindObject(p.id));
            auto* lights = Running<LightMan>(names::LightMan);
            if (!character || character->lightId < 0 || !lights) return;
            if (Light* light = lights->FindLight(static_cast<std::uint32_t>(character->lightId)))
                std::copy(p.colour, p.colour + 4, light->colour);
            return;
        }
        case EventType::ChangeEyes: {
            const auto& p = std::get<event_params::Text>(params);
            if (NPC* character = CharacterOf(FindObject(p.id))) {
                // Copies: Init rebuilds the eyes from these very fields.
                const std::uint32_t material = character->face.eyeMaterialKind;
                const SurfaceData surface = character->face.eyeSurface;
                character->face.Init(p.text.c_str(), "", material, &surface);
            }
            return;
        }
        case EventType::SetObjectVelocity: {
            const auto& p = std::get<IdVector>(params);
            if (Point* point = OwnPoint(FindObject(p.id))) point->SetVelocityXYZ(p.x, p.y, p.z);
            return;
        }
        case EventType::LockObjectPos:
            if (Point* point = OwnPoint(FindObject(std::get<IdValue>(params).id))) {
                point->SetVelocityXYZ(0.0f, 0.0f, 0.0f);
                point->SetInverseMass(0.0f);
                point->SetPositionXYZ(point->position.x, kLockedHeight, point->position.z, true);
            }
            return;
        case EventType::ChangeSurfaceProps: {
            const auto& p = std::get<Surface>(params);
            if (SurfaceData* surface = scripting::SurfaceOf(FindObject(p.id)))
                *surface = SurfaceData(p.diffuse, p.specular, static_cast<std::uint32_t>(p.power), 0.5f, 0.01f, 1.5f);
            return;
        }
        case EventType::MoveObjectUnder:
            MoveObjectUnder();
            return;
        default:
            return;
    }
}

void Event::PlayAction(NPC* character, std::int32_t action) {
    if (action < 0 || static_cast<std::uint32_t>(action) >= NPC::kActionCount) return;
    character->PlayAnimation(static_cast<std::uint32_t>(action), kAnimationBlend, true);
    // A held character is carried: it no longer collides.
    if (action == kHoldAction)
        if (Point* point = OwnPoint(character)) point->collides = 0;
}

void Event::CreateCharacter() {
    auto* objects = Running<GameObjectsMan>(names::GameObjectsMan);
    if (!objects) return;
    const auto& p = std::get<event_params::CreateNPC>(params);
    ObjectDesc desc;
    desc.kind = kKindNPC;
    desc.character = p.character;
    NPC* character = CharacterOf(objects->CreateLevelObject(&desc));
    if (!character) return;
    character->LoadCharacter(p.character.c_str());
    character->id = static_cast<std::uint32_t>(p.id);
    if (Object* render = character->renderObject) {
        render->SetPosition(p.x, p.y, p.z);
        render->SetScale(p.scale, p.scale, p.scale);
        render->SetRotationYawPitchRoll(p.pitch, p.yaw, 0.0f);
    }
    PlayAction(character, p.action);
    if (character->body) character->body->SetPositionXYZ(p.x, p.y, p.z);
    if (Point* point = OwnPoint(character)) point->SetInverseMass(p.inverseMass);
}

void Event::RemoveObject(std::int32_t id) {
    GameObject* object = FindObject(id);
    if (!object) return;
    if (auto* physics = Running<Physics>(names::Physics)) physics->RemoveBody(object);
    // Deleting through the manager also takes it off the level's list.
    if (auto* objects = Running<GameObjectsMan>(names::GameObjectsMan)) objects->DeleteObject(object);
}

void Event::MoveObjectUnder() {
    const auto& p = std::get<event_params::IdValue>(params);
    GameObject* moved = FindObject(p.id);
    GameObject* above = FindObject(p.value);
    Point* point = OwnPoint(moved);
    if (!point || !above) return;
    D3DXVECTOR3 position = above->GetRenderPosition();
    position.y -= moved->GetScale() + above->GetScale();
    point->SetPosition(&position, true);
}

void Event::ExecuteOnTrampoline() {
    using namespace event_params;
    GameObject* trampoline = FindObject(static_cast<std::int32_t>(objectid::kTrampoline));
    if (!trampoline || trampoline->kind != kKindTrampoline || !trampoline->body) return;
    switch (type) {
        case EventType::LockTrampNode: {
            const auto& p = std::get<IdFloats>(params);
            if (Point* node = trampoline->body->GetPoint(static_cast<std::uint32_t>(p.id))) {
                node->responds = 0;
                node->SetInverseMass(0.0f);
                node->SetPositionXYZ(node->position.x, p.a, node->position.z, true);
            }
            return;
        }
        case EventType::LockTrampNodeXYZ: {
            const auto& p = std::get<IdVector>(params);
            if (Point* node = trampoline->body->GetPoint(static_cast<std::uint32_t>(p.id))) {
                node->responds = 0;
                node->SetInverseMass(0.0f);
                node->SetPositionXYZ(p.x, p.y, p.z, true);
            }
            return;
        }
        case EventType::UnlockTrampNode:
            if (Point* node = trampoline->body->GetPoint(static_cast<std::uint32_t>(std::get<IdValue>(params).id))) {
                node->responds = 1;
                node->SetInverseMass(static_cast<Trampoline*>(trampoline)->NodeInverseMass());
            }
            return;
        default:
            return;
    }
}

namespace {
// The user-interface object of that id when it is of the class named by tag
// (a name doubles as its class's type tag); null otherwise.
template <class T>
T* InterfaceObject(std::int32_t id, const char* tag) {
    auto* logic = Running<GameLogic>(names::GameLogic);
    System* object = logic && id >= 0 ? logic->GetUIObject(static_cast<std::uint32_t>(id)) : nullptr;
    return object && object->Name() == tag ? static_cast<T*>(object) : nullptr;
}
}  // namespace

void Event::ExecuteOnInterface() {
    using namespace event_params;
    switch (type) {
        case EventType::ShowText:
            ShowText();
            return;
        case EventType::Lose:
        case EventType::ModifyScore:
            if (auto* hud = Running<HUD>(names::HUD))
                hud->AddScore(type == EventType::Lose ? -1 : std::get<IdValue>(params).id);
            return;
        case EventType::FadeSplashScreen: {
            const auto& p = std::get<Colour>(params);
            if (auto* splash = InterfaceObject<SplashScreen>(p.id, names::SplashScreen)) {
                splash->SetQuadFade(p.rate, p.colour);
                splash->SetCaptionFade(p.rate, p.colour);
            }
            return;
        }
        case EventType::FadeText: {
            const auto& p = std::get<Colour>(params);
            if (auto* text = InterfaceObject<HUDText>(p.id, names::HUDText)) text->SetFade(p.rate, p.colour);
            return;
        }
        case EventType::AlterText: {
            const auto& p = std::get<event_params::Text>(params);
            if (auto* text = InterfaceObject<HUDText>(p.id, names::HUDText)) {
                text->ReleaseGlyphs();
                text->SetText(p.text);
                const float colour[4] = {1.0f, 1.0f, 1.0f, p.x};
                text->SetColor(colour);
                text->ClearFade();
            }
            return;
        }
        default:
            return;
    }
}

void Event::ShowText() {
    auto* logic = Running<GameLogic>(names::GameLogic);
    if (!logic) return;
    const auto& p = std::get<event_params::Text>(params);
    const float origin[2] = {p.x, p.y};
    constexpr std::uint32_t kRandomRange = 5;
    TextDesc desc(p.text, 1.0f, 1.0f, origin, static_cast<std::uint32_t>(p.text.size() + 1), kRandomRange, 0);
    auto* text = new HUDText;
    text->Init(&desc);
    logic->AddUIObject(text);  // the game logic owns it from now on
}

void Event::ExecuteOnSystems() {
    switch (type) {
        case EventType::CallPyFunc:
            if (auto* python = Running<PythonMan>(names::PythonMan))
                python->CallFunction(std::get<event_params::Text>(params).text.c_str(), PythonMan::IfMissing::SayOnce);
            return;
        case EventType::Win:
            if (auto* handler = Running<EventHandler>(names::EventHandler)) handler->RequestLevelChange();
            return;
        case EventType::SetNextLevel:
            if (auto* python = Running<PythonMan>(names::PythonMan))
                python->SetNextModuleName(std::get<event_params::Text>(params).text.c_str());
            return;
        case EventType::PlaySound:
            if (auto* audio = Running<Audio>(names::Audio))
                audio->PlaySound(std::get<event_params::Text>(params).text.c_str());
            return;
        case EventType::NextMusicClip:
            if (auto* audio = Running<Audio>(names::Audio))
                audio->PlayMusicEvent(std::get<event_params::Text>(params).text.c_str());
            return;
        case EventType::TriggerCondition:
        case EventType::ToggleCondition:
        case EventType::EnableTrigger:
        case EventType::DisableTrigger: {
            auto* handler = Running<EventHandler>(names::EventHandler);
            if (!handler) return;
            auto index = static_cast<std::uint32_t>(std::get<event_params::IdValue>(params).id);
            if (type == EventType::TriggerCondition) handler->CallCondition(index);
            if (type == EventType::ToggleCondition) handler->ToggleCondition(index);
            if (type == EventType::EnableTrigger) handler->EnableTrigger(index);
            if (type == EventType::DisableTrigger) handler->DisableTrigger(index);
            return;
        }
        case EventType::AlterTimeElapsedCond:
            if (auto* handler = Running<EventHandler>(names::EventHandler)) {
                const auto& p = std::get<event_params::IdFloats>(params);
                handler->AlterTimeElapsedCondition(static_cast<std::uint32_t>(p.id), p.a);
            }
            return;
        case EventType::SetPyVarInt:
            if (auto* python = Running<PythonMan>(names::PythonMan)) {
                const auto& p = std::get<event_params::IdValue>(params);
                python->SetInt(Slot(p.id), p.value);
            }
            return;
        case EventType::SetPyVarFloat:
            if (auto* python = Running<PythonMan>(names::PythonMan)) {
                const auto& p = std::get<event_params::SlotFloat>(params);
                python->SetFloat(Slot(p.slot), p.value);
            }
            return;
        case EventType::QuitGame:
            if (DIva* app = GetDIva()) app->RequestQuit();
            return;
        case EventType::PauseGame:
        case EventType::UnpauseGame:
            if (auto* timer = Running<Timer>(names::Timer)) {
                // The time up to the switch still counts.
                timer->Update();
                timer->SetPaused(type == EventType::PauseGame);
            }
            return;
        default:
            return;
    }
}
