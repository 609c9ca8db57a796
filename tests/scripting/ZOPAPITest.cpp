// The engine module as scripts see it: its names, doc texts, argument
// conventions and the trigger functions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ReferenceScript.h"
#include "ScriptFixture.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/KeyNames.h"

namespace {
using ZOPAPITest = ScriptFixture;

TEST_F(ZOPAPITest, TheModuleHasItsFunctionsInOrderWithTheirDocTexts) {
    Start(R"(
golden = [
 "AddRectTramp", "AddGlobalNPC", "AddLevelNPC", "AddPC", "AddLevelBasket",
 "SetInt", "SetFloat", "GetInt", "GetFloat",
 "BuildTrigger", "AddTrigger", "AddEventToTrigger", "AddConditionToTrigger",
 "DisableTrigger", "EnableTrigger", "SetTriggerReusable", "SetTriggerSingleUse",
 "AddCreateNPCEvent", "AddMoveObjEvent", "AddRotateObjEvent", "AddScaleObjEvent",
 "AddRemoveObjEvent", "AddChangeAIEvent", "AddChangeAniEvent", "AddCallPyFuncEvent",
 "AddWinEvent", "AddLoseEvent", "AddSetNextLevelEvent", "AddShowTextEvent",
 "AddPlaySoundEvent", "AddNextMusicClipEvent", "AddTriggerConditionEvent",
 "AddToggleConditionEvent", "AddSetPyVarIntEvent", "AddSetPyVarFloatEvent",
 "AddSetObjectVelocityEvent", "AddModifyScoreEvent", "AddEnableTriggerEvent",
 "AddDisableTriggerEvent", "AddQuitGameEvent", "AddPauseGameEvent", "AddUnpauseGameEvent",
 "AddLockObjectPosEvent", "AddModifyLightEvent", "AddLockTrampNodeEvent",
 "AddLockTrampNodeXYZEvent", "AddUnlockTrampNodeEvent", "AddChangeSurfacePropsEvent",
 "AddChangeEyesEvent", "AddAlterTimeElapsedCondEvent", "AddFadeSplashScreenEvent",
 "AddFadeTextEvent", "AddAlterTextEvent", "AddMoveObjectUnderEvent",
 "AddSingleSingleColCondition", "AddSingleGroupColCondition", "AddGroupSingleColCondition",
 "AddGroupGroupColCondition", "AddSingleInAreaCondition", "AddGroupInAreaCondition",
 "AddSingleNotInAreaCondition", "AddGroupNotInAreaCondition", "AddTimeCondition",
 "AddTimePassedCondition", "AddCalledCondition", "AddSingleEndOfAniCondition",
 "AddGroupEndOfAniCondition", "AddPlayerStatusCondition", "AddSingleEndOfPathCondition",
 "AddGroupEndOfPathCondition", "AddScoreCondition", "AddKeyPressedCondition",
 "AddKeyTriggeredCondition", "AddPyFuncCondition", "AddToggleCondition",
 "AddPyVarIntCondition", "AddPyVarFloatCondition", "AddNotPyVarIntCondition",
 "AddNotPyVarFloatCondition", "AddButtonClickedCondition", "AddDownwardVelocityCondition",
 "AddRangeToLockedObjCondition", "AddNotCondition", "AddOrCondition",
 "CreateLevelAI", "CreateGlobalAI", "SwitchAI", "DisableAI", "EnableAI", "AssignPathToAI",
 "CreatePath", "AddPointToPath", "SetPathTime", "SetPathSpeed", "SetPathSingle",
 "SetPathCyclic", "SetPathReversing",
 "CamSetYRange", "CamSetYPosition", "CamSetRadiusRange", "CamSetRadius", "CamSetAngleRange",
 "CamSetAngle", "CamSetRotationAngle", "CamLock", "CamUnlock",
 "ClearUIObjects", "AddSplashScreen", "AddButton", "AddAnimatedButton", "AddText",
 "AddAnimatedText", "ShowCursor", "HideCursor", "AddFire", "AddHUD", "RemoveHUD",
 "SetLevelTime", "SetSkybox", "SetBackColor", "SetPhysicsStatus", "SetGameObjStatus",
 "SetPlayerControl", "GetGameTime", "GetCurrentScore",
]
def check():
    names = [n for n in vars(Z) if not n.startswith("__")]
    assert len(golden) == 125
    assert names == golden, [(a, b) for a, b in zip(names, golden) if a != b][:3]
    # Each text follows the function's signature and what it returns.
    text = lambda f: f.__doc__.split("\n\n", 1)[1]
    assert text(Z.BuildTrigger) == "Ties events and conditions together (Limit: 10 events+conditions)."
    assert text(Z.AddMoveObjectUnderEvent) == "Adds an event to the event handler and returns the events ID."
    assert text(Z.AddOrCondition) == "Adds a condition to the event handler and returns the conditions ID."
    assert text(Z.CamUnlock) == text(Z.CamSetAngleRange) == "Sets the min and max viewing angle for the camera."
    assert text(Z.CamSetRadius) == "Sets the min and max radius for the camera."
    assert text(Z.SetLevelTime) == "Sets the amount of time left for a level"
    assert text(Z.GetCurrentScore) == "Gets the current total score."
)");
    EXPECT_TRUE(Call("check"));
}

// Scripts/ZOPAPI.md is the module's own table woven into the text of
// SourceCode/scripting/ZOPAPI.reference.md by zopapi_reference.py: every
// function once, with its signature and its text, and the shipped
// characters and key names as they are.
// TOLLYMOP_WRITE_ZOPAPI_REFERENCE=<file> writes it there instead.
TEST_F(ZOPAPITest, TheReferenceBesideTheScriptsIsTheModulesOwnTable) {
    const std::filesystem::path root = ScopedTempDir::RepositoryRoot();
    std::vector<std::string> characters;
    for (const auto& entry : std::filesystem::directory_iterator(root / "Assets" / "Characters"))
        if (entry.path().extension() == ".x") characters.push_back(entry.path().stem().string());
    std::sort(characters.begin(), characters.end());
    std::ofstream listed("characters.txt");
    for (const std::string& name : characters) listed << name << "\n";
    listed.close();
    std::ofstream keys("keys.txt");
    for (const KeyName& key : KeyNameTable()) keys << key.name << "\n";
    keys.close();
    WriteScript("reference", ReferenceScript());
    Start(R"(
import reference

def lines(path):
    with open(path, encoding="utf-8") as f:
        return f.read().splitlines()

def write_reference():
    made = reference.maker.render(Z, reference.text, lines("characters.txt"), lines("keys.txt"))
    with open("reference.md", "w", encoding="utf-8") as f:
        f.write(made)
)");
    ASSERT_TRUE(Call("write_reference"));
    std::ifstream made("reference.md");
    const std::string reference{std::istreambuf_iterator<char>(made), {}};
    if (const char* target = std::getenv("TOLLYMOP_WRITE_ZOPAPI_REFERENCE")) {
        std::ofstream(target) << reference;
        return;
    }
    std::ifstream shipped(root / "Scripts" / "ZOPAPI.md");
    ASSERT_TRUE(shipped) << "Scripts/ZOPAPI.md is missing";
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(shipped), {}), reference)
        << "Scripts/ZOPAPI.md differs from the module's table and its text: write it again with "
           "TOLLYMOP_WRITE_ZOPAPI_REFERENCE";
}

