// The sound-effect side of "Audio" against a recording stand-in of the sound
// library: what it loads, caches and asks of each channel.
#include "core/Random.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "audio/Audio.h"
#include "core/DIva.h"
#include "core/WinMain.h"
#include "RecordingSoundLibrary.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"

namespace {

const std::string kFallbackPath = "Assets/Audio/_invalid_filename.wav";

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        library.existingFiles = {"hit.wav", "a.wav", "b.wav", kFallbackPath};
        ASSERT_TRUE(audio.Init());
    }

    RecordingSoundLibrary library;
    Audio audio;
};

TEST(AudioLifeTest, InitHandsTheParameterBlockToTheLibrary) {
    RecordingSoundLibrary library;
    Audio audio;
    AudioParams params;
    params.distanceFactor = 100.0f;
    params.rolloffFactor = 0.01f;
    params.sfxVolume = 200;
    ASSERT_TRUE(audio.Init(&params));
    EXPECT_EQ(eTable::Peek(names::Audio), &audio);
    EXPECT_FLOAT_EQ(library.distanceFactor, 100.0f);
    EXPECT_FLOAT_EQ(library.dopplerFactor, 1.0f);
    EXPECT_FLOAT_EQ(library.rolloffFactor, 0.01f);
    EXPECT_EQ(library.masterVolume, 200);
    EXPECT_FALSE(audio.Init(&params));

    ASSERT_TRUE(audio.Shutdown());
    EXPECT_EQ(library.closeCalls, 1);
    EXPECT_EQ(eTable::Peek(names::Audio), nullptr);
}

TEST(AudioLifeTest, TheApplicationStartsAudioBeforeTheTimerWithGameDistances) {
    ScopedTempDir dir;
    LayOutGameFiles(dir.Path());  // the video system loads the scene's meshes
    RecordingSoundLibrary library;
    DIva::ResetStartedFlagForTests();
    ASSERT_TRUE(plat::RegisterClassA("MyWndClass", WndProc));
    WindowPair pair{plat::CreateWindowExA("MyWndClass", "Tollymop"), nullptr};
    {
        DIva app;
        ASSERT_TRUE(app.Init(&pair));
        auto* audio = static_cast<Audio*>(eTable::Peek(names::Audio));
        ASSERT_NE(audio, nullptr);
        EXPECT_TRUE(audio->IsInitialized());
        EXPECT_FLOAT_EQ(library.distanceFactor, 100.0f);
        EXPECT_FLOAT_EQ(library.rolloffFactor, 0.01f);
        EXPECT_FLOAT_EQ(library.dopplerFactor, 1.0f);
        const auto& children = app.Children();
        auto audioAt = std::find(children.begin(), children.end(), audio);
        auto timerAt = std::find(children.begin(), children.end(), eTable::Peek(names::Timer));
        EXPECT_LT(std::distance(children.begin(), audioAt), std::distance(children.begin(), timerAt));
        app.Update();
        EXPECT_EQ(library.updateCalls, 1);
        app.Shutdown();
        EXPECT_EQ(library.closeCalls, 1);
        EXPECT_EQ(eTable::Peek(names::Audio), nullptr);
    }
    plat::UnregisterClassA("MyWndClass");
}

TEST(AudioLifeTest, WithoutASoundDeviceStaysRegisteredAndDoesNothing) {
    RecordingSoundLibrary library;
    library.initSucceeds = false;
    library.existingFiles = {"hit.wav", kFallbackPath};
    {
        Audio audio;
        EXPECT_FALSE(audio.Init());
        // Systems that look "Audio" up every frame still find it.
        EXPECT_EQ(eTable::Peek(names::Audio), &audio);
        EXPECT_EQ(audio.PlaySound("hit.wav"), 0);
        EXPECT_EQ(audio.PlayRandomSound(nullptr, "hit.wav"), 0);
        audio.PlayMusic("hit.wav");
        audio.PopMusic();
        audio.SetMusicVolume(3);
        audio.SetSFXVolume(3);
        EXPECT_FALSE(audio.Update());
        EXPECT_FALSE(audio.Shutdown());
        EXPECT_TRUE(library.loads.empty());
        EXPECT_EQ(library.masterVolume, -1);
        // Kept as values, which the volume commands report and step from.
        EXPECT_EQ(audio.GetMusicVolume(), 3);
        EXPECT_EQ(audio.Params().sfxVolume, 3);
    }
    EXPECT_EQ(eTable::Peek(names::Audio), nullptr);
}

