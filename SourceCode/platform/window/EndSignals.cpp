#include "platform/window/EndSignals.h"

#include <SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "platform/common/ErrorLog.h"

namespace plat {

namespace {
// Everything here is read by the signal handler, on any thread, and by the
// watchdog thread: lock-free atomics only.
std::atomic<bool> endSignalled{false};
std::atomic<bool> closePending{false};
std::atomic<void (*)()> scriptInterrupt{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);
pthread_t mainThread;
// A first end signal that lands on another thread starts the end there and
// is sent on to the main thread only to wake it from a system call that a
// script waits in; these are counted, so that the main thread does not take
// them for a second signal.
std::atomic<int> wakesForMainThread{0};
// Posted by the first end signal: the watchdog thread then keeps the time.
sem_t firstEndSignal;
std::atomic<bool> endingAtOnce{false};

// Nanoseconds on the monotonic clock: when the first end signal came (0: none
// came), when the running outermost script started (0: none runs), and how
// long scripts ran after the first end signal in the spans that have ended.
std::atomic<std::int64_t> endSignalAt{0};
std::atomic<std::int64_t> scriptSince{0};
std::atomic<std::int64_t> scriptRanAfterEndSignal{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr std::int64_t kGrace = kEndSignalGraceSeconds * kNanosecondsPerSecond;
// How often the watchdog looks while no script runs.
constexpr std::int64_t kWatchdogLook = 20 * 1000000;

constexpr char kScriptHeldTheGame[] =
    "Error: The script did not stop within 3 s of the end signal: the game ends at once.\n";
constexpr char kScriptHeldAtSecondSignal[] =
    "Error: The script did not stop before a second end signal: the game ends at once.\n";
constexpr char kGameHeldAtSecondSignal[] = "Error: The game did not end before a second end signal: it ends at once.\n";

std::int64_t Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

// How long scripts have run since the first end signal.
std::int64_t ScriptTimeAfterEndSignal() {
    const std::int64_t at = endSignalAt.load(), since = scriptSince.load();
    if (at == 0) return 0;
    std::int64_t ran = scriptRanAfterEndSignal.load();
    if (since != 0) ran += Now() - std::max(since, at);
    return ran;
}

bool ScriptRunning() { return scriptSince.load() != 0; }

// ---- Child processes (async-signal-safe: no allocation, no stdio) ----

constexpr int kMostChildrenReapedAPass = 256;
// A child killed leaves its own children to this process (a subreaper), so
// each pass finds the next generation.
constexpr int kMostGenerations = 16;

char* AppendDigits(char* at, const char* digits) {
    while (*digits) *at++ = *digits++;
    return at;
}

// SIGKILL to every pid listed in a /proc children file; the pids are kept in
// `killed` while there is room. The number of pids listed.
int KillListed(const char* path, pid_t* killed, int room) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    int count = 0;
    long pid = 0;
    char chunk[512];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        for (ssize_t i = 0; i <= n; ++i) {
            const bool digit = i < n && chunk[i] >= '0' && chunk[i] <= '9';
            if (digit) {
                pid = pid * 10 + (chunk[i] - '0');
                continue;
            }
            // A number cut by the end of a chunk goes on in the next one.
            if (i == n && n > 0) break;
            if (pid > 0) {
                ::kill(pid_t(pid), SIGKILL);
                if (count < room) killed[count] = pid_t(pid);
                ++count;
            }
            pid = 0;
        }
        if (n <= 0) break;
    }
    ::close(fd);
    return count;
}

// Kills the children of every thread of the process; the number found.
int KillChildren(pid_t* killed, int room) {
    const int tasks = ::open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (tasks < 0) return 0;
    int count = 0;
    alignas(dirent64) char entries[2048];
    for (;;) {
        const ssize_t n = ::getdents64(tasks, entries, sizeof entries);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            if (entry->d_name[0] < '0' || entry->d_name[0] > '9' || std::strlen(entry->d_name) > 16) continue;
            char path[64];
            char* end = AppendDigits(AppendDigits(AppendDigits(path, "/proc/self/task/"), entry->d_name), "/children");
            *end = '\0';
            count += KillListed(path, killed + std::min(count, room), std::max(room - count, 0));
        }
    }
    ::close(tasks);
    return count;
}

// ---- The end ----

// One line in the error stream and the end, status 1, with the children
// killed; only async-signal-safe calls. The signal handler and the watchdog
// may both come here (never nested on one thread: the handler blocks the end
// signals while it runs, the watchdog blocks them always): the first one
// writes and ends, the other waits for that.
[[noreturn]] void EndAtOnce(const char* line) {
    if (!endingAtOnce.exchange(true)) {
        WriteErrorAtOnce(line);
        EndChildProcesses();
        ::_exit(1);
    }
    for (;;) ::pause();
}

