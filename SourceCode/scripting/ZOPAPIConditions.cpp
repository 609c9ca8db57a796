// The Add...Condition functions: each parses its arguments, builds the
// condition and hands it to "EventHandler", returning the condition's id.
#include "scripting/ZOPAPIInternal.h"

#include "core/SystemNames.h"
#include "scripting/EventHandler.h"

namespace zopapi {
namespace {
using namespace condition_params;

EventHandler* Handler() { return Target<EventHandler>(names::EventHandler); }

PyObject* Store(Condition* condition) {
    auto* handler = Handler();
    if (!handler) {
        delete condition;
        return nullptr;
    }
    return Int(handler->AddCondition(condition));
}

PyObject* Store(ConditionType type, Condition::Params params) { return Store(new Condition(type, std::move(params))); }

PyObject* OneInt(PyObject* args, ConditionType type) {
    int value = 0;
    if (!PyArg_ParseTuple(args, "i", &value)) return nullptr;
    return Store(type, Ints{value, 0});
}

PyObject* TwoInts(PyObject* args, ConditionType type) {
    int a = 0, b = 0;
    if (!PyArg_ParseTuple(args, "ii", &a, &b)) return nullptr;
    return Store(type, Ints{a, b});
}

PyObject* IntAndFloat(PyObject* args, ConditionType type) {
    int id = 0;
    float value = 0;
    if (!PyArg_ParseTuple(args, "if", &id, &value)) return nullptr;
    return Store(type, IdFloat{id, 0, value});
}

PyObject* KeyName(PyObject* args, ConditionType type) {
    const char* key = nullptr;
    if (!PyArg_ParseTuple(args, "s", &key)) return nullptr;
    return Store(Condition::Key(type, key));
}
}  // namespace

ZOPAPI_HANDLER(AddSingleSingleColCondition) { return TwoInts(args, ConditionType::SingleSingleCol); }

// The condition kinds that were planned but never made: nothing is parsed or
// made, and -1 tells the script so.
ZOPAPI_HANDLER(ReservedCondition) { return Int(-1); }

ZOPAPI_HANDLER(AddTimeCondition) {
    float time = 0;
    if (!PyArg_ParseTuple(args, "f", &time)) return nullptr;
    return Store(ConditionType::Time, IdFloat{0, 0, time});
}

ZOPAPI_HANDLER(AddTimePassedCondition) {
    float start = 0, duration = 0;
    if (!PyArg_ParseTuple(args, "ff", &start, &duration)) return nullptr;
    return Store(ConditionType::TimePassed, TimePassed{start, duration, 0.0f});
}

ZOPAPI_HANDLER(AddCalledCondition) { return Store(ConditionType::Called, Flag{false}); }
ZOPAPI_HANDLER(AddSingleEndOfPathCondition) { return OneInt(args, ConditionType::SingleEndOfPath); }
ZOPAPI_HANDLER(AddScoreCondition) { return OneInt(args, ConditionType::Score); }
ZOPAPI_HANDLER(AddKeyPressedCondition) { return KeyName(args, ConditionType::KeyPressed); }
ZOPAPI_HANDLER(AddKeyTriggeredCondition) { return KeyName(args, ConditionType::KeyTriggered); }

ZOPAPI_HANDLER(AddPyFuncCondition) {
    const char* function = nullptr;
    if (!PyArg_ParseTuple(args, "s", &function)) return nullptr;
    return Store(ConditionType::PyFunc, Function{function});
}

ZOPAPI_HANDLER(AddToggleCondition) { return Store(ConditionType::Toggle, Flag{false}); }
ZOPAPI_HANDLER(AddPyVarIntCondition) { return TwoInts(args, ConditionType::PyVarInt); }
ZOPAPI_HANDLER(AddPyVarFloatCondition) { return IntAndFloat(args, ConditionType::PyVarFloat); }
ZOPAPI_HANDLER(AddNotPyVarIntCondition) { return TwoInts(args, ConditionType::NotPyVarInt); }
ZOPAPI_HANDLER(AddNotPyVarFloatCondition) { return IntAndFloat(args, ConditionType::NotPyVarFloat); }
ZOPAPI_HANDLER(AddButtonClickedCondition) { return OneInt(args, ConditionType::ButtonClicked); }
ZOPAPI_HANDLER(AddDownwardVelocityCondition) { return IntAndFloat(args, ConditionType::DownwardVelocity); }

ZOPAPI_HANDLER(AddRangeToLockedObjCondition) {
    int a = 0, b = 0;
    float range = 0;
    if (!PyArg_ParseTuple(args, "iif", &a, &b, &range)) return nullptr;
    return Store(ConditionType::RangeToLockedObj, IdFloat{a, b, range});
}

ZOPAPI_HANDLER(AddNotCondition) { return OneInt(args, ConditionType::Not); }
ZOPAPI_HANDLER(AddOrCondition) { return TwoInts(args, ConditionType::Or); }

}  // namespace zopapi
