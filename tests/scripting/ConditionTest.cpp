// Conditions: what they test and what evaluating them changes.
#include <gtest/gtest.h>

#include "ScriptFixture.h"
#include "input/InputFixture.h"
#include "platform/common/ErrorLog.h"
#include "platform/input/DirectInput.h"

namespace {
using ConditionTest = ScriptFixture;

TEST_F(ConditionTest, TimeHoldsFromTheFirstFrameAndTimePassedCountsOnlyEvaluatedUnpausedTime) {
    Start(R"(
def build():
    Z.BuildTrigger(0, 1, 1, Z.AddSetPyVarIntEvent(0, 1), Z.AddTimeCondition(0.0))
    Z.BuildTrigger(0, 1, 1, Z.AddSetPyVarIntEvent(1, 1), Z.AddTimePassedCondition(10.0, 2.0))
)");
    ASSERT_TRUE(Call("build"));
    Frame(0);
    EXPECT_EQ(python.GetInt(0), 1);

    for (int second = 1; second <= 10; ++second) Frame(1000);  // game time 10: not past the start
    EXPECT_EQ(python.GetInt(1), 0);
    Frame(1000);  // 11: 1 s counted
    timer.SetPaused(true);
    Frame(1000);  // paused: nothing counted
    timer.SetPaused(false);
    EXPECT_EQ(python.GetInt(1), 0);
    Frame(999);
    EXPECT_EQ(python.GetInt(1), 0);
    Frame(1);
    EXPECT_EQ(python.GetInt(1), 1);

    // The restart event gives a new start and forgets the time counted.
    auto& passed = std::get<condition_params::TimePassed>(handler.GetCondition(1)->Parameters());
    handler.AlterTimeElapsedCondition(1, 50.0f);
    EXPECT_EQ(passed.start, 50.0f);
    EXPECT_EQ(passed.accumulated, 0.0f);
}

TEST_F(ConditionTest, CalledHoldsOnceAndNotOrAndListsEvaluateOnlyWhatTheyNeed) {
    Start(R"(
def build():
    toggle = Z.AddToggleCondition()           # 0
    b = Z.AddCalledCondition()                 # 1
    Z.AddOrCondition(toggle, b)                # 2
    Z.AddNotCondition(99)                      # 3: no condition 99
)");
    ASSERT_TRUE(Call("build"));
    handler.CallCondition(1);
    handler.ToggleCondition(0);
    EXPECT_TRUE(handler.EvaluateCondition(2));
    EXPECT_TRUE(handler.EvaluateCondition(1));  // Or took the toggle and left the call
    EXPECT_FALSE(handler.EvaluateCondition(1));
    handler.CallCondition(0);  // not a Called condition: nothing
    EXPECT_TRUE(handler.EvaluateCondition(0));

    EXPECT_FALSE(handler.EvaluateCondition(3));
    EXPECT_TRUE(handler.EvaluateCondition(99));
}

// Each Or below asks for its branches through the handler; without the rule
// that one evaluation evaluates a condition once, the cycles and the shared
// chain would ask the probe along each of about 2^32 paths.
TEST_F(ConditionTest, CyclesAndSharedBranchesEvaluateEachConditionOncePerEvaluation) {
    Start(R"(
def probe():
    Z.SetInt(0, Z.GetInt(0) + 1)               # counts the calls
    return 0
def build():
    p = Z.AddPyFuncCondition("probe")          # 0
    Z.AddOrCondition(2, p)                     # 1 -> 2 -> 1 ...
    Z.AddOrCondition(1, p)                     # 2
    Z.AddOrCondition(3, 3)                     # 3: itself, twice
    Z.AddNotCondition(4)                       # 4: not itself
    for i in range(5, 30):                     # 5..29: each asks the next twice
        Z.AddOrCondition(i + 1, i + 1)
    Z.AddOrCondition(p, p)                     # 30
    Z.BuildTrigger(1, 1, 1, Z.AddSetPyVarIntEvent(1, 1), 5)
)");
    ASSERT_TRUE(Call("build"));
    EXPECT_FALSE(handler.EvaluateCondition(1));
    EXPECT_EQ(python.GetInt(0), 1);
    EXPECT_FALSE(handler.EvaluateCondition(3));
    // Met again while it is being evaluated it is false, so its negation holds.
    EXPECT_TRUE(handler.EvaluateCondition(4));
    EXPECT_FALSE(handler.EvaluateCondition(5));
    EXPECT_EQ(python.GetInt(0), 2);
    // The trigger pass evaluates each trigger as one evaluation, afresh.
    Frame();
    EXPECT_EQ(python.GetInt(0), 3);
    EXPECT_EQ(python.GetInt(1), 0);
}

TEST_F(ConditionTest, DataBankConditionsCompareWordsAndPyFuncAsksTheScript) {
    Start(R"(
def build():
    Z.SetInt(7, 1)
    Z.AddPyVarFloatCondition(7, 1.0)           # 0: int 1 read as a float is tiny
    Z.AddPyVarFloatCondition(7, 1.401298464324817e-45)  # 1: its bits
    Z.AddNotPyVarIntCondition(263, 1)           # 2: slot 7
    Z.AddPyVarIntCondition(7, 1)                # 3
    Z.SetFloat(8, float("nan"))
    Z.AddNotPyVarFloatCondition(8, float("nan"))  # 4: NaN is never equal
    Z.AddPyFuncCondition("answer")              # 5
    Z.AddPyFuncCondition("broken")              # 6
    Z.AddPyFuncCondition("nothing")             # 7
def answer(): return Z.GetInt(7) == 1
def broken(): raise KeyError("x")
def nothing(): pass
)");
    ASSERT_TRUE(Call("build"));
    EXPECT_FALSE(handler.EvaluateCondition(0));
    EXPECT_TRUE(handler.EvaluateCondition(1));
    EXPECT_FALSE(handler.EvaluateCondition(2));
    EXPECT_TRUE(handler.EvaluateCondition(3));
    EXPECT_TRUE(handler.EvaluateCondition(4));
    EXPECT_TRUE(handler.EvaluateCondition(5));
    // A function that raised is false and says so in one line, then counts
    // its repeats; one that returns no number holds.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(handler.EvaluateCondition(6));
    EXPECT_FALSE(handler.EvaluateCondition(6));
    EXPECT_TRUE(handler.EvaluateCondition(7));
    plat::FlushErrorRepeats();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Python function \"broken\" raised KeyError: 'x'\n"
              "Repeated 1 more time: Error: Python function \"broken\" raised KeyError: 'x'\n");
}

