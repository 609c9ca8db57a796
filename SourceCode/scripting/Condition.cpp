#include "scripting/Condition.h"

#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "input/KeyNames.h"
#include "platform/common/ErrorLog.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "scripting/WorldLookup.h"
#include "ui/Button.h"
#include "ui/HUD.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/Physics.h"

using scripting::FindObject;
using scripting::OwnPoint;
using scripting::Running;

namespace {

std::uint8_t Slot(std::int32_t scriptSlot) { return static_cast<std::uint8_t>(scriptSlot & 0xFF); }

using condition_params::Ints;
}  // namespace

Condition* Condition::Key(ConditionType type, const char* keyName) {
    const std::uint8_t code = KeyCodeFromName(keyName);
    // The condition still waits for that code, which no key gives.
    if (code == kUnknownKeyCode)
        plat::LogErrorOnce(std::string("Error: A key condition names \"") + (keyName ? keyName : "") +
                           "\", which is no key name: it never holds.\n");
    return new Condition(type, Ints{code, 0});
}

Condition* Condition::MakeList(Condition* first, Condition* second) {
    return new Condition(ConditionType::ConditionList, condition_params::List{{first, second}});
}

void Condition::Append(Condition* condition) {
    if (auto* list = std::get_if<condition_params::List>(&params)) list->conditions.push_back(condition);
}

void Condition::Call() {
    if (type == ConditionType::Called) std::get<condition_params::Flag>(params).set = true;
}

void Condition::Toggle() {
    if (type != ConditionType::Toggle) return;
    auto& flag = std::get<condition_params::Flag>(params);
    flag.set = !flag.set;
}

void Condition::RestartTimePassed(float start) {
    if (type != ConditionType::TimePassed) return;
    auto& p = std::get<condition_params::TimePassed>(params);
    p.start = start;
    p.accumulated = 0.0f;
}

bool Condition::Evaluate() {
    switch (type) {
        case ConditionType::Time:
            return EvaluateTime();
        case ConditionType::TimePassed:
            return EvaluateTimePassed();
        case ConditionType::Called: {
            auto& flag = std::get<condition_params::Flag>(params);
            bool was = flag.set;
            flag.set = false;
            return was;
        }
        case ConditionType::Toggle:
            return std::get<condition_params::Flag>(params).set;
        case ConditionType::KeyPressed:
        case ConditionType::KeyTriggered:
            return EvaluateKey();
        case ConditionType::PyFunc: {
            auto* python = Running<PythonMan>(names::PythonMan);
            return python && python->CallFunctionBool(std::get<condition_params::Function>(params).name.c_str(),
                                                      PythonMan::IfMissing::SayOnce);
        }
        case ConditionType::PyVarInt:
        case ConditionType::PyVarFloat:
        case ConditionType::NotPyVarInt:
        case ConditionType::NotPyVarFloat:
            return EvaluateDataBank();
        case ConditionType::ConditionList:
            return EvaluateList();
        case ConditionType::Not: {
            auto* handler = Running<EventHandler>(names::EventHandler);
            if (!handler) return false;
            return !handler->EvaluateCondition(static_cast<std::uint32_t>(std::get<Ints>(params).a));
        }
        case ConditionType::Or: {
            auto* handler = Running<EventHandler>(names::EventHandler);
            if (!handler) return false;
            const Ints ids = std::get<Ints>(params);  // a copy: the table may grow meanwhile
            return handler->EvaluateCondition(static_cast<std::uint32_t>(ids.a)) ||
                   handler->EvaluateCondition(static_cast<std::uint32_t>(ids.b));
        }
        case ConditionType::SingleSingleCol:
        case ConditionType::SingleEndOfPath:
        case ConditionType::Score:
        case ConditionType::ButtonClicked:
        case ConditionType::DownwardVelocity:
        case ConditionType::RangeToLockedObj:
            return EvaluateInWorld();
        default:
            return false;  // the reserved types are never made and never hold
    }
}

bool Condition::EvaluateList() {
    // By index, re-reading the size: a script that a condition calls may add
    // conditions to this very list.
    for (std::size_t i = 0; i < std::get<condition_params::List>(params).conditions.size(); ++i)
        if (!std::get<condition_params::List>(params).conditions[i]->Evaluate()) return false;
    return true;
}

