#pragma once
// The whole game as the entry point runs it, for the targets that drive it
// frame by frame: a folder of its own with the scripts and small windowed
// settings (the target adds what else it needs before the game starts), a
// window on SDL's offscreen driver, a clock the target's frames advance, and
// the application. A game that ends is started again; a target may count a
// fatal error as a finding.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "FuzzFolder.h"
#include "core/DIva.h"
#include "core/WinMain.h"
#include "platform/window/Clock.h"
#include "platform/window/Window.h"

struct WholeGame {
    // `prepare` fills the folder before the game first starts in it.
    WholeGame(const std::string& name, bool fatalIsFinding, const std::function<void(const FuzzFolder&)>& prepare)
        : folder(name), fatalIsFinding(fatalIsFinding) {
        plat::SetMessageBoxSink([](const std::string&, const std::string&) {});
        ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
        ::setenv("ALSOFT_DRIVERS", "null", 0);
        folder.CopyFromRepository("Scripts");
        folder.WriteSettings();
        prepare(folder);
        plat::SetClockSource([this] { return now; });
        FuzzFolder::Inside inside(folder);
        if (!plat::RegisterClassA("MyWndClass", WndProc)) std::abort();
        window = plat::CreateWindowExA("MyWndClass", "Tollymop");
        if (!window) std::abort();
        Start();
    }
    void Start() {
        DIva::ResetStartedFlagForTests();
        WindowPair pair{window, nullptr};
        if (!app.Init(&pair)) std::abort();
    }
    // One frame as the entry point runs it.
    void Frame() {
        now += 16;
        plat::MSG msg;
        if (plat::PeekMessageA(&msg, window)) plat::DispatchMessageA(&msg);
        CheckNoFatalError();
        if (!app.Update()) {
            CheckNoFatalError();
            app.Shutdown();
            Start();
        }
    }

    FuzzFolder folder;
    plat::HWND window = nullptr;
    std::uint32_t now = 1000;
    DIva app;

private:
    void CheckNoFatalError() const {
        if (fatalIsFinding && !app.ErrorText().empty()) std::abort();
    }
    bool fatalIsFinding;
};
