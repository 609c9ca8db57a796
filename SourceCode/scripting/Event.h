#pragma once
// One scripted action of a level. Scripts make events through the engine
// module; a trigger runs its event when its condition holds. An event keeps
// no state of its own and may run any number of times.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

enum class EventType : std::uint32_t {
    CreateNPC = 1,
    MoveObj,
    ScaleObj,
    RotateObj,
    RemoveObj,
    ChangeAI,
    ChangeAni,
    CallPyFunc,
    Win,
    Lose,
    SetNextLevel,
    ShowText,
    PlaySound,
    NextMusicClip,
    TriggerCondition,
    ToggleCondition,
    EventList,
    SetPyVarInt,
    SetPyVarFloat,
    SetObjectVelocity,
    ModifyScore,
    EnableTrigger,
    DisableTrigger,
    QuitGame,
    PauseGame,
    UnpauseGame,
    LockObjectPos,
    ModifyLight,
    LockTrampNode,
    LockTrampNodeXYZ,
    UnlockTrampNode,
    ChangeSurfaceProps,
    ChangeEyes,
    AlterTimeElapsedCond,
    FadeSplashScreen,
    FadeText,
    AlterText,
    MoveObjectUnder,
};

class Event;
class NPC;

// The parameter blocks, one shape per group of types. Colours are (r, g, b, a).
namespace event_params {
struct CreateNPC {
    std::int32_t id;
    float x, y, z;
    float yaw, pitch, scale;
    std::int32_t action;
    float inverseMass;
    std::string character;
};
// MoveObj (x, y, z), SetObjectVelocity (velocity), LockTrampNodeXYZ (node in id).
struct IdVector {
    std::int32_t id;
    float x, y, z;
    float time;
};
// ScaleObj (a = scale), RotateObj (a = yaw, b = pitch), LockTrampNode (a = height),
// AlterTimeElapsedCond (a = start).
struct IdFloats {
    std::int32_t id;
    float a, b;
    float time;
};
// RemoveObj, ChangeAI/ChangeAni (value), MoveObjectUnder (value = the upper
// object), TriggerCondition, ToggleCondition, ModifyScore, Enable/DisableTrigger,
// LockObjectPos, UnlockTrampNode, SetPyVarInt (id = slot).
struct IdValue {
    std::int32_t id;
    std::int32_t value;
};
// CallPyFunc, SetNextLevel, PlaySound, NextMusicClip, ChangeEyes (id),
// ShowText (x, y), AlterText (id, alpha in x).
struct Text {
    std::int32_t id;
    float x, y;
    std::string text;
};
struct SlotFloat {
    std::int32_t slot;
    float value;
};
// ModifyLight, FadeSplashScreen, FadeText (rate).
struct Colour {
    std::int32_t id;
    float colour[4];
    float rate;
};
struct Surface {
    std::int32_t id;
    float diffuse[4];
    float specular[4];
    std::int32_t power;
};
struct List {
    std::vector<Event*> events;  // not owned: the event table owns them
};
}  // namespace event_params

class Event {
public:
    using Params = std::variant<std::monostate, event_params::CreateNPC, event_params::IdVector,
                                event_params::IdFloats, event_params::IdValue, event_params::Text,
                                event_params::SlotFloat, event_params::Colour, event_params::Surface,
                                event_params::List>;

    Event(EventType type, Params params) : type(type), params(std::move(params)) {}
    // Types without parameters (Win, Lose, QuitGame, PauseGame, UnpauseGame).
    explicit Event(EventType type) : type(type) {}

    // A list that runs first then second; further events are appended.
    static Event* MakeList(Event* first, Event* second);

    void Execute();

    EventType Type() const { return type; }
    const Params& Parameters() const { return params; }
    // Only for lists: appends an event to run after the others.
    void Append(Event* event);

private:
    // Object events with id 0 store nothing and do nothing.
    static bool IsObjectEvent(EventType type);
    // The id of the block's object (or UI object, node, condition...); 0
    // for blocks without one.
    std::int32_t ObjectId() const;
    void ExecuteList();
    void ExecuteOnObject();
    void RemoveObject(std::int32_t id);
    void CreateCharacter();
    static void PlayAction(NPC* character, std::int32_t action);
    void MoveObjectUnder();
    void ExecuteOnTrampoline();
    void ExecuteOnInterface();
    void ShowText();
    void ExecuteOnSystems();

    EventType type;
    Params params;
};
