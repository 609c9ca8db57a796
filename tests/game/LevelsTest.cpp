// Every level of the shipped game loads, runs and draws every texture it
// names (no fallback picture, every procedural lookup made); a level runs out of time
// and is lost; a level module that is missing or fails leaves the player in
// the menu with a line in the error stream.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <variant>
#include <vector>

#include "game/GameSession.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"
#include "scripting/Event.h"
#include "ui/Button.h"
#include "ui/HUDText.h"
#include "world/GameLogic.h"

namespace {
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// Every text the level shows now or may show later (its glyph texts, button
// labels, and the texts of its show-text and alter-text events).
std::vector<std::string> TextsOfTheLevel() {
    std::vector<std::string> texts;
    auto* logic = eTable::Find<GameLogic>(names::GameLogic);
    for (std::uint32_t id = 0; System* object = logic->GetUIObject(id); ++id) {
        if (object->Name() == names::HUDText) texts.push_back(static_cast<HUDText*>(object)->Text());
        if (object->Name() == names::Button && static_cast<Button*>(object)->Label())
            texts.push_back(static_cast<Button*>(object)->Label()->Text());
    }
    auto* handler = eTable::Find<EventHandler>(names::EventHandler);
    for (std::uint32_t id = 0; id < handler->EventCount(); ++id) {
        const Event* event = handler->GetEvent(id);
        if (event->Type() == EventType::AlterText || event->Type() == EventType::ShowText)
            texts.push_back(std::get<event_params::Text>(event->Parameters()).text);
    }
    return texts;
}

// A character without a glyph shows as a gap: every text of every screen,
// the menu's for a game that goes on at level 2 among them, is spelt with
// the glyphs there are.
TEST(LevelsTest, EveryTextTheScriptsShowHasItsGlyphs) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    eTable::Find<PythonMan>(names::PythonMan)->SetInt(kReachedSlot, 2);
    int texts = 0;
    for (const char* level : {"menu", "level1", "level2", "level3", "victory"}) {
        ChangeLevel(game, level);
        for (const std::string& text : TextsOfTheLevel()) {
            ++texts;
            for (char c : GlyphCodesFromUtf8(text.c_str())) {
                std::string file;
                EXPECT_TRUE(c == ' ' || GetGlyphFileName(file, c)) << "'" << c << "' of \"" << text << "\" in " << level;
            }
        }
    }
    EXPECT_GT(texts, 30);
}

TEST(LevelsTest, EveryLevelLoadsAndRunsThreeHundredFramesWithoutAnErrorLine) {
    testing::internal::CaptureStderr();
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    for (const char* level : {"level1", "level2", "level3", "victory", "menu"}) {
        ChangeLevel(game, level);
        EXPECT_EQ(game.BankInt(kLoadingSlot), 0) << level;
        game.Frames(300, 33);
        EXPECT_EQ(CurrentLevel(), level);
        EXPECT_THAT(game.MissingTextures(), IsEmpty()) << level;
        game.Screenshot(std::string("level_") + level + ".png");
    }
    EXPECT_TRUE(game.Running());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, Not(HasSubstr("Error")));
    EXPECT_THAT(err, Not(HasSubstr("Traceback")));
}

// Once a level runs, its frames read no file: the HUD's numbers change
// every second, and their glyph textures come from the cache.
TEST(LevelsTest, ASteadyLevelFrameOpensNoFile) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level2");
    game.Frames(30, 33);
    const std::uint64_t opened = plat::FilesOpened();
    game.Frames(120, 33);  // four seconds: the clock shows four new numbers
    EXPECT_EQ(plat::FilesOpened() - opened, 0u);
}

TEST(LevelsTest, LevelOneWithNoInputRunsOutOfTimeAndTheLoseTriggerFires) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level1");
    // Level 1 gives 120 seconds; frames of a quarter second run the clock
    // (the physics takes one step a frame whatever the frame's length).
    game.Frames(470, 250);
    const int before = game.Score();
    EXPECT_FALSE(Shows("Time is up!"));
    game.Frames(20, 250);
    EXPECT_EQ(game.Score(), before - 1);
    EXPECT_TRUE(Shows("Time is up!"));
    game.Screenshot("time_is_up.png");
    // A few seconds later the game is back in the menu.
    game.Frames(20, 250);
    EXPECT_EQ(CurrentLevel(), "menu");
    EXPECT_EQ(game.BankInt(kInMenuSlot), 1);
}

