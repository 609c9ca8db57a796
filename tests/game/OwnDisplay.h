#pragma once
// The whole game on an X server of the test's own (an Xvfb that picks a
// free display itself), in a process of its own, and frames until what a
// test waits for holds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "GameSession.h"

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

// Frames until ready() holds, or false after 20 s of them: the X server's
// events reach the game when it reads them, not when the test sent them.
template <typename Ready>
inline bool FramesUntil(GameSession& game, Ready ready, std::uint32_t ms = 16) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ready()) {
        if (!game.Running() || std::chrono::steady_clock::now() > deadline) return false;
        game.Frame(ms);
    }
    return true;
}

// Runs play on a display of its own, in a process of its own: at its end
// the game ends every process its own process started, and the display
// server would be one of them. The process is this test program started
// anew for this one test, not a fork of it: the engine takes a forked copy
// of a process for a script's child and ends it at its first call.
inline constexpr char kOwnDisplayVariable[] = "TOLLYMOP_TEST_OWN_DISPLAY";

inline void OnOwnDisplay(const char* screen, void (*play)(const std::string&)) {
    if (const char* display = std::getenv(kOwnDisplayVariable)) {
        play(display);
        return;
    }
    ASSERT_FALSE(SDL_WasInit(SDL_INIT_VIDEO)) << "video already started on another driver in this process";
    OwnXServer x(screen);
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    const pid_t player = fork();
    ASSERT_GE(player, 0);
    if (player == 0) {
        setenv(kOwnDisplayVariable, x.display.c_str(), 1);
        execl("/proc/self/exe", "test_game", filter.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(player, &status, 0), player);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the game's process failed (its lines above)";
}
