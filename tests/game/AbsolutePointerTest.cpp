// The game under a real X server (an Xvfb of the test's own) with a pointer
// that reports where it is rather than how far it moved, as a VM's tablet,
// VNC or xdotool's mousemove do through XTest: the cursor follows it, and a
// click on Play starts level 1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "GameSession.h"
#include "OwnDisplay.h"
#include "XTestPointer.h"
#include "scripting/PythonMan.h"

namespace {

// The game on the display, moved and clicked through XTest.
void PlayWithAnAbsolutePointer(const std::string& display) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    XTestPointer pointer(display);
    ASSERT_TRUE(pointer.ok()) << "no XTest on " << display;

    std::optional<GameSession> game;
    game.emplace(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game->ok());
    ASSERT_TRUE(game->ToTheMenu());
    game->Frames(10);
    int left = 0, top = 0;
    SDL_GetWindowPosition(plat::SdlWindowOf(game->window.Handle()), &left, &top);

    // The pointer set on screen pixels, as the tablet reports them, one
    // frame after another; the cursor moves by as much.
    const Cursor* cursor = eTable::Find<Cursor>(names::Cursor);
    auto moveTo = [&](int px, int py) {
        pointer.MoveTo(left + px, top + py);
        game->Frames(2);
    };
    moveTo(40, 30);
    const float startX = cursor->position.x, startY = cursor->position.y;
    moveTo(100, 70);
    EXPECT_EQ(cursor->position.x - startX, 60.0f);
    EXPECT_EQ(cursor->position.y - startY, 40.0f);
    moveTo(70, 90);
    EXPECT_EQ(cursor->position.x - startX, 30.0f);
    EXPECT_EQ(cursor->position.y - startY, 60.0f);
    // A mouse beside it still moves the cursor by its own movement.
    pointer.MoveBy(5, 7);
    game->Frames(2);
    EXPECT_EQ(cursor->position.x - startX, 35.0f);
    EXPECT_EQ(cursor->position.y - startY, 67.0f);

    // Play is the upper button, in the middle of the screen: the pointer is
    // brought over it by the cursor's own distance from it, then clicked.
    const D3DVIEWPORT9& view = cursor->viewport;
    const int playX = int(0.5f * float(view.Width)), playY = int((1.0f - 0.07f) * 0.5f * float(view.Height));
    moveTo(75 + playX - int(cursor->position.x), 97 + playY - int(cursor->position.y));
    EXPECT_EQ(int(cursor->position.x), playX);
    EXPECT_EQ(int(cursor->position.y), playY);
    pointer.Button(1, true);
    game->Frames(3);
    pointer.Button(1, false);
    game->Frames(30);
    EXPECT_EQ(CurrentLevel(), "level1");
}

// As a player drives the game through VNC, a VM's tablet or xdotool: the
// game on its own full-screen defaults, the pointer left where the person
// put it as the game starts and when the menu comes, then put far from
// where the cursor is (an XTest move), then on Play three times (xdotool's
// mousemove, a warp), in screen pixels, and clicked there.
void PressPlayWhereThePointerIs(const std::string& display) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    XTestPointer pointer(display);
    ASSERT_TRUE(pointer.ok()) << "no XTest on " << display;
    // The game never moves the pointer on its way to the menu: neither as
    // it starts nor when the menu shows the cursor.
    auto pointerAt = [&] {
        int x = 0, y = 0;
        pointer.Where(&x, &y);
        return std::to_string(x) + ", " + std::to_string(y);
    };
    pointer.WarpTo(300, 200);
    GameSession game{GameSession::DefaultSettings{}};
    ASSERT_TRUE(game.ok());
    game.Frames(20, 100);
    EXPECT_EQ(pointerAt(), "300, 200") << "as the game started";
    pointer.WarpTo(700, 500);
    // Frames of the full screen are slow to draw: the splash passes in long ones.
    ASSERT_TRUE(FramesUntil(game, [&] { return game.BankInt(kInMenuSlot) == 1; }, 100));

    game.Frames(5);
    EXPECT_EQ(pointerAt(), "700, 500") << "when the menu came";
    SDL_Window* window = plat::SdlWindowOf(game.window.Handle());
    int left = 0, top = 0, width = 0, height = 0;
    SDL_GetWindowPosition(window, &left, &top);
    SDL_GetWindowSize(window, &width, &height);
    const Cursor* cursor = eTable::Find<Cursor>(names::Cursor);
    const D3DVIEWPORT9& view = cursor->viewport;
    // The screen pixel under a point of the viewport.
    auto screenX = [&](float x) { return left + int(x * float(width) / float(view.Width)); };
    auto screenY = [&](float y) { return top + int(y * float(height) / float(view.Height)); };
    auto cursorAt = [&](float x, float y) { return int(cursor->position.x) == int(x) && int(cursor->position.y) == int(y); };

    pointer.MoveTo(screenX(100), screenY(100));
    EXPECT_TRUE(FramesUntil(game, [&] { return cursorAt(100, 100); }))
        << "cursor at " << cursor->position.x << ", " << cursor->position.y;
    const float playX = 0.5f * float(view.Width), playY = (1.0f - 0.07f) * 0.5f * float(view.Height);
    for (int move = 0; move < 3; ++move) {
        pointer.WarpTo(screenX(playX), screenY(playY));
        game.Frames(5);
    }
    ASSERT_TRUE(FramesUntil(game, [&] { return cursorAt(playX, playY); }))
        << "cursor at " << cursor->position.x << ", " << cursor->position.y << " instead of " << playX << ", " << playY;
    pointer.Button(1, true);
    pointer.Button(1, false);
    EXPECT_TRUE(FramesUntil(game, [] { return CurrentLevel() == "level1"; }));
}

}  // namespace

TEST(AbsolutePointer, OnTheFullScreenDefaultsTheCursorIsWhereThePointerIsAndPlayStartsLevel1) {
    OnOwnDisplay("1280x1024x24", PressPlayWhereThePointerIs);
}

TEST(AbsolutePointer, TheCursorFollowsAPointerThatSendsPositionsAndItsClickReachesPlay) {
    OnOwnDisplay("800x600x24", PlayWithAnAbsolutePointer);
}