// A fall off the world costs points, never a catch: level 1 is won by its
// three suns after a fall. (The test puts the player where a fall and the
// catches would take it.)
TEST(LevelsTest, LevelOneIsWonByItsThreeSunsAfterAFall) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    ChangeLevel(game, "level1");
    game.Object(kPlayer)->PlaceAt({0.0f, -25.0f, 0.0f});
    game.Frames(3);
    EXPECT_EQ(game.Score(), -100);
    for (std::uint32_t sun : {3001u, 3002u, 3003u}) {
        D3DXVECTOR3 at;
        ASSERT_TRUE(game.PositionOf(sun, &at));
        game.Object(kPlayer)->PlaceAt(at);
        game.Frames(3);
        EXPECT_FALSE(game.Object(sun)) << sun << " was not caught";
    }
    EXPECT_EQ(game.Score(), -70);
    EXPECT_TRUE(Shows("Well done!"));
    game.Frames(150);
    EXPECT_EQ(CurrentLevel(), "level2");
}

// Catches the three suns of level 1 where they hang.
void CatchTheSuns(GameSession& game) {
    for (std::uint32_t sun : {3001u, 3002u, 3003u}) {
        D3DXVECTOR3 at;
        if (!game.PositionOf(sun, &at)) continue;
        game.Object(kPlayer)->PlaceAt(at);
        game.Frames(3);
    }
}

// Whichever of a win and the time-up comes first ends the level: a win just
// before the time is up loses no point and leads on, and Play in the menu
// then goes on from the level reached; a catch after it leads nowhere.
TEST(LevelsTest, AWinAndTheTimeUpExcludeEachOtherAndPlayGoesOnFromTheLevelReached) {
    {
        GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
        ASSERT_TRUE(game.ok());
        game.Frames(10);
        ChangeLevel(game, "level1");
        game.Frames(474, 250);  // 118.5 of the level's 120 seconds
        CatchTheSuns(game);
        EXPECT_TRUE(Shows("Well done!"));
        game.Frames(7, 250);  // the time is up while the win's word shows
        EXPECT_EQ(game.Score(), 30);
        EXPECT_FALSE(Shows("Time is up!"));
        game.Frames(4, 250);
        EXPECT_EQ(CurrentLevel(), "level2");
        game.TapKey(SDL_SCANCODE_M);
        ASSERT_EQ(CurrentLevel(), "menu");
        EXPECT_TRUE(Shows("Next: level 2"));
        game.PointAt(0.0f, 0.07f);
        game.Click();
        EXPECT_EQ(CurrentLevel(), "level2");
    }
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level1");
    game.Frames(482, 250);
    ASSERT_TRUE(Shows("Time is up!"));
    CatchTheSuns(game);
    EXPECT_FALSE(Shows("Well done!"));
    game.Frames(20, 250);
    EXPECT_EQ(CurrentLevel(), "menu");
}

// Level 2's weeds and pebble cost points once a touch, then go back where
// they started instead of staying where the player lands.
TEST(LevelsTest, AHazardCostsOnceAndGoesBackWhereItStarted) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level2");
    game.Frames(30);
    const int before = game.Score();
    for (int frame = 0; frame < 40; ++frame) {
        D3DXVECTOR3 weed;
        ASSERT_TRUE(game.PositionOf(3021, &weed));
        game.Object(kPlayer)->PlaceAt(weed);
        game.Frame();
    }
    game.Object(kPlayer)->PlaceAt({0.0f, 6.0f, 0.0f});
    EXPECT_EQ(game.Score(), before - 5);
    game.Frames(100);
    D3DXVECTOR3 weed;
    ASSERT_TRUE(game.PositionOf(3021, &weed));
    EXPECT_LT(std::hypot(weed.x + 16.0f, weed.z - 6.0f), 1.0f) << weed.x << ", " << weed.z;
}

// The shipped scripts in a folder of the test's own, with one module
// replaced or left out.
std::filesystem::path ScriptsWith(const ScopedTempDir& dir, const std::string& module, const char* text) {
    const std::filesystem::path folder = dir.Path() / "scripts-under-test";
    std::filesystem::create_directories(folder);
    for (const auto& entry : std::filesystem::directory_iterator(ScopedTempDir::RepositoryRoot() / "Scripts"))
        if (entry.path().extension() == ".py" && entry.path().stem() != module)
            std::filesystem::copy_file(entry.path(), folder / entry.path().filename());
    if (text) std::ofstream(folder / (module + ".py")) << text;
    return folder;
}

