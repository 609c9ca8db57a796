// build/tollymop: the game's keeper. It starts the game (tollymop-game
// beside it) as its child and stays until the game has ended, then ends
// every process the game left behind and ends as the game did: the same
// exit code, or death by the same signal.
//
// What a script starts must not outlive the game, however the game ends: in
// order, by os._exit, by a crash, or killed outright (SIGKILL), where the
// game can end nothing itself. The keeper is a child subreaper, so whatever
// the game leaves running, however deep and in whatever session or process
// group, comes to the keeper once its parents are gone, and the keeper
// kills it: the whole tree frozen first, so that not even a fork bomb
// outruns it. A kept program that ends with the game must stay so small that
// nothing can go wrong in it: linked statically, single-threaded, reading
// its signals (blocked) one by one rather than taking them in handlers.
//
// The game is started with the end signals blocked: loading its many
// libraries takes a while before its first instruction, and an end signal
// then would kill it outright; blocked, the signal waits until the game has
// its handlers (they unblock it) and ends the game in order.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/window/EndSignals.h"

namespace {
constexpr char kGame[] = "tollymop-game";
constexpr int kCannotStart = 1;

// The game's path: beside this program.
std::string GamePath() {
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return kGame;
    std::string path(self, std::size_t(length));
    return path.substr(0, path.rfind('/') + 1) + kGame;
}

void SayCannotStart(const std::string& game, int reason) {
    std::fprintf(stderr, "Tollymop: the game (%s) cannot be started: %s\n", game.c_str(), std::strerror(reason));
}

bool IsEndSignal(int signal) {
    return std::find(std::begin(plat::kEndSignals), std::end(plat::kEndSignals), signal) != std::end(plat::kEndSignals);
}

// Every signal the keeper takes itself instead of letting it act: whatever
// would end the keeper before the game has ended. Left to act are those
// that stop and continue it with the terminal's job (Ctrl+Z, fg) and the
// faults of its own code.
sigset_t TakenSignals() {
    sigset_t taken;
    sigfillset(&taken);
    for (int signal : {SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS})
        sigdelset(&taken, signal);
    return taken;
}

// In the child, before it becomes the game.
[[noreturn]] void BecomeTheGame(const std::string& game, char** argv, pid_t keeper, const sigset_t& parentMask,
                                const struct sigaction& parentChildAction) {
    // Should the keeper be killed outright, the game is told to end, as by
    // SIGTERM, and ends its children itself; one that ignores SIGTERM is
    // killed.
    struct sigaction term {};
    ::sigaction(SIGTERM, nullptr, &term);
    ::prctl(PR_SET_PDEATHSIG, term.sa_handler == SIG_IGN ? SIGKILL : SIGTERM);
    if (::getppid() != keeper) ::_exit(kCannotStart);
    ::sigaction(SIGCHLD, &parentChildAction, nullptr);
    sigset_t mask = parentMask;
    for (int signal : plat::kEndSignals) sigaddset(&mask, signal);
    ::sigprocmask(SIG_SETMASK, &mask, nullptr);
    ::execv(game.c_str(), argv);
    SayCannotStart(game, errno);
    ::_exit(kCannotStart);
}

// One signal that came to the keeper: which, and who sent it how.
struct Taken {
    int signal = 0;
    int code = 0;
};

// The hang-up of the keeper's terminal, as the kernel sends it to the leader
// of the terminal's session.
constexpr Taken kTerminalHungUp{SIGHUP, SI_KERNEL};

// The controlling terminal, watched for its hang-up: when it closes, the
// kernel's SIGHUP goes to the leader of its session alone, and that is not
// always the keeper (under `make run`, or a shell's job). None (-1) without
// a terminal, or when the keeper was started to outlive it (SIGHUP ignored,
// as by nohup).
int WatchTheTerminal() {
    struct sigaction hangUp {};
    ::sigaction(SIGHUP, nullptr, &hangUp);
    if (hangUp.sa_handler == SIG_IGN) return -1;
    return ::open("/dev/tty", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Waits for the next of the taken signals, or for the terminal's hang-up
// (the terminal is then no longer watched). Through a signalfd the signals
// stay blocked as they are (sigwaitinfo would open them while it waits, and
// anyone who looks would see them open); sigwaitinfo serves where no
// signalfd can be had, and the kernel's SIGHUP to a keeper that leads its
// session is then the only hang-up it hears.
Taken TakeSignal(int signals, const sigset_t& taken, int& terminal) {
    if (signals >= 0) {
        pollfd watched[] = {{signals, POLLIN, 0}, {terminal, 0, 0}};
        if (::poll(watched, std::size(watched), -1) <= 0) return {};
        signalfd_siginfo info{};
        if (watched[0].revents & POLLIN)
            return ::read(signals, &info, sizeof info) == ssize_t(sizeof info) ? Taken{int(info.ssi_signo), info.ssi_code}
                                                                              : Taken{};
        if (!watched[1].revents) return {};
        // Hung up, or no longer to be watched: either way watched no more.
        ::close(terminal);
        terminal = -1;
        return watched[1].revents & POLLHUP ? kTerminalHungUp : Taken{};
    }
    siginfo_t info{};
    const int signal = ::sigwaitinfo(&taken, &info);
    return {signal > 0 ? signal : 0, info.si_code};
}

// The game's status once it has ended; what else ended meanwhile (a process
// that came to the keeper) is reaped too.
std::optional<int> ReapTheGame(pid_t game) {
    int status = 0;
    for (pid_t ended; (ended = ::waitpid(-1, &status, WNOHANG | __WALL)) > 0;)
        if (ended == game) return status;
    return std::nullopt;
}

// Waits for the game's end, passing on to it each end signal that comes to
// the keeper, whoever sent it: a person's kill, a test's or a display
// runner's (they know the keeper's pid, the one they started), the
// terminal's (Ctrl+C, which the game in the same process group has had as
// well: it counts the copies of one stop as one). The terminal's hang-up,
// which may come both as the kernel's SIGHUP and on the watched terminal,
// goes on once, with the SIGCONT that the kernel sends with it (a job
// stopped by Ctrl+Z wakes to end). Every other signal waits here unheard.
int WaitForTheGame(pid_t game, const sigset_t& taken) {
    const int signals = ::signalfd(-1, &taken, SFD_CLOEXEC);
    int terminal = WatchTheTerminal();
    bool hangUpPassedOn = false;
    for (;;) {
        const Taken signal = TakeSignal(signals, taken, terminal);
        if (signal.signal == SIGCHLD) {
            if (const std::optional<int> status = ReapTheGame(game)) {
                if (signals >= 0) ::close(signals);
                if (terminal >= 0) ::close(terminal);
                return *status;
            }
        } else if (signal.signal == kTerminalHungUp.signal && signal.code == kTerminalHungUp.code) {
            if (hangUpPassedOn) continue;
            hangUpPassedOn = true;
            ::kill(game, SIGHUP);
            ::kill(game, SIGCONT);
        } else if (IsEndSignal(signal.signal)) {
            ::kill(game, signal.signal);
        }
    }
}

// A process that /proc shows: its pid, its parent's, and when it started
// (which tells it from a later process given the same pid).
struct Process {
    pid_t pid = 0;
    pid_t parent = 0;
    unsigned long long started = 0;
};

// The process of that pid, from its /proc stat (the parent and the start
// come after the command name, which may hold anything up to its last ')');
// none when it has gone.
std::optional<Process> ReadProcess(pid_t pid) {
    char path[64], stat[1024];
    std::snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    std::FILE* file = std::fopen(path, "re");
    if (!file) return std::nullopt;
    const std::size_t length = std::fread(stat, 1, sizeof stat - 1, file);
    std::fclose(file);
    stat[length] = '\0';
    const char* afterName = std::strrchr(stat, ')');
    Process process{pid};
    // The state, the parent, 17 fields, the start.
    constexpr char kFields[] = " %*c %d %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu";
    if (!afterName || std::sscanf(afterName + 1, kFields, &process.parent, &process.started) != 2) return std::nullopt;
    return process;
}

// Every process below this one, however deep, as /proc shows them now.
std::vector<Process> ProcessesBelow(pid_t self) {
    std::vector<Process> all;
    if (DIR* proc = ::opendir("/proc")) {
        while (const dirent* entry = ::readdir(proc)) {
            char* end = nullptr;
            const long pid = std::strtol(entry->d_name, &end, 10);
            if (pid <= 0 || *end != '\0') continue;
            if (const std::optional<Process> process = ReadProcess(pid_t(pid))) all.push_back(*process);
        }
        ::closedir(proc);
    }
    const auto byPid = [](const Process& a, const Process& b) { return a.pid < b.pid; };
    std::sort(all.begin(), all.end(), byPid);
    const auto parentOf = [&](pid_t pid) {
        const auto found = std::lower_bound(all.begin(), all.end(), Process{pid}, byPid);
        return found != all.end() && found->pid == pid ? found->parent : 0;
    };
    std::vector<Process> below;
    for (const Process& process : all) {
        pid_t above = process.parent;
        for (std::size_t steps = 0; above > 1 && above != self && steps < all.size(); ++steps) above = parentOf(above);
        if (above == self) below.push_back(process);
    }
    return below;
}

// Sends the signal to the process found, unless it has ended and its pid
// passed to another since: in a fork bomb a freed pid is soon taken again.
void SignalFound(const Process& process, int signal) {
    const int handle = int(::syscall(SYS_pidfd_open, process.pid, 0));
    if (handle < 0) {
        if (errno == ENOSYS) ::kill(process.pid, signal);
        return;
    }
    const std::optional<Process> now = ReadProcess(process.pid);
    if (now && now->started == process.started) ::syscall(SYS_pidfd_send_signal, handle, signal, nullptr, 0);
    ::close(handle);
}

// Stops every process below the keeper, round after round, until two rounds
// running find none it has not stopped: a stopped process forks no more, and
// what one forked before it stopped shows in the next round. So even a fork
// bomb ends up frozen whole, and killing it is then one round.
void FreezeWhatTheGameLeft(pid_t self) {
    std::set<std::pair<pid_t, unsigned long long>> stopped;
    for (int quietRounds = 0; quietRounds < 2;) {
        bool found = false;
        for (const Process& process : ProcessesBelow(self)) {
            if (!stopped.emplace(process.pid, process.started).second) continue;
            SignalFound(process, SIGSTOP);
            found = true;
        }
        quietRounds = found ? 0 : quietRounds + 1;
    }
}

// SIGKILL to every child of this process; false when its children cannot be
// listed.
bool KillListedChildren(pid_t self) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/children", int(self));
    std::FILE* list = std::fopen(path, "re");
    if (!list) return false;
    for (int pid; std::fscanf(list, "%d", &pid) == 1;) ::kill(pid, SIGKILL);
    std::fclose(list);
    return true;
}

// Ends everything left once the game has ended, however deep and however
// fast it forks: it is frozen whole, then killed, and reaped. What a killed
// process leaves comes to the keeper before it can be reaped, so each round
// of the reaping kills the children there are now (one that escaped the
// freeze too) and reaps one, until none is left.
void EndWhatTheGameLeft() {
    const pid_t self = ::getpid();
    FreezeWhatTheGameLeft(self);
    for (const Process& process : ProcessesBelow(self)) SignalFound(process, SIGKILL);
    for (;;) {
        if (!KillListedChildren(self))
            for (const Process& process : ProcessesBelow(self))
                if (process.parent == self) SignalFound(process, SIGKILL);
        if (::waitpid(-1, nullptr, __WALL) < 0 && errno == ECHILD) return;
    }
}

// Ends as the game ended, so that a shell, a debugger or a test sees what
// the game did: its exit code, or death by its signal (without a core dump
// of the keeper's: the game has left its own where one is wanted; not
// dumpable stops one that a core pattern would pipe to a program too).
[[noreturn]] void EndAsTheGameDid(int status) {
    if (!WIFSIGNALED(status)) ::_exit(WEXITSTATUS(status));
    const int signal = WTERMSIG(status);
    rlimit core{};
    ::getrlimit(RLIMIT_CORE, &core);
    core.rlim_cur = 0;
    ::setrlimit(RLIMIT_CORE, &core);
    ::prctl(PR_SET_DUMPABLE, 0);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(signal, &byDefault, nullptr);
    ::kill(::getpid(), signal);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::_exit(128 + signal);
}
}  // namespace

int main(int, char** argv) {
    const sigset_t taken = TakenSignals();
    sigset_t parentMask;
    ::sigprocmask(SIG_BLOCK, &taken, &parentMask);
    // A SIGCHLD that the parent chose to ignore would throw the game's
    // status away; the game gets the parent's choice back.
    struct sigaction byDefault {}, parentChildAction{};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(SIGCHLD, &byDefault, &parentChildAction);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);

    const std::string game = GamePath();
    const pid_t keeper = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        SayCannotStart(game, errno);
        return kCannotStart;
    }
    if (child == 0) BecomeTheGame(game, argv, keeper, parentMask, parentChildAction);
    const int status = WaitForTheGame(child, taken);
    EndWhatTheGameLeft();
    EndAsTheGameDid(status);
}
