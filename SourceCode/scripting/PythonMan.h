#pragma once
// The host of the embedded Python interpreter ("PythonMan"). It starts the
// interpreter with the engine module ZOPAPI, imports the game's main script
// module "zop", imports one level module at a time, calls script functions by
// name and keeps the data bank: 256 words that scripts, events and conditions
// share, each read as an int or a float as the reader chooses.
#include <cstdint>
#include <memory>
#include <string>

#include "core/System.h"

struct _object;
using PyObject = _object;

class PythonMan : public System {
public:
    static constexpr int kDataBankSize = 256;

    PythonMan() = default;
    ~PythonMan() override;

    // Both arguments are ignored. False only when already initialized or when
    // the name is taken; interpreter and import failures are written to the
    // error stream and the host carries on without them.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // The children, then the script function "everyloop".
    bool Update() override;

    // Whether a call to a function that neither module defines says so: the
    // functions a level names (its conditions' and events') are said once.
    enum class IfMissing { Quiet, SayOnce };

    // Calls the named function of the main module, or failing that of the
    // level module, without arguments. True when a callable was found and it
    // returned without raising. A raised exception is written to the error
    // stream with its traceback and cleared. The end signals break off a
    // running call; after one of them nothing is called any more.
    bool CallFunction(const char* name, IfMissing ifMissing = IfMissing::Quiet);
    // As CallFunction, then the result read as a truth, as a C long would
    // read it: an int or bool is true when not 0, a float when its
    // truncation is not 0, and anything else (None among them) is true. A
    // function that raised is false and leaves one line in the error stream:
    // conditions ask their function every frame.
    bool CallFunctionBool(const char* name, IfMissing ifMissing = IfMissing::Quiet);
    // "initgame"; a main module without it is said in the error stream.
    bool InitGame();
    // "loadlevel"; a level module without it (and a main module without it
    // either) is said once.
    bool LoadLevel();

    // Imports the module named by the last SetNextModuleName as the level
    // module, releasing the previous one first; nothing when no name is set.
    void LoadSecondaryModule();
    void SetNextModuleName(const char* moduleName);
    const std::string* NextModuleName() const { return hasNextModule ? &nextModuleName : nullptr; }

    // The data bank; a slot is a byte, so a script's 256 is slot 0. Reads
    // give 0 and writes do nothing while there is no bank (before Init).
    void SetInt(std::uint8_t slot, std::int32_t value);
    void SetFloat(std::uint8_t slot, float value);
    std::int32_t GetInt(std::uint8_t slot) const;
    float GetFloat(std::uint8_t slot) const;

    bool HasMainModule() const { return mainDict != nullptr; }
    bool HasSecondaryModule() const { return secondaryDict != nullptr; }

    // The folder put first on the module path; by default "Scripts" under the
    // working directory. Tests point it at their own scripts before Init.
    static void SetScriptFolder(const std::string& folder);
    static std::string ScriptFolder();

private:
    bool StartInterpreter();
    void AddScriptFolderToPath();
    // Imports a module by name; null (with the error line written) on failure.
    PyObject* ImportModule(const char* moduleName);
    void SayNotImported(const char* moduleName, const std::string& traceback);
    // The named callable of the main module, or else of the level module (a
    // new reference), or null; a lookup that raised is reported, and says so
    // in `failed`.
    PyObject* FindCallable(const char* functionName, bool* failed = nullptr) const;
    bool HasCallable(const char* functionName) const;
    // Whether a script function may be called now.
    bool MayCall(const char* functionName) const;
    // The function's result (a new reference), or null when there is no such
    // function or it raised (the exception is left pending for the caller to
    // report). The caller marks the call into scripts.
    PyObject* CallForResult(const char* functionName, IfMissing ifMissing);
    void SayMissing(const char* functionName) const;
    // The loaded level module's name; empty when there is none.
    std::string LevelModuleName() const;
    void ReleaseModules();

    PyObject* apiModule = nullptr;
    PyObject* mainModule = nullptr;
    PyObject* mainDict = nullptr;
    PyObject* secondaryModule = nullptr;
    PyObject* secondaryDict = nullptr;
    std::unique_ptr<std::uint32_t[]> dataBank;
    std::string nextModuleName;
    bool hasNextModule = false;
};

// Prints the pending Python exception, with its traceback, to the error
// stream and clears it; nothing when none is pending. A SystemExit raised by a
// script is reported like any other exception instead of ending the game.
void ReportScriptError();
// The same, and the text written (empty when none was pending, or when it
// could not be formatted).
std::string ReportAndFormatScriptError();
