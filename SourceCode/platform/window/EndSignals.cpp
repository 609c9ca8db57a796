#include "platform/window/EndSignals.h"

#include <SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
// parent did not ignore), a bit each (signal n is bit n - 1): a handler
// passes them on to the owner.
std::uint64_t passedOn = 0;
pthread_t owner;
bool ownerStarted = false;
// Sent to the main thread to break off a script: its handler calls the
// script interrupt there, where the interpreter looks at it at once, and
// does not restart a system call that the script waits in.
int interruptSignal = 0;
// Set by the owner just before it sends the interrupt: a SIGRTMIN that comes
// otherwise (from outside) is a signal like any other, not a script's end.
std::atomic<bool> interruptAsked{false};
std::atomic<bool> endingAtOnce{false};
// While a message box waits, an end signal ends the game at once.
std::atomic<bool> boxWaiting{false};

// Nanoseconds on the monotonic clock: when the game's end began, at the
// first end signal or at its own quit (0: it has not begun), when the
// running outermost script started (0: none runs), and how long scripts ran
// after the end began in the spans that have ended.
std::atomic<std::int64_t> endBeganAt{0};
// When the first end signal came (0: none has).
std::atomic<std::int64_t> firstEndSignalAt{0};
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
// What the owner waits for: the end signals it owns and the wake; they are
// blocked on every other thread.
sigset_t waited;
// The signals whose handler passed them on to the owner, a bit each
// (signal n is bit n - 1), for it to take at its wake.
std::atomic<std::uint64_t> passedToOwner{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free && NSIG - 1 <= 64);
// The signals whose action the game set (so that a child process gets
// their default action back), a bit each.
std::uint64_t handled = 0;
constexpr std::uint64_t Bit(int signal) { return std::uint64_t(1) << (signal - 1); }

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr std::int64_t kGrace = kEndSignalGraceSeconds * kNanosecondsPerSecond;
constexpr std::int64_t kBound = kEndBoundSeconds * kNanosecondsPerSecond;
// How often the watchdog looks once the end has begun.
constexpr std::int64_t kWatchdogLook = 20 * 1000000;
// How often the owner looks for end signals sent to one thread rather than
// to the process, before the end.
constexpr std::int64_t kThreadSignalLook = 100 * 1000000;
// Copies of one stop come together: the terminal's to the whole group, a
// keeper's passed on, a shell's to its jobs. An end signal this soon after
// the first is one of them; one later is a second stop.
constexpr std::int64_t kCopiesWithin = 300 * 1000000;
// How long ending the children may take, pass after pass, before the game
// goes on (or ends) without them: a process that forks as fast as it is
// killed must not hold the game.
constexpr std::int64_t kChildrenEndWithin = 500 * 1000000;

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

char* AppendDigits(char* at, const char* digits) {
    while (*digits) *at++ = *digits++;
    return at;
}

void Pause(std::int64_t nanoseconds) {
    const timespec pause{0, long(nanoseconds)};
    ::nanosleep(&pause, nullptr);
}

// SIGKILL to the process with this pid if it is a child of the game that has
// not ended; true if it was. Through a pidfd, so that a pid reaped meanwhile
// (by the main thread or a script) and taken by another process is never
// signalled: waitid on it says ECHILD for a process that is no child of
// ours, and names one that has ended.
bool KillLiveChild(pid_t pid) {
    const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) {
        if (errno == ESRCH) return false;
        // No pidfd to be had (no descriptor left): the pid as listed.
        return ::kill(pid, SIGKILL) == 0;
    }
    siginfo_t info{};
    const bool live =
        ::waitid(idtype_t(3 /* P_PIDFD */), id_t(fd), &info, WEXITED | WNOHANG | WNOWAIT | __WALL) == 0 &&
        info.si_pid == 0;
    if (live) ::syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0);
    ::close(fd);
    return live;
}

// Kills every live child listed in a /proc children file; how many.
int KillListed(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    int live = 0;
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
            if (pid > 0 && KillLiveChild(pid_t(pid))) ++live;
            pid = 0;
        }
        if (n <= 0) break;
    }
    ::close(fd);
    return live;
}

// Calls `each` with the id of every thread of the process, as text.
template <typename Each>
void ForEachThread(Each each) {
    const int tasks = ::open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (tasks < 0) return;
    alignas(dirent64) char entries[2048];
    for (;;) {
        const ssize_t n = ::getdents64(tasks, entries, sizeof entries);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            if (entry->d_name[0] < '0' || entry->d_name[0] > '9' || std::strlen(entry->d_name) > 16) continue;
            each(entry->d_name);
        }
    }
    ::close(tasks);
}

