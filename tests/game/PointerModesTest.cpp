// The pointer is the person's. The game shows its cursor in the menu and
// hides it in a level (the mouse steers there), and switches between the two
// as levels come and go, the console opens and the window loses and gains
// the focus: a click is one click however the window's activation falls,
// the game never moves the pointer while its cursor shows, and the cursor
// shows again where it was hidden whatever the window's size against the
// back buffer's. On an X server of the test's own, the pointer moved as
// xdotool moves it (warps, XTest's absolute moves) and as a mouse does.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "GameSession.h"
#include "OwnDisplay.h"
#include "XTestPointer.h"
#include "input/Input.h"
#include "support/SdlEvents.h"

namespace {

// The game's window on the screen, and the pointer's place in it.
struct OnScreen {
    explicit OnScreen(GameSession& game) : window(plat::SdlWindowOf(game.window.Handle())) {
        SDL_GetWindowPosition(window, &left, &top);
    }
    SDL_Window* window;
    int left = 0, top = 0;
};

std::string PointerIn(XTestPointer& pointer, const OnScreen& screen) {
    int x = 0, y = 0;
    pointer.Where(&x, &y);
    return std::to_string(x - screen.left) + ", " + std::to_string(y - screen.top);
}

std::string At(int x, int y) { return std::to_string(x) + ", " + std::to_string(y); }

const Cursor* TheCursor() { return eTable::Find<Cursor>(names::Cursor); }

bool CursorNear(float x, float y, float within = 0.5f) {
    const Cursor* cursor = TheCursor();
    return std::fabs(cursor->position.x - x) <= within && std::fabs(cursor->position.y - y) <= within;
}

std::string CursorAt() {
    return At(int(TheCursor()->position.x), int(TheCursor()->position.y));
}

void OnX(const std::string& display) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
}

// The pixel of the viewport under Play, the menu's upper button.
std::pair<int, int> Play() {
    const D3DVIEWPORT9& view = TheCursor()->viewport;
    return {int(0.5f * float(view.Width)), int((1.0f - 0.07f) * 0.5f * float(view.Height))};
}

// A press and release come, and the window's activation is handled in the
// same frame (a click on a window that had no focus, during a slow frame):
// the click reads down for a frame and up after it, so passing over Play
// later clicks nothing.
void AClickWithTheActivationIsOneClick(const std::string& display) {
    OnX(display);
    XTestPointer pointer(display);
    ASSERT_TRUE(pointer.ok()) << "no XTest on " << display;
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    game.Frames(10);
    const OnScreen screen(game);
    pointer.MoveTo(screen.left + 20, screen.top + 200);
    ASSERT_TRUE(FramesUntil(game, [] { return CursorNear(20, 200); })) << "cursor at " << CursorAt();

    bool released = false;
    const int sink = plat::AddInputSink([&](const SDL_Event& e) { released |= e.type == SDL_MOUSEBUTTONUP; });
    pointer.Button(1, true);
    pointer.Button(1, false);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!released && std::chrono::steady_clock::now() < deadline) plat::PumpEvents();
    plat::RemoveInputSink(sink);
    ASSERT_TRUE(released) << "the click never reached the game";
    push::Focus(game.window.Handle(), true);
    game.FrameWithAllMessages();
    const Input* input = eTable::Find<Input>(names::Input);
    EXPECT_EQ(TheCursor()->leftDown, 1) << "the click was lost";
    game.Frames(3);
    EXPECT_FALSE(input->LeftButton()) << "released, yet down";
    EXPECT_EQ(TheCursor()->leftDown, 0);
    EXPECT_EQ(input->LeftHeldTime(), 0.0f);

    const auto [playX, playY] = Play();
    pointer.MoveTo(screen.left + playX, screen.top + playY);
    ASSERT_TRUE(FramesUntil(game, [&] { return CursorNear(playX, playY); })) << "cursor at " << CursorAt();
    game.Frames(10);
    EXPECT_EQ(game.BankInt(kInMenuSlot), 1) << "Play was pressed by a click that had ended";
}

