#include <sys/stat.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "FakeAdapter.h"
#include "Video/LightMan.h"
#include "Video/MatrixMan.h"
#include "Video/Scene.h"
#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/window/WindowPlacement.h"
#include "support/MessageBoxRecorder.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"
#include "support/GameWindow.h"

namespace {
using Attempt = std::pair<D3DDEVTYPE, DWORD>;
using Log = std::vector<std::string>;

void WriteSettings(int width, int height, const char* deviceType = "HAL") {
    WriteWindowedSettings({.width = width, .height = height, .deviceType = deviceType});
}

class VideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = gameWindow.Handle();
        ASSERT_NE(window, nullptr);
        LayOutGameFiles(dir.Path());
        WriteSettings(64, 48);
    }
    void TearDown() override {
        video.Shutdown();
        plat::SetDirect3DCreateHook(nullptr);
        plat::SetCreateDeviceHook(nullptr);
    }

    // Device creation sees the stand-in adapter and records every attempt;
    // attempts for which fail() answers true fail.
    FakeAdapter* UseFakeAdapter(std::function<bool(const Attempt&)> fail = nullptr) {
        auto* made = new FakeAdapter;
        adapter = made;
        plat::SetDirect3DCreateHook([this](UINT) -> IDirect3D9* {
            IDirect3D9* a = adapter;
            adapter = nullptr;  // handed over once
            return a;
        });
        plat::SetCreateDeviceHook([this, fail](D3DDEVTYPE type, DWORD behaviour) -> HRESULT {
            attempts.push_back({type, behaviour});
            return fail && fail({type, behaviour}) ? D3DERR_NOTAVAILABLE : D3D_OK;
        });
        return made;
    }

    std::vector<D3DCOLOR> BackBuffer(UINT* width = nullptr) {
        std::vector<D3DCOLOR> pixels;
        UINT w = 0, h = 0;
        EXPECT_EQ(video.Device()->ReadBackBuffer(&pixels, &w, &h), D3D_OK);
        if (width) *width = w;
        return pixels;
    }

    ScopedTempDir dir;
    GameWindow gameWindow;
    MessageBoxRecorder boxes;
    plat::HWND window = nullptr;
    IDirect3D9* adapter = nullptr;
    std::vector<Attempt> attempts;
    Log log;  // outlives the children that write to it
    Video video;
};

// A child that logs its frames and what the device-loss passes do to it.
class Probe : public System {
public:
    Probe(const char* probeName, Log* log) : log(log) { name = probeName; }
    bool Init(void*, void*) override {
        initialized = true;
        return true;
    }
    bool Update() override {
        log->push_back(std::string(name) + ":update");
        return true;
    }
    Log* log;
};

// Stands in for the quad batcher: holds a default-pool buffer, which the
// device refuses to reset over, and registers under its name.
class QuadBufferStandIn : public System {
public:
    explicit QuadBufferStandIn(Log* log) : log(log) {}
    bool Init(void*, void*) override {
        name = names::ManagedQuadBuffer;
        if (!eTable::Register(name, this)) return false;
        auto* video = eTable::Find<Video>(names::Video);
        if (video->Device()->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr) != D3D_OK) return false;
        log->push_back("quad:init");
        initialized = true;
        return true;
    }
    bool Update() override {
        log->push_back("quad:update");
        return true;
    }
    bool Shutdown() override {
        if (!initialized) return false;
        buffer->Release();
        buffer = nullptr;
        log->push_back("quad:shutdown");
        return System::Shutdown();
    }
    IDirect3DVertexBuffer9* buffer = nullptr;
    Log* log;
};

constexpr char kProbeA[] = "ProbeA";
constexpr char kProbeB[] = "ProbeB";

void LogLost(System& child) { static_cast<Probe&>(child).log->push_back(std::string(child.Name()) + ":lost"); }
void LogReset(System& child) { static_cast<Probe&>(child).log->push_back(std::string(child.Name()) + ":reset"); }
}  // namespace

