#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "scripting/PythonMan.h"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "console/Console.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/NowRunning.h"
#include "platform/window/EndSignals.h"
#include "platform/window/Window.h"
#include "scripting/ScriptEnd.h"
#include "scripting/ScriptErrorStream.h"
#include "scripting/ZOPAPI.h"

namespace {
constexpr char kMainModuleName[] = "zop";
// How long the game's end waits for the threads a script left running.
constexpr double kScriptThreadsGraceSeconds = 1.0;

std::string& ScriptFolderSetting() {
    static std::string folder;
    return folder;
}

void WriteError(const char* format, const char* text) { plat::LogErrorF(format, text); }

void WriteLine(const char* text) { plat::LogError(text); }

// How many calls into scripts (imports too) are running now, nested ones
// counted; the end signals break off only a script that runs.
// Lock-free, so that the signal handler may read it.
std::atomic<int> runningScripts{0};
static_assert(std::atomic<int>::is_always_lock_free);
// How many times an end signal broke into a running script.
std::atomic<unsigned> scriptsInterrupted{0};
static_assert(std::atomic<unsigned>::is_always_lock_free);

// Called from the end signals' handler: the script stops with a
// KeyboardInterrupt at its next instruction, or wakes from a sleep.
void InterruptRunningScript() {
    if (runningScripts.load() <= 0) return;
    scriptsInterrupted.fetch_add(1);
    PyErr_SetInterruptEx(SIGINT);
}

// Marks a call into scripts for as long as it lives.
class RunningScript {
public:
    RunningScript() {
        if (runningScripts++ != 0) return;
        plat::ScriptStarted();
        // An interrupt that came just as the last script returned is old.
        if (PyErr_CheckSignals() < 0) PyErr_Clear();
    }
    // What the scripts wrote to sys.stderr and left open ends with the call.
    // A process that a script forked ends here, at its first return into
    // the engine.
    ~RunningScript() {
        EndIfForkedChild();
        if (--runningScripts != 0) return;
        scripting::EndScriptErrorMessage();
        plat::ScriptReturned();
    }
    RunningScript(const RunningScript&) = delete;
    RunningScript& operator=(const RunningScript&) = delete;
};

// Formatting a script's error runs the script's own code (its __str__, what
// the printer looks up on it), which may never return: it runs as a script,
// which the end signals break off.
class FormattingAsScript {
public:
    // Whether an end signal broke in: what came out may lack the text.
    bool BrokenOff() const { return scriptsInterrupted.load() != interruptedBefore; }

private:
    unsigned interruptedBefore = scriptsInterrupted.load();
    RunningScript running;
};

// The exit handler of multiprocessing waits, without end, for the processes
// that a script started: they end first, and the error stream names them.
void EndScriptProcesses() {
    const std::string left = ScriptProcessesLeftRunning();
    plat::EndChildProcesses();
    if (!left.empty())
        WriteError("Error: The script's processes were still running at the end (%s): the game ended them.\n",
                   left.c_str());
}

// Finalizing would wait without end for the threads a script left running:
// after a little wait, an interpreter with threads still running is left as
// it is, and the error stream names them. The scripts' exit handlers run
// first as a script call, which an end signal breaks off, and the
// finalization runs as script time: both count toward the 3 s.
void FinalizeUnlessThreadsRun() {
    plat::ScriptStarted();
    const std::string left = ScriptThreadsLeftRunning(kScriptThreadsGraceSeconds);
    plat::ScriptReturned();
    if (!left.empty()) {
        WriteError("Error: The script's threads were still running at the end (%s): the game ends without them.\n",
                   left.c_str());
        return;
    }
    {
        const plat::NowRunning running("running the scripts' exit handlers");
        RunningScript script;
        RunScriptExitHandlers();
    }
    // No interrupt breaks in here: the interpreter is taken apart as it goes.
    const plat::NowRunning running("finalizing the interpreter");
    plat::ScriptStarted();
    Py_FinalizeEx();
    plat::ScriptReturned();
}

void FlushPythonStderr() {
    PyObject* stream = PySys_GetObject("stderr");  // borrowed
    if (!stream || stream == Py_None) return;
    PyObject* result = PyObject_CallMethod(stream, "flush", nullptr);
    if (result)
        Py_DECREF(result);
    else
        PyErr_Clear();
}

// Reads a script result as a truth. Only numbers have a value to read; a
// result that is no number reads as no value at all, which is not 0.
bool ResultAsBool(PyObject* result) {
    if (PyLong_Check(result)) {  // bool is an int
        int overflow = 0;
        long value = PyLong_AsLongAndOverflow(result, &overflow);
        return overflow != 0 || value != 0;
    }
    if (PyFloat_Check(result)) {
        double value = std::trunc(PyFloat_AsDouble(result));
        return !std::isnan(value) && value != 0.0;
    }
    return true;
}

// The exception's type as the interpreter prints it ("zop.Endless",
// "ValueError"), read without running any script code.
std::string TypeName(PyObject* type) {
    if (!type || !PyType_Check(type)) return "an exception";
    auto* exceptionType = reinterpret_cast<PyTypeObject*>(type);
    std::string name = exceptionType->tp_name;
    if (!(exceptionType->tp_flags & Py_TPFLAGS_HEAPTYPE)) return name;
    PyObject* module = PyDict_GetItemString(exceptionType->tp_dict, "__module__");  // borrowed
    const char* moduleName = module && PyUnicode_Check(module) ? PyUnicode_AsUTF8(module) : nullptr;
    if (!moduleName) PyErr_Clear();
    if (moduleName && std::strcmp(moduleName, "builtins") != 0) name = std::string(moduleName) + "." + name;
    return name;
}

constexpr char kNotFormatted[] = ", which could not be formatted: an end signal broke its formatting off.\n";

// "Error: Python function "<name>" raised <type>: <text>" on one line, and
// the exception cleared.
void ReportRaisedInOneLine(const char* functionName) {
    if (!PyErr_Occurred()) return;
    EndIfForkedChild();
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    std::string line = std::string("Error: Python function \"") + functionName + "\" raised ";
    {
        FormattingAsScript formatting;
        PyErr_NormalizeException(&type, &value, &traceback);
        line += type && PyExceptionClass_Check(type) ? PyExceptionClass_Name(type) : "an exception";
        PyObject* text = value ? PyObject_Str(value) : nullptr;
        const char* detail = text ? PyUnicode_AsUTF8(text) : nullptr;
        if (formatting.BrokenOff())
            line += kNotFormatted;
        else if (detail && *detail)
            line += std::string(": ") + detail;
        Py_XDECREF(text);
        // The traceback keeps the frames' locals, whose finalizers run here.
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
        PyErr_Clear();
    }
    if (line.back() == '\n') line.pop_back();
    std::replace(line.begin(), line.end(), '\n', ' ');
    WriteLine((line + "\n").c_str());
}
}  // namespace

