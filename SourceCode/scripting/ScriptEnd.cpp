#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "scripting/ScriptEnd.h"

#include <signal.h>
#include <unistd.h>

#include <cstdarg>
#include <iterator>

#include "platform/common/ErrorLog.h"
#include "platform/window/CrashLine.h"
#include "platform/window/EndSignals.h"
#include "scripting/PythonMan.h"

namespace {
// The process's handlers of the signals the game keeps from scripts (the
// end signals, its interrupt and its wake), put back when the object goes.
class KeptEndSignalHandlers {
public:
    KeptEndSignalHandlers() {
        for (int signal = 1; signal < NSIG; ++signal)
            if (plat::KeptFromScripts(signal)) ::sigaction(signal, nullptr, &kept[signal]);
    }
    ~KeptEndSignalHandlers() {
        for (int signal = 1; signal < NSIG; ++signal)
            if (plat::KeptFromScripts(signal)) ::sigaction(signal, &kept[signal], nullptr);
    }
    KeptEndSignalHandlers(const KeptEndSignalHandlers&) = delete;
    KeptEndSignalHandlers& operator=(const KeptEndSignalHandlers&) = delete;

private:
    struct sigaction kept[NSIG] {};
};

// signal.signal as the scripts see it: Python's own (`original`), which
// would also take the process's handler. A signal that the script sets back
// to its default action keeps the game's handler, which ends the game in
// order or names the crash.
PyObject* SignalKeepingEndSignals(PyObject* original, PyObject* args, PyObject* keywords) {
    PyObject* result = nullptr;
    {
        KeptEndSignalHandlers kept;
        result = PyObject_Call(original, args, keywords);
    }
    plat::KeepScriptSignalsOwned();
    plat::KeepCrashesNamed();
    return result;
}

// signal.pthread_sigmask as the scripts see it: the other signals are blocked
// or opened as asked, SIGINT and SIGTERM stay blocked on the thread, so that
// they still go to the thread that owns them.
PyObject* SigmaskKeepingEndSignals(PyObject* original, PyObject* args, PyObject* keywords) {
    PyObject* result = PyObject_Call(original, args, keywords);
    plat::KeepEndSignalsForTheirOwner();
    return result;
}

PyCFunction AsFunction(PyObject* (*function)(PyObject*, PyObject*, PyObject*)) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

PyMethodDef signalKeepingEndSignals = {
    "signal", AsFunction(SignalKeepingEndSignals), METH_VARARGS | METH_KEYWORDS,
    "Sets the handler of a signal inside Python; SIGINT, SIGTERM and SIGHUP stay the game's, which end it."};
PyMethodDef sigmaskKeepingEndSignals = {
    "pthread_sigmask", AsFunction(SigmaskKeepingEndSignals), METH_VARARGS | METH_KEYWORDS,
    "Blocks or unblocks signals in this thread; SIGINT, SIGTERM and SIGHUP stay the game's: they end it."};

// Puts the replacement in place of the module's function of that name; the
// original becomes the replacement's self. An interpreter used again keeps
// its replacement.
void Replace(PyObject* module, PyMethodDef& replacement) {
    PyObject* original = PyObject_GetAttrString(module, replacement.ml_name);
    const bool replaced = original && PyCFunction_Check(original) &&
                          PyCFunction_GET_FUNCTION(original) == replacement.ml_meth;
    if (original && !replaced) {
        PyObject* function = PyCFunction_New(&replacement, original);
        if (function) PyObject_SetAttrString(module, replacement.ml_name, function);
        Py_XDECREF(function);
    }
    Py_XDECREF(original);
    ReportScriptError();
}

// The signal module calls _signal's functions at each of its calls, so
// replacing them there covers both.
void KeepEndSignalsFromScripts(PyObject* signalModule) {
    Replace(signalModule, signalKeepingEndSignals);
    Replace(signalModule, sigmaskKeepingEndSignals);
}

// os.system from the C library ignores SIGINT in the whole process while the
// command runs, and waits again when a signal breaks the wait off. This one
// leaves the signals alone: an end signal breaks off the wait like any
// other, and the command's shell is killed. A child starts as any program
// does, not with the game's signals: the end signals open (the game keeps
// them blocked for their owner) and SIGPIPE and SIGXFSZ by default (the game
// ignores them), as subprocess gives its children. subprocess forks, whose child
// handler opens the end signals, rather than using vfork or posix_spawn,
// whose children would keep the game's mask.
// Only what the interpreter has loaded at start is imported here: the
// signal and subprocess modules bring in enum, whose classes the
// interpreter never frees when it is finalized. subprocess is told how to
// start its children when a script first imports it.
constexpr char kSystemKeepingEndSignals[] = R"(
def keep_end_signals(os, posix, _signal, sys):
    # The end signals and the game's wake, which it keeps blocked.
    ends = {_signal.SIGINT, _signal.SIGTERM, _signal.SIGHUP, _signal.SIGRTMIN + 1}
    def system(command):
        """Runs the command in a subshell and returns its wait status (-1 when no shell could start)."""
        arguments = [b"sh", b"-c", os.fsencode(command)]
        try:
            shell = os.posix_spawn("/bin/sh", arguments, os.environ,
                                   setsigmask=_signal.pthread_sigmask(_signal.SIG_BLOCK, ()) - ends,
                                   setsigdef=(_signal.SIGPIPE, _signal.SIGXFSZ))
        except OSError:
            return -1
        try:
            return os.waitpid(shell, 0)[1]
        except BaseException:
            os.kill(shell, 9)
            os.waitpid(shell, 0)
            raise
    os.system = posix.system = system