// Kills the live children of every thread of the process; how many.
int KillChildren() {
    int live = 0;
    ForEachThread([&live](const char* thread) {
        char path[64];
        char* end = AppendDigits(AppendDigits(AppendDigits(path, "/proc/self/task/"), thread), "/children");
        *end = '\0';
        live += KillListed(path);
    });
    return live;
}

// Reaps every child that has ended; false when no child is left.
bool ReapEnded() {
    for (;;) {
        const pid_t ended = ::waitpid(-1, nullptr, WNOHANG | __WALL);
        if (ended > 0) continue;
        if (ended < 0 && errno == EINTR) continue;
        return !(ended < 0 && errno == ECHILD);
    }
}

// Kills the children pass after pass: a child killed leaves its own children
// to this process (a subreaper), and the next pass finds them, until none
// lives or the bound has passed. A pass reads each thread's list before it
// looks at the children on it, so one may miss what a child that ended
// meanwhile left: only a second pass with no live child says that none is
// left. Those that ended are reaped (when asked: that is the main thread's
// work alone) only once none lives: until then each holds its pid, so that
// no pid listed is taken by another process, and its place under the
// process limit, so that what lives cannot fork into it. Nothing here
// waits on a process.
void EndChildren(bool reap) {
    const std::int64_t until = Now() + kChildrenEndWithin;
    for (int passesWithNoneLive = 0; passesWithNoneLive < 2 && Now() < until;) {
        if (KillChildren() > 0)
            passesWithNoneLive = 0;
        else if (!reap || !ReapEnded())
            ++passesWithNoneLive;
        if (passesWithNoneLive == 0) Pause(1000000);
    }
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
    for (const char* part : {"Error: ", engineHeld, " (", marked ? running : "running the engine's frame",
                             "): it ends at once.\n"})
        for (; *part && at + 2 < size; ++part) line[at++] = *part;
    if (line[at - 1] != '\n') line[at++] = '\n';
    line[at] = '\0';
    return line;
}