namespace {
// The exception as Python prints it, traceback first; empty when it cannot
// be formatted. The interpreter's own printer writes it into a string
// stream put in place of sys.stderr: both are built in and loaded at start,
// whereas the traceback module pulls in modules whose types leak at every
// finalization of the interpreter.
std::string FormatException(PyObject* type, PyObject* value, PyObject* traceback) {
    std::string text;
    PyObject* io = PyImport_ImportModule("_io");
    PyObject* buffer = io ? PyObject_CallMethod(io, "StringIO", nullptr) : nullptr;
    PyObject* kept = PySys_GetObject("stderr");  // borrowed
    Py_XINCREF(kept);
    if (buffer && PySys_SetObject("stderr", buffer) == 0) {
        PyErr_Display(type, value ? value : Py_None, traceback);
        PySys_SetObject("stderr", kept ? kept : Py_None);
    }
    PyObject* written = buffer ? PyObject_CallMethod(buffer, "getvalue", nullptr) : nullptr;
    const char* utf8 = written ? PyUnicode_AsUTF8(written) : nullptr;
    if (utf8) text = utf8;
    Py_XDECREF(written);
    Py_XDECREF(kept);
    Py_XDECREF(buffer);
    Py_XDECREF(io);
    PyErr_Clear();
    return text;
}

// Whether the failed import is that of the module itself not being found
// (not of a module that it imports); the exception stays set.
bool ModuleItselfMissing(const char* moduleName) {
    if (!PyErr_ExceptionMatches(PyExc_ModuleNotFoundError)) return false;
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    PyObject* name = value ? PyObject_GetAttrString(value, "name") : nullptr;
    const bool itself = name && PyUnicode_Check(name) && PyUnicode_CompareWithASCIIString(name, moduleName) == 0;
    Py_XDECREF(name);
    PyErr_Clear();
    PyErr_Restore(type, value, traceback);
    return itself;
}

// Leaves the pending exception where Python keeps the last one it reported
// (sys.last_type, sys.last_value, sys.last_traceback), so that the main
// script can tell the player why a level did not import; it stays pending.
void KeepAsLastError() {
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    if (traceback && value) PyException_SetTraceback(value, traceback);
    const bool kept = PySys_SetObject("last_type", type ? type : Py_None) == 0 &&
                      PySys_SetObject("last_value", value ? value : Py_None) == 0 &&
                      PySys_SetObject("last_traceback", traceback ? traceback : Py_None) == 0;
    if (!kept) PyErr_Clear();
    PyErr_Restore(type, value, traceback);
}

// The file and line of a traceback's place line ('  File "x/level1.py",
// line 3, in <module>') as "level1.py, line 3"; empty for other lines.
std::string PlaceOf(const std::string& line) {
    const std::size_t file = line.find("File \""), number = line.find("\", line ");
    if (file == std::string::npos || number == std::string::npos || number < file) return "";
    std::string path = line.substr(file + 6, number - file - 6);
    path = path.substr(path.find_last_of('/') + 1);
    const std::size_t first = number + std::strlen("\", line ");
    std::size_t digits = first;
    while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits]))) ++digits;
    return path + ", line " + line.substr(first, digits - first);
}

