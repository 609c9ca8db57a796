#include "platform/window/CrashLine.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <iterator>
#include <new>
#include <typeinfo>
#include <utility>

#include "platform/common/ErrorLog.h"
#include "platform/common/NowRunning.h"
#include "platform/window/EndSignals.h"

#if defined(__SANITIZE_ADDRESS__)
#define TOLLYMOP_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLLYMOP_ADDRESS_SANITIZER 1
#endif
#endif
#if TOLLYMOP_ADDRESS_SANITIZER
#include <sanitizer/common_interface_defs.h>
#endif

namespace plat {
namespace {

#if TOLLYMOP_ADDRESS_SANITIZER
// The sanitizer takes SIGSEGV, SIGBUS and SIGFPE (and the stack their
// handler runs on) and reports them itself.
constexpr int kCrashSignals[] = {SIGABRT, SIGILL, SIGQUIT, SIGTRAP, SIGSYS};
#else
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT, SIGTRAP, SIGSYS};
#endif

// The crash signals whose handler is the line's (a parent may have ignored
// SIGQUIT: it stays ignored).
bool named[NSIG] = {};
// One line, whoever comes first: std::terminate's comes before its abort's.
std::atomic<bool> lineWritten{false};
std::terminate_handler terminateBefore = nullptr;

#if !TOLLYMOP_ADDRESS_SANITIZER
// The main thread's handler runs here, so that a stack overflow finds room.
constexpr std::size_t kCrashStackSize = 64 * 1024;
alignas(16) char crashStack[kCrashStackSize];
#endif

// A line put together without allocating, for a process that may have no
// memory left or be inside the allocator.
class Line {
public:
    Line& operator<<(const char* part) {
        for (; part && *part && at + 2 < sizeof text; ++part) text[at++] = *part;
        text[at] = '\0';
        return *this;
    }
    const char* Text() const { return text; }

private:
    char text[1024] = {};
    std::size_t at = 0;
};

bool OnMainThread() { return ::gettid() == ::getpid(); }

// "while <marks>", or running a script or the engine's frame; the marks
// say what the main thread was doing ("drawing the scene", "reading ...").
void AddWhatRan(Line& line) {
    char marks[512];
    line << (OnMainThread() ? " while " : " on a thread other than the main one, while the main thread was ");
    if (DescribeNowRunning(marks, sizeof marks) > 0)
        line << marks;
    else if (ScriptRunning())
        line << "running a script";
    else
        line << "running the engine's frame";
}

// The line, after what the log held unwritten; only the first one counts.
void WriteLine(const Line& what) {
    if (lineWritten.exchange(true)) return;
    Line line;
    line << "Error: " << what.Text();
    AddWhatRan(line);
    line << ": it ends at once.\n";
    WriteErrorAtOnce(line.Text());
}

// Dies by the signal as it would have without the line: its default action,
// its core dump, its status.
[[noreturn]] void DieBy(int signal) {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(signal, &byDefault, nullptr);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

void OnCrashSignal(int signal) {
    const char* name = sigabbrev_np(signal);
    Line what;
    if (signal == SIGQUIT)
        what << "The game was told to quit with a core dump (SIGQUIT)";
    else
        what << "The game crashed on SIG" << (name ? name : "?") << " (" << sigdescr_np(signal) << ")";
    WriteLine(what);
    KillChildProcesses();
    DieBy(signal);
}

// An allocation that failed and that nobody caught is the game running out
// of memory; any other std::terminate is named with what it was given.
void OnTerminate() {
    const std::type_info* type = abi::__cxa_current_exception_type();
    Line what;
    if (type && (*type == typeid(std::bad_alloc) || *type == typeid(std::bad_array_new_length))) {
        what << "The game ran out of memory";
    } else if (type) {
        what << "The game crashed on std::terminate (an exception nobody caught: " << type->name();
        try {
            throw;
        } catch (const std::exception& exception) {
            what << ": " << exception.what();
        } catch (...) {
        }
        what << ")";
    } else {
        what << "The game crashed on std::terminate (no exception: a thread still running at its end, or a "
                "function that may not throw)";
    }
    WriteLine(what);
    std::abort();
}

#if TOLLYMOP_ADDRESS_SANITIZER
// The sanitizer's report went to descriptor 2, which the log reads; the
// children end with the game, as after any crash.
void OnSanitizerDeath() {
    WriteErrorAtOnce("");
    KillChildProcesses();
}
#endif

void InstallCrashHandler(int signal) {
    struct sigaction action {};
    action.sa_handler = OnCrashSignal;
    action.sa_flags = SA_ONSTACK;
    sigfillset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

void UseCrashStack() {
#if !TOLLYMOP_ADDRESS_SANITIZER
    stack_t stack {};
    stack.ss_sp = crashStack;
    stack.ss_size = kCrashStackSize;
    ::sigaltstack(&stack, nullptr);
#endif
}
}  // namespace

void NameCrashes(bool on) {
    if (on) {
        UseCrashStack();
        lineWritten.store(false);
        for (int signal : kCrashSignals) {
            struct sigaction current {};
            ::sigaction(signal, nullptr, &current);
            named[signal] = current.sa_handler != SIG_IGN;
            if (named[signal]) InstallCrashHandler(signal);
        }
        terminateBefore = std::set_terminate(OnTerminate);
    } else {
        struct sigaction byDefault {};
        byDefault.sa_handler = SIG_DFL;
        for (int signal : kCrashSignals)
            if (std::exchange(named[signal], false)) ::sigaction(signal, &byDefault, nullptr);
        std::set_terminate(terminateBefore);
    }
#if TOLLYMOP_ADDRESS_SANITIZER
    __sanitizer_set_death_callback(on ? OnSanitizerDeath : nullptr);
#endif
}

void KeepCrashesNamed() {
    for (int signal : kCrashSignals)
        if (named[signal] && AtDefaultAction(signal)) InstallCrashHandler(signal);
}

}  // namespace plat
