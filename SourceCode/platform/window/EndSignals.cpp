#include "platform/window/EndSignals.h"

#include <SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
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
#include "platform/common/NowRunning.h"

namespace plat {

namespace {
// Everything here is read by the thread that owns the end signals, by the
// main thread and by a signal handler on any thread: lock-free atomics only.
std::atomic<bool> endSignalled{false};
std::atomic<bool> closePending{false};
std::atomic<void (*)()> scriptInterrupt{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);
pthread_t mainThread;
// The end signals that the game took (a parent may have ignored one), set
// before the owner starts; they go to the owner, and to no one else.
sigset_t owned;
// The script signals whose default action the game replaced (those the
// parent did not ignore): a handler passes them on to the owner.
sigset_t passedOn;
pthread_t owner;
bool ownerStarted = false;
// Sent to the main thread to break off a script: its handler calls the
// script interrupt there, where the interpreter looks at it at once, and
// does not restart a system call that the script waits in.
int interruptSignal = 0;
std::atomic<bool> endingAtOnce{false};
// While a message box waits, an end signal ends the game at once.
std::atomic<bool> boxWaiting{false};

// Nanoseconds on the monotonic clock: when the game's end began, at the
// first end signal or at its own quit (0: it has not begun), when the
// running outermost script started (0: none runs), and how long scripts ran
// after the end began in the spans that have ended.
std::atomic<std::int64_t> endBeganAt{0};
std::atomic<std::int64_t> scriptSince{0};
std::atomic<std::int64_t> scriptRanAfterEndBegan{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free);
// What began the end: an end signal, or the game's own quit.
enum class EndCause : int { Signal, Quit };
std::atomic<EndCause> endCause{EndCause::Signal};
// The game's own end keeps the deadline only where the entry point asked.
std::atomic<bool> ownEndBounded{false};
// Sent to the owner of the end signals when the game's own end begins, so
// that it starts to keep the deadline.
int wakeSignal = 0;
// What the owner waits for: the end signals it owns, the script signals
// passed on to it and the wake.
sigset_t waited;

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr std::int64_t kGrace = kEndSignalGraceSeconds * kNanosecondsPerSecond;
constexpr std::int64_t kBound = kEndBoundSeconds * kNanosecondsPerSecond;
// How often the watchdog looks once the end has begun.
constexpr std::int64_t kWatchdogLook = 20 * 1000000;

constexpr char kScriptHeldAtSecondSignal[] =
    "Error: The script did not stop before a second end signal: the game ends at once.\n";

// The lines past the deadline, by what began the end: a script that ran 3 s
// with nothing of the engine's marked; otherwise what ran, named by the
// marks (the part that goes before them).
struct HeldLines {
    const char* script;
    const char* engine;
};
constexpr HeldLines kScriptTimeOut[] = {
    {"Error: The script did not stop within 3 s of the end signal: the game ends at once.\n",
     "The game did not end within 3 s of the end signal"},
    {"Error: The script did not stop within 3 s of the game's quit: the game ends at once.\n",
     "The game did not end within 3 s of its quit"},
};
constexpr HeldLines kWallClockOut[] = {
    {"Error: The game did not end within 5 s of the end signal (a script): it ends at once.\n",
     "The game did not end within 5 s of the end signal"},
    {"Error: The game did not end within 5 s of its quit (a script): it ends at once.\n",
     "The game did not end within 5 s of its quit"},
};
static_assert(kEndSignalGraceSeconds == 3 && kEndBoundSeconds == 5, "the lines say 3 s and 5 s");

std::int64_t Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

// How long scripts have run since the end began.
std::int64_t ScriptTimeAfterEndBegan() {
    const std::int64_t at = endBeganAt.load(), since = scriptSince.load();
    if (at == 0) return 0;
    std::int64_t ran = scriptRanAfterEndBegan.load();
    if (since != 0) ran += Now() - std::max(since, at);
    return ran;
}

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

// The line that ends the game at once: a script that runs with nothing of
// the engine's marked is named as the one that held the game; otherwise what
// the engine was running is named (its frame, when nothing is marked).
// Written into `line` (size bytes); no allocation.
const char* HeldTheGameLine(char* line, std::size_t size, const char* scriptHeld, const char* engineHeld) {
    char running[512];
    const bool marked = DescribeNowRunning(running, sizeof running) > 0;
    if (!marked && ScriptRunning()) return scriptHeld;
    std::size_t at = 0;
    for (const char* part : {"Error: ", engineHeld, " (", marked ? running : "the engine's frame",
                             "): it ends at once.\n"})
        for (; *part && at + 2 < size; ++part) line[at++] = *part;
    if (line[at - 1] != '\n') line[at++] = '\n';
    line[at] = '\0';
    return line;
}

// One line in the error stream and the end, status 1, with the children
// killed; only async-signal-safe calls. The owner of the end signals and the
// fallback handler may both come here: the first one writes and ends, the
// other waits for that.
[[noreturn]] void EndAtOnce(const char* scriptHeld, const char* engineHeld) {
    if (!endingAtOnce.exchange(true)) {
        char line[768];
        WriteErrorAtOnce(HeldTheGameLine(line, sizeof line, scriptHeld, engineHeld));
        EndChildProcesses();
        ::_exit(1);
    }
    for (;;) ::pause();
}

// The deadline runs from whichever came first, the first end signal or the
// game's own quit.
void BeginTheEnd(EndCause cause) {
    std::int64_t none = 0;
    if (endBeganAt.compare_exchange_strong(none, Now())) endCause.store(cause);
}

void StartTheEnd() {
    BeginTheEnd(EndCause::Signal);
    closePending.store(true);
}

void InterruptScript() {
    if (void (*interrupt)() = scriptInterrupt.load()) interrupt();
}

// What one end signal does, on the thread that owns them.
void OnEndSignal() {
    if (boxWaiting.load()) {
        EndChildProcesses();
        ::_exit(1);
    }
    if (endSignalled.exchange(true))
        EndAtOnce(kScriptHeldAtSecondSignal, "The game did not end before a second end signal");
    StartTheEnd();
    if (ScriptRunning()) pthread_kill(mainThread, interruptSignal);
}

// A script signal that no script handles: said, then the game ends in order
// as on an end signal. Once the end has begun it changes nothing (a timer
// that goes on firing is no second end signal).
void OnUnhandledScriptSignal(int signal) {
    if (endSignalled.load()) return;
    const char* name = sigabbrev_np(signal);
    LogErrorF("Error: SIG%s came and no script handles it: the game ends as on SIGTERM.\n", name ? name : "?");
    OnEndSignal();
}

void OnSignal(int signal) {
    if (sigismember(&owned, signal))
        OnEndSignal();
    else
        OnUnhandledScriptSignal(signal);
}

// A thread that has the end signals open (one that started before they were
// caught, or one that opened them beneath Python) may take one while the
// handler is still the game's: it goes on to the owner. So does a script
// signal that no script handles.
void PassEndSignalOn(int signal) {
    const int savedErrno = errno;
    if (ownerStarted && sigismember(&waited, signal))
        pthread_kill(owner, signal);
    else
        OnEndSignal();
    errno = savedErrno;
}

// The interpreter looks at an interrupt at once only when it is set on its
// main thread.
void InterruptOnMainThread(int) {
    const int savedErrno = errno;
    InterruptScript();
    errno = savedErrno;
}

// The end signals wait, blocked, until this thread takes them: a handler
// that a script installs below Python (faulthandler, ctypes' sigaction or
// SIG_IGN) replaces the process's handler, but a blocked signal is neither
// handled nor ignored, it waits to be taken here. Once the end has begun,
// it also keeps the deadline, the one bound of the end whatever the main
// thread runs: a script that swallows the interrupt (a bare except, its own
// handler) or loops inside C, where no interrupt is looked at, would hold
// the game for ever, so once scripts have run 3 s since the end began, the
// process ends if one still runs; and whatever runs (the engine's own frame,
// a parse, Python outside a script call, the interpreter's finalization),
// the process ends 5 s after the end began. The game's own quit begins the
// same end where the entry point asked for it.
void KeepTheDeadline() {
    const std::int64_t began = endBeganAt.load();
    if (began == 0) return;
    const int cause = static_cast<int>(endCause.load());
    if (ScriptRunning() && ScriptTimeAfterEndBegan() >= kGrace)
        EndAtOnce(kScriptTimeOut[cause].script, kScriptTimeOut[cause].engine);
    // A box that waits for its reader after the game's own quit holds it; an
    // end signal ends the game at once then.
    if (Now() - began >= kBound && !boxWaiting.load())
        EndAtOnce(kWallClockOut[cause].script, kWallClockOut[cause].engine);
}

void TakeSignal(int signal) {
    if (signal != wakeSignal) OnSignal(signal);
}

void* OwnEndSignals(void*) {
    for (;;) {
        siginfo_t info;
        if (endBeganAt.load() == 0) {
            if (sigwaitinfo(&waited, &info) > 0) TakeSignal(info.si_signo);
            continue;
        }
        KeepTheDeadline();
        const timespec pause{0, long(kWatchdogLook)};
        if (sigtimedwait(&waited, &info, &pause) > 0) TakeSignal(info.si_signo);
    }
    return nullptr;
}

// The owner blocks every signal, so that none lands on it and none can
// break into its end.
void StartOwner() {
    sigset_t all, kept;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &kept);
    ownerStarted = pthread_create(&owner, nullptr, OwnEndSignals, nullptr) == 0;
    if (ownerStarted) pthread_detach(owner);
    pthread_sigmask(SIG_SETMASK, &kept, nullptr);
}

// A child process starts with the end signals as any program does: open,
// with their default action (an exec'd program would keep them blocked).
void OpenEndSignalsInChild() {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        if (sigismember(&waited, signal) == 1) ::sigaction(signal, &byDefault, nullptr);
    pthread_sigmask(SIG_UNBLOCK, &owned, nullptr);
}

// While a message box waits, only async-signal-safe calls.
void KillChildrenAndExit(int) {
    EndChildProcesses();
    ::_exit(1);
}

void InstallHandler(int signal, void (*handler)(int), const sigset_t& mask) {
    struct sigaction action {};
    action.sa_handler = handler;
    // No SA_RESTART: a system call that a script waits in (a read, a lock,
    // a child) returns on the signal, so the interpreter sees it.
    action.sa_flags = 0;
    action.sa_mask = mask;
    ::sigaction(signal, &action, nullptr);
}
}  // namespace