// From a traceback as Python prints it: its last unindented line (the
// error) and its last place, as "SyntaxError: invalid syntax (level1.py,
// line 3)"; empty when there is no text.
std::string ImportErrorSummary(const std::string& traceback) {
    constexpr std::size_t kLongest = 300;
    std::string error, place;
    for (std::size_t start = 0; start < traceback.size();) {
        std::size_t end = traceback.find('\n', start);
        if (end == std::string::npos) end = traceback.size();
        const std::string line = traceback.substr(start, end - start);
        start = end + 1;
        if (std::string at = PlaceOf(line); !at.empty())
            place = at;
        else if (!line.empty() && line[0] != ' ' && line.rfind("Traceback", 0) != 0)
            error = line;
    }
    if (error.size() > kLongest) error = error.substr(0, kLongest) + "...";
    if (error.empty() || place.empty()) return error;
    return error + " (" + place + ")";
}
}  // namespace

void ReportScriptError() { ReportAndFormatScriptError(); }

std::string ReportAndFormatScriptError() {
    if (!PyErr_Occurred()) return "";
    // A forked process ends on what it raised, before the game's report
    // takes the error (and with it the status) away.
    EndIfForkedChild();
    std::string text;
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    {
        FormattingAsScript formatting;
        PyErr_NormalizeException(&type, &value, &traceback);
        if (traceback && value) PyException_SetTraceback(value, traceback);
        // One message for the whole traceback, so that one raised every frame
        // is written once and then counted.
        FlushPythonStderr();
        text = FormatException(type, value, traceback);
        if (formatting.BrokenOff()) {
            plat::LogError("Error: A script raised " + TypeName(type) + kNotFormatted);
        } else if (!text.empty()) {
            plat::LogError(text);
        } else {
            // PyErr_Print would end the process on SystemExit; Display only
            // prints.
            PyErr_Display(type, value, traceback);
            FlushPythonStderr();
        }
        // The traceback keeps the frames' locals, whose finalizers run here.
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
        PyErr_Clear();
    }
    return text;
}

