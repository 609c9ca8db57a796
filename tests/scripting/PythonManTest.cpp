// The interpreter host: modules, calls by name, failures and the data bank.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ScriptFixture.h"
#include "platform/common/ErrorLog.h"

namespace {
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

using PythonManTest = ScriptFixture;

TEST_F(PythonManTest, DataBankWordsAreSharedBetweenIntsAndFloatsAndSlotsWrap) {
    Start(R"(
def check():
    Z.SetInt(3, 1065353216)
    assert Z.GetFloat(3) == 1.0
    Z.SetInt(256, 7)           # slot 0
    Z.SetFloat(-1, 2.5)        # slot 255
    Z.SetInt(300, 9)           # slot 44
    assert Z.GetInt(0) == 7 and Z.GetInt(256) == 7
    assert Z.GetFloat(255) == 2.5
)");
    ASSERT_TRUE(Call("check"));
    EXPECT_EQ(python.GetFloat(3), 1.0f);
    EXPECT_EQ(python.GetInt(0), 7);
    EXPECT_EQ(python.GetInt(44), 9);
    EXPECT_EQ(python.GetFloat(255), 2.5f);
    python.SetFloat(8, -0.0f);
    EXPECT_EQ(python.GetInt(8), INT32_MIN);
}

TEST_F(PythonManTest, MainModuleHidesTheLevelsFunctionsAndAFailedLevelImportLeavesOnlyMain) {
    WriteScript("level1", R"(
import ZOPAPI as Z
def loadlevel(): Z.SetInt(2, 1)
def levelonly(): pass
)");
    Start("def loadlevel(): Z.SetInt(1, 1)\n");
    EXPECT_FALSE(Call("levelonly"));  // no level module yet

    python.SetNextModuleName("level1");
    CaptureStderr();
    python.LoadSecondaryModule();
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("Loading secondary module: level1\n"));
    EXPECT_TRUE(python.LoadLevel());
    EXPECT_EQ(python.GetInt(1), 1);
    EXPECT_EQ(python.GetInt(2), 0);
    EXPECT_TRUE(Call("levelonly"));

    python.SetNextModuleName("nosuchlevel");
    CaptureStderr();
    python.LoadSecondaryModule();
    std::string err = GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("ModuleNotFoundError"));
    EXPECT_THAT(err, HasSubstr("Error: Failed to find Python module \"nosuchlevel\".\n"));
    EXPECT_FALSE(python.HasSecondaryModule());
    EXPECT_FALSE(Call("levelonly"));
    EXPECT_TRUE(Call("loadlevel"));
}

TEST_F(PythonManTest, AFunctionThatRaisedIsReportedWithItsTracebackAndTheNextFrameRunsAgain) {
    Start(R"(
frames = 0
def everyloop():
    global frames
    frames += 1
    Z.SetInt(0, frames)
    if frames == 1:
        raise ValueError("first frame fails")
def leave():
    import sys
    sys.exit(3)
)");
    CaptureStderr();
    Frame();
    std::string err = GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("Traceback"));
    EXPECT_THAT(err, HasSubstr("ValueError: first frame fails"));
    Frame();
    EXPECT_EQ(python.GetInt(0), 2);

    // A script that asks to leave is an error like any other; the game goes on.
    CaptureStderr();
    EXPECT_FALSE(Call("leave"));
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("SystemExit"));
    EXPECT_TRUE(Call("everyloop"));
}

TEST_F(PythonManTest, ATracebackRaisedEveryFrameIsWrittenOnceThenCounted) {
    plat::ResetErrorLog();
    Start("def everyloop():\n    return 1 / 0\n");
    CaptureStderr();
    for (int frame = 0; frame < 50; ++frame) Frame();
    Frame(10000);
    plat::FlushErrorRepeats();
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(err.find("Traceback"), err.rfind("Traceback")) << err;
    EXPECT_THAT(err, HasSubstr("in everyloop\n    return 1 / 0"));
    EXPECT_THAT(err, HasSubstr("ZeroDivisionError: division by zero\n"
                               "Repeated 49 more times: ZeroDivisionError: division by zero\n"
                               "Repeated 1 more time: ZeroDivisionError: division by zero\n"));
}

