// A disk that stalls, for the end-signal tests: loaded into the game with
// LD_PRELOAD, it makes the first read of one file wait, as a read from a
// spun-down or remote disk may. The game takes regular files only, so a
// pipe can no longer stand in for such a disk.
//
// TOLLYMOP_SLOW_FILE: the end of the path of the file to hold up;
// TOLLYMOP_SLOW_SECONDS: how long its first read waits. The file "hung" in
// the current folder says that the read has begun waiting.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
std::atomic<bool> held{false};

bool IsTheSlowFile(int fd, const char* ending) {
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, path, sizeof path - 1);
    if (length <= 0) return false;
    path[length] = '\0';
    const std::size_t end = std::strlen(ending);
    return std::size_t(length) >= end && std::strcmp(path + length - end, ending) == 0;
}

// Signals break the sleep off; the disk stalls all the same.
void Stall(long seconds) {
    timespec left{seconds, 0};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    using Read = ssize_t (*)(int, void*, size_t);
    static const Read real = reinterpret_cast<Read>(::dlsym(RTLD_NEXT, "read"));
    const char* ending = std::getenv("TOLLYMOP_SLOW_FILE");
    if (ending && !held.load() && IsTheSlowFile(fd, ending) && !held.exchange(true)) {
        const int saved = errno;
        ::close(::open("hung", O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        const char* seconds = std::getenv("TOLLYMOP_SLOW_SECONDS");
        Stall(seconds ? std::atol(seconds) : 60);
        errno = saved;
    }
    return real(fd, buffer, count);
}
