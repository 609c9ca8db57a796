// The console's commands, run the way typed lines and bindings reach them.
#include <algorithm>
#include <string>
#include <vector>

#include "Video/Camera.h"
#include "Video/Video.h"
#include "ai/AI_Camera.h"
#include "audio/Audio.h"
#include "console/ConsoleFixture.h"
#include "world/GameLogic.h"

namespace {

constexpr const char* kParamCountError = "ERROR: Invalid number of params!";
constexpr const char* kParamError = "ERROR: Invalid parameter!";
constexpr const char* kRangeError = "ERROR: Invalid parameter range!";

TEST_F(ConsoleFixture, EveryCommandRefusesAWrongNumberOfParameters) {
    Start();
    const struct {
        const char* command;
        int params;
    } wrong[] = {
        {"Help", 2},           {"Bind", 2},           {"Echo", 0},          {"ToggleFPS", 1},
        {"ToggleFullScreen", 1}, {"ToggleConsole", 1}, {"Controls", 0},      {"Controls", 2},
        {"Quit", 1},           {"SFXVolume", 0},      {"SFXVolume", 2},     {"MusicVolume", 2},
        {"MusicVolumeInc", 0}, {"LoadModel", 1},      {"LoadModel", 4},     {"FreeCamera", 1},
        {"FirstCamera", 1},    {"CameraControlToggle", 1}, {"EditModeToggle", 1}, {"AddObject", 1},
        {"DeleteObject", 1},   {"AnimationModeToggle", 1}, {"AddLimb", 1},   {"AddPoint", 1},
        {"SaveCharacter", 0},  {"LoadCharacter", 2},  {"SetEyes", 1},       {"SetBody", 1},
        {"SetSurface", 10},    {"SetSurface", 12},    {"SetMaterial", 2},   {"SetSilo", 1},
        {"SetSiloWidth", 0},   {"CreateAnimation", 2}, {"LoadAnimation", 1}, {"LoadAnimationSet", 0},
        {"SetAnimation", 2},   {"SaveAnimation", 0},  {"SaveAnimationSet", 2}, {"AddFrame", 0},
        {"RemoveFrame", 2},    {"AnimationLength", 0}, {"AnimationLoop", 2}, {"Animate", 1},
        {"ToggleNodes", 1},
    };
    const std::uint32_t camera = eTable::Find<AI_Camera>(names::AI_Camera)->GetMode();
    const bool windowed = eTable::Find<Video>(names::Video)->Settings().present.Windowed;
    for (const auto& c : wrong) {
        std::vector<const char*> words{c.command};
        words.insert(words.end(), static_cast<std::size_t>(c.params), "1");
        EXPECT_EQ(Run(words), 1) << c.command << " with " << c.params;
        EXPECT_EQ(Line(2)->GetText(), kParamCountError) << c.command;
        EXPECT_EQ(Line(2)->colour | 0xFF000000, Console::kRed);
        EXPECT_EQ(Printed().rfind(std::string("Usage: ") + c.command, 0), 0u) << Printed();
    }
    EXPECT_EQ(Run({"LoadModel", "a", "b", "c"}), 0);
    // Nothing was done by the refused ones.
    EXPECT_FALSE(console->IsOpen());
    EXPECT_EQ(eTable::Find<AI_Camera>(names::AI_Camera)->GetMode(), camera);
    EXPECT_EQ(eTable::Find<Video>(names::Video)->Settings().present.Windowed, windowed);
    EXPECT_TRUE(Frame()) << "a refused Quit quits nothing";
}

TEST_F(ConsoleFixture, HelpListsEveryCommandAndShowsOneCommandsText) {
    Start();
    EXPECT_EQ(Run({"Help"}), 0);
    EXPECT_EQ(Printed(),
              "COMMANDS:  AddFrame AddObject AddLimb AddPoint Animate AnimationLength AnimationLoop "
              "AnimationModeToggle Bind CameraControlToggle Controls CreateAnimation DeleteObject Echo "
              "EditModeToggle FirstCamera FreeCamera Help LoadAnimation LoadAnimationSet LoadCharacter "
              "LoadModel MusicVolume MusicVolumeInc RemoveFrame SaveCharacter SaveAnimation SaveAnimationSet "
              "SetAnimation SetBody SetEyes SetMaterial SetSilo SetSiloWidth SetSurface SFXVolume ToggleConsole "
              "ToggleFPS ToggleFullScreen ToggleNodes Quit");
    EXPECT_EQ(PrintedColour(), Console::kGreen);
    EXPECT_EQ(Line(1)->wordBreak, 1);
    EXPECT_GT(Line(1)->rect.bottom - Line(1)->rect.top, 22) << "the listing wraps over several lines";
    EXPECT_EQ(Line(0)->rect.top, Line(1)->rect.bottom) << "the input line stays below it";

    EXPECT_EQ(Run({"Help", "bind"}), 0);
    EXPECT_EQ(Printed(),
              "Binds a keyboard key to a command. Add a '+' to key names for triggered.\n"
              "\"name of key to bind\" \"input stream [-1=any]\" \"command\" (params...)");
    EXPECT_EQ(PrintedColour(), Console::kYellow);
    // Its own text counts 13 values; the usage line says the 11 it takes.
    EXPECT_EQ(Run({"Help", "SetSurface"}), 0);
    EXPECT_NE(Printed().find("\nUsage: SetSurface r g b r g b power m n str limbs (11 numbers"), std::string::npos);

    EXPECT_EQ(Run({"Help", "Quit"}), 2) << "no help text";
    EXPECT_EQ(Line(2)->GetText(), kParamError);
    EXPECT_EQ(Printed(), "Quit has no help text.");
    EXPECT_EQ(Run({"Help", "Nothing"}), 2);
}

// At 1024 x 768 the listing wraps with room to spare at the right, where a
// window as wide as the desktop may lose a few pixels to its edge.
TEST_F(ConsoleFixture, HelpsListingWrapsInsideTheScreen) {
    constexpr int kWidth = 1024;
    Start(kWidth, 768, kWidth, 768);
    ASSERT_TRUE(console->Init());
    console->Execute("help", true);
    ASSERT_TRUE(Frame());
    std::vector<D3DCOLOR> pixels;
    ASSERT_FALSE(Screenshot("console", "help-1024x768.png", &pixels).empty());
    const RECT listing = Line(1)->rect;
    ASSERT_GT(listing.bottom - listing.top, 66) << "several lines";
    auto green = [](D3DCOLOR c) { return (c >> 8 & 0xFF) > 0x80 && (c >> 16 & 0xFF) < 0x60 && (c & 0xFF) < 0x60; };
    int rightmost = 0;
    for (int y = listing.top; y < listing.bottom; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (green(pixels[std::size_t(y) * kWidth + x])) rightmost = std::max(rightmost, x);
    EXPECT_GT(rightmost, kWidth / 2);
    EXPECT_LT(rightmost, kWidth - Console::kRightMargin);
}

TEST_F(ConsoleFixture, VolumesSaturateAndStayInRange) {
    Start();
    Audio* audio = eTable::Find<Audio>(names::Audio);
    EXPECT_EQ(Run({"SFXVolume", "200"}), 0);
    for (const char* outside : {"256", "4294967296", "-1"}) EXPECT_EQ(Run({"SFXVolume", outside}), 3) << outside;
    EXPECT_EQ(Line(2)->GetText(), kRangeError);
    EXPECT_EQ(Printed(), "-1 is outside the volume's range: 0 (silent) to 255 (loudest).");
    EXPECT_EQ(audio->Params().sfxVolume, 200);
    EXPECT_EQ(Run({"SFXVolume", "abc"}), 2) << "no number is refused, not read as 0";
    EXPECT_EQ(audio->Params().sfxVolume, 200);

    EXPECT_EQ(Run({"MusicVolume", "100"}), 0);
    EXPECT_EQ(Printed(), "Set music volume to 100!");
    EXPECT_EQ(Run({"MusicVolumeInc", "-300"}), 0);
    EXPECT_EQ(Printed(), "Set music volume to 0!");
    EXPECT_EQ(Run({"MusicVolumeInc", "99999999999999999999"}), 0);
    EXPECT_EQ(audio->GetMusicVolume(), 255);
    EXPECT_EQ(Run({"MusicVolumeInc", "-2147483648"}), 0);
    EXPECT_EQ(audio->GetMusicVolume(), 0);
}

// A word that is no number, or names no command, is refused with the usual
// red line and a line that says which word was wrong; nothing changes.
TEST_F(ConsoleFixture, AWordThatIsNoNumberOrNamesNoCommandIsRefusedWithWhatWasWrong) {
    Start();
    Audio* audio = eTable::Find<Audio>(names::Audio);
    ASSERT_EQ(Run({"MusicVolume", "100"}), 0);
    ASSERT_EQ(Run({"SFXVolume", "50"}), 0);
    const struct {
        std::vector<const char*> words;
        const char* why;
    } refused[] = {
        {{"MusicVolume", "abc"}, "\"abc\" is not a whole number."},
        {{"SFXVolume", "7up"}, "\"7up\" is not a whole number."},
        {{"MusicVolumeInc", "-"}, "\"-\" is not a whole number."},
        {{"Bind", "F12+", "loud", "Quit"}, "\"loud\" is not a whole number."},
        {{"Help", "nosuch"}, "There is no command \"nosuch\""},
        {{"Bind", "F12+", "0", "NoSuchCommand"}, "There is no command \"NoSuchCommand\""},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(Run(c.words), 2) << c.words[1];
        EXPECT_EQ(Line(2)->GetText(), kParamError) << c.words[1];
        EXPECT_EQ(Printed().rfind(c.why, 0), 0u) << Printed();
    }
    EXPECT_EQ(audio->GetMusicVolume(), 100);
    EXPECT_EQ(audio->Params().sfxVolume, 50);
    PushKey(SDL_SCANCODE_F12, true);
    Frame();
    Frame();
    EXPECT_TRUE(Frame()) << "no binding was made";
}

TEST_F(ConsoleFixture, GameCommandsReachTheGameLogicAndTheCamera) {
    Start();
    auto* logic = eTable::Find<GameLogic>(names::GameLogic);
    EXPECT_EQ(Run({"Controls", "rotateLEFT"}), 0);
    EXPECT_EQ(logic->RotateLeft, 1);
    EXPECT_EQ(Run({"Controls", "Sideways"}), 2);
    EXPECT_EQ(Printed(), kParamError);
    EXPECT_EQ(Run({"FreeCamera"}), 0);
    EXPECT_EQ(eTable::Find<AI_Camera>(names::AI_Camera)->GetMode(), 3u);
}

TEST_F(ConsoleFixture, AControlFlagIsSeenInItsFrameAndClearInTheNext) {
    Start();
    auto* logic = eTable::Find<GameLogic>(names::GameLogic);
    auto* camera = eTable::Find<Camera>(names::Camera);
    console->Execute("Bind W 0 Controls Forward", false);
    console->Execute("FreeCamera", false);
    ASSERT_TRUE(Frame());
    const D3DXVECTOR3 before = camera->eye;

    PushKey(SDL_SCANCODE_W, true);
    ASSERT_TRUE(Frame());  // the poll sees W down
    EXPECT_EQ(camera->eye, before);
    ASSERT_TRUE(Frame());  // the binding sets the flag, the camera flies
    const D3DXVECTOR3 moved = camera->eye;
    EXPECT_NE(moved, before);
    EXPECT_EQ(logic->Forward, 0) << "cleared at the end of the frame";
    PushKey(SDL_SCANCODE_W, false);
    ASSERT_TRUE(Frame());  // the binding still fires on the last poll's state
    const D3DXVECTOR3 last = camera->eye;
    ASSERT_TRUE(Frame());
    EXPECT_EQ(camera->eye, last) << "released: no flag, no flight";
}

TEST_F(ConsoleFixture, AToggleKeyHeldOverTheOpenTogglesOncePerPress) {
    Start();
    console->Execute("Bind ~+ -1 ToggleConsole", false);
    auto press = [this] {
        PushKey(SDL_SCANCODE_GRAVE, true);
        for (int i = 0; i < 5; ++i) Frame();
        PushKey(SDL_SCANCODE_GRAVE, false);
        Frame();
        Frame();
    };
    press();
    EXPECT_TRUE(console->IsOpen());
    EXPECT_EQ(input->GetStream(), 2);
    EXPECT_FALSE(console->toggleLatch);
    press();
    EXPECT_FALSE(console->IsOpen());
    EXPECT_EQ(input->GetStream(), 0);
    EXPECT_TRUE(console->toggleLatch);
    press();
    EXPECT_TRUE(console->IsOpen());
    press();
    ASSERT_FALSE(console->IsOpen());

    // A press that ends within a frame (a slow frame) brings no re-trigger:
    // the next press still toggles.
    Tap(SDL_SCANCODE_GRAVE);
    EXPECT_TRUE(console->IsOpen());
    Tap(SDL_SCANCODE_GRAVE);
    EXPECT_FALSE(console->IsOpen());
    Tap(SDL_SCANCODE_GRAVE);
    EXPECT_TRUE(console->IsOpen());
    // Typed, much later than any re-trigger: it closes at once.
    console->Execute("ToggleConsole", true);
    EXPECT_FALSE(console->IsOpen());
}

TEST_F(ConsoleFixture, EditorCommandsFindNoEditorAndSaySoNowhere) {
    Start();
    // The editors are optional: without them their commands are silent.
    for (const char* editor : {names::Editor, names::AnimationEditor}) app.DeleteChild(eTable::Peek(editor));
    console->Print("marker", Console::kGreen);
    const struct {
        const char* command;
        int params;
    } editorCommands[] = {
        {"CameraControlToggle", 0}, {"EditModeToggle", 0}, {"AddObject", 0},      {"DeleteObject", 0},
        {"AnimationModeToggle", 0}, {"AddLimb", 2},        {"AddPoint", 0},       {"SaveCharacter", 1},
        {"LoadCharacter", 1},       {"SetEyes", 0},        {"SetBody", 0},        {"SetSurface", 11},
        {"SetMaterial", 3},         {"SetSilo", 0},        {"SetSiloWidth", 1},   {"CreateAnimation", 3},
        {"LoadAnimation", 2},       {"LoadAnimationSet", 1}, {"SetAnimation", 1}, {"SaveAnimation", 1},
        {"SaveAnimationSet", 1},    {"AddFrame", 1},       {"RemoveFrame", 1},    {"AnimationLength", 1},
        {"AnimationLoop", 1},       {"Animate", 0},        {"ToggleNodes", 0},
    };
    // Silent whatever the number of parameters.
    for (const auto& c : editorCommands) {
        for (int params : {c.params, c.params + 1}) {
            std::vector<const char*> words{c.command};
            words.insert(words.end(), static_cast<std::size_t>(params), "1");
            EXPECT_EQ(Run(words), 0) << c.command << " with " << params;
            EXPECT_EQ(Printed(), "marker") << c.command << " with " << params;
        }
    }
    EXPECT_TRUE(boxes.texts.empty()) << "no registry error for the missing editors";
    EXPECT_TRUE(app.ErrorText().empty());
}

TEST_F(ConsoleFixture, ACommandIdOutsideTheTableIsFatal) {
    Start();
    console->RunMacro(41, 0, nullptr);
    EXPECT_EQ(app.ErrorText(), "Console command not linked to a known macro!");
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Console command not linked to a known macro!"});
    EXPECT_FALSE(Frame());
}

TEST_F(ConsoleFixture, FullScreenToggleKeepsTheConsolesText) {
    Start(256, 192, 256, 192);
    auto* video = eTable::Find<Video>(names::Video);
    ASSERT_TRUE(console->Init());
    EXPECT_EQ(Run({"ToggleFullScreen"}), 0);
    EXPECT_FALSE(video->Settings().present.Windowed);
    EXPECT_EQ(Run({"ToggleFullScreen"}), 0);
    EXPECT_TRUE(video->Settings().present.Windowed);
    ASSERT_TRUE(Frame());
    // The input line's font came through both resets: it still measures.
    EXPECT_EQ(Line(0)->CalcRect(), 22);
}

}  // namespace
