// The game's own scripts under Scripts/ load and run in the real engine
// without a single error line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/SystemNames.h"
#include "core/eTable.h"
#include "scripting/PythonMan.h"
#include "support/TestVideo.h"
#include "world/GameLogic.h"
#include "world/WorldFixtures.h"

namespace {
using ::testing::HasSubstr;
using ::testing::Not;

TEST(ShippedScriptsTest, EveryScriptLoadsAndRunsWithoutAnErrorLine) {
    const std::filesystem::path scripts = ScopedTempDir::RepositoryRoot() / "Scripts";
    ASSERT_TRUE(std::filesystem::exists(scripts / "zop.py"));
    TestVideo video{160, 120};
    ASSERT_TRUE(video.ok());
    TestClock clock;
    PythonMan::SetScriptFolder(scripts.string());
    GameLogic logic;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(logic.Init());
    auto* python = eTable::Find<PythonMan>(names::PythonMan);
    EXPECT_TRUE(python->HasMainModule());
    for (int frame = 0; frame < 3; ++frame) {
        clock.Advance(16);
        logic.Update();
    }
    // Every other module is a level: it loads and builds itself.
    for (const auto& entry : std::filesystem::directory_iterator(scripts)) {
        const std::string module = entry.path().stem().string();
        if (entry.path().extension() != ".py" || module == "zop") continue;
        python->SetNextModuleName(module.c_str());
        python->LoadSecondaryModule();
        EXPECT_TRUE(python->HasSecondaryModule()) << module;
        python->LoadLevel();
        clock.Advance(16);
        logic.Update();
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, Not(HasSubstr("Error")));
    EXPECT_THAT(err, Not(HasSubstr("Traceback")));
    logic.Shutdown();
    PythonMan::SetScriptFolder("");
}

}  // namespace
