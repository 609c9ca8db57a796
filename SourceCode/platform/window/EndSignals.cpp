#include "platform/window/EndSignals.h"

#include <SDL.h>
#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

namespace plat {

namespace {
// The first end signal closes the window at the next look at the events and
// breaks off a script that is running at once, since it may never return to
// let that look happen.
volatile std::sig_atomic_t endSignalled = 0;
volatile std::sig_atomic_t closePending = 0;
std::atomic<void (*)()> scriptInterrupt{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);
pthread_t mainThread;
// Posted by the first end signal: the watchdog thread then keeps the time.
sem_t firstEndSignal;
std::atomic<bool> endingAtOnce{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr char kScriptHeldTheGame[] =
    "Error: The script did not stop within 3 s of the end signal: the game ends at once.\n";
constexpr char kScriptHeldAtSecondSignal[] =
    "Error: The script did not stop before a second end signal: the game ends at once.\n";
constexpr char kGameHeldAtSecondSignal[] = "Error: The game did not end before a second end signal: it ends at once.\n";

// One line in the error stream and the end, status 1; only async-signal-safe
// calls. The signal handler and the watchdog may both come here: the first
// one writes and ends, the other waits for that.
[[noreturn]] void EndAtOnce(const char* line) {
    if (!endingAtOnce.exchange(true)) {
        ssize_t ignored = ::write(STDERR_FILENO, line, std::strlen(line));
        (void)ignored;
        ::_exit(1);
    }
    for (;;) ::pause();
}

void OnEndSignal(int signal) {
    const int savedErrno = errno;
    // The process's signal may land on any thread (the GL driver's, the
    // sound's, a script's); the main thread must get it, to wake from a
    // system call too.
    if (!pthread_equal(pthread_self(), mainThread)) {
        pthread_kill(mainThread, signal);
    } else if (endSignalled) {
        EndAtOnce(scriptInterrupt.load() ? kScriptHeldAtSecondSignal : kGameHeldAtSecondSignal);
    } else {
        endSignalled = 1;
        closePending = 1;
        if (void (*interrupt)() = scriptInterrupt.load()) interrupt();
        sem_post(&firstEndSignal);
    }
    errno = savedErrno;
}

// A script that swallows the interrupt (a bare except, its own handler) or
// loops inside C, where no interrupt is looked at, would hold the game for
// ever: 3 s after the first end signal the watchdog ends the process when a
// script may still run. The game's own end after that is not the script's
// doing (a second signal still ends it).
void* WatchTheEnd(void*) {
    for (;;) {
        while (sem_wait(&firstEndSignal) != 0) {}
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += kEndSignalGraceSeconds;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {}
        if (endSignalled && scriptInterrupt.load()) EndAtOnce(kScriptHeldTheGame);
    }
    return nullptr;
}

// The watchdog blocks every signal, so that none lands on it.
void StartWatchdog() {
    sem_init(&firstEndSignal, 0, 0);
    sigset_t all, kept;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &kept);
    pthread_t watchdog;
    if (pthread_create(&watchdog, nullptr, WatchTheEnd, nullptr) == 0) pthread_detach(watchdog);
    pthread_sigmask(SIG_SETMASK, &kept, nullptr);
}

// While a message box waits, only async-signal-safe calls.
void KillChildrenAndExit(int) {
    char path[64] = "/proc/self/task/";
    char digits[16];
    int count = 0;
    for (long pid = long(::getpid()); pid > 0 && count < 15; pid /= 10) digits[count++] = char('0' + pid % 10);
    std::size_t at = std::strlen(path);
    while (count > 0) path[at++] = digits[--count];
    std::memcpy(path + at, "/children", 10);
    int fd = ::open(path, O_RDONLY);
    if (fd >= 0) {
        char pids[512];
        ssize_t n = ::read(fd, pids, sizeof pids);
        ::close(fd);
        long pid = 0;
        for (ssize_t i = 0; i <= n; ++i) {
            if (i < n && pids[i] >= '0' && pids[i] <= '9') {
                pid = pid * 10 + (pids[i] - '0');
                continue;
            }
            if (pid > 0) ::kill(pid_t(pid), SIGKILL);
            pid = 0;
        }
    }
    ::_exit(1);
}
}  // namespace

SignalsEndTheGame::SignalsEndTheGame() {
    struct sigaction action {};
    action.sa_handler = KillChildrenAndExit;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, &oldTerm);
    ::sigaction(SIGINT, &action, &oldInt);
}

SignalsEndTheGame::~SignalsEndTheGame() {
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    ::sigaction(SIGINT, &oldInt, nullptr);
}

void CatchEndSignals() {
    static bool caught = false;
    if (caught) return;
    caught = true;
    // SDL's own handlers only queue a quit event, which a hung script never
    // lets anyone read.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    mainThread = pthread_self();
    StartWatchdog();
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        // A signal the parent chose to ignore (a background job) stays so.
        if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        // No SA_RESTART: a system call that a script waits in (a read, a
        // lock, a child) returns on the signal, so the interpreter sees it.
        action.sa_flags = 0;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

bool EndSignalled() { return endSignalled != 0; }

void SetScriptInterrupt(void (*interrupt)()) { scriptInterrupt.store(interrupt); }

bool TakeEndSignalClose() {
    if (!closePending) return false;
    closePending = 0;
    return true;
}

void ForgetEndSignals() {
    endSignalled = 0;
    closePending = 0;
}

}  // namespace plat