TEST_F(AudioTest, AMissingFileLoadsTheFallbackOnceAndKeepsIt) {
    int first = audio.PlaySound("gone.wav");
    int second = audio.PlaySound("gone.wav");
    EXPECT_EQ(library.LoadsOf("gone.wav"), 1);
    EXPECT_EQ(library.LoadsOf("Assets\\Audio\\_invalid_filename.wav"), 1);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(library.channels[first].sample->name, "Assets\\Audio\\_invalid_filename.wav");
    EXPECT_EQ(library.channels[second].sample, library.channels[first].sample);

    // Every name that cannot be found shares the one fallback of its mode.
    audio.PlaySound("also-gone.wav");
    EXPECT_EQ(library.Last().sample, library.channels[first].sample);
    SoundParams as3D;
    as3D.is3D = 1;
    audio.PlaySound("gone-in-3d.wav", &as3D);
    audio.PlaySound("also-gone-in-3d.wav", &as3D);
    EXPECT_EQ(library.LoadsOf("Assets\\Audio\\_invalid_filename.wav"), 2);
    EXPECT_EQ(library.Last().sample->mode, plat::FSOUND_HW3D | plat::FSOUND_LOOP_NORMAL);
}

// Names a script makes up claim memory in the cache: past its room a new
// name is neither loaded nor kept, plays the fallback, and is said once.
TEST_F(AudioTest, TheNamesKeptAreBoundedAndNewOnesPastThemPlayTheFallback) {
    const std::string stem(1000, 'n'), real = stem + ".wav";
    library.existingFiles.insert(real);
    const int names = int(Audio::kMostCachedNameCharacters / stem.size()) + 10;
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < names; ++i) audio.PlaySound((std::to_string(i) + stem).c_str());
    audio.PlaySound(real.c_str());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(library.LoadsOf(std::to_string(names - 1) + stem), 0);
    EXPECT_EQ(library.LoadsOf(real), 0);
    EXPECT_EQ(library.Last().sample->name, "Assets\\Audio\\_invalid_filename.wav");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("the sound names played take more than 32768 characters"), std::string::npos) << err;
    // Names kept before still play what they loaded.
    audio.PlaySound((std::to_string(0) + stem).c_str());
    EXPECT_EQ(library.LoadsOf(std::to_string(0) + stem), 1);
}

TEST_F(AudioTest, WhenEvenTheFallbackIsMissingTheLoadIsTriedAgain) {
    library.existingFiles.clear();
    EXPECT_EQ(audio.PlaySound("gone.wav"), -1);
    EXPECT_EQ(audio.PlaySound("gone.wav"), -1);
    EXPECT_EQ(library.LoadsOf("gone.wav"), 2);
}

TEST_F(AudioTest, ASampleIsLoadedOnceAndKeepsTheModeOfItsFirstLoad) {
    SoundParams as3D;
    as3D.is3D = 1;
    audio.PlaySound("hit.wav");
    audio.PlaySound("hit.wav", &as3D);
    ASSERT_EQ(library.LoadsOf("hit.wav"), 1);
    EXPECT_EQ(library.Last().sample->mode, plat::FSOUND_2D | plat::FSOUND_LOOP_NORMAL);

    audio.PlaySound("a.wav", &as3D);
    EXPECT_EQ(library.Last().sample->mode, plat::FSOUND_HW3D | plat::FSOUND_LOOP_NORMAL);
}

TEST_F(AudioTest, SoundsStartPausedAndAreReleasedConfigured) {
    SoundParams params;
    params.volume = 99;
    params.priority = 7;
    int channel = audio.PlaySound("hit.wav", &params);
    const auto& c = library.channels[channel];
    EXPECT_FALSE(c.paused);
    EXPECT_EQ(c.volume, 99);
    EXPECT_FALSE(c.absoluteVolume);
    EXPECT_EQ(c.priority, 7);
    EXPECT_EQ(c.loopMode, plat::FSOUND_LOOP_OFF);

    params.loop = 1;
    audio.PlaySound("hit.wav", &params);
    EXPECT_EQ(library.Last().loopMode, plat::FSOUND_LOOP_NORMAL);
}

TEST_F(AudioTest, PanMapsMinusOneToPlusOneOntoTheLibraryRange) {
    const std::pair<float, int> cases[] = {{-1.0f, 0},  {0.0f, 128}, {1.0f, 255},
                                           {2.0f, 255}, {-3.0f, 0},  {0.5f, 192},
                                           {std::numeric_limits<float>::quiet_NaN(), 128}};
    for (auto [pan, expected] : cases) {
        SoundParams params;
        params.pan = pan;
        audio.PlaySound("hit.wav", &params);
        EXPECT_EQ(library.Last().pan, expected) << "pan " << pan;
        EXPECT_FALSE(library.Last().has3D);
    }
}