TEST_F(ZOPAPITest, ArgumentsAreReadAsPython3ReadsThemAndFailuresRaiseInTheScript) {
    Start(R"(
def raises(kind, f, *args):
    try:
        f(*args)
    except kind:
        return
    raise AssertionError(f"{f.__name__}{args} did not raise {kind.__name__}")

def check():
    raises(TypeError, Z.AddTimeCondition)                 # missing argument
    raises(TypeError, Z.AddRemoveObjEvent, 1.5)          # i refuses floats
    raises(TypeError, Z.AddMoveObjEvent, 1, (1, 2), 0.5) # a 2-sequence for (fff)
    raises(TypeError, Z.AddPlaySoundEvent, 3)
    raises(RuntimeError, Z.GetGameTime)                  # no timer running here
    raises(RuntimeError, Z.AddLevelBasket, (0, 0, 0), 1.0)
    raises(TypeError, Z.AddLevelBasket, (0, 0), 1.0)     # parsed before the system is looked up
    assert Z.AddScaleObjEvent(2, 1, 3) == 0              # f takes ints
    assert Z.AddMoveObjEvent(2, [1, 2, 3], 1) == 1       # any 3-sequence
    assert Z.AddPlaySoundEvent("s\u00f6und.wav") == 2    # UTF-8
    Z.SetInt(-255, 4)                                    # B keeps the low 8 bits: slot 1
    assert Z.GetInt(1) == 4
    assert Z.AddGroupGroupColCondition(1, 2, "anything") == -1
    assert Z.AddPlayerStatusCondition() == -1
)");
    timer.Shutdown();
    EXPECT_TRUE(Call("check"));
    ASSERT_EQ(handler.EventCount(), 3u);
    EXPECT_EQ(std::get<event_params::Text>(handler.GetEvent(2)->Parameters()).text, "s\xc3\xb6und.wav");
    EXPECT_EQ(handler.ConditionCount(), 0u);
}

