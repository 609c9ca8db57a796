#pragma once
// The scripted test of a trigger. Some conditions keep state between frames
// (Called, Toggle, TimePassed) and some consume what they test (a triggered
// key, a mouse click, a finished path), so evaluating one can change it.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

enum class ConditionType : std::uint32_t {
    SingleSingleCol = 1,
    SingleGroupCol,
    GroupSingleCol,
    GroupGroupCol,
    SingleInArea,
    GroupInArea,
    SingleNotInArea,
    GroupNotInArea,
    Time,
    TimePassed,
    Called,
    SingleEndOfAni,
    GroupEndOfAni,
    PlayerStatus,
    SingleEndOfPath,
    GroupEndOfPath,
    Score,
    KeyPressed,
    KeyTriggered,
    PyFunc,
    Toggle,
    PyVarInt,
    PyVarFloat,
    NotPyVarInt,
    NotPyVarFloat,
    ConditionList,
    ButtonClicked,
    DownwardVelocity,
    RangeToLockedObj,
    Not,
    Or,
};

class Condition;

namespace condition_params {
// SingleSingleCol (a, b), Not (a), Or (a, b), SingleEndOfPath, Score,
// KeyPressed/KeyTriggered (a = key code), ButtonClicked, PyVarInt and
// NotPyVarInt (a = slot, b = value).
struct Ints {
    std::int32_t a;
    std::int32_t b;
};
// Time (value), PyVarFloat/NotPyVarFloat (id = slot), DownwardVelocity
// (id, value = threshold), RangeToLockedObj (id, other, value = range).
struct IdFloat {
    std::int32_t id;
    std::int32_t other;
    float value;
};
struct TimePassed {
    float start;
    float duration;
    float accumulated;
};
struct Flag {
    bool set;
};
struct Function {
    std::string name;
};
struct List {
    std::vector<Condition*> conditions;  // not owned: the condition table owns them
};
}  // namespace condition_params

class Condition {
public:
    using Params = std::variant<condition_params::Ints, condition_params::IdFloat, condition_params::TimePassed,
                                condition_params::Flag, condition_params::Function, condition_params::List>;

    Condition(ConditionType type, Params params) : type(type), params(std::move(params)) {}

    // The key conditions take the key's name; a name outside the key table
    // waits for a code no key gives.
    static Condition* Key(ConditionType type, const char* keyName);
    static Condition* MakeList(Condition* first, Condition* second);

    bool Evaluate();

    ConditionType Type() const { return type; }
    const Params& Parameters() const { return params; }
    Params& Parameters() { return params; }
    void Append(Condition* condition);

    // State changed from events: Called set once, Toggle flipped, TimePassed
    // restarted.
    void Call();
    void Toggle();
    void RestartTimePassed(float start);

private:
    bool EvaluateList();
    bool EvaluateTime();
    bool EvaluateTimePassed();
    bool EvaluateKey();
    bool EvaluateDataBank();
    bool EvaluateInWorld();
    bool EvaluateContact();
    bool EvaluateButtonClicked();
    bool EvaluateRangeToLocked();

    ConditionType type;
    Params params;
};