    def fork_children(subprocess):
        subprocess._USE_VFORK = False
        subprocess._USE_POSIX_SPAWN = False

    class SubprocessForks:
        """Finds subprocess as the other finders do and has it fork its children once it has run."""
        keeps_end_signals = True
        @classmethod
        def find_spec(cls, name, path=None, target=None):
            if name != "subprocess":
                return None
            for finder in sys.meta_path:
                find = None if finder is cls else getattr(finder, "find_spec", None)
                spec = find(name, path, target) if find else None
                if spec is not None and spec.loader is not None:
                    break
            else:
                return None
            run = spec.loader.exec_module
            def exec_module(module):
                run(module)
                fork_children(module)
            spec.loader.exec_module = exec_module
            return spec

    if "subprocess" in sys.modules:
        fork_children(sys.modules["subprocess"])
    elif not any(getattr(finder, "keeps_end_signals", False) for finder in sys.meta_path):
        sys.meta_path.insert(0, SubprocessForks)
)";

// Runs the Python text and calls its function of that name with the
// arguments; the result (new reference), or null with the error pending.
PyObject* RunAndCall(const char* text, const char* functionName, const char* format, ...) {
    PyObject* globals = PyDict_New();
    PyObject* ran = globals ? PyRun_String(text, Py_file_input, globals, globals) : nullptr;
    PyObject* function = ran ? PyDict_GetItemString(globals, functionName) : nullptr;  // borrowed
    PyObject* result = nullptr;
    if (function) {
        va_list arguments;
        va_start(arguments, format);
        PyObject* tuple = Py_VaBuildValue(format, arguments);
        va_end(arguments);
        result = tuple ? PyObject_Call(function, tuple, nullptr) : nullptr;
        Py_XDECREF(tuple);
    }
    Py_XDECREF(ran);
    Py_XDECREF(globals);
    return result;
}

void KeepEndSignalsFromCommands() {
    PyObject* modules[4] = {};
    const char* names[4] = {"os", "posix", "_signal", "sys"};
    bool imported = true;
    for (int i = 0; i < 4 && imported; ++i) imported = (modules[i] = PyImport_ImportModule(names[i])) != nullptr;
    PyObject* result = imported ? RunAndCall(kSystemKeepingEndSignals, "keep_end_signals", "(OOOO)", modules[0],
                                             modules[1], modules[2], modules[3])
                                : nullptr;
    Py_XDECREF(result);
    for (PyObject* module : modules) Py_XDECREF(module);
    ReportScriptError();
}

bool gameEnding = false;

// The game's process: a process forked from it (a script's os.fork) has
// another id and the same value.
const pid_t gameProcess = ::getpid();
bool endingForkedChild = false;

// The status a Python program ends with: 0 with no exception; sys.exit's
// code (0 for None; any other object is written out and gives 1); 1 for any
// other exception, whose traceback goes to the error stream.
int StatusOfForkedChild() {
    if (!PyErr_Occurred()) return 0;
    if (!PyErr_ExceptionMatches(PyExc_SystemExit)) {
        ReportScriptError();
        return 1;
    }
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    PyObject* code = value ? PyObject_GetAttrString(value, "code") : nullptr;
    int status = 0;
    if (code && PyLong_Check(code)) {
        status = int(PyLong_AsLong(code));
    } else if (code && code != Py_None) {
        PyObject* stream = PySys_GetObject("stderr");  // borrowed
        if (stream && PyFile_WriteObject(code, stream, Py_PRINT_RAW) == 0) PyFile_WriteString("\n", stream);
        status = 1;
    }
    Py_XDECREF(code);
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    PyErr_Clear();
    return status;
}

