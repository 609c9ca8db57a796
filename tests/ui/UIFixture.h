#pragma once
// The user interface's surroundings on a hidden window: the whole video
// system ("Main Scene", "TextMan", the quad batcher), "Input" on the same
// window, "Timer" on an injected clock and "Cursor", with helpers that push
// mouse events the way SDL delivers them and run one frame in the game's
// order (video, input, timer, cursor).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Video/ObjectLine.h"
#include "Video/TextureMan.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "core/Timer.h"
#include "input/Input.h"
#include "platform/window/Clock.h"
#include "platform/window/Window.h"
#include "support/SdlEvents.h"
#include "support/TestVideo.h"
#include "ui/Cursor.h"

class UIFixture : public ::testing::Test {
protected:
    explicit UIFixture(int width = 160, int height = 120) : video(width, height) {}

    void SetUp() override {
        ASSERT_TRUE(video.ok());
        plat::SetClockSource([this] { return now; });
        pair.window = plat::MainWindow();
        ASSERT_TRUE(input.Init(&pair, nullptr));
        ASSERT_TRUE(timer.Init());
        ASSERT_TRUE(cursor.Init());
    }
    void TearDown() override {
        cursor.Shutdown();
        timer.Shutdown();
        input.Shutdown();
        plat::SetClockSource(nullptr);
    }

    void PushMotion(int dx, int dy) { push::Motion(plat::MainWindow(), dx, dy); }
    void PushWheel(int notches) { push::Wheel(plat::MainWindow(), notches); }
    // SDL's buttons: 1 left, 2 middle, 3 right.
    void PushButton(Uint8 button, bool down) { push::Button(plat::MainWindow(), button, down); }

    // One frame of the systems before the game logic, ms after the last.
    void Frame(std::uint32_t ms = 16) {
        video.video.Update();
        plat::PumpEvents();
        input.Update();
        now += ms;
        timer.Update();
        cursor.Update();
    }
    // Puts the pointer on a pixel (it starts at the top-left corner).
    void MoveTo(int px, int py) {
        PushMotion(px - int(cursor.position.x), py - int(cursor.position.y));
        Frame();
    }

    // The file name of the texture in a sprite's slot 0 ("" for none).
    static std::string TextureOf(ObjectScreenQuad* quad) {
        auto* textures = static_cast<TextureMan*>(eTable::Peek(names::TextureMan));
        if (!quad || !textures || !quad->TextureSlots()) return "";
        const TextureRecord* record = textures->FindRecordByTexture(quad->TextureSlots()->First());
        return record ? record->name : "";
    }

    // The item of a sprite (its top-left corner and size).
    static ScreenQuadItem ItemOf(ObjectScreenQuad* quad) {
        return quad && quad->ItemCount() > 0 ? quad->Items()[0] : ScreenQuadItem{};
    }

    TestVideo video;
    WindowPair pair;
    Input input;
    Timer timer;
    Cursor cursor;
    std::uint32_t now = 1000;
};
