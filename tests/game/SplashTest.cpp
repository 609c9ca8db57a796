// The start-up splash shows alone, without the cursor; the menu is built
// once it has faded, and nothing of the splash stays behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/GameSession.h"
#include "ui/Cursor.h"
#include "world/GameLogic.h"

namespace {

// The names of the user-interface objects alive.
std::vector<std::string> UIObjects() {
    std::vector<std::string> names;
    auto* logic = eTable::Find<GameLogic>(names::GameLogic);
    for (std::uint32_t id = 0; id < logic->UIObjectCount(); ++id)
        if (System* object = logic->GetUIObject(id)) names.emplace_back(object->Name());
    return names;
}

TEST(SplashTest, TheSplashShowsAloneAndTheMenuComesOnceItHasFadedWithoutAGhost) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 640, 480);
    ASSERT_TRUE(game.ok());
    for (int frame = 0; frame < 60; ++frame) {
        EXPECT_EQ(UIObjects(), std::vector<std::string>{names::SplashScreen}) << "frame " << frame;
        EXPECT_FALSE(eTable::Find<Cursor>(names::Cursor)->visible);
        if (frame == 1) game.Screenshot("splash.png");
        game.Frame();
    }
    ASSERT_TRUE(game.ToTheMenu());
    game.Frame();
    game.Screenshot("menu_first_frame.png");
    const std::vector<std::string> menu = UIObjects();
    EXPECT_EQ(std::count(menu.begin(), menu.end(), names::SplashScreen), 0);
    EXPECT_GE(std::count(menu.begin(), menu.end(), names::Button), 2);
    EXPECT_TRUE(eTable::Find<Cursor>(names::Cursor)->visible);
}

}  // namespace
