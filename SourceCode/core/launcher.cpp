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
// kills it. A kept program that ends with the game must stay so small that
// nothing can go wrong in it: linked statically, single-threaded, reading
// its signals (blocked) one by one rather than taking them in handlers.
//
// The game is started with the end signals blocked: loading its many
// libraries takes a while before its first instruction, and an end signal
// then would kill it outright; blocked, the signal waits until the game has
// its handlers (they unblock it) and ends the game in order.
#include <dirent.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
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
#include <string>

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

// Waits for the next of the taken signals. Through a signalfd the signals
// stay blocked as they are (sigwaitinfo would open them while it waits, and
// anyone who looks would see them open); sigwaitinfo serves where no
// signalfd can be had.
Taken TakeSignal(int signals, const sigset_t& taken) {
    if (signals >= 0) {
        signalfd_siginfo info{};
        if (::read(signals, &info, sizeof info) == ssize_t(sizeof info)) return {int(info.ssi_signo), info.ssi_code};
        return {};
    }
    siginfo_t info{};
    const int signal = ::sigwaitinfo(&taken, &info);
    return {signal > 0 ? signal : 0, info.si_code};
}

// Sent by another process (kill, sigqueue, tgkill), as opposed to the
// terminal's signal to its whole foreground process group (Ctrl+C, Ctrl+\,
// a hang-up), which the game, in the same group, has had as well.
bool SentByAProcess(int code) { return code == SI_USER || code == SI_QUEUE || code == SI_TKILL; }

// The game's status once it has ended; what else ended meanwhile (a process
// that came to the keeper) is reaped too.
std::optional<int> ReapTheGame(pid_t game) {
    int status = 0;
    for (pid_t ended; (ended = ::waitpid(-1, &status, WNOHANG | __WALL)) > 0;)
        if (ended == game) return status;
    return std::nullopt;
}

// Waits for the game's end, passing on to it each end signal that another
// process sent to the keeper (a test or a display runner knows the
// keeper's pid, the one it started). Every other signal waits here unheard.
int WaitForTheGame(pid_t game, const sigset_t& taken) {
    const int signals = ::signalfd(-1, &taken, SFD_CLOEXEC);
    for (;;) {
        const Taken signal = TakeSignal(signals, taken);
        if (signal.signal == SIGCHLD) {
            if (const std::optional<int> status = ReapTheGame(game)) {
                if (signals >= 0) ::close(signals);
                return *status;
            }
        } else if (IsEndSignal(signal.signal) && SentByAProcess(signal.code)) {
            ::kill(game, signal.signal);
        }
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

// The same where the kernel keeps no list: every process whose parent this
// one is, from its /proc stat (the parent comes after the command name, which
// may hold anything up to its last ')').
void KillChildrenFoundInProc(pid_t self) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        char path[64], stat[512];
        std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
        std::FILE* file = std::fopen(path, "re");
        if (!file) continue;
        const std::size_t length = std::fread(stat, 1, sizeof stat - 1, file);
        std::fclose(file);
        stat[length] = '\0';
        const char* afterName = std::strrchr(stat, ')');
        int parent = 0;
        if (afterName && std::sscanf(afterName + 1, " %*c %d", &parent) == 1 && parent == self)
            ::kill(pid_t(pid), SIGKILL);
    }
    ::closedir(proc);
}

// Ends everything left once the game has ended. What a killed child leaves
// comes to the keeper before the child can be reaped, so each round kills
// the children there are now and reaps one, until none is left.
void EndWhatTheGameLeft() {
    const pid_t self = ::getpid();
    for (;;) {
        if (!KillListedChildren(self)) KillChildrenFoundInProc(self);
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
