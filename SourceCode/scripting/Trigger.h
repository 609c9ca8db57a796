#pragma once
// A trigger pairs one condition with one event. Given a second event or
// condition it makes a list holding both, which it owns; the events and
// conditions themselves belong to the event handler's tables.
#include <cstdint>
#include <memory>

#include "scripting/Condition.h"
#include "scripting/Event.h"

struct Trigger {
    bool disabled = false;
    bool reusable = false;
    Condition* condition = nullptr;
    Event* event = nullptr;

    void AddEvent(Event* added);
    void AddCondition(Condition* added);
    bool IsComplete() const { return condition && event; }

private:
    std::unique_ptr<Event> eventList;
    std::unique_ptr<Condition> conditionList;
};
