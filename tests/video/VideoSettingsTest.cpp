#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FakeAdapter.h"
#include "Video/Video.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

namespace {
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A Video with a stand-in adapter and no device, in its own directory.
struct SettingsFixture : ::testing::Test {
    ScopedTempDir dir;
    FakeAdapter* adapter = new FakeAdapter;
    Video video;

    SettingsFixture() { video.AdoptDirect3D(adapter); }

    bool Load(const std::string& text) {
        std::istringstream in(text);
        return video.LoadSettings(in);
    }
    // Why the text is refused; empty when it loads.
    std::string Problem(const std::string& text) {
        std::istringstream in(text);
        std::string problem;
        return video.LoadSettings(in, &problem) ? std::string() : problem;
    }
    VideoSettings& S() { return video.Settings(); }
};

const char* const kDefaultFile =
    "# Manually edit this settings file at your own risk!\n"
    "# A setting that your computer cannot actually support may cause the program to fail!\n"
    "# To restore working defaults, simply delete this file!\n"
    "\n"
    "# Window Resolution - Common values: \"640 x 480\", \"800 x 600\", \"1024 x 768\"\n"
    "RESOLUTION = 1600 x 900\n"
    "\n"
    "# Windowed Mode - Possible values: TRUE or FALSE\n"
    "WINDOWED = FALSE\n"
    "\n"
    "# Screen Refresh Rate - Only for non-windowed mode - Common values: 60, 72, 75, 85\n"
    "SCREEN_REFRESH_RATE = 0\n"
    "\n"
    "# Presentation Interval - Possible values: DEFAULT, ONE, TWO, THREE, FOUR, IMMEDIATE\n"
    "PRESENTATION_INTERVAL = ONE\n"
    "\n"
    "# Backbuffer Resolution - Common values: \"640 x 480\", \"800 x 600\", \"1024 x 768\"\n"
    "BACKBUFFER_RESOLUTION = 1600 x 900\n"
    "\n"
    "# Backbuffer Format - The color mode - Common values: A8R8G8B8, X8R8G8B8, R8G8B8, R5G6B5\n"
    "BACKBUFFER_FORMAT = X8R8G8B8\n"
    "\n"
    "# Device Type - Possible values: HAL or REF\n"
    "DEVICE_TYPE = HAL\n"
    "\n"
    "# Device Behavior - Possible values: HARDWARE, MIXED, or SOFTWARE\n"
    "DEVICE_BEHAVIOR = HARDWARE\n"
    "\n"
    "# Clear Color - You'll probably never see it - 3 integers from 0 to 255 (ex: 128 30 200)\n"
    "CLEAR_COLOR = 0 6 102 \n"
    "\n"
    "#\n"
    "# You REALLY don't want to change any values below this line... but suit yourself!\n"
    "#\n"
    "\n"
    "# Clear Surface Flags - Possible flags: TARGET, STENCIL, and ZBUFFER\n"
    "CLEAR_SURFACE_FLAGS = TARGET ZBUFFER STENCIL !END_FLAGS\n"
    "\n"
    "# Enable Depth Buffer - Possible values: TRUE or FALSE\n"
    "ENABLE_DEPTH_BUFFER = TRUE\n"
    "\n"
    "# ZBuffer Depth - Possible values: float from 0.0 to 1.0\n"
    "ZBUFFER_DEPTH = 1\n"
    "\n"
    "# Depth Buffer Format - Common values: D32, D24S8, D24X4S4, D24X8\n"
    "DEPTH_BUFFER_FORMAT = D24S8\n"
    "\n";
}  // namespace

