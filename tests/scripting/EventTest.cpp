// Events: what the script functions store and what running them does.
#include <gtest/gtest.h>

#include "ScriptFixture.h"
#include "audio/Audio.h"
#include "audio/RecordingSoundLibrary.h"

namespace {
using EventTest = ScriptFixture;

TEST_F(EventTest, PauseAndUnpauseInOneFrameLeaveTheTimerRunningWithOneMoreUpdate) {
    Start(R"(
def build():
    Z.BuildTrigger(0, 2, 1, Z.AddPauseGameEvent(), Z.AddUnpauseGameEvent(), Z.AddTimeCondition(0.0))
)");
    ASSERT_TRUE(Call("build"));
    Frame(100);
    EXPECT_FALSE(timer.Paused());
    EXPECT_NEAR(timer.GameTime(), 0.1f, 1e-6f);  // the extra updates measured 0 ms
    now += 50;
    handler.GetEvent(0)->Execute();
    EXPECT_TRUE(timer.Paused());
    EXPECT_NEAR(timer.GameTime(), 0.15f, 1e-6f);  // the time up to the pause counts
    Frame(100);
    EXPECT_NEAR(timer.GameTime(), 0.15f, 1e-6f);
}

TEST_F(EventTest, DataBankScriptAndTriggerEventsReachTheirTargets) {
    Start(R"(
def build():
    Z.AddSetPyVarIntEvent(258, -3)           # 0: slot 2
    Z.AddSetPyVarFloatEvent(3, 0.5)          # 1
    Z.AddCallPyFuncEvent("bump")             # 2
    Z.AddCallPyFuncEvent("nosuchfunction")   # 3
    Z.AddTriggerConditionEvent(Z.AddCalledCondition())   # 4, condition 0
    Z.AddToggleConditionEvent(Z.AddToggleCondition())    # 5, condition 1
    Z.AddDisableTriggerEvent(0)              # 6
    Z.AddEnableTriggerEvent(0)               # 7
    Z.AddSetNextLevelEvent("level9")         # 8
    Z.AddDisableTriggerEvent(77)             # 9: no such trigger
    Z.AddRemoveObjEvent(0)                   # 10: object 0 is nothing
    Z.AddTrigger()
def bump(): Z.SetInt(4, Z.GetInt(4) + 1)
)");
    ASSERT_TRUE(Call("build"));
    for (std::uint32_t id = 0; id < handler.EventCount(); ++id) handler.GetEvent(id)->Execute();
    EXPECT_EQ(python.GetInt(2), -3);
    EXPECT_EQ(python.GetFloat(3), 0.5f);
    EXPECT_EQ(python.GetInt(4), 1);
    EXPECT_TRUE(handler.EvaluateCondition(0));
    EXPECT_FALSE(handler.EvaluateCondition(0));
    EXPECT_TRUE(handler.EvaluateCondition(1));
    EXPECT_FALSE(handler.GetTrigger(0)->disabled);
    ASSERT_NE(python.NextModuleName(), nullptr);
    EXPECT_EQ(*python.NextModuleName(), "level9");
}

TEST_F(EventTest, MusicEventsPopOnlyOnTheExactWordAndSoundsPlay) {
    RecordingSoundLibrary library;
    library.existingFiles = {"one.ogg", "nomus", "hit.wav"};
    Audio audio;
    ASSERT_TRUE(audio.Init());
    Start(R"(
def build():
    Z.AddNextMusicClipEvent("one.ogg")   # 0
    Z.AddNextMusicClipEvent("nomus")     # 1: a file of that name
    Z.AddNextMusicClipEvent("NOMUS")     # 2: back to the track before
    Z.AddPlaySoundEvent("hit.wav")       # 3
)");
    ASSERT_TRUE(Call("build"));
    handler.GetEvent(0)->Execute();
    ASSERT_EQ(audio.Music().Playing().size(), 1u);
    handler.GetEvent(1)->Execute();
    EXPECT_EQ(audio.Music().Playing().size(), 1u);  // replaced, not stacked
    EXPECT_EQ(library.loads, (std::vector<std::string>{"one.ogg", "nomus"}));
    handler.GetEvent(2)->Execute();
    EXPECT_TRUE(audio.Music().Playing().empty());
    handler.GetEvent(3)->Execute();
    EXPECT_EQ(library.loads.back(), "hit.wav");
    audio.Shutdown();
}

}  // namespace
