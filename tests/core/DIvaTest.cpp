#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/WinMain.h"
#include "core/eTable.h"
#include "Video/Video.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Clock.h"
#include "platform/window/Window.h"
#include "support/MessageBoxRecorder.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

namespace {
using Log = std::vector<std::string>;

// An extra child hung under the application after its own seven, to watch
// the order of a frame and to raise quit or fatal errors mid-frame.
class FrameProbe : public System {
public:
    FrameProbe(Log* log, std::string tag) : log(log), tag(std::move(tag)) {}
    bool Init(void*, void*) override {
        initialized = true;
        return true;
    }
    bool Shutdown() override {
        if (!System::Shutdown()) return false;
        log->push_back(tag + ":shutdown");
        return true;
    }
    bool Update() override {
        if (!System::Update()) return false;
        log->push_back(tag + ":update");
        if (onUpdate) onUpdate();
        return true;
    }
    Log* log;
    std::string tag;
    std::function<void()> onUpdate;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        DIva::ResetStartedFlagForTests();
        WriteWindowedSettings();
        LayOutGameFiles(dir.Path());
        ASSERT_TRUE(plat::RegisterClassA("MyWndClass", WndProc));
        pair.window = plat::CreateWindowExA("MyWndClass", "Tollymop");
        ASSERT_NE(pair.window, nullptr);
    }
    void TearDown() override {
        app.Shutdown();
        plat::UnregisterClassA("MyWndClass");
    }
    FrameProbe* AddProbe(const std::string& tag) {
        return app.AdoptChild(new FrameProbe(&log, tag));
    }

    ScopedTempDir dir;
    MessageBoxRecorder boxes;
    WindowPair pair;
    DIva app;
    Log log;
};
}  // namespace

TEST_F(AppTest, StartsRegisteredWithItsTimerAndLeavesTheRegistryEmpty) {
    ASSERT_TRUE(app.Init(&pair, nullptr));
    EXPECT_EQ(eTable::Peek(names::DIva), &app);
    EXPECT_NE(eTable::Peek(names::Timer), nullptr);
    EXPECT_EQ(app.CurrentDirectory(), dir.Path().string());
    EXPECT_TRUE(app.Update());
    EXPECT_TRUE(app.Shutdown());
    EXPECT_EQ(eTable::Count(), 0);
    EXPECT_TRUE(app.Children().empty());
}

TEST_F(AppTest, QuitDuringAFrameRunsTheRestThenShutsDown) {
    ASSERT_TRUE(app.Init(&pair, nullptr));
    AddProbe("A")->onUpdate = [this] { app.RequestQuit(); };
    AddProbe("B");
    EXPECT_FALSE(app.Update());
    EXPECT_EQ(log, (Log{"A:update", "B:update", "B:shutdown", "A:shutdown"}));
    EXPECT_FALSE(app.IsInitialized());
    EXPECT_EQ(eTable::Count(), 0);
}

TEST_F(AppTest, FatalErrorDuringAFrameShutsDownOnTheNext) {
    ASSERT_TRUE(app.Init(&pair, nullptr));
    AddProbe("A")->onUpdate = [] { ReportFatalError("FATAL ERROR: boom"); };
    AddProbe("B");
    EXPECT_TRUE(app.Update());
    EXPECT_EQ(log, (Log{"A:update", "B:update"}));
    EXPECT_TRUE(app.IsInitialized());
    ASSERT_EQ(boxes.texts, (std::vector<std::string>{"FATAL ERROR: boom"}));

    log.clear();
    EXPECT_FALSE(app.Update());
    EXPECT_EQ(log, (Log{"B:shutdown", "A:shutdown"}));
    EXPECT_FALSE(app.IsInitialized());
}

TEST_F(AppTest, CannotStartTwiceInOneProcess) {
    ASSERT_TRUE(app.Init(&pair, nullptr));
    EXPECT_FALSE(app.Init(&pair, nullptr));
    app.Shutdown();
    EXPECT_FALSE(app.Init(&pair, nullptr));
    DIva other;
    EXPECT_FALSE(other.Init(&pair, nullptr));
    EXPECT_EQ(eTable::Count(), 0);
}

TEST_F(AppTest, NullPairIsRefusedAndRegistersNothing) {
    EXPECT_FALSE(app.Init(nullptr, nullptr));
    EXPECT_EQ(eTable::Peek(names::DIva), nullptr);
}

TEST_F(AppTest, FatalTextIsCutTo255Characters) {
    std::string longText(300, 'x');
    app.FatalError(longText.c_str());
    EXPECT_EQ(app.ErrorText(), std::string(255, 'x'));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].size(), 255u);
}

