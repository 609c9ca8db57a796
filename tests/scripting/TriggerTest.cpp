// Triggers and the event handler: the pass, the tables and the level change.
#include <gtest/gtest.h>

#include "ScriptFixture.h"

namespace {
using TriggerTest = ScriptFixture;

TEST_F(TriggerTest, ATriggerFiresOnlyWhenCompleteAndAddingToItMakesLists) {
    Start(R"(
def build():
    global t, called, toggle
    Z.AddSetPyVarIntEvent(1, 1)            # event 0
    Z.AddSetPyVarIntEvent(2, 1)            # event 1
    toggle = Z.AddToggleCondition()         # condition 0
    called = Z.AddCalledCondition()         # condition 1
    t = Z.AddTrigger()
    Z.AddEventToTrigger(t, 0)
    Z.SetTriggerReusable(t)
)");
    ASSERT_TRUE(Call("build"));
    Frame();
    EXPECT_EQ(python.GetInt(1), 0);  // an event alone never fires

    handler.DisableTrigger(0);
    ASSERT_TRUE(handler.AddConditionToTrigger(0, 0));
    EXPECT_FALSE(handler.GetTrigger(0)->disabled);  // complete again: enabled
    handler.ToggleCondition(0);
    Frame();
    EXPECT_EQ(python.GetInt(1), 1);

    // A second condition makes the list (toggle, called); the called
    // condition is only asked while the toggle holds.
    ASSERT_TRUE(handler.AddConditionToTrigger(0, 1));
    ASSERT_TRUE(handler.AddEventToTrigger(0, 1));
    EXPECT_EQ(handler.GetTrigger(0)->condition->Type(), ConditionType::ConditionList);
    handler.ToggleCondition(0);  // off
    handler.CallCondition(1);
    Frame();
    EXPECT_EQ(python.GetInt(2), 0);
    handler.ToggleCondition(0);  // on: the call was not consumed while the toggle was off
    Frame();
    EXPECT_EQ(python.GetInt(2), 1);
}

TEST_F(TriggerTest, SingleUseTriggersStayOffEvenWhenTheirEventEnablesThemAndReusableOnesFireEveryFrame) {
    Start(R"(
def build():
    count = Z.AddCallPyFuncEvent("count")
    again = Z.AddEnableTriggerEvent(0)
    now = Z.AddTimeCondition(0.0)
    Z.BuildTrigger(0, 2, 1, count, again, now)
    Z.BuildTrigger(1, 1, 1, count, now)
def count():
    Z.SetInt(0, Z.GetInt(0) + 1)
)");
    ASSERT_TRUE(Call("build"));
    Frame();
    Frame();
    Frame();
    EXPECT_EQ(python.GetInt(0), 1 + 3);
    EXPECT_TRUE(handler.GetTrigger(0)->disabled);
}

TEST_F(TriggerTest, TriggersMadeDuringThePassRunInTheSamePassAndIdsRestartAfterALevelChange) {
    WriteScript("nextlevel", R"(
import ZOPAPI as Z
def loadlevel():
    Z.SetInt(10, Z.AddWinEvent())             # the handler was cleared first
    Z.SetInt(11, Z.GetInt(11) + 1)
)");
    Start(R"(
def build():
    for i in range(50):
        Z.AddCalledCondition()
    Z.SetInt(9, Z.AddSetPyVarIntEvent(3, 1) + 100)   # ids from 0: the 51st event is 50
    for i in range(50):
        Z.AddSetPyVarIntEvent(4, i)
    Z.BuildTrigger(0, 1, 1, Z.AddCallPyFuncEvent("spawn"), Z.AddTimeCondition(0.0))
def spawn():
    # A trigger made while the pass runs, whose condition already holds.
    Z.BuildTrigger(0, 3, 1, 0, Z.AddWinEvent(), Z.AddSetNextLevelEvent("nextlevel"), 0)
    Z.SetInt(8, Z.GetInt(3))                  # not yet: the new trigger comes later in this pass
    Z.SetInt(7, Z.GetInt(10))                 # the level has not changed yet
)");
    ASSERT_TRUE(Call("build"));
    EXPECT_EQ(python.GetInt(9), 100);
    EXPECT_EQ(handler.EventCount(), 52u);
    handler.CallCondition(0);
    Frame();
    EXPECT_EQ(python.GetInt(3), 1);
    EXPECT_EQ(python.GetInt(8), 0);
    EXPECT_EQ(python.GetInt(11), 1);  // one level change, after the pass
    EXPECT_EQ(python.GetInt(10), 0);  // the new level's first event id
    EXPECT_EQ(handler.EventCount(), 1u);
    EXPECT_EQ(handler.TriggerCount(), 0u);
    EXPECT_FALSE(handler.LevelChangeRequested());
    Frame();
    EXPECT_EQ(python.GetInt(11), 1);
}

TEST_F(TriggerTest, TwoWinsInOnePassChangeTheLevelOnceAndLaterTriggersStillRun) {
    WriteScript("lvl", "import ZOPAPI as Z\ndef loadlevel(): Z.SetInt(20, Z.GetInt(20) + 1)\n");
    Start(R"(
def build():
    now = Z.AddTimeCondition(0.0)
    win = Z.AddWinEvent()
    Z.BuildTrigger(0, 1, 1, Z.AddSetNextLevelEvent("lvl"), now)
    Z.BuildTrigger(0, 1, 1, win, now)
    Z.BuildTrigger(0, 1, 1, Z.AddSetPyVarIntEvent(21, 1), now)
    Z.BuildTrigger(0, 1, 1, win, now)
    Z.BuildTrigger(0, 1, 1, Z.AddSetPyVarIntEvent(22, 1), now)
)");
    ASSERT_TRUE(Call("build"));
    Frame();
    EXPECT_EQ(python.GetInt(20), 1);
    EXPECT_EQ(python.GetInt(21), 1);
    EXPECT_EQ(python.GetInt(22), 1);
    EXPECT_TRUE(python.HasSecondaryModule());
}

}  // namespace
