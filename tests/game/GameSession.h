#pragma once
// The whole game as a player meets it: the shipped scripts, data and key
// bindings in a scratch working directory, on a clock the test drives. The
// test talks to it only as a person would, through pushed mouse and key
// events; it may read the engine's state to choose its moves.
#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/window/Window.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "support/SdlEvents.h"
#include "support/TestGame.h"
#include "ui/Cursor.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

// What the scripts keep in the data bank (Scripts/zop.py).
inline constexpr std::uint8_t kLoadingSlot = 200;
inline constexpr std::uint8_t kInMenuSlot = 201;
inline constexpr std::uint8_t kReachedSlot = 202;
inline constexpr std::uint32_t kPlayer = 1000;

class GameSession : public TestGame {
public:
    // scripts: the folder of script modules (the shipped ones by default).
    // A back buffer of another size than the window's when given.
    explicit GameSession(std::filesystem::path scripts = ScopedTempDir::RepositoryRoot() / "Scripts",
                         int width = 640, int height = 480, int backBufferWidth = 0, int backBufferHeight = 0) {
        LayOutScripts(scripts);
        started = Start(Windowed(width, height, "0 0 0", backBufferWidth, backBufferHeight));
    }
    // The shipped scripts on the game's own full-screen defaults.
    struct DefaultSettings {};
    explicit GameSession(DefaultSettings) {
        LayOutScripts(ScopedTempDir::RepositoryRoot() / "Scripts");
        started = StartWithDefaultSettings();
    }

    bool ok() const { return started; }
    // False once the game has shut down (a quit).
    bool Running() const { return app.IsInitialized(); }

    // One frame as the entry point runs it: the window's messages, then the
    // application's update, ms after the last frame.
    void Frame(std::uint32_t ms = 16) {
        plat::MSG msg;
        if (plat::PeekMessageA(&msg, window.Handle())) plat::DispatchMessageA(&msg);
        now += ms;
        if (app.IsInitialized()) app.Update();
    }
    // A frame in which every message waiting is handled (as when events
    // piled up during a slow frame), then the application's update.
    void FrameWithAllMessages(std::uint32_t ms = 16) {
        plat::MSG msg;
        while (plat::PeekMessageA(&msg, window.Handle())) plat::DispatchMessageA(&msg);
        now += ms;
        if (app.IsInitialized()) app.Update();
    }
    void Frames(int count, std::uint32_t ms = 16) {
        for (int i = 0; i < count && Running(); ++i) Frame(ms);
    }
    // Past the start-up splash, until the menu is built (false when it
    // never is).
    bool ToTheMenu() {
        for (int i = 0; i < 600 && Running(); ++i) {
            if (BankInt(kInMenuSlot) == 1) return true;
            Frame();
        }
        return false;
    }

    // --- Input, as SDL delivers it -------------------------------------
    void PushButton(Uint8 sdlButton, bool down) { push::Button(window.Handle(), sdlButton, down); }
    void PushMotion(int dx, int dy) { push::Motion(window.Handle(), dx, dy); }
    void PushKey(SDL_Scancode key, bool down) { push::Key(window.Handle(), key, down); }
    void TapKey(SDL_Scancode key) {
        PushKey(key, true);
        Frames(2);
        PushKey(key, false);
        Frames(2);
    }
    // Moves the pointer over a point of the screen (-1..1, y upward) in a
    // few steps of mouse motion, as a hand would.
    void PointAt(float x, float y) {
        for (int step = 0; step < 20; ++step) {
            const Cursor* cursor = eTable::Find<Cursor>(names::Cursor);
            const auto [px, py] = PixelOf(x, y);
            const int dx = px - int(cursor->position.x), dy = py - int(cursor->position.y);
            if (dx == 0 && dy == 0) return;
            PushMotion(dx, dy);
            Frame();
        }
    }
    void Click() {
        PushButton(SDL_BUTTON_LEFT, true);
        Frames(3);
        PushButton(SDL_BUTTON_LEFT, false);
        Frames(3);
    }

