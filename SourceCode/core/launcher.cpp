// build/tollymop: blocks SIGINT, SIGTERM and SIGHUP, then becomes the game
// (tollymop-game beside it) in the same process. Loading the game's many
// libraries takes a while before its first instruction, and an end signal
// then would kill it outright; blocked, the signal waits until the game has
// its handlers (they unblock it) and ends the game in order. Linked
// statically, this program reaches its own first instruction at once.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
constexpr char kGame[] = "tollymop-game";

// The game's path: beside this program.
std::string GamePath() {
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return kGame;
    std::string path(self, std::size_t(length));
    return path.substr(0, path.rfind('/') + 1) + kGame;
}
}  // namespace

int main(int, char** argv) {
    sigset_t ends;
    sigemptyset(&ends);
    sigaddset(&ends, SIGINT);
    sigaddset(&ends, SIGTERM);
    sigaddset(&ends, SIGHUP);
    sigprocmask(SIG_BLOCK, &ends, nullptr);
    const std::string game = GamePath();
    ::execv(game.c_str(), argv);
    const int reason = errno;
    sigprocmask(SIG_UNBLOCK, &ends, nullptr);
    std::fprintf(stderr, "Tollymop: the game (%s) cannot be started: %s\n", game.c_str(), std::strerror(reason));
    return 1;
}
