#include "core/DIva.h"

#include <filesystem>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "console/Console.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "editor/AnimationEditor.h"
#include "editor/Editor.h"
#include "Video/Video.h"
#include "input/Input.h"
#include "platform/common/Files.h"
#include "platform/common/NowRunning.h"
#include "platform/window/EndSignals.h"
#include "ui/Cursor.h"
#include "world/GameLogic.h"

namespace {
// At most one application object is ever initialised per process.
bool started = false;

// The error text as the application keeps and shows it.
std::string CutToErrorLength(const char* text) {
    std::string cut = text ? text : "";
    if (cut.size() > DIva::kMaxErrorLength) cut.resize(DIva::kMaxErrorLength);
    return cut;
}

// The folders the game saves into: its own (settings.txt) and the editor's
// characters, surfaces and animations.
std::vector<std::string> SaveFolders(const std::string& root) {
    const std::filesystem::path assets = std::filesystem::path(root) / "Assets";
    std::vector<std::string> folders{root, (assets / "Characters").string(), (assets / "Surfaces").string()};
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(assets / "Animations", ec))
        if (entry.is_directory(ec)) folders.push_back(entry.path().string());
    return folders;
}
}  // namespace

DIva::~DIva() {
    if (initialized) Shutdown();
}

bool DIva::Init(void* a, void*) {
    if (initialized || started || !a) return false;
    name = names::DIva;
    if (!eTable::Register(name, this)) return false;

    error.clear();
    quit = false;
    pair = *static_cast<WindowPair*>(a);
    std::error_code ec;
    currentDirectory = std::filesystem::current_path(ec).string();
    // A save that a kill stopped half way is finished before anything reads
    // its files.
    plat::FinishInterruptedSaves(SaveFolders(currentDirectory));

    // The children in their fixed order. Creation goes on after a failed
    // child: the ones after it skip work that needs what is missing.
    CreateVideo();
    CreateInput();
    CreateAudio();
    Timer* timer = CreateTimer();
    CreateCursor();
    CreateGameLogic();
    // The editors find the camera, its controller, the physics and the
    // cursor made before them; the console's start script may bind their
    // toggles.
    CreateEditors();
    // The console runs its start script as it is made, after the game
    // scripts' "initgame"; it starts closed.
    CreateConsole()->Shutdown();

    if (!error.empty()) {
        // The system that failed has shown the text already: once is enough.
        // Shutdown needs the initialized flag to do its work.
        initialized = true;
        Shutdown();
        return false;
    }
    started = true;
    // So that the first frame does not measure the start-up time.
    timer->Update();
    initialized = true;
    return true;
}

Video* DIva::CreateVideo() { return CreateChild<Video>(); }

Input* DIva::CreateInput() { return CreateChild<Input>(&pair); }

// The sound library's 3D distances are in the game's units, a hundred to a
// metre, and sounds fade slowly with distance.
Audio* DIva::CreateAudio() {
    AudioParams params;
    params.distanceFactor = 100.0f;
    params.rolloffFactor = 0.01f;
    return CreateChild<Audio>(&params);
}

Timer* DIva::CreateTimer() { return CreateChild<Timer>(); }

Cursor* DIva::CreateCursor() { return CreateChild<Cursor>(); }

GameLogic* DIva::CreateGameLogic() { return CreateChild<GameLogic>(); }

Console* DIva::CreateConsole() { return CreateChild<Console>(); }

void DIva::CreateEditors() {
    CreateChild<Editor>();
    CreateChild<AnimationEditor>();
}

bool DIva::Update() {
    if (!error.empty()) {
        Shutdown();
        return false;
    }
    if (!initialized || !active) return false;
    UpdateChildren();
    if (quit) {
        Shutdown();
        return false;
    }
    return true;
}

bool DIva::Shutdown() {
    if (!initialized) return false;
    // From here the game's end has a deadline, and what holds it is named.
    plat::GameEndBegins();
    const plat::NowRunning running("shutting the game down");
    quit = true;
    DestroyChildren();
    eTable::RemoveName(names::DIva);
    initialized = false;
    return true;
}

void DIva::SetErrorText(const char* text) { error = CutToErrorLength(text); }

void DIva::FatalError(const char* text) {
    SetErrorText(text);
    plat::MessageBoxA(nullptr, error.c_str(), nullptr, plat::MB_OK);
}

void DIva::ResetStartedFlagForTests() { started = false; }

DIva* GetDIva() { return static_cast<DIva*>(eTable::Peek(names::DIva)); }

void ReportFatalError(const char* text) {
    if (DIva* app = GetDIva()) {
        app->FatalError(text);
        return;
    }
    plat::MessageBoxA(nullptr, CutToErrorLength(text).c_str(), nullptr, plat::MB_OK);
}

std::string AssetRoot() {
    if (DIva* app = GetDIva()) return app->CurrentDirectory();
    std::error_code ec;
    return std::filesystem::current_path(ec).string();
}

std::string GamePath(const std::string& name) {
    // A backslash may lead a name written on Windows: the platform makes it '/'.
    if (name.empty() || name.front() == '/' || name.front() == '\\') return name;
    return AssetRoot() + "/" + name;
}