void FlushStandardStream(const char* name) {
    PyObject* stream = PySys_GetObject(name);  // borrowed
    PyObject* result = stream && stream != Py_None ? PyObject_CallMethod(stream, "flush", nullptr) : nullptr;
    Py_XDECREF(result);
    PyErr_Clear();
}

// Joins the threads that finalizing would wait for, together up to
// `seconds`; the names of those still running, comma separated.
constexpr char kThreadsLeftRunning[] = R"(
def left_running(threading, seconds):
    import sys, time
    main = threading.main_thread()
    waited = [t for t in threading.enumerate() if t is not main and not t.daemon]
    end = time.monotonic() + seconds
    for t in waited:
        t.join(max(0.0, end - time.monotonic()))
    left = [t.name for t in waited if t.is_alive()]
    if left:
        for stream in (sys.stdout, sys.stderr):
            try:
                stream.flush()
            except Exception:
                pass
    return ", ".join(left)
)";

// The names of the script's multiprocessing processes still running, which
// the module's exit handler would wait for, comma separated.
constexpr char kProcessesLeftRunning[] = R"(
def left_running(multiprocessing):
    return ", ".join(p.name for p in multiprocessing.active_children())
)";

// The exit handlers that scripts registered, run now rather than by the
// interpreter's finalization, where no interrupt could break them off.
constexpr char kRunExitHandlers[] = R"(
def run_exit_handlers(atexit):
    atexit._run_exitfuncs()
)";

// Calls the text's one function with the loaded module of that name; nothing
// when the scripts never loaded it. The result as text ("" when none).
std::string CallWithLoadedModule(const char* text, const char* functionName, const char* moduleName) {
    PyObject* module = PyDict_GetItemString(PyImport_GetModuleDict(), moduleName);  // borrowed
    if (!module) return "";
    PyObject* result = RunAndCall(text, functionName, "(O)", module);
    const char* utf8 = result && PyUnicode_Check(result) ? PyUnicode_AsUTF8(result) : nullptr;
    std::string value = utf8 ? utf8 : "";
    Py_XDECREF(result);
    ReportScriptError();
    return value;
}
}  // namespace

void LetInterruptsRaise() {
    KeepEndSignalsFromCommands();
    PyObject* module = PyImport_ImportModule("_signal");
    if (module) KeepEndSignalsFromScripts(module);
    PyObject* handler = module ? PyObject_GetAttrString(module, "default_int_handler") : nullptr;
    PyObject* result = handler ? PyObject_CallMethod(module, "signal", "iO", SIGINT, handler) : nullptr;
    if (!result) ReportScriptError();
    Py_XDECREF(result);
    Py_XDECREF(handler);
    Py_XDECREF(module);
}

std::string ScriptThreadsLeftRunning(double seconds) {
    // Only the threading module's threads are waited for.
    PyObject* threading = PyDict_GetItemString(PyImport_GetModuleDict(), "threading");  // borrowed
    if (!threading) return "";
    PyObject* names = RunAndCall(kThreadsLeftRunning, "left_running", "(Od)", threading, seconds);
    const char* text = names ? PyUnicode_AsUTF8(names) : nullptr;
    std::string left = text ? text : "";
    Py_XDECREF(names);
    ReportScriptError();
    return left;
}

std::string ScriptProcessesLeftRunning() {
    return CallWithLoadedModule(kProcessesLeftRunning, "left_running", "multiprocessing");
}

void RunScriptExitHandlers() { CallWithLoadedModule(kRunExitHandlers, "run_exit_handlers", "atexit"); }

bool GameIsEnding() { return gameEnding || plat::EndSignalled(); }

bool InForkedChild() { return ::getpid() != gameProcess; }

void EndIfForkedChild() {
    if (!InForkedChild() || endingForkedChild) return;
    endingForkedChild = true;
    const int status = StatusOfForkedChild();
    FlushStandardStream("stdout");
    FlushStandardStream("stderr");
    plat::EndErrorMessage();
    ::_exit(status);
}

void SetGameEnding(bool ending) { gameEnding = ending; }
