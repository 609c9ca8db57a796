// A full-screen device under a real X server (an Xvfb of the test's own,
// whose screen is read back from its frame-buffer file): its very first
// frame fills the screen. The window is made at another size before the
// settings are known; the driver's drawable kept that size until a swap, so
// the first frame once showed only a corner of the picture.
#include <gtest/gtest.h>

#include <SDL.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/Screenshot.h"
#include "support/TempDir.h"
#include "support/TestDevice.h"

namespace {

constexpr int kScreenW = 800, kScreenH = 600;

// An Xvfb on a free display, its screen mapped to a file in dir. It ends
// with the test, and with the test's process should that die first.
class OwnXServer {
public:
    explicit OwnXServer(const std::filesystem::path& dir) : screenFile(dir / "Xvfb_screen0") {
        int ready[2];
        if (pipe(ready) != 0) return;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            const std::string screen = std::to_string(kScreenW) + "x" + std::to_string(kScreenH) + "x24";
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-fbdir", dir.c_str(),
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(kNotInstalled);
        }
        close(ready[1]);
        // Xvfb picks a display nobody holds and writes its number once it
        // accepts connections, so servers started side by side never take
        // the same one. The bound is for a server that hangs at its start.
        std::string number;
        pollfd wait{ready[0], POLLIN, 0};
        for (char c; pid > 0 && poll(&wait, 1, 60000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n';)
            number += c;
        close(ready[0]);
        if (!number.empty()) {
            display = ":" + number;
            return;
        }
        // It ended, or hung at its start and is ended here.
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            waitpid(pid, &status, 0);
            installed = !(WIFEXITED(status) && WEXITSTATUS(status) == kNotInstalled);
            pid = -1;
        }
    }
    ~OwnXServer() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    // The screen as 0xAARRGGBB words, top row first, read from the XWD
    // file Xvfb keeps; empty when it cannot be read.
    std::vector<D3DCOLOR> Screen() const {
        std::ifstream in(screenFile, std::ios::binary);
        const std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto word = [&](std::size_t i) {
            return std::uint32_t(d[i * 4]) << 24 | std::uint32_t(d[i * 4 + 1]) << 16 |
                   std::uint32_t(d[i * 4 + 2]) << 8 | d[i * 4 + 3];
        };
        if (d.size() < 100) return {};
        const std::size_t header = word(0), bytesPerLine = word(12), colours = word(19);
        const std::size_t first = header + colours * 12;
        if (first + std::size_t(kScreenH) * bytesPerLine > d.size()) return {};
        std::vector<D3DCOLOR> pixels;
        for (std::size_t y = 0; y < std::size_t(kScreenH); ++y)
            for (std::size_t x = 0; x < std::size_t(kScreenW); ++x) {
                const unsigned char* p = &d[first + y * bytesPerLine + x * 4];
                pixels.push_back(0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
            }
        return pixels;
    }
    D3DCOLOR Pixel(int x, int y) const {
        const std::vector<D3DCOLOR> screen = Screen();
        return screen.empty() ? 0 : screen[std::size_t(y) * kScreenW + std::size_t(x)];
    }

    std::string display;
    bool installed = true;

private:
    static constexpr int kNotInstalled = 127;
    std::filesystem::path screenFile;
    pid_t pid = -1;
};

TEST(FullScreenOnX, TheFirstFrameFillsTheScreen) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) GTEST_SKIP() << "video already started on another driver in this process";
    ScopedTempDir dir;
    OwnXServer x(dir.Path());
    if (!x.installed) GTEST_SKIP() << "no Xvfb";
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
    setenv("DISPLAY", x.display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);

    TestDevice t(kScreenW, kScreenH, D3DFMT_X8R8G8B8, FALSE);
    ASSERT_TRUE(t.ok());
    plat::ShowWindow(t.window, plat::SW_SHOWNORMAL);
    // Blue, with a red top-left corner and a green bottom-right one.
    IDirect3DDevice9* d = t.device;
    const D3DRECT topLeft{0, 0, 16, 16}, bottomRight{kScreenW - 16, kScreenH - 16, kScreenW, kScreenH};
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    d->Clear(1, &topLeft, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    d->Clear(1, &bottomRight, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // The server draws the swapped frame in its own time (the bound is for
    // one that never does).
    for (int wait = 0; wait < 3000 && x.Pixel(kScreenW / 2, kScreenH / 2) != 0xFF0000FFu; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::vector<D3DCOLOR> screen = x.Screen();
    ASSERT_EQ(screen.size(), std::size_t(kScreenW) * kScreenH);
    SaveScreenshot(screen, kScreenW, "platform_gfx", "full_screen_first_frame.png");
    EXPECT_EQ(screen[std::size_t(kScreenH / 2) * kScreenW + kScreenW / 2], 0xFF0000FFu);
    EXPECT_EQ(screen[4 * kScreenW + 4], 0xFFFF0000u);
    EXPECT_EQ(screen[std::size_t(kScreenH - 4) * kScreenW + kScreenW - 4], 0xFF00FF00u);
}

}  // namespace
