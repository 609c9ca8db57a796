#pragma once
// The running game in a fresh working directory, whose characters,
// animations and surfaces are copies of the shipped ones alone (the editor
// saves there; an author's saved files are no part of them), with helpers
// that type console lines, push mouse events the way SDL delivers them and
// find where a world point lands on the screen.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Video/Camera.h"
#include "Video/TextMan.h"
#include "console/Console.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/AnimationEditor.h"
#include "editor/EditChar.h"
#include "editor/Editor.h"
#include "platform/window/Window.h"
#include "support/SdlEvents.h"
#include "support/TestGame.h"
#include "ui/Cursor.h"

// Each coordinate of v within tolerance of (x, y, z).
inline void ExpectAt(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

class EditorGame : public ::testing::Test, public TestGame {
protected:
    static constexpr int kWidth = 640, kHeight = 480;

    void SetUp() override {
        // A window as high as a screen, so that console lines stay listed
        // (they vanish above y 404), over a small back buffer.
        ASSERT_TRUE(Start(Windowed(1024, 768, "20 30 60", kWidth, kHeight)));
        // Past the start-up splash, at 100 ms a frame.
        for (int i = 0; i < 60; ++i) Frame(100);
        ASSERT_NE(Anim(), nullptr);
        ASSERT_NE(Edit(), nullptr);
    }
    bool Frame(std::uint32_t ms = 16) {
        plat::PumpEvents();
        now += ms;
        return app.Update();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }

    static AnimationEditor* Anim() { return static_cast<AnimationEditor*>(eTable::Peek(names::AnimationEditor)); }
    static Editor* Edit() { return static_cast<Editor*>(eTable::Peek(names::Editor)); }
    static EditChar* Character() { return Anim() ? Anim()->GetEditChar() : nullptr; }
    static Console* TheConsole() { return static_cast<Console*>(eTable::Peek(names::Console)); }
    static Cursor* TheCursor() { return static_cast<Cursor*>(eTable::Peek(names::Cursor)); }
    static Camera* TheCamera() { return static_cast<Camera*>(eTable::Peek(names::Camera)); }

    // A line typed into the console; the first message it left ("" for
    // none). The lines printed under that one are left in explained.
    std::string Type(const std::string& line) {
        Console* console = TheConsole();
        explained.clear();
        if (!console) return "<no console>";
        console->Execute(line, true);
        // The lines printed since the echo, which starts with the prompt,
        // newest first after the input line.
        std::vector<std::string> printed;
        for (auto it = std::next(console->Lines().begin()); it != console->Lines().end(); ++it) {
            const std::string& text = (*it)->GetText();
            if (text.rfind(Console::kPrompt, 0) == 0) break;
            printed.insert(printed.begin(), text);
        }
        if (printed.empty()) return "";
        explained.assign(printed.begin() + 1, printed.end());
        return printed.front();
    }
    std::vector<std::string> explained;
    // A save typed: whether it said what it saved.
    bool Saves(const std::string& line) { return Type(line).rfind("Saved ", 0) == 0; }

    void PushMotion(int dx, int dy) { push::Motion(plat::MainWindow(), dx, dy); }
    void PushLeft(bool down) { push::Button(plat::MainWindow(), SDL_BUTTON_LEFT, down); }
    // Moves the pointer onto a pixel and lets a frame see it.
    void MoveTo(float px, float py) {
        Cursor* cursor = TheCursor();
        PushMotion(int(px - cursor->position.x), int(py - cursor->position.y));
        Frame();
    }
    // A left click on a pixel: down for one frame, up for the next.
    void ClickAt(float px, float py) {
        MoveTo(px, py);
        PushLeft(true);
        Frame();
        PushLeft(false);
        Frame();
    }
    // The pointer onto where a world point is drawn, then the left button
    // down (it stays down).
    void PressAt(const D3DXVECTOR3& world) {
        const D3DXVECTOR3 at = ScreenOf(world);
        MoveTo(at.x, at.y);
        PushLeft(true);
        Frame();
    }
    // Where a world point is drawn, in pixels of the viewport.
    static D3DXVECTOR3 ScreenOf(const D3DXVECTOR3& world) {
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &world, TheCamera()->viewProjection);
        return {(clip.x + 1.0f) * 0.5f * float(kWidth), (1.0f - clip.y) * 0.5f * float(kHeight), clip.z};
    }

    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::filesystem::path AssetPath(const std::string& relative) const { return dir.Path() / "Assets" / relative; }
};
