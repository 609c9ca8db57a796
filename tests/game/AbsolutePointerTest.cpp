// The game under a real X server (an Xvfb of the test's own) with a pointer
// that reports where it is rather than how far it moved, as a VM's tablet,
// VNC or xdotool's mousemove do through XTest: the cursor follows it, and a
// click on Play starts level 1.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "GameSession.h"
#include "XTestPointer.h"
#include "scripting/PythonMan.h"

namespace {

// An Xvfb that chose a free display itself and said which, once it took
// connections; ended with the object, or with the test's process however
// that ends.
class OwnXServer {
public:
    explicit OwnXServer(const char* screen = "800x600x24") {
        int ready[2];
        if (pipe(ready) != 0) return;
        const pid_t parent = getpid();
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(127);
            close(ready[0]);
            const int quiet = open("/dev/null", O_WRONLY);
            if (quiet >= 0) dup2(quiet, 2);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // The display's number and a line end, or the pipe's end when it
        // could not start.
        std::string number;
        pollfd wait{ready[0], POLLIN, 0};
        char c = 0;
        while (pid > 0 && poll(&wait, 1, 60000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
        close(ready[0]);
        if (c == '\n' && !number.empty()) display = ":" + number;
    }
    ~OwnXServer() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

    std::string display;

private:
    pid_t pid = -1;
};

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

// Frames until ready() holds, or false after 20 s of them: the X server's
// events reach the game when it reads them, not when the test sent them.
template <typename Ready>
bool FramesUntil(GameSession& game, Ready ready, std::uint32_t ms = 16) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ready()) {
        if (!game.Running() || std::chrono::steady_clock::now() > deadline) return false;
        game.Frame(ms);
    }
    return true;
}

// As a player drives the game through VNC, a VM's tablet or xdotool: the
// game on its own full-screen defaults, the pointer put far from where the
// cursor starts (an XTest move), then on Play three times (xdotool's
// mousemove, a warp), in screen pixels, and clicked there.
void PressPlayWhereThePointerIs(const std::string& display) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    XTestPointer pointer(display);
    ASSERT_TRUE(pointer.ok()) << "no XTest on " << display;
    GameSession game{GameSession::DefaultSettings{}};
    ASSERT_TRUE(game.ok());
    // Frames of the full screen are slow to draw: the splash passes in long ones.
    ASSERT_TRUE(FramesUntil(game, [&] { return game.BankInt(kInMenuSlot) == 1; }, 100));

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

// Runs play on a display of its own, in a process of its own: at its end
// the game ends every process its own process started, and the display
// server would be one of them.
void OnOwnDisplay(const char* screen, void (*play)(const std::string&)) {
    ASSERT_FALSE(SDL_WasInit(SDL_INIT_VIDEO)) << "video already started on another driver in this process";
    OwnXServer x(screen);
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
    const pid_t player = fork();
    ASSERT_GE(player, 0);
    if (player == 0) {
        play(x.display);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(player, &status, 0), player);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the game's process failed (its lines above)";
}

}  // namespace

TEST(AbsolutePointer, OnTheFullScreenDefaultsTheCursorIsWhereThePointerIsAndPlayStartsLevel1) {
    OnOwnDisplay("1280x1024x24", PressPlayWhereThePointerIs);
}

TEST(AbsolutePointer, TheCursorFollowsAPointerThatSendsPositionsAndItsClickReachesPlay) {
    OnOwnDisplay("800x600x24", PlayWithAnAbsolutePointer);
}
