#include "scripting/Event.h"

#include "audio/Audio.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"

namespace {
template <class T>
T* Running(const char* systemName) {
    return static_cast<T*>(eTable::Peek(systemName));
}

std::uint8_t Slot(std::int32_t scriptSlot) { return static_cast<std::uint8_t>(scriptSlot & 0xFF); }
}  // namespace

Event* Event::MakeList(Event* first, Event* second) {
    return new Event(EventType::EventList, event_params::List{{first, second}});
}

void Event::Append(Event* event) {
    if (auto* list = std::get_if<event_params::List>(&params)) list->events.push_back(event);
}

bool Event::IsObjectEvent(EventType type) {
    return (type >= EventType::CreateNPC && type <= EventType::ChangeAni) ||
           type == EventType::SetObjectVelocity;
}

void Event::Execute() {
    if (IsObjectEvent(type)) {
        // Object events of id 0 carry nothing to act on.
        const auto* creation = std::get_if<event_params::CreateNPC>(&params);
        const auto* vector = std::get_if<event_params::IdVector>(&params);
        const auto* floats = std::get_if<event_params::IdFloats>(&params);
        const auto* value = std::get_if<event_params::IdValue>(&params);
        std::int32_t id = creation ? creation->id : vector ? vector->id : floats ? floats->id : value ? value->id : 0;
        if (id == 0) return;
    }
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
    // Pending: every object event (create, move, scale, rotate, remove, AI,
    // animation, velocity, lock, light, surface, eyes, move-under) acts on
    // "GameObjectsMan"'s objects (comes with world, characters and ai).
}

void Event::ExecuteOnTrampoline() {
    // Pending: the trampoline-node events act on the trampoline of id 1005
    // (comes with world).
}

void Event::ExecuteOnInterface() {
    // Pending: text, fades, alter-text (comes with ui, through GameLogic's UI
    // objects) and the score of "HUD" (comes with ui).
}

void Event::ExecuteOnSystems() {
    switch (type) {
        case EventType::CallPyFunc:
            if (auto* python = Running<PythonMan>(names::PythonMan))
                python->CallFunction(std::get<event_params::Text>(params).text.c_str());
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