// Key conditions ask the game's input stream through the real input system.
TEST_F(InputFixture, KeyConditionsAskStreamZeroAndATriggeredKeyCountsOnce) {
    ScopedTempDir folder;
    std::filesystem::create_directory(folder.Path() / "Scripts");
    std::ofstream(folder.Path() / "Scripts" / "zop.py") << R"(
import ZOPAPI as Z
def build():
    Z.AddKeyTriggeredCondition("spacebar")   # 0
    Z.AddKeyTriggeredCondition("SPACEBAR")   # 1: names ignore case
    Z.AddKeyPressedCondition("SpaceBar")     # 2
    Z.AddKeyPressedCondition("ESC")       # 3: not a key name
)";
    Input input;
    ASSERT_TRUE(StartInput(input));
    EventHandler handler;
    PythonMan python;
    ASSERT_TRUE(handler.Init());
    ASSERT_TRUE(python.Init());
    ASSERT_TRUE(python.CallFunction("build"));
    EXPECT_EQ(std::get<condition_params::Ints>(handler.GetCondition(3)->Parameters()).a, 125);

    PushKey(SDL_SCANCODE_SPACE, true);
    Frame(input);
    EXPECT_TRUE(handler.EvaluateCondition(0));
    EXPECT_FALSE(handler.EvaluateCondition(1));
    EXPECT_TRUE(handler.EvaluateCondition(2));
    EXPECT_FALSE(handler.EvaluateCondition(3));

    input.SetStream(2);  // the console has the keyboard
    Frame(input);
    EXPECT_FALSE(handler.EvaluateCondition(2));
    python.Shutdown();
    handler.Shutdown();
    input.Shutdown();
}

}  // namespace
