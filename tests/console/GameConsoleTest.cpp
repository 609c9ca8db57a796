// The console in the running game with the start script it ships with.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/ConsoleFixture.h"
#include "editor/AnimationEditor.h"
#include "editor/Editor.h"

namespace {

std::filesystem::path ShippedScript() { return ScopedTempDir::RepositoryRoot() / "OnStartScript.txt"; }

bool IsNearWhite(D3DCOLOR c) { return (c >> 16 & 0xFF) > 0xE0 && (c >> 8 & 0xFF) > 0xE0 && (c & 0xFF) > 0xE0; }

class GameConsoleTest : public ConsoleFixture {
protected:
    void SetUp() override {
        std::filesystem::copy_file(ShippedScript(), dir.Path() / "OnStartScript.txt");
        Start(640, 480, 640, 480);
    }
    // Holds a key down for a few frames, as a person presses it.
    void Press(SDL_Scancode key) {
        PushKey(key, true);
        for (int i = 0; i < 4; ++i) Frame();
        PushKey(key, false);
        Frame();
    }
    std::vector<D3DCOLOR> Screen(const char* fileName) {
        std::vector<D3DCOLOR> pixels;
        EXPECT_FALSE(Screenshot("console", fileName, &pixels).empty());
        return pixels;
    }
    // Near-white pixels (the console's text, fading a little) in rows
    // [top, bottom).
    static int WhiteIn(const std::vector<D3DCOLOR>& pixels, int top, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 640; ++x)
                if (IsNearWhite(pixels[std::size_t(y) * 640 + x])) ++count;
        return count;
    }
};

TEST_F(GameConsoleTest, TildeOpensTheConsoleEchoPrintsAndEscapeQuits) {
    EXPECT_EQ(app.Children().back(), console) << "the console runs last in the frame";
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(Frame());
    EXPECT_EQ(WhiteIn(Screen("closed.png"), 458, 480), 0);

    Press(SDL_SCANCODE_GRAVE);
    ASSERT_TRUE(console->IsOpen());
    Type("Echo hello");
    Press(SDL_SCANCODE_RETURN);
    EXPECT_EQ(Printed(), "ECHO:  hello");
    EXPECT_EQ(Line(2)->GetText(), "CONSOLE: Echo hello");
    const std::vector<D3DCOLOR> open = Screen("open.png");
    EXPECT_GT(WhiteIn(open, 458, 480), 20) << "the input line's prompt";
    EXPECT_GT(WhiteIn(open, 414, 436), 20) << "the typed line above the echo";

    Press(SDL_SCANCODE_ESCAPE);
    EXPECT_TRUE(app.IsInitialized()) << "Escape is the console's while it is open";
    Press(SDL_SCANCODE_GRAVE);
    ASSERT_FALSE(console->IsOpen());
    EXPECT_EQ(input->GetStream(), 0);

    PushKey(SDL_SCANCODE_ESCAPE, true);
    bool running = true;
    for (int i = 0; i < 3 && running; ++i) running = Frame();
    EXPECT_FALSE(running);
    EXPECT_FALSE(app.IsInitialized());
    EXPECT_TRUE(app.ErrorText().empty()) << "an ordinary end: the game exits with 0";
}

// One press of F9 or F10, however long, toggles its editor's mode once:
// the toggle moves the keyboard to the editors' stream, where the key, still
// down, triggers again and is bound too.
TEST_F(GameConsoleTest, HeldF9OrF10TogglesItsModeOncePerPress) {
    auto* editor = eTable::Find<Editor>(names::Editor);
    auto* animator = eTable::Find<AnimationEditor>(names::AnimationEditor);
    auto modesOverAHold = [&](SDL_Scancode key, auto mode) {
        std::string modes;
        PushKey(key, true);
        for (int i = 0; i < 8; ++i) {
            Frame();
            modes += mode() ? '1' : '0';
        }
        PushKey(key, false);
        Frame();
        Frame();
        return modes;
    };
    auto editMode = [&] { return editor->EditMode() != 0; };
    auto animationMode = [&] { return animator->AnimationMode() != 0; };
    EXPECT_EQ(modesOverAHold(SDL_SCANCODE_F9, editMode), "01111111");
    EXPECT_EQ(modesOverAHold(SDL_SCANCODE_F9, editMode), "10000000");
    EXPECT_EQ(input->GetStream(), 0);

    EXPECT_EQ(modesOverAHold(SDL_SCANCODE_F10, animationMode), "01111111");
    EditChar* character = animator->GetEditChar();
    ASSERT_NE(character, nullptr);
    PushKey(SDL_SCANCODE_F10, true);
    Frame();
    EXPECT_EQ(animator->GetEditChar(), character) << "the poll only sees the press";
    for (int i = 0; i < 7; ++i) Frame();
    PushKey(SDL_SCANCODE_F10, false);
    Frame();
    EXPECT_FALSE(animator->AnimationMode());
    EXPECT_EQ(input->GetStream(), 0);
}

// Keys that reach the poll with the console key, after it, are the
// console's first keys: a quick "~quit" and Return runs "quit".
TEST_F(GameConsoleTest, KeysTypedInThePollThatOpensTheConsoleGoIntoItsLine) {
    PushTyped("q");  // before the console key: the game's
    PushPress(SDL_SCANCODE_GRAVE);
    PushTyped("Echo An");
    Frame();
    Frame();
    ASSERT_TRUE(console->IsOpen());
    EXPECT_EQ(console->InputLine(), "Echo An");
    PushTyped("imate");
    PushPress(SDL_SCANCODE_RETURN);
    Frame();
    EXPECT_EQ(Printed(), "ECHO:  Animate");

    Press(SDL_SCANCODE_GRAVE);
    ASSERT_FALSE(console->IsOpen());
    PushPress(SDL_SCANCODE_GRAVE);
    PushTyped("quit");
    PushPress(SDL_SCANCODE_RETURN);
    bool running = true;
    for (int i = 0; i < 3 && running; ++i) running = Frame();
    EXPECT_FALSE(running);
    EXPECT_TRUE(app.ErrorText().empty());
}

// Every line of the shipped script is short, has no Windows line end, and
// binds without an error.
TEST_F(GameConsoleTest, EveryLineOfTheShippedScriptBinds) {
    std::ifstream in(ShippedScript(), std::ios::binary);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        ++count;
        EXPECT_LT(line.size(), 64u) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
        console->Execute(line, false);
        EXPECT_EQ(PrintedColour(), Console::kGreen) << line << ": " << Printed();
        EXPECT_EQ(Printed().rfind("Bound ", 0), 0u) << line;
    }
    EXPECT_GT(count, 20);
    const Binding* toggle = bindings->TriggeredBinding(plat::DIK_GRAVE, 1);
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->stream, -1);
    EXPECT_EQ(toggle->command, kToggleConsole);
    EXPECT_EQ(bindings->TriggeredBinding(plat::DIK_ESCAPE, 0)->command, kQuit);
    EXPECT_EQ(bindings->TriggeredBinding(plat::DIK_ESCAPE, 2), nullptr);
    EXPECT_EQ(bindings->HeldBinding(plat::DIK_W, 1)->command, kControls);
}

}  // namespace