// What scripts write to sys.stderr goes through the error log: a line
// written every frame is counted, a huge write or exception is cut and the
// log goes on, and a traceback the interpreter prints by itself (an
// exception in __del__) is one message.
TEST_F(PythonManTest, ScriptsStderrIsCountedAndCutAndTheLogGoesOnAfterAHugeMessage) {
    plat::ResetErrorLog();
    Start(R"(
import sys
class Boom:
    def __del__(self): 1 / 0
def everyloop(): print("lost my hat", file=sys.stderr)
def flood(): sys.stderr.write("h" * 11_000_000)
def huge(): raise ValueError("h" * 11_000_000)
def unraisable(): Boom()
def after(): print("still logged", file=sys.stderr)
)");
    CaptureStderr();
    for (int frame = 0; frame < 20; ++frame) Frame();
    EXPECT_TRUE(Call("flood"));
    EXPECT_TRUE(Call("flood"));
    EXPECT_FALSE(Call("huge"));
    EXPECT_TRUE(Call("unraisable"));
    EXPECT_TRUE(Call("unraisable"));
    EXPECT_TRUE(Call("after"));
    plat::FlushErrorRepeats();
    const std::string err = GetCapturedStderr();
    ASSERT_LT(err.size(), 3 * plat::kErrorMessageLimit);
    EXPECT_THAT(err, HasSubstr("lost my hat\n"));
    EXPECT_THAT(err, HasSubstr("Repeated 19 more times: lost my hat\n"));
    EXPECT_EQ(err.find("lost my hat"), err.rfind("lost my hat", err.rfind("Repeated 19")));
    EXPECT_THAT(err, HasSubstr("\n[The message above was cut: 10934464 more bytes were left out.]\n"));
    // Its count shows the start of the line that was cut.
    EXPECT_THAT(err, HasSubstr("Repeated 1 more time: " + std::string(160, 'h') + "...\n"));
    EXPECT_THAT(err, HasSubstr("Traceback (most recent call last):"));
    EXPECT_THAT(err, HasSubstr("Repeated 1 more time: ZeroDivisionError: division by zero\n"));
    EXPECT_THAT(err, HasSubstr("still logged\n"));
    EXPECT_THAT(err, Not(HasSubstr("Further errors were dropped")));
}

// A name that a level gives and nothing matches is said once, the first
// time, and the call keeps its result. The line of a level change is no
// error: it comes at every change.
TEST_F(PythonManTest, WhatALevelNamesAndNothingHasIsSaidOnceAndEveryLevelChangeIsSaid) {
    WriteScript("level1", "import ZOPAPI as Z\n");
    Start(R"(
def build():
    Z.AddPyFuncCondition("nosuchcondition")
    Z.AddCallPyFuncEvent("nosuchevent")
    Z.AddKeyTriggeredCondition("ESC")
)");
    plat::ResetErrorLog();
    CaptureStderr();
    ASSERT_TRUE(Call("build"));
    ASSERT_TRUE(Call("build"));
    for (int change = 0; change < 2; ++change) {
        python.SetNextModuleName("level1");
        python.LoadSecondaryModule();
        EXPECT_FALSE(python.LoadLevel());
        for (int frame = 0; frame < 2; ++frame) {
            EXPECT_FALSE(handler.EvaluateCondition(0));
            handler.GetEvent(0)->Execute();
        }
    }
    plat::FlushErrorRepeats();
    EXPECT_EQ(GetCapturedStderr(),
              "Error: A key condition names \"ESC\", which is no key name: it never holds.\n"
              "Loading secondary module: level1\n"
              "Error: Python module \"level1\" has no function \"loadlevel\": the level is not built.\n"
              "Error: No Python function \"nosuchcondition\" in module \"zop\" nor in level module \"level1\".\n"
              "Error: No Python function \"nosuchevent\" in module \"zop\" nor in level module \"level1\".\n"
              "Loading secondary module: level1\n");
}