void StartTheEnd() {
    endSignalAt.store(Now());
    closePending.store(true);
    sem_post(&firstEndSignal);
}

void InterruptScript() {
    if (void (*interrupt)() = scriptInterrupt.load()) interrupt();
}

// The process's signal may land on any thread (the GL driver's, the sound's,
// a script's, the watchdog's), and the main thread may have it blocked:
// whichever thread takes it starts the end.
void OnEndSignal(int signal) {
    const int savedErrno = errno;
    const bool onMainThread = pthread_equal(pthread_self(), mainThread);
    if (onMainThread && wakesForMainThread.load() > 0) {
        // Sent on by the thread that took the first signal: the end has
        // started; what is left is to break off the script here, where the
        // interpreter looks at once (it breaks off a system call too).
        wakesForMainThread.fetch_sub(1);
        InterruptScript();
    } else if (endSignalled.exchange(true)) {
        EndAtOnce(ScriptRunning() ? kScriptHeldAtSecondSignal : kGameHeldAtSecondSignal);
    } else {
        StartTheEnd();
        if (onMainThread) {
            InterruptScript();
        } else {
            // The main thread may have the signal blocked beneath Python:
            // then the script runs on, and the 3 s clock ends it.
            wakesForMainThread.fetch_add(1);
            pthread_kill(mainThread, signal);
        }
    }
    errno = savedErrno;
}

// A script that swallows the interrupt (a bare except, its own handler) or
// loops inside C, where no interrupt is looked at, would hold the game for
// ever: once scripts have run 3 s since the first end signal, the watchdog
// ends the process if one still runs. Time that no script runs (the engine's
// own frame, however slow, its shutdown) is not counted.
void* WatchTheEnd(void*) {
    for (;;) {
        while (sem_wait(&firstEndSignal) != 0) {}
        while (endSignalled.load()) {
            const std::int64_t left = kGrace - ScriptTimeAfterEndSignal();
            if (left <= 0 && ScriptRunning()) EndAtOnce(kScriptHeldTheGame);
            const std::int64_t wait = std::clamp<std::int64_t>(left, 1000000, kWatchdogLook);
            timespec pause{time_t(wait / kNanosecondsPerSecond), long(wait % kNanosecondsPerSecond)};
            clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, nullptr);
        }
    }
    return nullptr;
}

// The watchdog takes no signal at all, so that none lands on it and none can
// break into its end.
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
    EndChildProcesses();
    ::_exit(1);
}
}  // namespace

sigset_t EndSignalSet() {
    sigset_t ends;
    sigemptyset(&ends);
    sigaddset(&ends, SIGINT);
    sigaddset(&ends, SIGTERM);
    return ends;
}

void EndChildProcesses() {
    for (int generation = 0; generation < kMostGenerations; ++generation) {
        pid_t killed[kMostChildrenReapedAPass];
        const int count = KillChildren(killed, kMostChildrenReapedAPass);
        if (count == 0) return;
        for (int i = 0; i < std::min(count, kMostChildrenReapedAPass); ++i)
            while (::waitpid(killed[i], nullptr, __WALL) < 0 && errno == EINTR) {}
    }
}

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
    // What a child of the game leaves running comes to the game, which ends
    // it with its own children.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    StartWatchdog();
    const sigset_t ends = EndSignalSet();
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
        // One end signal never breaks into the handling of another.
        action.sa_mask = ends;
        ::sigaction(signal, &action, nullptr);
    }
    // A signal that came while they were blocked arrives now.
    pthread_sigmask(SIG_UNBLOCK, &ends, nullptr);
}

bool EndSignalled() { return endSignalled.load(); }

void SetScriptInterrupt(void (*interrupt)()) { scriptInterrupt.store(interrupt); }

void ScriptStarted() { scriptSince.store(Now()); }

void ScriptReturned() {
    const std::int64_t since = scriptSince.exchange(0), at = endSignalAt.load();
    if (since != 0 && at != 0) scriptRanAfterEndSignal.fetch_add(Now() - std::max(since, at));
}

bool TakeEndSignalClose() { return closePending.exchange(false); }

void ForgetEndSignals() {
    endSignalled.store(false);
    closePending.store(false);
    endSignalAt.store(0);
    scriptRanAfterEndSignal.store(0);
}

}  // namespace plat
