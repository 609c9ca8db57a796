#pragma once
// The whole game as it starts without scripts, in a scratch directory with
// the repository's assets, on a clock the test drives; mouse buttons and
// motion go in as SDL events, as a person's would.
#include <SDL.h>

#include <string>
#include <vector>

#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/window/Window.h"
#include "support/SdlEvents.h"
#include "characters/Player.h"
#include "support/TestGame.h"
#include "world/GameObjectsMan.h"
#include "world/Trampoline.h"

class GameRun : public TestGame {
public:
    GameRun() {
        started = Start(Windowed(320, 240, "0 0 0"));
        objects = static_cast<GameObjectsMan*>(eTable::Peek(names::GameObjectsMan));
    }

    bool ok() const { return started && objects; }

    // One frame of 16 ms as the entry point runs it.
    void Frame() {
        plat::PumpEvents();
        now += 16;
        app.Update();
    }
    void PushButton(Uint8 button, bool down) { push::Button(window.Handle(), button, down); }
    void PushMotion(int dx, int dy) { push::Motion(window.Handle(), dx, dy); }
    void Screenshot(const std::string& name) { saved.push_back(TestGame::Screenshot("world", name).string()); }

    // A player object of the named character, made as the game makes one.
    Player* CreatePlayer(const std::string& character = "Player") {
        ObjectDesc desc;
        desc.kind = kKindPlayer;
        desc.character = character;
        return static_cast<Player*>(objects->CreateObject(&desc));
    }
    // The game's 10 x 10 trampoline with nodes 2 apart.
    Trampoline* CreateSheet() {
        ObjectDesc desc;
        desc.kind = kKindTrampoline;
        desc.columns = desc.rows = 10;
        desc.spacing = 2.0f;
        return static_cast<Trampoline*>(objects->CreateObject(&desc));
    }

    GameObjectsMan* objects = nullptr;
    std::vector<std::string> saved;

private:
    bool started = false;
};
