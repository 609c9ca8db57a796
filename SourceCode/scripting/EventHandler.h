#pragma once
// "EventHandler": the events, conditions and triggers of the current level.
// Ids are indexes into its three tables and start again at 0 after every
// level change. Once a frame it runs the trigger pass and then, when a win
// asked for it, the level change.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/System.h"
#include "scripting/Condition.h"
#include "scripting/Event.h"
#include "scripting/Trigger.h"

class EventHandler : public System {
public:
    // Ids a script can tie together in one BuildTrigger call.
    static constexpr int kMaxBuildIds = 10;
    // Not and Or name conditions by id, so a script can make cycles and
    // share branches. Within one evaluation each condition is evaluated once:
    // met again, it answers what it answered, and met while it is still
    // being evaluated, it counts as false; so any graph takes time linear in
    // its size. Past this depth the inner evaluation is false, which keeps
    // long chains off the end of the stack.
    static constexpr int kMaxConditionDepth = 32;

    EventHandler() = default;
    ~EventHandler() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // The children, the trigger pass, then the level change when requested.
    bool Update() override;

    // The handler takes ownership; the id is the table index.
    std::uint32_t AddEvent(Event* event);
    std::uint32_t AddCondition(Condition* condition);
    std::uint32_t AddTrigger();
    // nEvents event ids then nConditions condition ids. -1 when either count
    // is below 1, when they add up to more than kMaxBuildIds, or when an id
    // names no event or condition; no trigger is made then.
    std::int32_t BuildTrigger(bool reusable, std::int32_t nEvents, std::int32_t nConditions,
                              const std::int32_t* ids);
    bool AddEventToTrigger(std::uint32_t trigger, std::uint32_t event);
    bool AddConditionToTrigger(std::uint32_t trigger, std::uint32_t condition);
    bool DisableTrigger(std::uint32_t trigger);
    bool EnableTrigger(std::uint32_t trigger);
    bool SetTriggerReusable(std::uint32_t trigger, bool reusable);

    void CallCondition(std::uint32_t condition);
    void ToggleCondition(std::uint32_t condition);
    void AlterTimeElapsedCondition(std::uint32_t condition, float start);
    // True for an id outside the table. Called from outside an evaluation
    // it starts one.
    bool EvaluateCondition(std::uint32_t condition);

    void RequestLevelChange() { levelChangeRequested = true; }
    bool LevelChangeRequested() const { return levelChangeRequested; }
    // Drops every event, condition and trigger; ids start again at 0.
    void Clear();

    std::uint32_t TriggerCount() const { return static_cast<std::uint32_t>(triggers.size()); }
    std::uint32_t EventCount() const { return static_cast<std::uint32_t>(events.size()); }
    std::uint32_t ConditionCount() const { return static_cast<std::uint32_t>(conditions.size()); }
    // Null for an id outside the table.
    const Trigger* GetTrigger(std::uint32_t id) const;
    Event* GetEvent(std::uint32_t id) const;
    Condition* GetCondition(std::uint32_t id) const;

private:
    static constexpr std::size_t kInitialRoom = 50;

    // Where one evaluation of a condition graph stands with one condition.
    struct ConditionVisit {
        std::uint64_t evaluation = 0;  // the evaluation that last met it
        bool done = false;             // false while it is being evaluated
        bool holds = false;
    };

    void RunTriggerPass();
    // Runs evaluate as one evaluation, or as part of the one under way.
    template <typename Evaluate>
    bool InOneEvaluation(Evaluate evaluate);
    bool EvaluateOnce(std::uint32_t condition);
    void ChangeLevel();
    Condition* ConditionOfType(std::uint32_t id, ConditionType type) const;
    // The trigger of that id, or null.
    Trigger* TriggerAt(std::uint32_t id) const { return id < triggers.size() ? triggers[id].get() : nullptr; }

    bool levelChangeRequested = false;
    int evaluationDepth = 0;
    bool evaluating = false;
    std::uint64_t evaluationNumber = 0;
    std::vector<ConditionVisit> visits;  // by condition id
    // Tables of owned pointers: an event or condition stays where it is when
    // a script adds to a table during the pass.
    std::vector<std::unique_ptr<Event>> events;
    std::vector<std::unique_ptr<Condition>> conditions;
    std::vector<std::unique_ptr<Trigger>> triggers;
};