sigset_t EndSignalSet() {
    sigset_t ends;
    sigemptyset(&ends);
    for (int signal : kEndSignals) sigaddset(&ends, signal);
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
    boxWaiting.store(true);
    struct sigaction action {};
    action.sa_handler = KillChildrenAndExit;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndSignals); ++i) ::sigaction(kEndSignals[i], &action, &old[i]);
}

SignalsEndTheGame::~SignalsEndTheGame() {
    for (std::size_t i = 0; i < std::size(kEndSignals); ++i) ::sigaction(kEndSignals[i], &old[i], nullptr);
    boxWaiting.store(false);
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
    // Writing to a pipe or socket whose reader is gone is an error for the
    // writer (EPIPE, a script's BrokenPipeError), not the end of the game.
    ::signal(SIGPIPE, SIG_IGN);
    // The same for a file that has reached the size limit (EFBIG).
    ::signal(SIGXFSZ, SIG_IGN);
    // A signal the parent chose to ignore (a background job) stays so.
    sigemptyset(&owned);
    for (int signal : kEndSignals)
        if (AtDefaultAction(signal)) sigaddset(&owned, signal);
    sigemptyset(&passedOn);
    for (int signal : kScriptSignals)
        if (AtDefaultAction(signal)) sigaddset(&passedOn, signal);
    // Blocked here, and so in every thread started from here on; a launcher
    // may have blocked them already, so that none could end the process
    // before the owner takes them (one that came meanwhile is taken now).
    pthread_sigmask(SIG_BLOCK, &owned, nullptr);
    const sigset_t ends = EndSignalSet();
    sigset_t notOwned;
    sigemptyset(&notOwned);
    for (int signal : kEndSignals)
        if (!sigismember(&owned, signal)) sigaddset(&notOwned, signal);
    pthread_sigmask(SIG_UNBLOCK, &notOwned, nullptr);
    interruptSignal = SIGRTMIN;
    InstallHandler(interruptSignal, InterruptOnMainThread, ends);
    // Blocked on the owner, which takes it by waiting for it.
    wakeSignal = SIGRTMIN + 1;
    sigorset(&waited, &owned, &passedOn);
    sigaddset(&waited, wakeSignal);
    StartOwner();
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != wakeSignal && sigismember(&waited, signal) == 1) InstallHandler(signal, PassEndSignalOn, ends);
    pthread_atfork(nullptr, nullptr, OpenEndSignalsInChild);
}