// Put by the person during the splash, in a level (a warp, then a tablet's
// absolute move) and outside the window while it has no focus, the pointer
// stays there when the cursor shows: when the menu comes, when the console
// opens, when a level ends, when the window has the focus back.
void ThePointerStaysWhereThePersonPutsIt(const std::string& display) {
    OnX(display);
    XTestPointer pointer(display);
    ASSERT_TRUE(pointer.ok()) << "no XTest on " << display;
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(2);
    const OnScreen screen(game);
    pointer.WarpTo(screen.left + 100, screen.top + 80);
    ASSERT_TRUE(game.ToTheMenu());
    game.Frames(10);
    EXPECT_EQ(PointerIn(pointer, screen), At(100, 80)) << "when the menu came";
    EXPECT_TRUE(CursorNear(100, 80)) << "cursor at " << CursorAt();

    game.TapKey(SDL_SCANCODE_GRAVE);
    pointer.MoveTo(screen.left + 150, screen.top + 100);
    EXPECT_TRUE(FramesUntil(game, [] { return CursorNear(150, 100); })) << "cursor at " << CursorAt();
    game.TapKey(SDL_SCANCODE_GRAVE);
    game.Frames(5);
    EXPECT_EQ(PointerIn(pointer, screen), At(150, 100)) << "with the console";

    ChangeLevel(game, "level1");
    ASSERT_TRUE(FramesUntil(game, [] { return !TheCursor()->visible; }));
    game.Frames(5);
    pointer.WarpTo(screen.left + 200, screen.top + 150);
    game.Frames(5);
    pointer.MoveTo(screen.left + 210, screen.top + 160);
    game.Frames(5);
    EXPECT_TRUE(CursorNear(210, 160)) << "cursor at " << CursorAt();
    pointer.WarpTo(screen.left + 220, screen.top + 170);
    game.Frames(5);
    game.TapKey(SDL_SCANCODE_M);
    ASSERT_TRUE(FramesUntil(game, [&] { return game.BankInt(kInMenuSlot) == 1 && TheCursor()->visible; }));
    game.Frames(10);
    EXPECT_EQ(PointerIn(pointer, screen), At(220, 170)) << "when the level ended";
    EXPECT_TRUE(CursorNear(220, 170)) << "cursor at " << CursorAt();

    const unsigned long gameWindow = XTestPointer::XWindowOf(screen.window);
    ASSERT_NE(gameWindow, 0u);
    const Input* input = eTable::Find<Input>(names::Input);
    pointer.Focus(gameWindow);
    game.Frames(2);
    pointer.Focus(0);
    ASSERT_TRUE(FramesUntil(game, [&] { return !input->HasMouse(); }));
    pointer.WarpTo(5, 5);
    game.Frames(2);
    pointer.Focus(gameWindow);
    ASSERT_TRUE(FramesUntil(game, [&] { return input->HasMouse(); }));
    game.Frames(10);
    int x = 0, y = 0;
    pointer.Where(&x, &y);
    EXPECT_EQ(At(x, y), At(5, 5)) << "when the window had the focus back";
}

// With the window 320 x 240 and the back buffer 640 x 480, the cursor shown
// at window (40, 50) is at (80, 100); hidden in a level and moved (30, 20)
// by a mouse, at (110, 120); shown again and moved (1, 0), it goes on from
// there instead of jumping to where the pointer would be without it; the
// same in the animation editor, hidden by its free look.
void TheCursorShowsAgainWhereItWasHidden(const std::string& display) {
    OnX(display);
    XTestPointer pointer(display);
    ASSERT_TRUE(pointer.ok()) << "no XTest on " << display;
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240, 640, 480);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    game.Frames(10);
    const OnScreen screen(game);
    pointer.MoveTo(screen.left + 40, screen.top + 50);
    ASSERT_TRUE(FramesUntil(game, [] { return CursorNear(80, 100); })) << "cursor at " << CursorAt();

    ChangeLevel(game, "level1");
    ASSERT_TRUE(FramesUntil(game, [] { return !TheCursor()->visible; }));
    game.Frames(5);
    ASSERT_TRUE(CursorNear(80, 100)) << "cursor at " << CursorAt();
    pointer.MoveBy(30, 20);
    EXPECT_TRUE(FramesUntil(game, [] { return CursorNear(110, 120); })) << "cursor at " << CursorAt();

    game.TapKey(SDL_SCANCODE_M);
    ASSERT_TRUE(FramesUntil(game, [&] { return game.BankInt(kInMenuSlot) == 1 && TheCursor()->visible; }));
    game.Frames(5);
    EXPECT_TRUE(CursorNear(110, 120)) << "shown again at " << CursorAt();
    pointer.MoveBy(1, 0);
    EXPECT_TRUE(FramesUntil(game, [] { return CursorNear(111, 120, 1.0f); })) << "cursor at " << CursorAt();

    // In the animation editor, the camera control's free look hides it too
    // and shows it again.
    const Input* input = eTable::Find<Input>(names::Input);
    game.TapKey(SDL_SCANCODE_F10);
    ASSERT_TRUE(FramesUntil(game, [&] { return input->GetStream() == 1 && TheCursor()->visible; }));
    game.TapKey(SDL_SCANCODE_F6);
    ASSERT_TRUE(FramesUntil(game, [] { return !TheCursor()->visible; }));
    game.Frames(5);
    const float hiddenX = TheCursor()->position.x, hiddenY = TheCursor()->position.y;
    pointer.MoveBy(20, 10);
    EXPECT_TRUE(FramesUntil(game, [&] { return CursorNear(hiddenX + 20, hiddenY + 10); })) << "cursor at " << CursorAt();
    game.TapKey(SDL_SCANCODE_F6);
    ASSERT_TRUE(FramesUntil(game, [] { return TheCursor()->visible; }));
    game.Frames(5);
    EXPECT_TRUE(CursorNear(hiddenX + 20, hiddenY + 10)) << "shown again at " << CursorAt();
    pointer.MoveBy(1, 0);
    EXPECT_TRUE(FramesUntil(game, [&] { return CursorNear(hiddenX + 21, hiddenY + 10, 1.0f); }))
        << "cursor at " << CursorAt();
}

}  // namespace

TEST(PointerModes, AClickWhoseReleaseCameWithTheWindowsActivationIsOneClick) {
    OnOwnDisplay("800x600x24", AClickWithTheActivationIsOneClick);
}

TEST(PointerModes, ThePointerStaysWhereThePersonPutsItWhenTheCursorShows) {
    OnOwnDisplay("800x600x24", ThePointerStaysWhereThePersonPutsIt);
}

TEST(PointerModes, TheCursorShowsAgainWhereItWasHiddenWhenTheWindowAndBackBufferDiffer) {
    OnOwnDisplay("800x600x24", TheCursorShowsAgainWhereItWasHidden);
}
