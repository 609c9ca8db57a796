#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "scripting/ScriptEnd.h"

#include <signal.h>

#include "scripting/PythonMan.h"

namespace {
// The process's handlers of SIGINT and SIGTERM, put back when the object goes.
class KeptEndSignalHandlers {
public:
    KeptEndSignalHandlers() {
        for (int i = 0; i < kCount; ++i) ::sigaction(kSignals[i], nullptr, &kept[i]);
    }
    ~KeptEndSignalHandlers() {
        for (int i = 0; i < kCount; ++i) ::sigaction(kSignals[i], &kept[i], nullptr);
    }
    KeptEndSignalHandlers(const KeptEndSignalHandlers&) = delete;
    KeptEndSignalHandlers& operator=(const KeptEndSignalHandlers&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM};
    static constexpr int kCount = 2;
    struct sigaction kept[kCount] {};
};

// signal.signal as the scripts see it: Python's own (`original`), which
// would also take the process's handler.
PyObject* SignalKeepingEndSignals(PyObject* original, PyObject* args, PyObject* keywords) {
    KeptEndSignalHandlers kept;
    return PyObject_Call(original, args, keywords);
}

PyMethodDef signalKeepingEndSignals = {
    "signal", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(SignalKeepingEndSignals)),
    METH_VARARGS | METH_KEYWORDS,
    "Sets the handler of a signal inside Python; SIGINT and SIGTERM stay the game's, which end it."};

bool KeepsEndSignals(PyObject* function) {
    return PyCFunction_Check(function) && PyCFunction_GET_FUNCTION(function) == signalKeepingEndSignals.ml_meth;
}

// The signal module calls _signal.signal at each of its calls, so replacing
// it there covers both. An interpreter used again keeps its replacement.
void KeepEndSignalsFromScripts(PyObject* signalModule) {
    PyObject* original = PyObject_GetAttrString(signalModule, "signal");
    if (original && !KeepsEndSignals(original)) {
        PyObject* replacement = PyCFunction_New(&signalKeepingEndSignals, original);
        if (replacement) PyObject_SetAttrString(signalModule, "signal", replacement);
        Py_XDECREF(replacement);
    }
    Py_XDECREF(original);
    ReportScriptError();
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
}  // namespace

void LetInterruptsRaise() {
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
    PyObject* globals = PyDict_New();
    PyObject* ran = globals ? PyRun_String(kThreadsLeftRunning, Py_file_input, globals, globals) : nullptr;
    PyObject* function = ran ? PyDict_GetItemString(globals, "left_running") : nullptr;  // borrowed
    PyObject* names = function ? PyObject_CallFunction(function, "Od", threading, seconds) : nullptr;
    const char* text = names ? PyUnicode_AsUTF8(names) : nullptr;
    std::string left = text ? text : "";
    Py_XDECREF(names);
    Py_XDECREF(ran);
    Py_XDECREF(globals);
    ReportScriptError();
    return left;
}