TEST_F(ZOPAPITest, BuildTriggerRefusesWhatItCannotTieTogether) {
    Start(R"(
def check():
    e = Z.AddWinEvent()
    c = Z.AddCalledCondition()
    t = Z.BuildTrigger(1, 1, 1, e, c)
    assert t == 0
    assert Z.BuildTrigger(0, 0, 1, e) == -1
    assert Z.BuildTrigger(0, 1, 0, e) == -1
    assert Z.BuildTrigger(0, -1, 2, c, c) == -1
    assert Z.BuildTrigger(0, 6, 5, *([e] * 10)) == -1     # more than ten ids
    assert Z.BuildTrigger(0, 2**31 - 1, 1, e, c) == -1    # a count whose sum would overflow
    assert Z.BuildTrigger(0, 1, 1, e, 5) == -1            # no condition 5
    assert Z.BuildTrigger(0, 1, 1, -1, c) == -1
    assert Z.BuildTrigger(0, 9, 1, e, e, e, e, e, e, e, e, e, c) == 1
    assert Z.SetTriggerReusable(2) == 0                   # id == count
    assert Z.SetTriggerReusable(-1) == 0
    assert Z.SetTriggerSingleUse(0) == 1
    assert Z.AddEventToTrigger(0, 1) == 0 and Z.AddConditionToTrigger(2, 0) == 0
    assert Z.DisableTrigger(1) == 1 and Z.EnableTrigger(1) == 1 and Z.EnableTrigger(2) == 0
    try:
        Z.BuildTrigger(1, 1)
    except TypeError:
        return
    raise AssertionError("no TypeError")
)");
    ASSERT_TRUE(Call("check"));
    ASSERT_EQ(handler.TriggerCount(), 2u);
    EXPECT_FALSE(handler.GetTrigger(0)->reusable);
    EXPECT_EQ(handler.GetTrigger(0)->event, handler.GetEvent(0));
    EXPECT_EQ(handler.GetTrigger(1)->event->Type(), EventType::EventList);
    EXPECT_EQ(std::get<event_params::List>(handler.GetTrigger(1)->event->Parameters()).events.size(), 9u);
}

TEST_F(ZOPAPITest, SetBackColorClampsRoundsAndPacksAlphaFirst) {
    Video video;  // only its settings are used: no device
    ASSERT_TRUE(eTable::Register(names::Video, &video));
    Start("def check(): assert Z.SetBackColor(1.5, 0.5, -1.0, 1.0) == 0\n");
    EXPECT_TRUE(Call("check"));
    EXPECT_EQ(video.Settings().clearColor, 0xFFFF8000u);
    eTable::RemoveSystem(&video);
}

}  // namespace