TEST_F(VideoTest, HardwareBehaviourFirstWhateverTheFileSays) {
    UseFakeAdapter([](const Attempt& a) { return a.second == D3DCREATE_HARDWARE_VERTEXPROCESSING; });
    ASSERT_TRUE(video.Init());
    EXPECT_EQ(attempts, (std::vector<Attempt>{{D3DDEVTYPE_HAL, 0x40}, {D3DDEVTYPE_HAL, 0x80}}));
    EXPECT_EQ(video.Settings().behaviorFlags, D3DCREATE_MIXED_VERTEXPROCESSING);
    EXPECT_EQ(video.Settings().deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(eTable::Peek(names::Video), &video);
    // The children that exist so far, in the fixed order.
    std::vector<std::string> children;
    for (System* child : video.Children()) children.push_back(child->Name());
    EXPECT_EQ(children, (std::vector<std::string>{"MatrixMan", "Camera", "LightMan", "MeshMan", "TextureMan", "EffectsMan", "MaterialMan", "Main Scene", "ManagedQuadBuffer", "TextMan"}));
}

TEST_F(VideoTest, HalFailuresFallBackToRefWithRefCaps) {
    UseFakeAdapter([](const Attempt& a) { return a.first == D3DDEVTYPE_HAL; });
    ASSERT_TRUE(video.Init());
    EXPECT_EQ(attempts, (std::vector<Attempt>{{D3DDEVTYPE_HAL, 0x40}, {D3DDEVTYPE_HAL, 0x80},
                                              {D3DDEVTYPE_HAL, 0x20}, {D3DDEVTYPE_REF, 0x40}}));
    EXPECT_EQ(video.Settings().deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(video.Caps().MaxActiveLights, 1u);  // the stand-in's REF caps
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(VideoTest, ARefFileGetsOneSeriesThenTheRegistryIsLeft) {
    WriteSettings(64, 48, "REF");
    UseFakeAdapter([](const Attempt&) { return true; });
    EXPECT_FALSE(video.Init());
    EXPECT_EQ(attempts.size(), 3u);
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{Video::kNoDevice}));
    EXPECT_EQ(eTable::Peek(names::Video), nullptr);
    EXPECT_EQ(video.Direct3D(), nullptr);
    EXPECT_FALSE(video.IsInitialized());
    EXPECT_TRUE(video.Children().empty());
}

TEST_F(VideoTest, StartUpFailuresShowTheirTexts) {
    plat::SetDirect3DCreateHook([](UINT) -> IDirect3D9* { return nullptr; });
    EXPECT_FALSE(video.Init());

    std::ofstream("settings.txt") << "WINDOWED = sometimes\n";
    UseFakeAdapter();
    EXPECT_FALSE(video.Init());

    std::remove("settings.txt");
    UseFakeAdapter()->refusedDeviceTypes = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    EXPECT_FALSE(video.Init());
    EXPECT_FALSE(std::ifstream("settings.txt").is_open());

    // Shader model 2.0 exactly passes; below it fails in either stage.
    WriteSettings(64, 48);
    UseFakeAdapter()->caps[D3DDEVTYPE_HAL].PixelShaderVersion = D3DPS_VERSION(1, 4);
    EXPECT_FALSE(video.Init());
    UseFakeAdapter()->caps[D3DDEVTYPE_HAL].VertexShaderVersion = D3DVS_VERSION(1, 1);
    EXPECT_FALSE(video.Init());
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{Video::kNoDirect3D, Video::kBadSettings, Video::kNoDefaults,
                                                     Video::kNoShaders, Video::kNoShaders}));
    EXPECT_EQ(eTable::Peek(names::Video), nullptr);

    FakeAdapter* exact = UseFakeAdapter();
    exact->caps[D3DDEVTYPE_HAL].PixelShaderVersion = D3DPS_VERSION(2, 0);
    exact->caps[D3DDEVTYPE_HAL].VertexShaderVersion = D3DVS_VERSION(2, 0);
    EXPECT_TRUE(video.Init());
}

TEST_F(VideoTest, FitWindowSizesAndCentres) {
    RECT desktop;
    ASSERT_TRUE(plat::GetDesktopClientRect(&desktop));
    const int W = desktop.right, H = desktop.bottom;
    ASSERT_TRUE(video.Init());

    auto placed = [this]() {
        RECT r{};
        EXPECT_TRUE(plat::GetWindowRect(window, &r));
        return r;
    };
    video.Settings().windowWidth = 640;
    video.Settings().windowHeight = 480;
    video.FitWindow();
    RECT r = placed();
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
    EXPECT_EQ(r.left, (W - 640) / 2);
    EXPECT_EQ(r.top, (H - 480) / 2);

    video.Settings().windowWidth = W + 100;
    video.Settings().windowHeight = H;
    video.FitWindow();
    r = placed();
    EXPECT_EQ(r.right - r.left, W - 16);
    EXPECT_EQ(r.bottom - r.top, H - 64);
    EXPECT_EQ(r.left, 8);
    EXPECT_EQ(r.top, 32);

    // Full screen: the window is left where it is.
    video.Settings().present.Windowed = FALSE;
    video.Settings().windowWidth = 100;
    video.FitWindow();
    EXPECT_EQ(placed().right - placed().left, W - 16);
}

