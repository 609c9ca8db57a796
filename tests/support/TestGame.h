#pragma once
// The whole application on the game's hidden window, in a scratch working
// directory with the game's shipped files laid out, with message boxes
// recorded and the millisecond clock in the test's hands. Construct,
// prepare what the start needs (files, script folder), then Start; the
// application is shut down and the clock given back at the end.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Video/Effects/Effect.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/ErrorLog.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Clock.h"
#include "support/GameWindow.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

class TestGame {
public:
    TestGame() { LayOutGameFiles(dir.Path()); }
    ~TestGame() {
        app.Shutdown();
        plat::SetClockSource(nullptr);
    }
    TestGame(const TestGame&) = delete;
    TestGame& operator=(const TestGame&) = delete;

    // Windowed settings of a hardware device, the back buffer as large as the
    // window unless given.
    static WindowedSettings Windowed(int width, int height, const char* clearColor, int backBufferWidth = 0,
                                     int backBufferHeight = 0) {
        return {.width = width,
                .height = height,
                .backBufferWidth = backBufferWidth ? backBufferWidth : width,
                .backBufferHeight = backBufferHeight ? backBufferHeight : height,
                .behavior = "HARDWARE",
                .clearColor = clearColor};
    }

    // Writes the settings and starts the application. msPerClockRead: how
    // far the clock moves at every read; 0 leaves it to the test to move now.
    bool Start(const WindowedSettings& settings, std::uint32_t msPerClockRead = 0) {
        WriteWindowedSettings(settings);
        return StartApplication(msPerClockRead);
    }
    // Starts as a player's first start does: no settings file, so the game
    // writes its full-screen defaults for the desktop.
    bool StartWithDefaultSettings() {
        std::error_code ignored;
        std::filesystem::remove("settings.txt", ignored);
        return StartApplication(0);
    }

private:
    bool StartApplication(std::uint32_t msPerClockRead) {
        // A fresh error stream, as the game's start empties err.txt: what an
        // earlier game of the process wrote is neither a repeat nor counted.
        plat::ResetErrorLog();
        plat::SetClockSource([this, msPerClockRead] { return now += msPerClockRead; });
        DIva::ResetStartedFlagForTests();
        WindowPair pair{window.Handle(), nullptr};
        return window.Handle() && app.Init(&pair);
    }

public:

    // The back buffer, top row first.
    std::vector<D3DCOLOR> BackBuffer(UINT* width = nullptr, UINT* height = nullptr) const {
        std::vector<D3DCOLOR> pixels;
        UINT w = 0, h = 0;
        eTable::Find<Video>(names::Video)->Device()->ReadBackBuffer(&pixels, &w, &h);
        if (width) *width = w;
        if (height) *height = h;
        return pixels;
    }
    // Saves the back buffer as a PNG in the test output's subfolder, and
    // hands its pixels to pixels when given; the file written, empty when
    // writing failed.
    std::filesystem::path Screenshot(const std::string& subfolder, const std::string& name,
                                     std::vector<D3DCOLOR>* pixels = nullptr) const {
        UINT width = 0;
        std::vector<D3DCOLOR> shot = BackBuffer(&width);
        const std::filesystem::path written = SaveScreenshot(shot, width, subfolder, name);
        if (pixels) *pixels = std::move(shot);
        return written;
    }

    // What the game draws without, silently: a texture file that fell back to
    // the fallback picture, and an effect in use that binds the noise or
    // Fresnel lookup but generated none (its source was not found). Empty
    // when nothing is missing.
    static std::vector<std::string> MissingTextures() {
        std::vector<std::string> missing;
        for (const TextureRecord& record : eTable::Find<TextureMan>(names::TextureMan)->Records())
            if (record.name == TextureMan::kFallbackName) missing.push_back("a texture file fell back to " + record.name);
        const MaterialMan* materials = eTable::Find<MaterialMan>(names::MaterialMan);
        for (std::int32_t kind = 0; kind < MaterialMan::kKindCount; ++kind) {
            const Material* material = materials->Slot(kind).material;
            const Effect* effect = material ? material->effect : nullptr;
            if (!effect || !effect->IsLoaded()) continue;
            const bool bindsLookup = effect->handles[sem::LookupTexture0] || effect->handles[sem::LookupTexture1];
            if (bindsLookup && effect->procTextures.empty())
                missing.push_back("material kind " + std::to_string(kind) + " has no lookup textures");
        }
        return missing;
    }

    ScopedTempDir dir;
    MessageBoxRecorder boxes;
    GameWindow window;
    std::uint32_t now = 1000;
    DIva app;
};