// How many objects of the kind the game holds.
int ObjectsOfKind(std::uint32_t kind) {
    int count = 0;
    for (System* child : eTable::Find<GameObjectsMan>(names::GameObjectsMan)->Children())
        if (child && static_cast<GameObject*>(child)->kind == kind) ++count;
    return count;
}

// The worked level of the modder's reference (Scripts/ZOPAPI.md): its
// Python block, as a modder would copy it.
std::string ReferenceLevel() {
    std::ifstream file(ScopedTempDir::RepositoryRoot() / "Scripts" / "ZOPAPI.md");
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    const std::string open = "```python\n";
    const std::size_t start = text.find(open);
    if (start == std::string::npos) return "";
    const std::size_t end = text.find("```", start + open.size());
    return text.substr(start + open.size(), end - start - open.size());
}

// The reference's level builds its own 6 x 4 trampoline as it loads: loaded
// again and again (a lost level played again, the menu and back), it has
// its one sheet beside the game's, centred where it was put, and the menu
// has only the game's. It runs without an error line.
TEST(LevelsTest, ALevelThatBuildsItsTrampolineHasOneSheetHoweverOftenItIsLoaded) {
    const std::string level = ReferenceLevel();
    ASSERT_THAT(level, HasSubstr("AddRectTramp(1100, (24.0, 0.0, 0.0), 6, 4,"));
    ScopedTempDir scripts;
    testing::internal::CaptureStderr();
    GameSession game(ScriptsWith(scripts, "mylevel", level.c_str()), 160, 120);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    constexpr int kGameNodes = 11 * 11, kLevelNodes = 7 * 5;
    for (int load = 1; load <= 4; ++load) {
        ChangeLevel(game, "mylevel");
        EXPECT_EQ(ObjectsOfKind(kKindTrampoline), 2) << load;
        EXPECT_EQ(ObjectsOfKind(kKindTrampNode), kGameNodes + kLevelNodes) << load;
        game.Frames(100);
        EXPECT_EQ(CurrentLevel(), "mylevel");
        if (load == 2) ChangeLevel(game, "menu");
    }
    const GameObject* sheet = game.Object(1100);
    ASSERT_TRUE(sheet && sheet->body);
    D3DXVECTOR3 middle;
    for (std::size_t k = 1; k < sheet->body->points.size(); ++k)
        middle += sheet->body->points[k].position / float(kLevelNodes);
    EXPECT_NEAR(middle.x, 24.0f, 0.1f);
    EXPECT_NEAR(middle.z, 0.0f, 0.1f);
    ChangeLevel(game, "menu");
    EXPECT_EQ(ObjectsOfKind(kKindTrampoline), 1);
    EXPECT_EQ(ObjectsOfKind(kKindTrampNode), kGameNodes);
    EXPECT_EQ(game.Object(1100), nullptr);
    EXPECT_NE(game.Object(objectid::kTrampoline), nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, Not(HasSubstr("Error"))) << err;
    EXPECT_THAT(err, Not(HasSubstr("Traceback")));
}

TEST(LevelsTest, AMissingLevelModuleLeavesThePlayerInTheMenuWithALineInTheErrorStream) {
    ScopedTempDir scripts;
    testing::internal::CaptureStderr();
    GameSession game(ScriptsWith(scripts, "level1", nullptr), 320, 240);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    game.PointAt(0.0f, 0.07f);
    game.Click();
    game.Frames(10);
    EXPECT_EQ(CurrentLevel(), "menu");
    EXPECT_EQ(game.BankInt(kInMenuSlot), 1);
    EXPECT_TRUE(Shows("Tollymop"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("Failed to find Python module \"level1\""));
    EXPECT_THAT(err, HasSubstr("level \"level1\" did not load"));

    // At the next try it is not said again, nor counted.
    testing::internal::CaptureStderr();
    game.PointAt(0.0f, 0.07f);
    game.Click();
    game.Frames(10);
    EXPECT_EQ(CurrentLevel(), "menu");
    plat::FlushErrorRepeats();
    EXPECT_THAT(testing::internal::GetCapturedStderr(), Not(HasSubstr("did not load")));
}

// A modder's level that does not compile: its traceback, then one line with
// the error and its place (not that the module is missing), and the menu
// says that the level did not load and why.
TEST(LevelsTest, ALevelWithASyntaxErrorIsSaidWithItsLineInTheErrorStreamAndOnTheMenu) {
    ScopedTempDir scripts;
    testing::internal::CaptureStderr();
    GameSession game(ScriptsWith(scripts, "level1", "import ZOPAPI as Z\n\ndef loadlevel()\n    pass\n"), 320, 240);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    game.PointAt(0.0f, 0.07f);
    game.Click();
    game.Frames(10);
    EXPECT_EQ(CurrentLevel(), "menu");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("SyntaxError"));
    const std::string line = "Python module \"level1\" could not be imported: SyntaxError: expected ':' (level1.py, line 3).";
    EXPECT_THAT(err, HasSubstr("Error: " + line + "\n"));
    EXPECT_THAT(err, Not(HasSubstr("Failed to find Python module")));
    EXPECT_TRUE(Shows("Level 1 did not load: SyntaxError at line 3"));
}