TEST_F(VideoTest, EachFrameClearsToTheSettingsColour) {
    ASSERT_TRUE(video.Init());
    ASSERT_NE(video.Device(), nullptr);
    EXPECT_EQ(video.Settings().clearColor, 0xFF000666u);
    ASSERT_TRUE(video.Update());
    UINT width = 0;
    std::vector<D3DCOLOR> pixels = BackBuffer(&width);
    EXPECT_EQ(width, 64u);
    ASSERT_EQ(pixels.size(), 64u * 48u);
    for (D3DCOLOR p : pixels) ASSERT_EQ(p, 0xFF000666u);
}

TEST_F(VideoTest, ADeviceNotResetFrameDrawsNothingAndRunsTheResetPasses) {
    ASSERT_TRUE(video.Init());
    // The light manager's fog state block must go before any reset.
    // The stand-in takes the real quad batcher's place and name.
    video.DeleteChild(eTable::Peek(names::ManagedQuadBuffer));
    video.SetDeviceLossRowsForTests({{names::MainScene, [](System& c) { static_cast<Scene&>(c).OnLostDevice(); },
                                      [](System& c) { static_cast<Scene&>(c).OnResetDevice(); }, false},
                                     {names::LightMan, [](System& c) { static_cast<LightMan&>(c).ReleaseFogStateBlock(); },
                                      [](System& c) { static_cast<LightMan&>(c).RecordFogStateBlock(); }, false},
                                     {kProbeA, LogLost, LogReset, false},
                                     {names::ManagedQuadBuffer, nullptr, nullptr, true},
                                     {kProbeB, LogLost, LogReset, false}});
    video.AdoptChild(new Probe(kProbeA, &log));
    auto* quad = video.AdoptChild(new QuadBufferStandIn(&log));
    video.AdoptChild(new Probe(kProbeB, &log));
    video.AdoptChild(new Probe("Bystander", &log));
    ASSERT_TRUE(video.Update());
    log.clear();

    video.Settings().clearColor = 0xFF112233u;
    video.Device()->InjectCooperativeLevel(D3DERR_DEVICENOTRESET);
    EXPECT_FALSE(video.Update());
    // The frame drew nothing: a clear would have left the new colour.
    EXPECT_NE(BackBuffer().front(), 0xFF112233u);
    EXPECT_EQ(log, (Log{"ProbeA:lost", "quad:shutdown", "ProbeB:lost", "ProbeA:reset", "ProbeB:reset",
                        "quad:init"}));
    EXPECT_EQ(eTable::Peek(names::ManagedQuadBuffer), quad);
    EXPECT_NE(quad->buffer, nullptr);
    EXPECT_TRUE(boxes.texts.empty());

    log.clear();
    ASSERT_TRUE(video.Update());
    EXPECT_EQ(log, (Log{"ProbeA:update", "quad:update", "ProbeB:update", "Bystander:update"}));
    EXPECT_EQ(BackBuffer().front(), 0xFF112233u);
}

TEST_F(VideoTest, AFailedResetLeavesVideoInactiveWithTheFatalText) {
    ASSERT_TRUE(video.Init());
    video.Device()->InjectCooperativeLevel(D3DERR_DEVICENOTRESET);
    video.Device()->InjectResetFailure(D3DERR_DEVICELOST);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(video.Update());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(video.IsActive());
    // No box; without an application the text goes to the error stream.
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_NE(errors.find(Video::kResetFailed), std::string::npos);
    EXPECT_FALSE(video.Update());
}

TEST_F(VideoTest, DisplayModeSwitchesAreNotSaved) {
    ASSERT_TRUE(video.Init());
    const std::string file = ReadSettingsFile();
    EXPECT_EQ(video.SetDisplayMode(true, 0, 0, 0, 0), 1);
    EXPECT_EQ(video.Settings().present.Windowed, FALSE);
    EXPECT_EQ(video.Settings().present.BackBufferWidth, 64u);

    EXPECT_EQ(video.SetDisplayMode(false, 32, 24, 320, 0), 1);
    EXPECT_EQ(video.Settings().windowWidth, 320);
    EXPECT_EQ(video.Settings().windowHeight, 48);
    ASSERT_TRUE(video.Update());
    UINT width = 0;
    EXPECT_EQ(BackBuffer(&width).size(), 32u * 24u);
    EXPECT_EQ(ReadSettingsFile(), file);
}