void KeepEndSignalsForTheirOwner() {
    if (ownerStarted) pthread_sigmask(SIG_BLOCK, &owned, nullptr);
}

void KeepScriptSignalsOwned() {
    for (int signal : kScriptSignals)
        if (sigismember(&passedOn, signal) && AtDefaultAction(signal))
            InstallHandler(signal, PassEndSignalOn, EndSignalSet());
}

bool ScriptRunning() { return scriptSince.load() != 0; }

bool AtDefaultAction(int signal) {
    struct sigaction current {};
    ::sigaction(signal, nullptr, &current);
    return !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL;
}

bool EndSignalled() { return endSignalled.load(); }

void SetScriptInterrupt(void (*interrupt)()) { scriptInterrupt.store(interrupt); }

void ScriptStarted() { scriptSince.store(Now()); }

void ScriptReturned() {
    // A script may have opened them beneath Python: not beyond its call.
    KeepEndSignalsForTheirOwner();
    const std::int64_t since = scriptSince.exchange(0), at = endBeganAt.load();
    if (since != 0 && at != 0) scriptRanAfterEndBegan.fetch_add(Now() - std::max(since, at));
}

void BoundTheGamesOwnEnd() { ownEndBounded.store(true); }

void GameEndBegins() {
    if (!ownEndBounded.load() || !ownerStarted || endBeganAt.load() != 0) return;
    BeginTheEnd(EndCause::Quit);
    pthread_kill(owner, wakeSignal);
}

bool TakeEndSignalClose() { return closePending.exchange(false); }

void ForgetEndSignals() {
    endSignalled.store(false);
    closePending.store(false);
    ownEndBounded.store(false);
    endBeganAt.store(0);
    endCause.store(EndCause::Signal);
    scriptRanAfterEndBegan.store(0);
}

}  // namespace plat