// The game from its menu into a level 1 whose loadlevel adds the HUD and
// then runs `lines`: whether it started and still runs, the level it is in,
// and what the error stream got.
struct LevelOneRun {
    bool started = false, running = false;
    std::string level, err;
};

LevelOneRun PlayLevelOneWith(const std::string& lines) {
    ScopedTempDir scripts;
    const std::string text = "import ZOPAPI as Z\ndef loadlevel():\n    Z.AddHUD()\n" + lines;
    LevelOneRun run;
    testing::internal::CaptureStderr();
    GameSession game(ScriptsWith(scripts, "level1", text.c_str()), 320, 240);
    run.started = game.ok();
    if (run.started) {
        game.Frames(10);
        ChangeLevel(game, "level1");
        game.Frames(10);
        run.running = game.Running();
        run.level = CurrentLevel();
    }
    run.err = testing::internal::GetCapturedStderr();
    return run;
}

TEST(LevelsTest, ALevelWhoseScriptsRaiseIsReportedAndTheGameGoesOn) {
    const LevelOneRun run = PlayLevelOneWith("    Z.SetLevelTime('soon')\n");
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.running);
    EXPECT_EQ(run.level, "menu");
    EXPECT_THAT(run.err, HasSubstr("Traceback"));
    EXPECT_THAT(run.err, HasSubstr("level \"level1\" did not load"));
}

// A texture name from a script may lead anywhere: a device there is one line
// in the error stream and the fallback picture, not a read without end.
TEST(LevelsTest, ASkyboxNamedAfterADeviceIsOneLineAndTheLevelGoesOn) {
    const LevelOneRun run = PlayLevelOneWith("    Z.SetSkybox('../../../../../../../../dev/zero')\n"
                                             "    Z.SetInt(200, 0)\n");  // loaded: the loading slot cleared
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.running);
    EXPECT_EQ(run.level, "level1");
    EXPECT_THAT(run.err, HasSubstr("Textures/../../../../../../../../dev/zero: cannot be read (a device, not a regular file)\n"));
    EXPECT_THAT(run.err, Not(HasSubstr("did not load")));
}

}  // namespace

namespace {

// A sound or texture that does not open falls back without a word (the
// fallback beeps, the fallback picture): every file the scripts name must
// exist under its folder, with its exact case.
TEST(LevelsTest, EveryFileTheScriptsNameExists) {
    const std::filesystem::path root = ScopedTempDir::RepositoryRoot();
    const std::regex sound("\"(Assets/Audio/[^\"]+)\"");
    const std::regex picture("\"([A-Za-z0-9_/]+\\.(bmp|png|jpg|tga|dds))\"");
    int named = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root / "Scripts")) {
        if (entry.path().extension() != ".py") continue;
        std::ifstream in(entry.path());
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::sregex_iterator m(text.begin(), text.end(), sound), end; m != end; ++m, ++named)
            EXPECT_TRUE(std::filesystem::exists(root / (*m)[1].str())) << (*m)[1] << " in " << entry.path();
        for (std::sregex_iterator m(text.begin(), text.end(), picture), end; m != end; ++m, ++named)
            EXPECT_TRUE(std::filesystem::exists(root / "Assets/Textures" / (*m)[1].str()))
                << (*m)[1] << " in " << entry.path();
    }
    EXPECT_GT(named, 10);
}

}  // namespace