PythonMan::~PythonMan() {
    if (initialized) Shutdown();
}

void PythonMan::SetScriptFolder(const std::string& folder) { ScriptFolderSetting() = folder; }

std::string PythonMan::ScriptFolder() {
    if (!ScriptFolderSetting().empty()) return ScriptFolderSetting();
    return AssetRoot() + "/Scripts";
}

bool PythonMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::PythonMan;
    if (!eTable::Register(name, this)) return false;
    ReleaseModules();
    nextModuleName.clear();
    hasNextModule = false;
    SetGameEnding(false);

    if (StartInterpreter()) {
        // Before the main module's import, which may never end by itself.
        plat::SetScriptInterrupt(InterruptRunningScript);
        apiModule = PyImport_ImportModule(zopapi::kModuleName);
        if (!apiModule) {
            ReportScriptError();
            WriteLine("Error: Failed to init Python API module.\n");
        }
        mainModule = ImportModule(kMainModuleName);
        if (mainModule) {
            mainDict = PyModule_GetDict(mainModule);
            if (!mainDict) WriteError("Error: Failed to get dictionary for module \"%s\".\n", kMainModuleName);
        }
    }
    dataBank = std::make_unique<std::uint32_t[]>(kDataBankSize);  // zeroed
    initialized = true;
    return true;
}

bool PythonMan::StartInterpreter() {
    // An interpreter left running by an earlier host (one whose main module
    // never loaded is not finalized) is used as it is.
    if (!Py_IsInitialized()) {
        // The built-in table is reset by every finalization, so the engine
        // module is added again before each start.
        if (PyImport_AppendInittab(zopapi::kModuleName, zopapi::CreateModule) != 0) {
            WriteLine("Error: Failed to init Python API module.\n");
            return false;
        }
        // UTF-8 mode: scripts read and write text, and name files, in UTF-8
        // whatever the locale (the engine never sets one).
        PyPreConfig preconfig;
        PyPreConfig_InitIsolatedConfig(&preconfig);
        preconfig.utf8_mode = 1;
        PyStatus preinitialized = Py_PreInitialize(&preconfig);
        if (PyStatus_Exception(preinitialized)) {
            WriteError("Error: The Python interpreter did not start: %s\n",
                       preinitialized.err_msg ? preinitialized.err_msg : "unknown reason");
            return false;
        }
        PyConfig config;
        PyConfig_InitIsolatedConfig(&config);
        config.install_signal_handlers = 0;
        config.configure_c_stdio = 0;
        config.write_bytecode = 0;  // no __pycache__ folders beside the scripts
        config.parse_argv = 0;
        PyStatus status = Py_InitializeFromConfig(&config);
        PyConfig_Clear(&config);
        if (PyStatus_Exception(status)) {
            WriteError("Error: The Python interpreter did not start: %s\n",
                       status.err_msg ? status.err_msg : "unknown reason");
            return false;
        }
    }
    AddScriptFolderToPath();
    scripting::RouteScriptErrors();
    LetInterruptsRaise();
    return true;
}

void PythonMan::AddScriptFolderToPath() {
    PyObject* path = PySys_GetObject("path");  // borrowed
    PyObject* folder = PyUnicode_DecodeFSDefault(ScriptFolder().c_str());
    if (path && PyList_Check(path) && folder) {
        // A folder already on the path (a second host in one process) moves
        // to the front rather than appearing twice.
        Py_ssize_t at = PySequence_Index(path, folder);
        if (at >= 0)
            PySequence_DelItem(path, at);
        else
            PyErr_Clear();
        PyList_Insert(path, 0, folder);
    }
    Py_XDECREF(folder);
    ReportScriptError();
}

