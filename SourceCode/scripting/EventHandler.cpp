#include "scripting/EventHandler.h"

#include "ai/AIMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "scripting/PythonMan.h"
#include "world/GameObjectsMan.h"

EventHandler::~EventHandler() {
    if (initialized) Shutdown();
}

bool EventHandler::Init(void*, void*) {
    if (initialized) return false;
    name = names::EventHandler;
    if (!eTable::Register(name, this)) return false;
    Clear();
    levelChangeRequested = false;
    initialized = true;
    return true;
}

bool EventHandler::Shutdown() {
    if (!initialized) return false;
    Clear();
    DestroyChildren();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void EventHandler::Clear() {
    // The triggers first: their lists point into the other two tables.
    triggers.clear();
    events.clear();
    conditions.clear();
    visits.clear();
    triggers.reserve(kInitialRoom);
    events.reserve(kInitialRoom);
    conditions.reserve(kInitialRoom);
}

bool EventHandler::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    RunTriggerPass();
    if (levelChangeRequested) {
        ChangeLevel();
        levelChangeRequested = false;
    }
    return true;
}

void EventHandler::RunTriggerPass() {
    // By index, re-reading the count: an event may call a script that adds
    // triggers, which are then evaluated in this same pass.
    for (std::size_t i = 0; i < triggers.size(); ++i) {
        Trigger* trigger = triggers[i].get();
        if (trigger->disabled || !trigger->IsComplete()) continue;
        if (!InOneEvaluation([trigger] { return trigger->condition->Evaluate(); })) continue;
        trigger->event->Execute();
        // The tables hold owned pointers, so the trigger is where it was even
        // when the event added to them.
        if (!trigger->reusable) trigger->disabled = true;
    }
}

void EventHandler::ChangeLevel() {
    Clear();
    if (auto* ais = static_cast<AIMan*>(eTable::Peek(names::AIMan))) ais->RemoveLevelAIs();
    auto* objects = static_cast<GameObjectsMan*>(eTable::Peek(names::GameObjectsMan));
    if (objects) objects->DeleteLevelObjects();
    if (auto* python = static_cast<PythonMan*>(eTable::Peek(names::PythonMan))) {
        const GameObjectsMan::LevelLoading loading(objects);
        python->LoadSecondaryModule();
        python->LoadLevel();
    }
}

std::uint32_t EventHandler::AddEvent(Event* event) {
    events.emplace_back(event);
    return static_cast<std::uint32_t>(events.size() - 1);
}

std::uint32_t EventHandler::AddCondition(Condition* condition) {
    conditions.emplace_back(condition);
    return static_cast<std::uint32_t>(conditions.size() - 1);
}

std::uint32_t EventHandler::AddTrigger() {
    triggers.push_back(std::make_unique<Trigger>());
    return static_cast<std::uint32_t>(triggers.size() - 1);
}

std::int32_t EventHandler::BuildTrigger(bool reusable, std::int32_t nEvents, std::int32_t nConditions,
                                        const std::int32_t* ids) {
    // Each count is bounded before they are added, so the sum cannot overflow.
    if (nEvents < 1 || nConditions < 1 || nEvents > kMaxBuildIds || nConditions > kMaxBuildIds ||
        nEvents + nConditions > kMaxBuildIds)
        return -1;
    for (std::int32_t i = 0; i < nEvents + nConditions; ++i) {
        std::size_t bound = i < nEvents ? events.size() : conditions.size();
        if (ids[i] < 0 || static_cast<std::size_t>(ids[i]) >= bound) return -1;
    }
    std::uint32_t id = AddTrigger();
    Trigger& trigger = *triggers[id];
    for (std::int32_t i = 0; i < nEvents; ++i) trigger.AddEvent(events[ids[i]].get());
    for (std::int32_t i = nEvents; i < nEvents + nConditions; ++i) trigger.AddCondition(conditions[ids[i]].get());
    trigger.reusable = reusable;
    return static_cast<std::int32_t>(id);
}

bool EventHandler::AddEventToTrigger(std::uint32_t trigger, std::uint32_t event) {
    Trigger* t = TriggerAt(trigger);
    if (!t || event >= events.size()) return false;
    t->AddEvent(events[event].get());
    if (t->IsComplete()) t->disabled = false;
    return true;
}

bool EventHandler::AddConditionToTrigger(std::uint32_t trigger, std::uint32_t condition) {
    Trigger* t = TriggerAt(trigger);
    if (!t || condition >= conditions.size()) return false;
    t->AddCondition(conditions[condition].get());
    if (t->IsComplete()) t->disabled = false;
    return true;
}

bool EventHandler::DisableTrigger(std::uint32_t trigger) {
    Trigger* t = TriggerAt(trigger);
    if (t) t->disabled = true;
    return t != nullptr;
}

bool EventHandler::EnableTrigger(std::uint32_t trigger) {
    Trigger* t = TriggerAt(trigger);
    if (t) t->disabled = false;
    return t != nullptr;
}

bool EventHandler::SetTriggerReusable(std::uint32_t trigger, bool reusable) {
    Trigger* t = TriggerAt(trigger);
    if (t) t->reusable = reusable;
    return t != nullptr;
}

Condition* EventHandler::ConditionOfType(std::uint32_t id, ConditionType type) const {
    Condition* condition = GetCondition(id);
    return condition && condition->Type() == type ? condition : nullptr;
}

void EventHandler::CallCondition(std::uint32_t condition) {
    if (Condition* c = ConditionOfType(condition, ConditionType::Called)) c->Call();
}

void EventHandler::ToggleCondition(std::uint32_t condition) {
    if (Condition* c = ConditionOfType(condition, ConditionType::Toggle)) c->Toggle();
}

void EventHandler::AlterTimeElapsedCondition(std::uint32_t condition, float start) {
    if (Condition* c = ConditionOfType(condition, ConditionType::TimePassed)) c->RestartTimePassed(start);
}

template <typename Evaluate>
bool EventHandler::InOneEvaluation(Evaluate evaluate) {
    if (evaluating) return evaluate();
    evaluating = true;
    ++evaluationNumber;
    const bool holds = evaluate();
    evaluating = false;
    return holds;
}

bool EventHandler::EvaluateCondition(std::uint32_t condition) {
    if (condition >= conditions.size()) return true;
    return InOneEvaluation([this, condition] { return EvaluateOnce(condition); });
}

bool EventHandler::EvaluateOnce(std::uint32_t condition) {
    if (evaluationDepth >= kMaxConditionDepth) return false;
    if (visits.size() < conditions.size()) visits.resize(conditions.size());
    if (visits[condition].evaluation == evaluationNumber) return visits[condition].done && visits[condition].holds;
    visits[condition] = {evaluationNumber, false, false};
    ++evaluationDepth;
    const bool holds = conditions[condition]->Evaluate();
    --evaluationDepth;
    // By index again: a script the condition called may have grown the table.
    if (condition < visits.size()) visits[condition] = {evaluationNumber, true, holds};
    return holds;
}

const Trigger* EventHandler::GetTrigger(std::uint32_t id) const { return TriggerAt(id); }

Event* EventHandler::GetEvent(std::uint32_t id) const { return id < events.size() ? events[id].get() : nullptr; }

Condition* EventHandler::GetCondition(std::uint32_t id) const {
    return id < conditions.size() ? conditions[id].get() : nullptr;
}