// One line in the error stream and the end, status 1, with the children
// killed; only async-signal-safe calls, and nothing that waits. The owner of
// the end signals and the fallback handler may both come here: the first
// one writes and ends, the other waits for that.
[[noreturn]] void EndAtOnce(const char* scriptHeld, const char* engineHeld) {
    if (!endingAtOnce.exchange(true)) {
        char line[768];
        WriteErrorAtOnce(HeldTheGameLine(line, sizeof line, scriptHeld, engineHeld));
        EndChildren(false);
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

// What one end signal does, on the thread that owns them. One stop may come
// as several copies (to the keeper and to the game, to the whole group):
// those that come within kCopiesWithin of the first are that stop; one that
// comes later is a second one.
void OnEndSignal() {
    if (boxWaiting.load()) {
        EndChildren(false);
        ::_exit(1);
    }
    const std::int64_t now = Now();
    std::int64_t first = 0;
    if (!firstEndSignalAt.compare_exchange_strong(first, now)) {
        if (now - first < kCopiesWithin) return;
        EndAtOnce(kScriptHeldAtSecondSignal, "The game did not end before a second end signal");
    }
    endSignalled.store(true);
    StartTheEnd();
    if (ScriptRunning()) {
        interruptAsked.store(true);
        pthread_kill(mainThread, interruptSignal);
    }
}

// "SIGTERM", "SIGRTMIN+3", "SIGRTMAX", or "signal 32" for one with no name.
void NameSignal(int signal, char* name, std::size_t size) {
    // The C library calls SIGIO by its other name, SIGPOLL.
    const char* abbreviation = signal == SIGIO ? "IO" : sigabbrev_np(signal);
    if (abbreviation)
        std::snprintf(name, size, "SIG%s", abbreviation);
    else if (signal == SIGRTMIN || signal == SIGRTMAX)
        std::snprintf(name, size, signal == SIGRTMIN ? "SIGRTMIN" : "SIGRTMAX");
    else if (signal > SIGRTMIN && signal < SIGRTMAX)
        std::snprintf(name, size, "SIGRTMIN+%d", signal - SIGRTMIN);
    else
        std::snprintf(name, size, "signal %d", signal);
}

// A signal that would end the process and that no script handles: said,
// then the game ends in order as on an end signal. Once the end has begun
// it changes nothing (a timer that goes on firing is no second end signal).
void OnUnhandledScriptSignal(int signal) {
    if (endSignalled.load()) return;
    char name[32];
    NameSignal(signal, name, sizeof name);
    LogErrorF("Error: %s came and no script handles it: the game ends as on SIGTERM.\n", name);
    OnEndSignal();
}

void OnSignal(int signal) {
    if (sigismember(&owned, signal) == 1)
        OnEndSignal();
    else
        OnUnhandledScriptSignal(signal);
}

// A thread that has the end signals open (one that started before they were
// caught, or one that opened them beneath Python) may take one while the
// handler is still the game's: it goes on to the owner. So does a signal
// that no script handles, and one of the game's own sent from outside.
void PassEndSignalOn(int signal) {
    const int savedErrno = errno;
    if (ownerStarted) {
        passedToOwner.fetch_or(Bit(signal));
        pthread_kill(owner, wakeSignal);
    } else {
        OnEndSignal();
    }
    errno = savedErrno;
}

// The interpreter looks at an interrupt at once only when it is set on its
// main thread. A SIGRTMIN that the owner did not send comes from outside:
// it is a signal like the others, and no script is broken off for it.
void OnInterruptSignal(int signal) {
    if (!interruptAsked.exchange(false)) return PassEndSignalOn(signal);
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
    // end signal ends the game at once then. One that came just before the
    // box went up (between two boxes, say) found no box to end with, so once
    // an end signal has come, no box holds the deadline.
    if (Now() - began >= kBound && (!boxWaiting.load() || endSignalled.load()))
        EndAtOnce(kWallClockOut[cause].script, kWallClockOut[cause].engine);
}

// The wake that the game sends itself comes from one of its threads; one
// from another process is a signal like the others.
bool OwnWake(const siginfo_t& info) { return info.si_pid == ::getpid(); }

void TakeSignal(const siginfo_t& info) {
    if (info.si_signo != wakeSignal || !OwnWake(info)) OnSignal(info.si_signo);
    for (std::uint64_t passed = passedToOwner.exchange(0); passed != 0; passed &= passed - 1)
        OnSignal(__builtin_ctzll(passed) + 1);
}

// ---- Signals sent to one thread ----
// raise() in a script, or pthread_kill from one of its threads, sends an end
// signal to a thread that keeps it blocked, where it would wait for ever:
// the owner looks at what waits on each thread and takes each one that is
// new since it last looked (it stays there, blocked, and is taken once).

constexpr int kMostThreadsLooked = 128;
struct ThreadSignals {
    long thread = 0;
    std::uint64_t pending = 0;
};
ThreadSignals lastLooked[kMostThreadsLooked];
int lastLookedCount = 0;

// The signals that wait on the thread (its "SigPnd" in /proc).
std::uint64_t PendingOnThread(const char* thread) {
    char path[64];
    char* end = AppendDigits(AppendDigits(AppendDigits(path, "/proc/self/task/"), thread), "/status");
    *end = '\0';
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char status[4096];
    const ssize_t n = ::read(fd, status, sizeof status - 1);
    ::close(fd);
    if (n <= 0) return 0;
    status[n] = '\0';
    const char* field = std::strstr(status, "\nSigPnd:");
    return field ? std::strtoull(field + std::strlen("\nSigPnd:"), nullptr, 16) : 0;
}

void TakeSignalsSentToThreads() {
    std::uint64_t looked = 0;
    for (int signal = 1; signal < NSIG; ++signal)
        if (sigismember(&waited, signal) == 1) looked |= Bit(signal);
    const long self = ::gettid();
    ThreadSignals now[kMostThreadsLooked];
    int count = 0;
    ForEachThread([&](const char* name) {
        const long thread = std::strtol(name, nullptr, 10);
        if (thread == self || count == kMostThreadsLooked) return;
        if (const std::uint64_t pending = PendingOnThread(name) & looked) now[count++] = {thread, pending};
    });
    for (int i = 0; i < count; ++i) {
        std::uint64_t fresh = now[i].pending;
        for (int j = 0; j < lastLookedCount; ++j)
            if (lastLooked[j].thread == now[i].thread) fresh &= ~lastLooked[j].pending;
        for (; fresh != 0; fresh &= fresh - 1) OnSignal(__builtin_ctzll(fresh) + 1);
    }
    std::copy(now, now + count, lastLooked);
    lastLookedCount = count;
}

void* OwnEndSignals(void*) {
    for (;;) {
        const bool ending = endBeganAt.load() != 0;
        if (ending) KeepTheDeadline();
        const timespec pause{0, long(ending ? kWatchdogLook : kThreadSignalLook)};
        siginfo_t info{};
        if (sigtimedwait(&waited, &info, &pause) > 0) TakeSignal(info);
        TakeSignalsSentToThreads();
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

// The kernel's view of a signal's action.
struct KernelAction {
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    std::uint64_t mask;
};

// Sets a signal's action. The C library refuses signal 32, which it keeps
// for cancelling threads (the game never cancels one): its action is set
// beneath the library, as the library sets the others (its flags and its
// return from a handler, read back from the interrupt's action).
void SetAction(int signal, void (*handler)(int), const sigset_t& mask) {
    struct sigaction action {};
    action.sa_handler = handler;
    // No SA_RESTART: a system call that a script waits in (a read, a lock,
    // a child) returns on the signal, so the interpreter sees it.
    action.sa_flags = 0;
    action.sa_mask = mask;
    if (::sigaction(signal, &action, nullptr) == 0 || errno != EINVAL) return;
    KernelAction set{};
    if (::syscall(SYS_rt_sigaction, interruptSignal, nullptr, &set, sizeof set.mask) != 0) return;
    set.handler = handler;
    set.mask = 0;
    for (int other = 1; other < NSIG; ++other)
        if (sigismember(&mask, other) == 1) set.mask |= Bit(other);
    ::syscall(SYS_rt_sigaction, signal, &set, nullptr, sizeof set.mask);
}

// A child process starts with the signals as any program does: the end
// signals open, and those the game handles at their default action (an
// exec'd program would keep them blocked).
void OpenEndSignalsInChild() {
    sigset_t none;
    sigemptyset(&none);
    for (std::uint64_t bits = handled; bits != 0; bits &= bits - 1) SetAction(__builtin_ctzll(bits) + 1, SIG_DFL, none);
    pthread_sigmask(SIG_UNBLOCK, &waited, nullptr);
}

// While a message box waits, only async-signal-safe calls.
void KillChildrenAndExit(int) {
    EndChildren(false);
    ::_exit(1);
}

// Handles the signal with the game's handler, remembered for child processes.
void Handle(int signal, void (*handler)(int)) {
    SetAction(signal, handler, EndSignalSet());
    handled |= Bit(signal);
}

// The signals that end the game in order, after a line, unless a script
// handles them: those of kScriptSignals, signal 32, and the real-time
// signals above the game's own.
template <typename Each>
void ForEachScriptSignal(Each each) {
    for (int signal : kScriptSignals) each(signal);
    each(32);
    for (int signal = SIGRTMIN + 2; signal <= SIGRTMAX; ++signal) each(signal);
}
}  // namespace

sigset_t EndSignalSet() {
    sigset_t ends;
    sigemptyset(&ends);
    for (int signal : kEndSignals) sigaddset(&ends, signal);
    return ends;
}

void EndChildProcesses() { EndChildren(true); }

void KillChildProcesses() { EndChildren(false); }

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
    ForEachScriptSignal([](int signal) {
        if (AtDefaultAction(signal)) passedOn |= Bit(signal);
    });
    interruptSignal = SIGRTMIN;
    wakeSignal = SIGRTMIN + 1;
    // What the owner takes: the end signals, and its wake, which nothing
    // from outside may take for the end of the process.
    waited = owned;
    sigaddset(&waited, wakeSignal);
    // Blocked here, and so in every thread started from here on; a launcher
    // may have blocked them already, so that none could end the process
    // before the owner takes them (one that came meanwhile is taken now).
    pthread_sigmask(SIG_BLOCK, &waited, nullptr);
    sigset_t notOwned;
    sigemptyset(&notOwned);
    for (int signal : kEndSignals)
        if (!sigismember(&owned, signal)) sigaddset(&notOwned, signal);
    pthread_sigmask(SIG_UNBLOCK, &notOwned, nullptr);
    Handle(interruptSignal, OnInterruptSignal);
    StartOwner();
    for (int signal = 1; signal < NSIG; ++signal)
        if (sigismember(&waited, signal) == 1 || (passedOn & Bit(signal))) Handle(signal, PassEndSignalOn);
    pthread_atfork(nullptr, nullptr, OpenEndSignalsInChild);
}

void KeepEndSignalsForTheirOwner() {
    if (ownerStarted) pthread_sigmask(SIG_BLOCK, &waited, nullptr);
}

void KeepScriptSignalsOwned() {
    ForEachScriptSignal([](int signal) {
        if ((passedOn & Bit(signal)) && AtDefaultAction(signal)) SetAction(signal, PassEndSignalOn, EndSignalSet());
    });
}

bool KeptFromScripts(int signal) {
    return sigismember(&waited, signal) == 1 || (interruptSignal != 0 && signal == interruptSignal);
}

bool ScriptRunning() { return scriptSince.load() != 0; }

bool AtDefaultAction(int signal) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0) {
        // One the C library keeps for itself (signal 32): as the kernel has it.
        KernelAction kernel{};
        return ::syscall(SYS_rt_sigaction, signal, nullptr, &kernel, sizeof kernel.mask) == 0 &&
               kernel.handler == SIG_DFL;
    }
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
    firstEndSignalAt.store(0);
    closePending.store(false);
    ownEndBounded.store(false);
    endBeganAt.store(0);
    endCause.store(EndCause::Signal);
    scriptRanAfterEndBegan.store(0);
}

}  // namespace plat