TEST_F(SettingsFixture, DefaultsFromTheDesktopWithAStencilFormat) {
    // D32 passes the format check but not the match: the match is asked too.
    adapter->depthFormats.insert({D3DDEVTYPE_HAL, D3DFMT_D32});
    adapter->mismatched.insert(D3DFMT_D32);
    ASSERT_TRUE(video.CreateDefaultSettings(false));
    std::string file = ReadSettingsFile();
    EXPECT_EQ(file, kDefaultFile);
    EXPECT_EQ(Lines(file).size(), 47u);

    EXPECT_EQ(S().clearFlags, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
    EXPECT_EQ(S().clearColor, 0xFF000666u);
    EXPECT_EQ(S().present.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(video.Caps().MaxActiveLights, 8u);

    // What was written reads back as it was made.
    VideoSettings made = S();
    std::ifstream in("settings.txt");
    ASSERT_TRUE(video.LoadSettings(in));
    EXPECT_EQ(std::memcmp(&made.present, &S().present, sizeof made.present), 0);
    EXPECT_EQ(S().clearFlags, made.clearFlags);
}

TEST_F(SettingsFixture, DefaultsWithoutStencilAndTheRefFallBacks) {
    adapter->depthFormats = {{D3DDEVTYPE_HAL, D3DFMT_D24X8}, {D3DDEVTYPE_HAL, D3DFMT_D16},
                             {D3DDEVTYPE_REF, D3DFMT_D16}};
    ASSERT_TRUE(video.CreateDefaultSettings(false));
    std::vector<std::string> lines = Lines(ReadSettingsFile());
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ(lines[36], "CLEAR_SURFACE_FLAGS = TARGET ZBUFFER !END_FLAGS");
    EXPECT_EQ(lines[45], "DEPTH_BUFFER_FORMAT = D24X8");

    // No depth format on HAL: REF is probed and written.
    adapter->OfferNoDepthFormats(D3DDEVTYPE_HAL);
    ASSERT_TRUE(video.CreateDefaultSettings(false));
    EXPECT_EQ(S().deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(Lines(ReadSettingsFile())[23], "DEVICE_TYPE = REF");
    EXPECT_EQ(S().present.AutoDepthStencilFormat, D3DFMT_D16);

    // HAL fails the device-type check: REF, but the caps read before stay.
    adapter->depthFormats.insert({D3DDEVTYPE_HAL, D3DFMT_D16});
    adapter->refusedDeviceTypes = {D3DDEVTYPE_HAL};
    ASSERT_TRUE(video.CreateDefaultSettings(false));
    EXPECT_EQ(S().deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(video.Caps().MaxActiveLights, 8u);
}

TEST_F(SettingsFixture, NoWorkingDefaultsWritesNoFile) {
    adapter->refusedDeviceTypes = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    EXPECT_FALSE(video.CreateDefaultSettings(false));
    adapter->refusedDeviceTypes.clear();
    adapter->OfferNoDepthFormats(D3DDEVTYPE_HAL);
    adapter->OfferNoDepthFormats(D3DDEVTYPE_REF);
    EXPECT_FALSE(video.CreateDefaultSettings(false));
    adapter->modeResult = D3DERR_NOTAVAILABLE;
    EXPECT_FALSE(video.CreateDefaultSettings(false));
    EXPECT_FALSE(std::ifstream("settings.txt").is_open());
}

TEST_F(SettingsFixture, EveryFormatAndWordRoundTrips) {
    const D3DFORMAT backBuffers[] = {D3DFMT_R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                     D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_R3G3B2,
                                     D3DFMT_A8, D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4, D3DFMT_A2B10G10R10,
                                     D3DFMT_A8B8G8R8, D3DFMT_X8B8G8R8, D3DFMT_G16R16, D3DFMT_A2R10G10B10,
                                     D3DFMT_A16B16G16R16, D3DFMT_A8P8, D3DFMT_P8, D3DFMT_L8,
                                     D3DFMT_A8L8, D3DFMT_A4L4, D3DFMT_L16};
    const D3DFORMAT depths[] = {D3DFMT_D16_LOCKABLE, D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8,
                                D3DFMT_D24X8, D3DFMT_D24X4S4, D3DFMT_D16, D3DFMT_D32F_LOCKABLE,
                                D3DFMT_D24FS8, D3DFMT_VERTEXDATA, D3DFMT_INDEX16, D3DFMT_INDEX32};
    const UINT intervals[] = {D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE, D3DPRESENT_INTERVAL_TWO,
                              D3DPRESENT_INTERVAL_THREE, D3DPRESENT_INTERVAL_FOUR,
                              D3DPRESENT_INTERVAL_IMMEDIATE};
    const DWORD behaviours[] = {0x40, 0x80, 0x20};
    const std::size_t rounds = std::size(backBuffers);  // the longest list
    for (std::size_t i = 0; i < rounds; ++i) {
        VideoSettings s;
        s.windowWidth = 640 + int(i);
        s.windowHeight = 480;
        s.deviceType = i % 2 ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
        s.behaviorFlags = behaviours[i % 3];
        s.present.BackBufferWidth = 800;
        s.present.BackBufferHeight = 600 + UINT(i);
        s.present.BackBufferFormat = backBuffers[i];
        s.present.AutoDepthStencilFormat = depths[i % std::size(depths)];
        s.present.SwapEffect = D3DSWAPEFFECT_DISCARD;
        s.present.Windowed = i % 2;
        // No device makes a depth buffer in the last three.
        s.present.EnableAutoDepthStencil = (i / 2) % 2 && plat::IsAnyDepthFormat(s.present.AutoDepthStencilFormat);
        s.present.FullScreen_RefreshRateInHz = 60 + UINT(i);
        s.present.PresentationInterval = intervals[i % std::size(intervals)];
        s.clearFlags = DWORD(i % 8);
        s.clearColor = 0xFF000000u | (DWORD(i) * 0x0A0B0C);
        s.clearDepth = float(i) / float(rounds);
        S() = s;
        video.SaveSettings();
        std::ifstream in("settings.txt");
        ASSERT_TRUE(video.LoadSettings(in)) << "round " << i;
        const VideoSettings& r = S();
        EXPECT_EQ(r.windowWidth, s.windowWidth);
        EXPECT_EQ(r.windowHeight, s.windowHeight);
        EXPECT_EQ(r.deviceType, s.deviceType);
        EXPECT_EQ(r.behaviorFlags, s.behaviorFlags);
        EXPECT_EQ(std::memcmp(&r.present, &s.present, sizeof s.present), 0) << "round " << i;
        EXPECT_EQ(r.clearFlags, s.clearFlags);
        EXPECT_EQ(r.clearColor, s.clearColor);
        EXPECT_NEAR(r.clearDepth, s.clearDepth, 1e-5f);
    }
}

TEST_F(SettingsFixture, KeysAndWordsAsAUserMayWriteThem) {
    ASSERT_TRUE(Load("resolution = 800 x 600\n"));
    EXPECT_EQ(S().windowWidth, 800);
    EXPECT_EQ(S().windowHeight, 600);
    EXPECT_FALSE(Load("RESOLUTION=800 x 600\n"));

    ASSERT_TRUE(Load("RESOLUTION := 1024 by 768x\n"));
    EXPECT_EQ(S().windowWidth, 1024);
    EXPECT_EQ(S().windowHeight, 768);

    // Several on a line, repeated (the last wins), a comment after a setting.
    ASSERT_TRUE(Load("WINDOWED = yes DEVICE_TYPE = 2 # REF, for now\n"
                     "windowed = No SCREEN_REFRESH_RATE = 85\n"
                     "# a comment line\n"
                     "DEVICE_BEHAVIOR = mixed ZBUFFER_DEPTH = 0"));
    EXPECT_EQ(S().present.Windowed, 0);
    EXPECT_EQ(S().deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(S().present.FullScreen_RefreshRateInHz, 85u);
    EXPECT_EQ(S().behaviorFlags, D3DCREATE_MIXED_VERTEXPROCESSING);
    EXPECT_EQ(S().present.SwapEffect, D3DSWAPEFFECT_DISCARD);

    ASSERT_TRUE(Load("PRESENTATION_INTERVAL = three PRESENTATION_INTERVAL = often"));
    EXPECT_EQ(S().present.PresentationInterval, D3DPRESENT_INTERVAL_THREE);
    ASSERT_TRUE(Load("CLEAR_COLOR = 256 6 -154 ZBUFFER_DEPTH = 1.0"));
    EXPECT_EQ(S().clearColor, 0xFF000666u);
    EXPECT_EQ(S().clearDepth, 1.0f);

    // A number is read as the C library reads one: a word without leading
    // digits gives 0 (a back buffer of 0 takes the window's size).
    ASSERT_TRUE(Load("SCREEN_REFRESH_RATE = default"));
    EXPECT_EQ(S().present.FullScreen_RefreshRateInHz, 0u);
    ASSERT_TRUE(Load("SCREEN_REFRESH_RATE = 75Hz BACKBUFFER_RESOLUTION = window x 480"));
    EXPECT_EQ(S().present.FullScreen_RefreshRateInHz, 75u);
    EXPECT_EQ(S().present.BackBufferWidth, 0u);
    ASSERT_TRUE(Load("SCREEN_REFRESH_RATE = sixty"));
    EXPECT_EQ(S().present.FullScreen_RefreshRateInHz, 0u);
    ASSERT_TRUE(Load("ZBUFFER_DEPTH = 1 ZBUFFER_DEPTH = x"));
    EXPECT_EQ(S().clearDepth, 0.0f);

    // A UTF-8 byte-order mark before the first key.
    ASSERT_TRUE(Load("\xEF\xBB\xBFWINDOWED = TRUE\n"));
    EXPECT_EQ(S().present.Windowed, 1);

    ASSERT_TRUE(Load(""));
    EXPECT_EQ(S().windowWidth, 0);
    EXPECT_EQ(S().deviceType, D3DDEVTYPE(0));
    EXPECT_EQ(S().present.SwapEffect, D3DSWAPEFFECT_DISCARD);
}

TEST_F(SettingsFixture, ValuesTheReaderRefuses) {
    EXPECT_FALSE(Load("FULLSCREEN = TRUE"));
    EXPECT_FALSE(Load("WINDOWED = maybe"));
    EXPECT_FALSE(Load("DEVICE_TYPE = 3"));
    EXPECT_FALSE(Load("DEVICE_BEHAVIOR = PURE"));
    EXPECT_FALSE(Load("BACKBUFFER_FORMAT = D24S8"));
    EXPECT_FALSE(Load("DEPTH_BUFFER_FORMAT = X8R8G8B8"));
    EXPECT_FALSE(Load("ZBUFFER_DEPTH = 1.5"));
    EXPECT_EQ(S().clearDepth, 1.5f);  // stored before the check
    EXPECT_FALSE(Load("ZBUFFER_DEPTH = -0.1"));
    EXPECT_FALSE(Load("ZBUFFER_DEPTH = nan"));
    // A colour that is not a number fails the stream, then the next key.
    EXPECT_FALSE(Load("CLEAR_COLOR = black 0 0\nWINDOWED = TRUE\n"));
    // Without "!END_FLAGS" the next key ends the flags and its "=" is no key.
    EXPECT_FALSE(Load("CLEAR_SURFACE_FLAGS = TARGET ZBUFFER\nWINDOWED = TRUE\n"));
    ASSERT_TRUE(Load("CLEAR_SURFACE_FLAGS = stencil TARGET !END_FLAGS WINDOWED = TRUE"));
    EXPECT_EQ(S().clearFlags, D3DCLEAR_TARGET | D3DCLEAR_STENCIL);
    EXPECT_EQ(S().present.Windowed, 1);
}

TEST_F(SettingsFixture, OverlongWordsAndCommentsFailTheLoad) {
    const std::string longWord(256, 'A');
    EXPECT_FALSE(Load(longWord + " = 1\n"));
    EXPECT_FALSE(Load("RESOLUTION = 800 " + longWord + " 600\nWINDOWED = TRUE\n"));
    EXPECT_FALSE(Load("WINDOWED = TRUE " + longWord));
    ASSERT_TRUE(Load("RESOLUTION = 800 " + std::string(255, 'x') + " 600\n"));
    EXPECT_EQ(S().windowHeight, 600);

    EXPECT_FALSE(Load("# " + std::string(300, 'c') + "\nWINDOWED = TRUE\n"));
    ASSERT_TRUE(Load("# " + std::string(200, 'c') + "\nWINDOWED = TRUE\n"));
    EXPECT_EQ(S().present.Windowed, 1);
}

TEST_F(SettingsFixture, AValueWithoutAWordLosesItsEmptyLine) {
    ASSERT_TRUE(video.CreateDefaultSettings(false));
    S().present.PresentationInterval = 3;
    S().deviceType = D3DDEVTYPE_SW;
    video.SaveSettings();
    std::vector<std::string> lines = Lines(ReadSettingsFile());
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines[14], "PRESENTATION_INTERVAL = ");
    EXPECT_EQ(lines[22], "DEVICE_TYPE = ");
    EXPECT_EQ(lines[23], "# Device Behavior - Possible values: HARDWARE, MIXED, or SOFTWARE");
    EXPECT_EQ(lines[15], "# Backbuffer Resolution - Common values: \"640 x 480\", \"800 x 600\", \"1024 x 768\"");
}

// A refused file says on which line and with which key or value, the last
// word too when no line end follows it; sizes that are negative, too large
// or no numbers at all are refused, never wrapped round or read as 0.
TEST_F(SettingsFixture, ARefusalNamesTheLineAndTheWordAtFault) {
    EXPECT_EQ(Problem("# settings\n\nWINDOWED = TRUE\nFULLSCREEN = TRUE\n"), "line 4: unknown key \"FULLSCREEN\"");
    EXPECT_EQ(Problem("# settings\n\nWINDOWED = TRUE\nFULLSCREEN\n"), "line 4: unknown key \"FULLSCREEN\"");
    EXPECT_EQ(Problem("# settings\n\nWINDOWED = TRUE\nFULLSCREEN"), "line 4: unknown key \"FULLSCREEN\"");
    EXPECT_EQ(Problem("WINDOWED = maybe"), "line 1: WINDOWED: \"maybe\" is not a value it takes");
    EXPECT_EQ(Problem("\nRESOLUTION = -640 x 480\n"),
              "line 2: RESOLUTION: \"-640\" is not a size from 1 to 16384");
    EXPECT_EQ(Problem("RESOLUTION = 640 x 4294967297\n"),
              "line 1: RESOLUTION: \"4294967297\" is not a size from 1 to 16384");
    EXPECT_EQ(Problem("RESOLUTION = 0 x 480\n"), "line 1: RESOLUTION: \"0\" is not a size from 1 to 16384");
    EXPECT_EQ(Problem("RESOLUTION = default x 480\n"),
              "line 1: RESOLUTION: \"default\" is not a size from 1 to 16384");
    EXPECT_EQ(Problem("BACKBUFFER_RESOLUTION = -1 x 480\n"),
              "line 1: BACKBUFFER_RESOLUTION: \"-1\" is not a size from 0 to 16384");
    EXPECT_EQ(Problem("ZBUFFER_DEPTH = nan"), "line 1: ZBUFFER_DEPTH: \"nan\" is not a number from 0 to 1");
    EXPECT_EQ(Problem("CLEAR_COLOR = black 0 0\n"), "line 1: CLEAR_COLOR: \"black\" is not a whole number");
    EXPECT_EQ(Problem("\n# " + std::string(300, 'c') + "\n"), "line 2: a comment longer than 254 characters");
    EXPECT_EQ(Problem(std::string(256, 'A') + " = 1\n"), "line 1: a word of 256 characters or more");

    // A back buffer the device cannot make, by its caps.
    EXPECT_EQ(Problem("DEVICE_TYPE = HAL\nBACKBUFFER_RESOLUTION = 16384 x 16384\n"),
              "line 2: BACKBUFFER_RESOLUTION: 16384 x 16384 is larger than the device's largest, 8192 x 8192");
    EXPECT_EQ(Problem("DEVICE_TYPE = HAL BACKBUFFER_RESOLUTION = 8192 x 8192"), "");

    // Within range all is well; a back buffer of 0 takes the window's size.
    EXPECT_EQ(Problem("RESOLUTION = 16384 x 1 BACKBUFFER_RESOLUTION = 0 x 0 SCREEN_REFRESH_RATE = 0"), "");
    EXPECT_EQ(S().windowWidth, 16384);
    EXPECT_EQ(S().present.BackBufferWidth, 0u);
}

// A setting that ends short is named on its own line, not on the line of
// the word that gave it away, here in the file the game writes.
TEST_F(SettingsFixture, ASettingThatEndsShortIsNamedOnItsOwnLine) {
    auto edited = [](const std::string& from, const std::string& to) {
        std::string text = kDefaultFile;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    EXPECT_EQ(Problem(edited("TARGET ZBUFFER STENCIL !END_FLAGS", "TARGET")),
              "line 37: CLEAR_SURFACE_FLAGS: no \"!END_FLAGS\" after the flags, so \"#\" on line 39 ended them");
    EXPECT_EQ(Problem(edited("CLEAR_COLOR = 0 6 102 ", "CLEAR_COLOR = 1 2")),
              "line 30: CLEAR_COLOR: a value is missing; on line 32, \"#\" is not a whole number");
    EXPECT_EQ(Problem(edited("RESOLUTION = 1600 x 900", "RESOLUTION = 1600 x")),
              "line 6: RESOLUTION: a value is missing; on line 8, \"#\" is not a size from 1 to 16384");
    // The flags may end with any other word when what follows reads on.
    EXPECT_EQ(Problem(edited("STENCIL !END_FLAGS", "STENCIL END")), "");
}

// A depth buffer in a format that is no depth format is refused as the
// device would refuse it; with the depth buffer off the format is unused.
TEST_F(SettingsFixture, ADepthFormatThatIsNoDepthFormatIsRefused) {
    EXPECT_EQ(Problem("DEVICE_TYPE = HAL\nENABLE_DEPTH_BUFFER = TRUE\nDEPTH_BUFFER_FORMAT = INDEX16\n"),
              "line 3: DEPTH_BUFFER_FORMAT: INDEX16 is not a depth format, and a device makes no depth buffer in it");
    EXPECT_EQ(Problem("DEPTH_BUFFER_FORMAT = VERTEXDATA ENABLE_DEPTH_BUFFER = FALSE"), "");
    EXPECT_EQ(Problem("DEPTH_BUFFER_FORMAT = D32 ENABLE_DEPTH_BUFFER = TRUE"), "");
}

// Where the defaults cannot be written (here a folder nobody may create
// files in, root included), the failure is reported and no file is left;
// the defaults still serve this run.
TEST_F(SettingsFixture, AFailedWriteOfTheDefaultsIsReported) {
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path("/proc");
    ::testing::internal::CaptureStderr();
    const bool made = video.CreateDefaultSettings(false);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    std::filesystem::current_path(here);
    EXPECT_TRUE(made);
    EXPECT_NE(errors.find("The settings could not be saved: /proc/settings.txt: cannot create a temporary file"),
              std::string::npos)
        << errors;
    EXPECT_EQ(S().present.BackBufferWidth, 1600u);
}