TEST_F(AppTest, FrameLoopEndsWhenSdlQuitArrives) {
    ASSERT_TRUE(app.Init(&pair, nullptr));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    int frames = 0;
    plat::MSG msg;
    while (app.IsInitialized() && plat::IsWindow(pair.window) && frames < 100) {
        if (plat::PeekMessageA(&msg, pair.window)) plat::DispatchMessageA(&msg);
        app.Update();
        ++frames;
    }
    EXPECT_FALSE(plat::IsWindow(pair.window));
    EXPECT_LT(frames, 100);
    EXPECT_TRUE(app.Shutdown());
    EXPECT_EQ(eTable::Count(), 0);
}

TEST_F(AppTest, MessagesAreTakenOnePerFrameAndSystemKeysSwallowed) {
    plat::PostMessageA(pair.window, plat::WM_SYSKEYDOWN, 0x73, 0);  // Alt+F4
    plat::PostMessageA(pair.window, plat::WM_ACTIVATE, plat::WA_ACTIVE, 0);
    plat::MSG msg;
    ASSERT_TRUE(plat::PeekMessageA(&msg, pair.window));
    EXPECT_EQ(msg.message, plat::WM_SYSKEYDOWN);
    EXPECT_EQ(plat::DispatchMessageA(&msg), 0);
    EXPECT_TRUE(plat::IsWindow(pair.window));
    ASSERT_TRUE(plat::PeekMessageA(&msg, pair.window));
    EXPECT_EQ(msg.message, plat::WM_ACTIVATE);
    EXPECT_FALSE(plat::PeekMessageA(&msg, pair.window));

    plat::PostMessageA(pair.window, plat::WM_CLOSE, 0, 0);
    ASSERT_TRUE(plat::PeekMessageA(&msg, pair.window));
    plat::DispatchMessageA(&msg);
    EXPECT_FALSE(plat::IsWindow(pair.window));
}

TEST_F(AppTest, AFailedChildStopsTheStartAfterTheRestWereCreated) {
    plat::SetDirect3DCreateHook([](plat::UINT) -> IDirect3D9* { return nullptr; });
    // The timer, the last child, reads the clock when it starts: by then the
    // input and audio systems after the failed video system must be there.
    bool laterChildrenSeen = false;
    plat::SetClockSource([&laterChildrenSeen] {
        if (eTable::Peek(names::Timer) && eTable::Peek(names::Input) && eTable::Peek(names::Audio))
            laterChildrenSeen = true;
        return std::uint32_t(1000);
    });
    EXPECT_FALSE(app.Init(&pair, nullptr));
    plat::SetClockSource(nullptr);
    plat::SetDirect3DCreateHook(nullptr);
    EXPECT_TRUE(laterChildrenSeen);
    // Shown once, by the video system; the application does not repeat it.
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{Video::kNoDirect3D}));
    EXPECT_EQ(app.ErrorText(), Video::kNoDirect3D);
    EXPECT_FALSE(app.IsInitialized());
    EXPECT_TRUE(app.Children().empty());
    EXPECT_EQ(eTable::Count(), 0);
    // A start that failed does not count: the process may try again.
    EXPECT_TRUE(app.Init(&pair, nullptr));
}

// The entry point's exit status: a failure to start or a fatal end is not
// reported to the shell as success, a closed window is.
TEST_F(AppTest, EntryPointFailsWhenItCannotMakeItsWindowClass) {
    // The fixture holds the class already, so the entry point cannot have it.
    EXPECT_EQ(WinMain(nullptr), 1);
    EXPECT_TRUE(plat::IsWindow(pair.window));
}

TEST_F(AppTest, EntryPointFailsWhenTheGameCannotStart) {
    plat::UnregisterClassA("MyWndClass");
    plat::SetDirect3DCreateHook([](plat::UINT) -> IDirect3D9* { return nullptr; });
    EXPECT_EQ(WinMain(nullptr), 1);
    plat::SetDirect3DCreateHook(nullptr);
    EXPECT_EQ(eTable::Count(), 0);
}

TEST_F(AppTest, EntryPointEndsWellWhenItsWindowCloses) {
    plat::UnregisterClassA("MyWndClass");
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_EQ(WinMain(nullptr), 0);
    EXPECT_EQ(eTable::Count(), 0);
}

// A device reset that fails puts its text into the error field without a
// box, and the next frame ends the game.
TEST_F(AppTest, AFailedResetEndsTheGameWithoutABox) {
    ASSERT_TRUE(app.Init(&pair, nullptr));
    auto* video = eTable::Find<Video>(names::Video);
    ASSERT_NE(video, nullptr);
    video->Device()->InjectCooperativeLevel(D3DERR_DEVICENOTRESET);
    video->Device()->InjectResetFailure(D3DERR_DEVICELOST);
    EXPECT_TRUE(app.Update());
    EXPECT_EQ(app.ErrorText(), Video::kResetFailed);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_FALSE(app.Update());
    EXPECT_FALSE(app.IsInitialized());
}
