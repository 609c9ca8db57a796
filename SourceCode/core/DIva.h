#pragma once
#include <string>

#include "core/System.h"
#include "platform/window/Window.h"

class Audio;
class Console;
class Cursor;
class GameLogic;
class Input;
class Timer;
class Video;

// The window and instance handles, handed to the input system as one pair.
struct WindowPair {
    plat::HWND window = nullptr;
    plat::HINSTANCE instance = nullptr;
};

// The application object: root of the system tree. It owns the window pair,
// the quit flag, the pending fatal-error text and the working directory that
// roots every asset path, and creates, updates and destroys the seven
// top-level systems.
class DIva : public System {
public:
    static constexpr std::size_t kMaxErrorLength = 255;

    DIva() = default;
    ~DIva() override;

    // a points to a WindowPair; b is unused. Refused when already started in
    // this process.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    // Makes the text the pending error (cut to 255 characters) and shows it
    // in a message box. The application keeps running until its next Update.
    void FatalError(const char* text);
    // Sets the pending error without a box.
    void SetErrorText(const char* text);
    const std::string& ErrorText() const { return error; }

    void RequestQuit() { quit = true; }

    plat::HWND WindowHandle() const { return pair.window; }
    // The working directory recorded at Init, without a trailing slash; asset
    // paths ("/Assets/...") are appended to it.
    const std::string& CurrentDirectory() const { return currentDirectory; }

    // Clears the process-wide started flag, for tests that need a second
    // application object in one process. The game never calls it.
    static void ResetStartedFlagForTests();

private:
    Video* CreateVideo();
    Input* CreateInput();
    Audio* CreateAudio();
    Timer* CreateTimer();
    Cursor* CreateCursor();
    GameLogic* CreateGameLogic();
    void CreateEditors();
    Console* CreateConsole();

    WindowPair pair;
    bool quit = false;
    std::string error;
    std::string currentDirectory;
};

// Hands a fatal-error text to the application object, or only shows it when
// there is none (early start-up, tests of a single system).
void ReportFatalError(const char* text);
// The application object when it is registered, else null (never an error).
DIva* GetDIva();
// The working directory recorded by the application object, or the process's
// current directory when there is none.
std::string AssetRoot();
// The file that a name of the game's stands for ("OnStartScript.txt",
// "Assets/Audio/Game/pickup.wav"): a relative name is found in the folder
// recorded at start, whatever folder a script has made current since; an
// absolute name, or an empty one, stays as it is.
std::string GamePath(const std::string& name);
