// Key bindings: made with "Bind", fired by pushed key events through the
// application's frames.
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "console/ConsoleFixture.h"

namespace {

class BindingsTest : public ConsoleFixture {
protected:
    void SetUp() override {
        Start();
        audio = eTable::Find<Audio>(names::Audio);
        console->Execute("MusicVolume 0", false);
    }
    // Holds the key down over frames frames, then lets go.
    void Hold(SDL_Scancode key, int frames) {
        PushKey(key, true);
        for (int i = 0; i < frames; ++i) Frame();
        PushKey(key, false);
        Frame();
        Frame();
    }
    int Music() const { return audio->GetMusicVolume(); }

    Audio* audio = nullptr;
};

TEST_F(BindingsTest, BindStoresTriggeredAndHeldBindingsAndRefusesWhatNamesNothing) {
    EXPECT_EQ(Run({"Bind", "SPACEBAR+", "0", "Quit"}), 0);
    EXPECT_EQ(Printed(), "Bound SPACEBAR key to Quit command on input stream 0!");
    EXPECT_EQ(PrintedColour(), Console::kGreen);
    const Binding* quit = bindings->TriggeredBinding(plat::DIK_SPACE, 0);
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->command, kQuit);
    EXPECT_EQ(bindings->HeldBinding(plat::DIK_SPACE, 0), nullptr);

    EXPECT_EQ(Run({"Bind", "f5", "01", "echo", "a", "b"}), 0);
    EXPECT_EQ(Printed(), "Bound f5 key to echo command on input stream 01!") << "the words as typed";
    const Binding* echo = bindings->HeldBinding(plat::DIK_F5, 1);
    ASSERT_NE(echo, nullptr);
    EXPECT_EQ(echo->args, (std::vector<std::string>{"a", "b"}));

    // A lone "+" is a name (of no key); unknown keys, streams and commands.
    for (std::vector<const char*> bad : {std::vector<const char*>{"Bind", "+", "0", "Quit"},
                                          {"Bind", "NOKEY", "0", "Quit"}, {"Bind", "F6", "3", "Quit"},
                                          {"Bind", "F6", "-2", "Quit"}, {"Bind", "F6", "0", "Jump"}})
        EXPECT_EQ(Run(bad), 2) << bad[1] << " " << bad[2] << " " << bad[3];
    std::vector<const char*> many{"Bind", "F6", "0", "Echo"};
    many.insert(many.end(), 16, "w");
    EXPECT_EQ(Run(many), 0);
    many.push_back("w");
    EXPECT_EQ(Run(many), 2) << "17 parameters";
    EXPECT_EQ(bindings->HeldBinding(plat::DIK_F6, 0)->args.size(), 16u);
}

TEST_F(BindingsTest, AnyStreamBindingFiresOnEachStreamAndALaterOneReplacesOnlyItsCopy) {
    console->Execute("Bind F5+ -1 MusicVolumeInc 1", false);
    console->Execute("Bind F5+ 2 MusicVolumeInc 10", false);
    for (int stream = 0; stream < 3; ++stream) {
        input->SetStream(stream);
        Hold(SDL_SCANCODE_F5, 3);
    }
    EXPECT_EQ(Music(), 1 + 1 + 10);
    EXPECT_EQ(bindings->TriggeredBinding(plat::DIK_F5, 0)->stream, -1);
    EXPECT_EQ(bindings->TriggeredBinding(plat::DIK_F5, 2)->stream, 2);
}

TEST_F(BindingsTest, TriggeredAndHeldOnOneKeyBothFireFirstThenOnlyHeld) {
    console->Execute("Bind F5+ 0 MusicVolumeInc 100", false);
    console->Execute("Bind F5 0 MusicVolumeInc 1", false);
    PushKey(SDL_SCANCODE_F5, true);
    Frame();  // the poll sees the press
    EXPECT_EQ(Music(), 0);
    Frame();
    EXPECT_EQ(Music(), 101);
    Frame();
    Frame();
    EXPECT_EQ(Music(), 103);
}

TEST_F(BindingsTest, APressTakenByAnotherAskerDoesNotFire) {
    console->Execute("Bind F5+ 0 MusicVolumeInc 1", false);
    PushKey(SDL_SCANCODE_F5, true);
    Frame();
    EXPECT_TRUE(input->IsKeyTriggered(plat::DIK_F5, 0));  // as a level's key condition would
    Frame();
    EXPECT_EQ(Music(), 0);
    PushKey(SDL_SCANCODE_F5, false);
    Frame();
    Hold(SDL_SCANCODE_F5, 2);
    EXPECT_EQ(Music(), 1);
}

TEST_F(BindingsTest, OpeningTheConsoleSilencesTheKeysAfterItInTheSamePass) {
    console->Execute("Bind 1+ 0 MusicVolumeInc 1", false);   // key 2, before "~"
    console->Execute("Bind ~+ 0 ToggleConsole", false);       // key 41
    console->Execute("Bind F5+ 0 MusicVolumeInc 10", false);  // key 63, after it
    PushKey(SDL_SCANCODE_1, true);
    PushKey(SDL_SCANCODE_GRAVE, true);
    PushKey(SDL_SCANCODE_F5, true);
    Frame();
    Frame();
    EXPECT_TRUE(console->IsOpen());
    EXPECT_EQ(Music(), 1);
}

TEST_F(BindingsTest, ABindingThatRebindsItsOwnKeyRunsSafelyAndKeepsItsPlus) {
    console->Execute("Bind F6+ 0 Bind F7+ 0 MusicVolumeInc 1", false);
    console->Execute("Bind F5+ 0 Bind F5+ 0 MusicVolumeInc 5", false);
    Hold(SDL_SCANCODE_F6, 2);
    Hold(SDL_SCANCODE_F6, 2);
    EXPECT_EQ(bindings->TriggeredBinding(plat::DIK_F6, 0)->args.front(), "F7+");
    EXPECT_NE(bindings->TriggeredBinding(plat::DIK_F7, 0), nullptr);
    EXPECT_EQ(bindings->HeldBinding(plat::DIK_F7, 0), nullptr);

    Hold(SDL_SCANCODE_F5, 2);  // replaces the binding it runs
    EXPECT_EQ(Printed(), "Bound F5 key to MusicVolumeInc command on input stream 0!");
    EXPECT_EQ(bindings->HeldBinding(plat::DIK_F5, 0), nullptr);
    Hold(SDL_SCANCODE_F5, 2);
    EXPECT_EQ(Music(), 5);
}

TEST_F(BindingsTest, ABindingWithTooManyParametersReportsEachTime) {
    console->Execute("Bind F5+ 0 Quit now", false);
    Hold(SDL_SCANCODE_F5, 2);
    EXPECT_EQ(Line(2)->GetText(), "ERROR: Invalid number of params!");
    EXPECT_EQ(Printed(), "Usage: Quit (no parameters)");
    EXPECT_TRUE(Frame());
}

}  // namespace