PyObject* PythonMan::ImportModule(const char* moduleName) {
    // The game is ending on a signal: no script starts any more.
    if (plat::EndSignalled()) return nullptr;
    PyObject* nameObject = PyUnicode_FromString(moduleName);
    PyObject* module = nullptr;
    if (nameObject) {
        RunningScript running;
        module = PyImport_Import(nameObject);
    }
    Py_XDECREF(nameObject);
    if (!module) {
        const bool missing = ModuleItselfMissing(moduleName);
        if (!missing) KeepAsLastError();
        const std::string traceback = ReportAndFormatScriptError();
        if (missing)
            WriteError("Error: Failed to find Python module \"%s\".\n", moduleName);
        else
            SayNotImported(moduleName, traceback);
    }
    return module;
}

// The module is there but did not import (a syntax error, or an error its
// code raised): one line with the error and where it is, below the
// traceback, and the same on the console, where the player can look.
void PythonMan::SayNotImported(const char* moduleName, const std::string& traceback) {
    std::string line = std::string("Python module \"") + moduleName + "\" could not be imported";
    const std::string why = ImportErrorSummary(traceback);
    line += why.empty() ? "." : ": " + why + ".";
    plat::LogErrorOnce("Error: " + line + "\n");
    if (auto* console = static_cast<Console*>(eTable::Peek(names::Console))) console->Print(line, Console::kRed, true);
}

void PythonMan::ReleaseModules() {
    secondaryDict = nullptr;
    mainDict = nullptr;
    if (Py_IsInitialized()) {
        Py_XDECREF(secondaryModule);
        Py_XDECREF(mainModule);
        Py_XDECREF(apiModule);
    }
    secondaryModule = mainModule = apiModule = nullptr;
}

bool PythonMan::Shutdown() {
    if (!initialized) return false;
    // From here on the engine module refuses every call, from the threads a
    // script left running too.
    SetGameEnding(true);
    bool finalize = mainDict != nullptr;
    ReleaseModules();
    // An interpreter whose main module never loaded is left running, so that
    // nothing is ever finalized twice.
    if (finalize && Py_IsInitialized()) {
        // An interrupt left over from an end signal would otherwise go off
        // in the interpreter's own shutdown.
        if (PyErr_CheckSignals() < 0) PyErr_Clear();
        EndScriptProcesses();
        FinalizeUnlessThreadsRun();
    }
    // No script can run any more; what they started ends with them.
    plat::SetScriptInterrupt(nullptr);
    plat::EndChildProcesses();
    dataBank.reset();
    DestroyChildren();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

bool PythonMan::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    CallFunction("everyloop");
    return true;
}

PyObject* PythonMan::FindCallable(const char* functionName, bool* failed) const {
    // A key of a module's globals compares itself with the name in its own
    // code (its __eq__), which may never return: the lookup runs as a script.
    RunningScript running;
    PyObject* name = PyUnicode_FromString(functionName);
    PyObject* found = nullptr;
    for (PyObject* dict : {mainDict, secondaryDict}) {
        if (!dict || !name) break;  // no main module: the level is not asked either
        PyObject* function = PyDict_GetItemWithError(dict, name);  // borrowed
        if (function && PyCallable_Check(function)) {
            found = Py_NewRef(function);
            break;
        }
        if (PyErr_Occurred()) break;
    }
    Py_XDECREF(name);
    if (failed) *failed = PyErr_Occurred() != nullptr;
    ReportScriptError();
    return found;
}

bool PythonMan::HasCallable(const char* functionName) const {
    PyObject* function = FindCallable(functionName);
    Py_XDECREF(function);
    return function != nullptr;
}

bool PythonMan::MayCall(const char* functionName) const {
    // The game is ending on a signal: a script that hung once may hang again.
    return initialized && functionName && !plat::EndSignalled() && Py_IsInitialized();
}

PyObject* PythonMan::CallForResult(const char* functionName, IfMissing ifMissing) {
    bool failed = false;
    // A new reference: the function may rebind its own name while it runs.
    PyObject* function = FindCallable(functionName, &failed);
    if (!function) {
        if (ifMissing == IfMissing::SayOnce && !failed) SayMissing(functionName);
        return nullptr;
    }
    PyObject* result = plat::EndSignalled() ? nullptr : PyObject_CallObject(function, nullptr);
    Py_DECREF(function);
    return result;
}