TEST_F(VideoTest, AFailedDisplayModeCheckKeepsTheNewSettings) {
    FakeAdapter* fake = UseFakeAdapter();
    ASSERT_TRUE(video.Init());
    fake->refusedDeviceTypes = {D3DDEVTYPE_HAL};
    EXPECT_EQ(video.SetDisplayMode(false, 32, 0, 0, 0), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(video.Settings().present.BackBufferWidth, 32u);
    ASSERT_TRUE(video.Update());
    UINT width = 0;
    BackBuffer(&width);
    EXPECT_EQ(width, 64u);  // the device kept its size
}

TEST_F(VideoTest, TheApplicationCreatesVideoFirst) {
    DIva::ResetStartedFlagForTests();
    DIva app;
    WindowPair pair{window, nullptr};
    ASSERT_TRUE(app.Init(&pair, nullptr));
    ASSERT_FALSE(app.Children().empty());
    EXPECT_EQ(app.Children().front(), eTable::Peek(names::Video));
    EXPECT_TRUE(app.Update());
    app.Shutdown();
    EXPECT_EQ(eTable::Peek(names::Video), nullptr);
}

// A settings file of no bytes (a write a full disk cut short) counts as
// missing: the defaults replace it and the game starts.
TEST_F(VideoTest, AnEmptySettingsFileIsReplacedByTheDefaults) {
    std::ofstream("settings.txt").close();
    UseFakeAdapter();
    EXPECT_TRUE(video.Init());
    EXPECT_NE(ReadSettingsFile().find("RESOLUTION = "), std::string::npos);
    EXPECT_TRUE(boxes.texts.empty());
}

// A settings file that exists but cannot be read is fatal, names the file
// and the reason, and is left as it is.
TEST_F(VideoTest, AnUnreadableSettingsFileIsFatalAndKept) {
    std::filesystem::remove("settings.txt");
    std::filesystem::create_directory("settings.txt");
    UseFakeAdapter();
    EXPECT_FALSE(video.Init());
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{std::string(Video::kUnreadableSettings) +
                                                     "settings.txt (a folder, not a regular file)"}));
    EXPECT_TRUE(std::filesystem::is_directory("settings.txt"));

    // A FIFO is refused at once: opening it would wait for a writer.
    std::filesystem::remove("settings.txt");
    ASSERT_EQ(::mkfifo("settings.txt", 0600), 0);
    boxes.texts.clear();
    UseFakeAdapter();
    EXPECT_FALSE(video.Init());
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{std::string(Video::kUnreadableSettings) +
                                                     "settings.txt (a FIFO, not a regular file)"}));
    std::filesystem::remove("settings.txt");
}

// A refused file: the error stream says where and why, before the fixed
// fatal text; the file is not touched.
TEST_F(VideoTest, ARefusedSettingsFileSaysWhichLineWasWrong) {
    const std::string text = "WINDOWED = TRUE\nRESOLUTION = -640 x 480\n";
    std::ofstream("settings.txt") << text;
    UseFakeAdapter();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(video.Init());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("settings.txt: line 2: RESOLUTION: \"-640\" is not a size from 1 to 16384\n"),
              std::string::npos)
        << errors;
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{Video::kBadSettings}));
    EXPECT_EQ(ReadSettingsFile(), text);
}

// A file that leaves out the device type is the file's fault: it says so
// instead of calling the graphics card incapable.
TEST_F(VideoTest, ASettingsFileWithoutADeviceTypeSaysSo) {
    const std::string text = "RESOLUTION = 640 x 480\nWINDOWED = TRUE\nBACKBUFFER_RESOLUTION = 640 x 480\n";
    std::ofstream("settings.txt") << text;
    UseFakeAdapter();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(video.Init());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("settings.txt: DEVICE_TYPE: missing (HAL or REF)\n"), std::string::npos) << errors;
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{Video::kBadSettings}));
    EXPECT_EQ(ReadSettingsFile(), text);
}

// A file as an editor may leave it (a byte-order mark first, a refresh rate
// given as a word) starts the video system and is left as it was; a depth
// buffer in a format that is no depth format is refused, naming its line.
TEST_F(VideoTest, ASettingsFileIsReadAsItsAuthorWroteIt) {
    std::string text = "\xEF\xBB\xBF" + ReadSettingsFile() + "SCREEN_REFRESH_RATE = default\n";
    std::ofstream("settings.txt") << text;
    EXPECT_TRUE(video.Init());
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(ReadSettingsFile(), text);
    video.Shutdown();

    text += "DEPTH_BUFFER_FORMAT = INDEX16\n";
    std::ofstream("settings.txt") << text;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(video.Init());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("settings.txt: line 14: DEPTH_BUFFER_FORMAT: INDEX16 is not a depth format"),
              std::string::npos)
        << errors;
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{Video::kBadSettings}));
    EXPECT_EQ(ReadSettingsFile(), text);
}