TEST_F(PythonManTest, AMainModuleWithoutInitgameIsSaid) {
    Start("def everyloop(): pass\n");
    CaptureStderr();
    EXPECT_FALSE(python.InitGame());
    EXPECT_EQ(GetCapturedStderr(),
              "Error: Python module \"zop\" has no function \"initgame\": the game is not set up.\n");
}

TEST_F(PythonManTest, WithoutTheMainModuleEveryCallIsFalseAndTheHostRestartsCleanly) {
    ASSERT_TRUE(handler.Init());
    CaptureStderr();
    ASSERT_TRUE(python.Init());
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("Error: Failed to find Python module \"zop\".\n"));
    EXPECT_FALSE(python.InitGame());
    EXPECT_FALSE(python.CallFunctionBool("everyloop"));
    EXPECT_TRUE(python.Update());
    EXPECT_FALSE(python.Init());  // a second Init is refused

    // The interpreter was not finalized; a new host with a main module uses it.
    ASSERT_TRUE(python.Shutdown());
    WriteScript("zop", "import ZOPAPI\ndef initgame(): ZOPAPI.SetInt(5, 5)\n");
    ASSERT_TRUE(python.Init());
    EXPECT_TRUE(python.InitGame());
    EXPECT_EQ(python.GetInt(5), 5);
    ASSERT_TRUE(python.Shutdown());
    EXPECT_FALSE(python.Shutdown());
    EXPECT_EQ(python.GetInt(5), 0);  // no bank after shutdown
}

TEST_F(PythonManTest, CallFunctionBoolCountsZeroAsFalseAndWhatIsNoNumberAsTrue) {
    Start(R"(
def yes(): return True
def zero(): return 0
def none(): return None
def two_and_a_half(): return 2.5
def half(): return 0.5
def big(): return 2**70
def text(): return "1"
)");
    EXPECT_TRUE(python.CallFunctionBool("yes"));
    EXPECT_FALSE(python.CallFunctionBool("zero"));
    EXPECT_TRUE(python.CallFunctionBool("two_and_a_half"));
    EXPECT_FALSE(python.CallFunctionBool("half"));
    EXPECT_TRUE(python.CallFunctionBool("big"));
    CaptureStderr();
    EXPECT_TRUE(python.CallFunctionBool("none"));
    EXPECT_TRUE(python.CallFunctionBool("text"));
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_TRUE(python.CallFunction("none"));
}

TEST_F(PythonManTest, ScriptsComeFromTheScriptFolderAndTheEnvironmentIsIgnored) {
    std::filesystem::create_directory(folder.Path() / "elsewhere");
    std::ofstream(folder.Path() / "elsewhere" / "onlyelsewhere.py") << "x = 1\n";
    ::setenv("PYTHONPATH", (folder.Path() / "elsewhere").c_str(), 1);
    Start("def initgame():\n    import onlyelsewhere\n");
    ::unsetenv("PYTHONPATH");
    CaptureStderr();
    EXPECT_FALSE(python.InitGame());
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("No module named 'onlyelsewhere'"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Scripts" / "__pycache__"));
}

TEST_F(PythonManTest, ScriptsReadTextAndNameTheirFilesInUtf8WhateverTheLocale) {
    const std::filesystem::path scripts = folder.Path() / "Skripte-Größe";
    std::filesystem::create_directory(scripts);
    std::ofstream(scripts / "names.txt") << "Grüße aus Åre\n";
    std::ofstream(scripts / "zop.py") << R"(import os
here = os.path.dirname(__file__)
def read():
    with open(os.path.join(here, "names.txt")) as names:
        assert names.read() == "Grüße aus Åre\n"
def fail():
    raise ValueError("Åre")
)";
    PythonMan::SetScriptFolder(scripts.string());
    ASSERT_TRUE(python.Init());
    PythonMan::SetScriptFolder("");
    CaptureStderr();
    EXPECT_TRUE(Call("read"));
    EXPECT_FALSE(Call("fail"));
    const std::string err = GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("Skripte-Größe/zop.py\", line 7, in fail"));
    EXPECT_THAT(err, HasSubstr("ValueError: Åre"));
}

}  // namespace
