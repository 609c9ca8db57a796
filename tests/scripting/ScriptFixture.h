#pragma once
// A scripting test's world: its own working directory with a Scripts/ folder
// that the test fills, a timer on an injected clock, the event handler and
// the interpreter host. The interpreter is the real embedded one; each test
// runs in its own process, so it starts once per test.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/Timer.h"
#include "platform/window/Clock.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"

class ScriptFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder.Path() / "Scripts");
        plat::SetClockSource([this] { return now; });
        ASSERT_TRUE(timer.Init());
    }
    void TearDown() override {
        python.Shutdown();
        handler.Shutdown();
        timer.Shutdown();
        plat::SetClockSource(nullptr);
    }

    // Writes Scripts/<module>.py; write before Start for "zop".
    void WriteScript(const std::string& module, const std::string& text) {
        std::ofstream(folder.Path() / "Scripts" / (module + ".py")) << text;
    }
    // Writes "zop" (the prelude imports the engine module as Z) and starts
    // the handler and the host.
    void Start(const std::string& zop) {
        WriteScript("zop", "import ZOPAPI as Z\n" + zop);
        ASSERT_TRUE(handler.Init());
        ASSERT_TRUE(python.Init());
        ASSERT_TRUE(python.HasMainModule());
    }
    // One frame in the game's order: timer, "everyloop", the trigger pass.
    void Frame(std::uint32_t ms = 20) {
        now += ms;
        timer.Update();
        python.Update();
        handler.Update();
    }
    bool Call(const char* function) { return python.CallFunction(function); }

    std::uint32_t now = 1000;
    MessageBoxRecorder boxes;
    ScopedTempDir folder;
    Timer timer;
    EventHandler handler;
    PythonMan python;
};
