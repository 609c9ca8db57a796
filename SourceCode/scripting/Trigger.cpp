#include "scripting/Trigger.h"

void Trigger::AddEvent(Event* added) {
    if (!event) {
        event = added;
    } else if (eventList && event == eventList.get()) {
        eventList->Append(added);
    } else {
        eventList.reset(Event::MakeList(event, added));
        event = eventList.get();
    }
}

void Trigger::AddCondition(Condition* added) {
    if (!condition) {
        condition = added;
    } else if (conditionList && condition == conditionList.get()) {
        conditionList->Append(added);
    } else {
        conditionList.reset(Condition::MakeList(condition, added));
        condition = conditionList.get();
    }
}