// Finding the function, calling it, reporting what it raised and releasing
// its result all run script code (a key's __eq__, a finalizer of the result
// or of a local its traceback kept): they are one call into scripts, which
// the end signals break off and the 3 s count.
bool PythonMan::CallFunction(const char* functionName, IfMissing ifMissing) {
    if (!MayCall(functionName)) return false;
    RunningScript running;
    PyObject* result = CallForResult(functionName, ifMissing);
    if (!result) {
        ReportScriptError();
        return false;
    }
    Py_DECREF(result);
    return true;
}

bool PythonMan::CallFunctionBool(const char* functionName, IfMissing ifMissing) {
    if (!MayCall(functionName)) return false;
    RunningScript running;
    PyObject* result = CallForResult(functionName, ifMissing);
    if (!result) {
        ReportRaisedInOneLine(functionName);
        return false;
    }
    bool truth = ResultAsBool(result);
    Py_DECREF(result);
    // Nothing may stay pending into the next call into the interpreter.
    if (PyErr_Occurred()) PyErr_Clear();
    return truth;
}

bool PythonMan::InitGame() {
    if (mainDict && !HasCallable("initgame"))
        WriteError("Error: Python module \"%s\" has no function \"initgame\": the game is not set up.\n",
                   kMainModuleName);
    return CallFunction("initgame");
}

bool PythonMan::LoadLevel() {
    const std::string level = LevelModuleName();
    if (!level.empty() && !HasCallable("loadlevel"))
        plat::LogErrorOnce("Error: Python module \"" + level + "\" has no function \"loadlevel\": the level is not built.\n");
    return CallFunction("loadlevel");
}

std::string PythonMan::LevelModuleName() const {
    PyObject* name = secondaryDict ? PyDict_GetItemString(secondaryDict, "__name__") : nullptr;  // borrowed
    const char* text = name && PyUnicode_Check(name) ? PyUnicode_AsUTF8(name) : nullptr;
    if (!text) PyErr_Clear();
    return text ? text : "";
}

void PythonMan::SayMissing(const char* functionName) const {
    if (!mainDict) return;  // the failed import was said
    std::string line = std::string("Error: No Python function \"") + functionName + "\" in module \"" + kMainModuleName + "\"";
    const std::string level = LevelModuleName();
    if (!level.empty()) line += " nor in level module \"" + level + "\"";
    plat::LogErrorOnce(line + ".\n");
}

void PythonMan::LoadSecondaryModule() {
    if (!hasNextModule || !Py_IsInitialized()) return;
    // A copy: the import may run a script that sets another name.
    std::string moduleName = nextModuleName;
    // Said at every level change: what the game is doing, not an error.
    plat::LogNote("Loading secondary module: " + moduleName + "\n");
    secondaryDict = nullptr;
    Py_XDECREF(secondaryModule);
    secondaryModule = ImportModule(moduleName.c_str());
    if (!secondaryModule) return;
    secondaryDict = PyModule_GetDict(secondaryModule);
    if (!secondaryDict) WriteError("Error: Failed to get dictionary for module \"%s\".\n", moduleName.c_str());
}

void PythonMan::SetNextModuleName(const char* moduleName) {
    if (!moduleName) return;
    nextModuleName = moduleName;
    hasNextModule = true;
}

void PythonMan::SetInt(std::uint8_t slot, std::int32_t value) {
    if (dataBank) std::memcpy(&dataBank[slot], &value, sizeof value);
}

void PythonMan::SetFloat(std::uint8_t slot, float value) {
    if (dataBank) std::memcpy(&dataBank[slot], &value, sizeof value);
}

std::int32_t PythonMan::GetInt(std::uint8_t slot) const {
    std::int32_t value = 0;
    if (dataBank) std::memcpy(&value, &dataBank[slot], sizeof value);
    return value;
}

float PythonMan::GetFloat(std::uint8_t slot) const {
    float value = 0.0f;
    if (dataBank) std::memcpy(&value, &dataBank[slot], sizeof value);
    return value;
}