TEST_F(AudioTest, A3DSoundGetsItsPositionAndNoPan) {
    SoundParams params;
    params.is3D = 1;
    params.pan = 1.0f;
    params.position = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    audio.PlaySound("hit.wav", &params);
    EXPECT_TRUE(library.Last().has3D);
    EXPECT_EQ(library.Last().position[2], 3.0f);
    EXPECT_EQ(library.Last().pan, -1);
}

TEST_F(AudioTest, PitchScalesTheChannelFrequencyAndNeverReachesZero) {
    const std::pair<float, int> cases[] = {
        {0.5f, 22050}, {1.0f, 44100}, {2.0f, 88200}, {0.3f, 13230},
        // Not a playable pitch: the sample keeps its own frequency.
        {0.0f, 44100}, {-1.0f, 44100}, {std::numeric_limits<float>::quiet_NaN(), 44100},
        // Far too low: the slowest the channel can go.
        {1e-9f, 1}};
    for (auto [pitch, expected] : cases) {
        SoundParams params;
        params.pitch = pitch;
        audio.PlaySound("hit.wav", &params);
        EXPECT_EQ(library.Last().frequency, expected) << "pitch " << pitch;
    }
    library.sampleRate = 11025;
    SoundParams odd;
    odd.pitch = 0.5f;
    audio.PlaySound("hit.wav", &odd);
    EXPECT_EQ(library.Last().frequency, 5512);  // truncated toward zero
}

TEST_F(AudioTest, PlayRandomSoundPicksOnlyFromTheNamesBeforeTheNull) {
    EXPECT_EQ(audio.PlayRandomSound(nullptr), 0);
    EXPECT_EQ(audio.PlayRandomSound(nullptr, nullptr, "a.wav"), 0);
    EXPECT_TRUE(library.channels.empty());

    for (int i = 0; i < 10; ++i) audio.PlayRandomSound(nullptr, "a.wav");
    EXPECT_EQ(library.LoadsOf("a.wav"), 1);
    EXPECT_EQ(library.channels.size(), 10u);

    Random::Seed(1);
    for (int i = 0; i < 40; ++i) audio.PlayRandomSound(nullptr, "a.wav", "b.wav", nullptr, "hit.wav");
    EXPECT_EQ(library.LoadsOf("b.wav"), 1);
    EXPECT_EQ(library.LoadsOf("hit.wav"), 0);
}

TEST_F(AudioTest, TheListenerReachesTheLibraryAtTheNextUpdateNormalised) {
    audio.SetListener({1, 2, 3}, {4, 5, 6}, {0, 0, 2}, {0, 3, 0});
    EXPECT_EQ(library.listener[0], 0.0f);
    ASSERT_TRUE(audio.Update());
    EXPECT_EQ(library.updateCalls, 1);
    const float expected[12] = {1, 2, 3, 4, 5, 6, 0, 0, 1, 0, 1, 0};
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(library.listener[i], expected[i]) << i;
}

TEST_F(AudioTest, TheSoundEffectVolumeLeavesMusicAlone) {
    audio.PlayMusic("a.wav");
    int music = library.playOrder.back();
    audio.SetSFXVolume(10);
    EXPECT_EQ(library.masterVolume, 10);
    EXPECT_EQ(library.channels[music].volume, 255);
    EXPECT_TRUE(library.channels[music].absoluteVolume);
}

TEST_F(AudioTest, ShutdownForgetsTheCachedSamples) {
    audio.PlaySound("hit.wav");
    ASSERT_TRUE(audio.Shutdown());
    ASSERT_TRUE(audio.Init());
    audio.PlaySound("hit.wav");
    EXPECT_EQ(library.LoadsOf("hit.wav"), 2);
}

TEST(NameTrieTest, KeepsEveryNameApartWhateverItsBytes) {
    NameTrie<int> trie;
    const std::string names[] = {"", "a", "ab", "abc", "b", std::string("\x01\xff\x80", 3),
                                 std::string("a\0b", 3), "Assets\\Audio\\x.wav", std::string(5000, 'z')};
    int value = 1;
    for (const auto& name : names) trie.Insert(name, value++);
    value = 1;
    for (const auto& name : names) EXPECT_EQ(trie.Find(name), value++);
    EXPECT_EQ(trie.Find("abcd"), 0);
    EXPECT_EQ(trie.Find("c"), 0);
    EXPECT_EQ(trie.Find(std::string("a\0c", 3)), 0);

    trie.Insert("ab", 0);
    EXPECT_EQ(trie.Find("ab"), 0);
    EXPECT_EQ(trie.Find("abc"), 4);

    trie.Clear();
    EXPECT_EQ(trie.NodeCount(), 1u);
    for (const auto& name : names) EXPECT_EQ(trie.Find(name), 0);
}

}  // namespace