bool Condition::EvaluateTime() {
    auto* timer = Running<Timer>(names::Timer);
    return timer && timer->GameTime() >= std::get<condition_params::IdFloat>(params).value;
}

bool Condition::EvaluateTimePassed() {
    auto* timer = Running<Timer>(names::Timer);
    if (!timer) return false;
    auto& p = std::get<condition_params::TimePassed>(params);
    if (timer->GameTime() <= p.start) return false;
    p.accumulated += timer->GetFrameTime();
    return p.accumulated >= p.duration;
}

bool Condition::EvaluateKey() {
    auto* input = Running<Input>(names::Input);
    if (!input) return false;
    auto key = static_cast<std::uint8_t>(std::get<Ints>(params).a);
    // Key conditions always ask the game's stream, so they are silent while
    // the console has the keyboard.
    return type == ConditionType::KeyPressed ? input->IsKeyDown(key, 0) : input->IsKeyTriggered(key, 0);
}

bool Condition::EvaluateDataBank() {
    auto* python = Running<PythonMan>(names::PythonMan);
    if (!python) return false;
    if (type == ConditionType::PyVarInt || type == ConditionType::NotPyVarInt) {
        const Ints& p = std::get<Ints>(params);
        bool equal = python->GetInt(Slot(p.a)) == p.b;
        return type == ConditionType::PyVarInt ? equal : !equal;
    }
    const auto& p = std::get<condition_params::IdFloat>(params);
    bool equal = python->GetFloat(Slot(p.id)) == p.value;  // NaN is never equal
    return type == ConditionType::PyVarFloat ? equal : !equal;
}

bool Condition::EvaluateInWorld() {
    switch (type) {
        case ConditionType::SingleSingleCol:
            return EvaluateContact();
        case ConditionType::SingleEndOfPath: {
            GameObject* object = FindObject(std::get<Ints>(params).a);
            return object && object->IsPathDone();
        }
        case ConditionType::DownwardVelocity: {
            const auto& p = std::get<condition_params::IdFloat>(params);
            Point* point = OwnPoint(FindObject(p.id));
            return point && point->velocity.y >= p.value;
        }
        case ConditionType::RangeToLockedObj:
            return EvaluateRangeToLocked();
        case ConditionType::Score: {
            auto* hud = Running<HUD>(names::HUD);
            return hud && hud->score >= std::get<Ints>(params).a;
        }
        case ConditionType::ButtonClicked:
            return EvaluateButtonClicked();
        default:
            return false;
    }
}

bool Condition::EvaluateButtonClicked() {
    auto* logic = Running<GameLogic>(names::GameLogic);
    const std::int32_t id = std::get<Ints>(params).a;
    System* object = logic && id >= 0 ? logic->GetUIObject(static_cast<std::uint32_t>(id)) : nullptr;
    // The name doubles as the class's type tag.
    if (!object || object->Name() != names::Button) return false;
    auto* button = static_cast<Button*>(object);
    if (!button->IsCursorOver() || !button->IsMouseDown()) return false;
    // The click is taken, so that it counts once.
    if (auto* input = Running<Input>(names::Input)) {
        input->ClearLeftButton();
        input->ClearRightButton();
    }
    return true;
}

bool Condition::EvaluateContact() {
    auto* physics = Running<Physics>(names::Physics);
    if (!physics) return false;
    const Ints ids = std::get<Ints>(params);
    const auto a = static_cast<std::uint32_t>(ids.a);
    const auto b = static_cast<std::uint32_t>(ids.b);
    for (const Contact& contact : physics->Contacts()) {
        bool hasA = contact.firstOwnerId == a || contact.secondOwnerId == a;
        bool hasB = contact.firstOwnerId == b || contact.secondOwnerId == b;
        if (hasA && hasB) return true;
    }
    return false;
}

bool Condition::EvaluateRangeToLocked() {
    const auto& p = std::get<condition_params::IdFloat>(params);
    Point* mover = OwnPoint(FindObject(p.id));
    Point* locked = OwnPoint(FindObject(p.other));
    if (!mover || !locked || locked->inverseMass != 0.0f) return false;
    D3DXVECTOR3 apart = mover->position - locked->position;
    return D3DXVec3Length(&apart) <= p.value;
}