    // --- What the test may read ----------------------------------------
    GameObject* Object(std::uint32_t id) const {
        auto* objects = static_cast<GameObjectsMan*>(eTable::Peek(names::GameObjectsMan));
        return objects ? objects->GetObjectById(id) : nullptr;
    }
    // The body position of an object (its point 0).
    bool PositionOf(std::uint32_t id, D3DXVECTOR3* out) const {
        GameObject* object = Object(id);
        if (!object || !object->body || object->body->points.empty()) return false;
        *out = object->body->points[0].position;
        return true;
    }
    int Score() const { return eTable::Find<HUD>(names::HUD)->score; }
    int BankInt(std::uint8_t slot) const { return eTable::Find<PythonMan>(names::PythonMan)->GetInt(slot); }
    std::string Screenshot(const std::string& name) { return TestGame::Screenshot("game", name).string(); }

private:
    void LayOutScripts(const std::filesystem::path& scripts) {
        std::error_code ec;
        std::filesystem::create_directory_symlink(scripts, dir.Path() / "Scripts", ec);
        const auto bindings = ScopedTempDir::RepositoryRoot() / "OnStartScript.txt";
        if (std::filesystem::exists(bindings))
            std::filesystem::copy_file(bindings, dir.Path() / "OnStartScript.txt", ec);
    }
    std::pair<int, int> PixelOf(float x, float y) const {
        const D3DVIEWPORT9& view = eTable::Find<Cursor>(names::Cursor)->viewport;
        return {int((x + 1.0f) * 0.5f * float(view.Width)), int((1.0f - y) * 0.5f * float(view.Height))};
    }
    bool started = false;
};


// The level the game is in: the module named by the last level change.
inline std::string CurrentLevel() {
    const std::string* name = eTable::Find<PythonMan>(names::PythonMan)->NextModuleName();
    return name ? *name : "";
}

// Whether any user-interface text shows the words.
inline bool Shows(const std::string& words) {
    auto* logic = eTable::Find<GameLogic>(names::GameLogic);
    for (std::uint32_t id = 0; System* object = logic->GetUIObject(id); ++id) {
        if (object->Name() != names::HUDText) continue;
        if (static_cast<HUDText*>(object)->Text() == words) return true;
    }
    return false;
}

// A level change the way the scripts' win makes one: the module's name, and
// its place in the game's order in the data bank (Scripts/zop.py).
inline void ChangeLevel(GameSession& game, const std::string& module) {
    const char* order[] = {"menu", "level1", "level2", "level3", "victory"};
    for (int i = 0; i < 5; ++i)
        if (module == order[i]) eTable::Find<PythonMan>(names::PythonMan)->SetInt(kLoadingSlot, i + 1);
    eTable::Find<PythonMan>(names::PythonMan)->SetNextModuleName(module.c_str());
    eTable::Find<EventHandler>(names::EventHandler)->RequestLevelChange();
    game.Frame();
}

// Steers the player toward a point with the mouse: motion along the
// direction to it (right is +x, up is away from the camera, +z), leading
// the player's own drift a little; dives as it lands when the point is high.
class Pilot {
public:
    explicit Pilot(GameSession& game) : game(game) {}

    void Toward(const D3DXVECTOR3& target) {
        D3DXVECTOR3 p;
        if (!game.PositionOf(kPlayer, &p)) return;
        const D3DXVECTOR3 v = (p - last) / 0.002f;
        last = p;
        const float ex = target.x - p.x - v.x * 0.01f, ez = target.z - p.z - v.z * 0.01f;
        const float length = std::sqrt(ex * ex + ez * ez);
        if (length > 0.3f) game.PushMotion(int(ex / length * 12.0f), int(-ez / length * 12.0f));
        const bool dive = target.y > 10.0f && v.y < 0.0f && p.y < 3.0f;
        if (dive != diving) game.PushButton(SDL_BUTTON_LEFT, dive);
        diving = dive;
    }
    void Release() {
        if (diving) game.PushButton(SDL_BUTTON_LEFT, false);
        diving = false;
    }

private:
    GameSession& game;
    D3DXVECTOR3 last{0.0f, 0.0f, 0.0f};
    bool diving = false;
};
