// The real sound library, mixed through OpenAL Soft's loopback device: the
// tests render the output themselves, 10 ms at a time with the library's
// per-frame update in between, as the frame loop would. No real time is
// involved, so a loaded machine cannot change what they hear.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/sound/OpenALSound.h"
#include "platform/sound/Sound.h"
#include "platform/sound/SoundFile.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;

constexpr int kRate = 22050;
constexpr int kOutputRate = 44100;
// A block of output is "sounding" above this peak and silent below kQuiet.
constexpr int kLoud = 2000;
constexpr int kQuiet = 40;

// One scratch folder for the test program, removed when it ends.
const fs::path& Scratch() {
    static const ScopedTempDir dir;
    return dir.Path();
}

// Seconds of a 440 Hz tone (amplitude one half) and of silence, in turn.
std::string WriteToneFile(const std::string& name, std::initializer_list<std::pair<bool, double>> parts) {
    std::vector<std::int16_t> samples;
    for (auto [tone, seconds] : parts) {
        int count = static_cast<int>(seconds * kRate);
        for (int i = 0; i < count; ++i) {
            double value = tone ? 0.5 * std::sin(2.0 * 3.14159265358979 * 440.0 * samples.size() / kRate) : 0.0;
            samples.push_back(static_cast<std::int16_t>(value * 32767.0));
        }
    }
    std::string path = (Scratch() / name).string();
    EXPECT_TRUE(WriteWav16(path, kRate, samples));
    return path;
}

// The mixed output as the peak of each 10 ms block, per side.
struct Output {
    std::vector<int> left, right;

    int Peak(std::size_t block) const { return std::max(left[block], right[block]); }
    std::size_t Blocks() const { return left.size(); }
    // Sounding stretches, as their lengths in blocks.
    std::vector<int> Bursts() const {
        std::vector<int> bursts;
        bool sounding = false;
        for (std::size_t b = 0; b < Blocks(); ++b) {
            bool loud = Peak(b) > kLoud;
            if (loud && !sounding) bursts.push_back(0);
            if (loud) ++bursts.back();
            // A tone's own zero crossings never make a whole block quiet.
            sounding = loud || (sounding && Peak(b) > kQuiet);
        }
        return bursts;
    }
    bool SilentAtTheEnd(std::size_t blocks) const {
        for (std::size_t b = Blocks() - blocks; b < Blocks(); ++b)
            if (Peak(b) > kQuiet) return false;
        return true;
    }
    bool SoundingAtTheEnd(std::size_t blocks) const {
        for (std::size_t b = Blocks() - blocks; b < Blocks(); ++b)
            if (Peak(b) < kLoud) return false;
        return true;
    }
};

class MixedOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseLoopbackSoundDevice(true);
        ASSERT_TRUE(FSOUND_Init(kOutputRate, 32, 0));
    }
    void TearDown() override {
        FSOUND_Close();
        UseLoopbackSoundDevice(false);
    }

    // Mixes the next milliseconds of output in 10 ms blocks, refilling the
    // streams between blocks as the frame loop does.
    void PlayFor(int milliseconds) {
        const int block = kOutputRate / 100;
        std::vector<std::int16_t> frames(std::size_t(block) * 2);
        for (int done = 0; done < milliseconds; done += 10) {
            FSOUND_Update();
            ASSERT_TRUE(RenderSoundFrames(frames.data(), block));
            int left = 0, right = 0;
            for (int i = 0; i < block; ++i) {
                left = std::max(left, std::abs(int(frames[2 * std::size_t(i)])));
                right = std::max(right, std::abs(int(frames[2 * std::size_t(i) + 1])));
            }
            output.left.push_back(left);
            output.right.push_back(right);
        }
    }
    // What was mixed so far.
    const Output& Finish() const { return output; }

    Output output;
};

TEST_F(MixedOutputTest, APlayedSampleSoundsAndAStoppedOneFallsSilent) {
    FSOUND_SAMPLE* tone = FSOUND_Sample_Load(FSOUND_FREE, WriteToneFile("tone.wav", {{true, 0.2}}).c_str(),
                                             FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(tone, nullptr);
    int channel = FSOUND_PlaySoundEx(FSOUND_FREE, tone, nullptr, false);
    ASSERT_GT(channel, 0);
    EXPECT_EQ(FSOUND_GetFrequency(channel), kRate);
    PlayFor(400);
    EXPECT_TRUE(FSOUND_StopSound(channel));
    PlayFor(300);

    const Output& output = Finish();
    ASSERT_GT(output.Blocks(), 40u);
    ASSERT_EQ(output.Bursts().size(), 1u);
    EXPECT_NEAR(output.Bursts()[0], 40, 2);  // the 400 ms it played
    EXPECT_TRUE(output.SilentAtTheEnd(15));
}

TEST_F(MixedOutputTest, PanPutsA2DSoundOnItsSide) {
    std::string file = WriteToneFile("tone.wav", {{true, 0.2}});
    FSOUND_SAMPLE* tone = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    int channel = FSOUND_PlaySoundEx(FSOUND_FREE, tone, nullptr, true);
    ASSERT_TRUE(FSOUND_SetPan(channel, 0));
    ASSERT_TRUE(FSOUND_SetPaused(channel, false));
    PlayFor(400);

    const Output& output = Finish();
    ASSERT_TRUE(output.SoundingAtTheEnd(10));
    std::size_t last = output.Blocks() - 5;
    EXPECT_GT(output.left[last], 2 * output.right[last]);
}

// The engine's space is left-handed: with the listener looking down +z and
// y up, +x is on the right.
TEST_F(MixedOutputTest, A3DSoundIsPlacedInTheEnginesLeftHandedSpace) {
    std::string file = WriteToneFile("tone.wav", {{true, 0.2}});
    FSOUND_SAMPLE* tone = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_HW3D | FSOUND_LOOP_NORMAL, 0, 0);
    const float origin[] = {0, 0, 0};
    FSOUND_3D_Listener_SetAttributes(origin, origin, 0, 0, 1, 0, 1, 0);
    int channel = FSOUND_PlaySoundEx(FSOUND_FREE, tone, nullptr, true);
    const float right[] = {2, 0, 0};
    ASSERT_TRUE(FSOUND_3D_SetAttributes(channel, right, origin));
    FSOUND_SetPaused(channel, false);
    PlayFor(400);

    const Output& output = Finish();
    ASSERT_TRUE(output.SoundingAtTheEnd(10));
    std::size_t last = output.Blocks() - 5;
    EXPECT_GT(output.right[last], 2 * output.left[last]);
}

TEST_F(MixedOutputTest, AReservedChannelIsNeverTakenAndStolenHandlesGoStale) {
    std::string file = WriteToneFile("tone.wav", {{true, 0.2}});
    FSOUND_SAMPLE* tone = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    int reserved = FSOUND_PlaySoundEx(FSOUND_FREE, tone, nullptr, false);
    ASSERT_TRUE(FSOUND_SetReserved(reserved, true));

    // 31 free channels, then 9 more sounds that take over the oldest.
    std::vector<int> handles;
    for (int i = 0; i < 40; ++i) {
        int handle = FSOUND_PlaySoundEx(FSOUND_FREE, tone, nullptr, false);
        ASSERT_GT(handle, 0) << i;
        EXPECT_NE(handle & kSoundChannelIndexMask, reserved & kSoundChannelIndexMask) << i;
        handles.push_back(handle);
    }
    EXPECT_EQ(FSOUND_GetFrequency(reserved), kRate);
    EXPECT_EQ(FSOUND_GetFrequency(handles[0]), 0);
    EXPECT_FALSE(FSOUND_SetVolume(handles[0], 10));
    EXPECT_FALSE(FSOUND_StopSound(handles[0]));
    EXPECT_FALSE(FSOUND_SetVolume(-1, 10));

    // Nothing may be taken over when every channel outranks a new sound.
    for (std::size_t i = 9; i < handles.size(); ++i) ASSERT_TRUE(FSOUND_SetPriority(handles[i], 255));
    EXPECT_EQ(FSOUND_PlaySoundEx(FSOUND_FREE, tone, nullptr, false), -1);

    for (std::size_t i = 9; i < handles.size(); ++i) FSOUND_StopSound(handles[i]);
    PlayFor(300);
    const Output& output = Finish();
    EXPECT_TRUE(output.SoundingAtTheEnd(10));
}

TEST_F(MixedOutputTest, AStreamLoopsUntilItIsClosed) {
    std::string file = WriteToneFile("beat.wav", {{true, 0.1}, {false, 0.2}});
    FSOUND_STREAM* stream = FSOUND_Stream_Open(file.c_str(), FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(stream, nullptr);
    int channel = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, false);
    ASSERT_GT(channel, 0);
    PlayFor(1300);
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
    EXPECT_FALSE(FSOUND_SetVolume(channel, 10) && FSOUND_GetFrequency(channel) == 0);
    PlayFor(300);

    const Output& output = Finish();
    // A 100 ms beat every 300 ms for 1300 ms.
    EXPECT_EQ(output.Bursts().size(), 5u);
    EXPECT_TRUE(output.SilentAtTheEnd(15));
}

// The engine starts every sound paused and then unpauses it: on a channel
// that a closed stream left behind, the sound must still play.
TEST_F(MixedOutputTest, ASoundStartedPausedWhereAClosedStreamPlayedSoundsOnceUnpaused) {
    FSOUND_STREAM* stream =
        FSOUND_Stream_Open(WriteToneFile("beat.wav", {{true, 0.3}}).c_str(), FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    const int music = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, false);
    PlayFor(100);
    FSOUND_StopSound(music);
    FSOUND_Stream_Close(stream);
    PlayFor(100);
    FSOUND_SAMPLE* tone = FSOUND_Sample_Load(FSOUND_FREE, WriteToneFile("tone.wav", {{true, 0.5}}).c_str(),
                                             FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, tone, nullptr, true);
    EXPECT_EQ(channel & kSoundChannelIndexMask, music & kSoundChannelIndexMask);
    FSOUND_SetLoopMode(channel, FSOUND_LOOP_OFF);
    ASSERT_TRUE(FSOUND_SetPaused(channel, false));
    PlayFor(200);

    EXPECT_TRUE(Finish().SoundingAtTheEnd(10));
}

TEST_F(MixedOutputTest, AStreamLoopsAsOftenAsItsCountSays) {
    std::string file = WriteToneFile("beat.wav", {{true, 0.1}, {false, 0.2}});
    FSOUND_STREAM* stream = FSOUND_Stream_Open(file.c_str(), FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_TRUE(FSOUND_Stream_SetLoopCount(stream, 1));
    FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, false);
    PlayFor(1300);

    EXPECT_EQ(Finish().Bursts().size(), 2u);
}

TEST_F(MixedOutputTest, AStreamLoopsBetweenItsLoopPointsFromItsStartPosition) {
    // A short tone, a gap, then a long tone that the loop never reaches.
    std::string file = WriteToneFile("parts.wav", {{false, 0.1}, {true, 0.1}, {false, 0.1}, {true, 0.4}});
    FSOUND_STREAM* stream = FSOUND_Stream_Open(file.c_str(), FSOUND_2D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_TRUE(FSOUND_Stream_SetLoopPoints(stream, kRate / 10, 3 * kRate / 10));
    EXPECT_FALSE(FSOUND_Stream_SetLoopPoints(stream, 500, 500));
    int channel = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, true);
    ASSERT_TRUE(FSOUND_SetCurrentPosition(channel, kRate / 10));
    FSOUND_SetPaused(channel, false);
    PlayFor(1200);

    const Output& output = Finish();
    std::vector<int> bursts = output.Bursts();
    // The short tone every 200 ms; the long one would give a 40-block burst.
    EXPECT_EQ(bursts.size(), 6u);
    for (int length : bursts) EXPECT_LE(length, 12);
}

// The loopback device, with a working folder of the test's own current,
// holding the game's files (the fallback sound among them), while it lives;
// both put back when it goes.
struct AudioBesideTheFallback {
    AudioBesideTheFallback() {
        LayOutGameFiles(dir.Path());
        UseLoopbackSoundDevice(true);
    }
    ~AudioBesideTheFallback() { UseLoopbackSoundDevice(false); }
    AudioBesideTheFallback(const AudioBesideTheFallback&) = delete;
    AudioBesideTheFallback& operator=(const AudioBesideTheFallback&) = delete;
    const ScopedTempDir dir;
};

// A sound or music file that is missing is said once, with the reason; the
// fallback sound plays in its place. So is a FIFO, which nobody writes to:
// opening it must not wait for a writer.
TEST(MissingSoundTest, EveryMissingSoundOrMusicFileIsSaidOnceWithItsReason) {
    ScopedTempDir dir;
    const std::string fifo = (dir.Path() / "pipe.wav").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    AudioBesideTheFallback beside;
    {
        Audio audio;
        ASSERT_TRUE(audio.Init());
        ::testing::internal::CaptureStderr();
        EXPECT_NE(audio.PlaySound("Assets/Audio/Game/gone.wav"), -1);
        EXPECT_NE(audio.PlaySound("Assets/Audio/Game/gone.wav"), -1);
        audio.PlayMusic("Assets/Audio/Music/gone.wav");
        EXPECT_NE(audio.PlaySound(fifo.c_str()), -1);
        const std::string err = ::testing::internal::GetCapturedStderr();
        // Named as found, in the game's folder.
        const std::string game = fs::current_path().string();
        EXPECT_EQ(err, "Error: Sound not loaded: " + game + "/Assets/Audio/Game/gone.wav: No such file or directory\n"
                       "Error: Sound not loaded: " + game + "/Assets/Audio/Music/gone.wav: No such file or directory\n"
                       "Error: Sound not loaded: " + fifo + ": a FIFO, not a regular file\n");
        audio.Shutdown();
    }
}

// A header's sample rate sizes the stream's buffers: one that no device
// plays is refused with a line naming the file, for sounds and music alike,
// before anything is sized by it.
TEST(MissingSoundTest, ARateNoDevicePlaysIsRefusedWithALine) {
    const std::string path = WriteToneFile("fast.wav", {{true, 0.05}});
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const std::uint32_t rate = 0x20000000, bytesPerSecond = rate * 2;
        file.seekp(24).write(reinterpret_cast<const char*>(&rate), 4);  // little-endian, as WAV is
        file.write(reinterpret_cast<const char*>(&bytesPerSecond), 4);
    }
    UseLoopbackSoundDevice(true);
    ASSERT_TRUE(FSOUND_Init(kOutputRate, 32, 0));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_2D, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_Open(path.c_str(), FSOUND_2D, 0, 0), nullptr);
    // Said once: the error log does not repeat a line.
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: Sound not loaded: " + path + ": unsupported layout (1 channels at 536870912 Hz)\n");
    FSOUND_Close();
    UseLoopbackSoundDevice(false);
}

// A sound effect is decoded whole: one longer than a minute is refused
// with a line naming it (the fallback plays in its place), while the same
// file still streams as music. Written at a low rate, the files stay small.
TEST(MissingSoundTest, ASoundEffectLongerThanAMinuteIsRefusedWithALine) {
    const int rate = 1000;
    const std::string minute = (Scratch() / "minute.wav").string(), longer = (Scratch() / "longer.wav").string();
    ASSERT_TRUE(WriteWav16(minute, rate, std::vector<std::int16_t>(60 * rate, 1000)));
    ASSERT_TRUE(WriteWav16(longer, rate, std::vector<std::int16_t>(61 * rate, 1000)));
    AudioBesideTheFallback beside;
    {
        Audio audio;
        ASSERT_TRUE(audio.Init());
        ::testing::internal::CaptureStderr();
        EXPECT_NE(FSOUND_Sample_Load(FSOUND_FREE, minute.c_str(), FSOUND_2D, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, longer.c_str(), FSOUND_2D, 0, 0), nullptr);
        EXPECT_GT(audio.PlaySound(longer.c_str()), 0);
        EXPECT_GT(audio.PlaySound(longer.c_str()), 0);
        FSOUND_STREAM* music = FSOUND_Stream_Open(longer.c_str(), FSOUND_2D, 0, 0);
        EXPECT_NE(music, nullptr);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Error: Sound not loaded: " + longer + ": it lasts 61 s, and a sound effect at most 60 s\n");
        FSOUND_Stream_Close(music);
        audio.Shutdown();
    }
}

TEST(NoSoundDeviceTest, EveryCallIsAHarmlessNoOpAndAudioStaysSilent) {
    // A device no back end knows: OpenAL reads its drivers only once, when
    // the process first uses it, which an earlier test may have done.
    UseSoundDeviceNamed("no-such-device");
    EXPECT_FALSE(FSOUND_Init(44100, 32, 0));
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, WriteToneFile("tone.wav", {{true, 0.1}}).c_str(), FSOUND_2D, 0, 0),
              nullptr);
    EXPECT_EQ(FSOUND_PlaySoundEx(FSOUND_FREE, nullptr, nullptr, false), -1);
    EXPECT_EQ(FSOUND_Stream_Open("x.wav", FSOUND_2D, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_PlayEx(FSOUND_FREE, nullptr, nullptr, false), -1);
    EXPECT_FALSE(FSOUND_Stream_Close(nullptr));
    const float zero[] = {0, 0, 0};
    FSOUND_3D_Listener_SetAttributes(zero, zero, 0, 0, 1, 0, 1, 0);
    FSOUND_SetSFXMasterVolume(3);
    FSOUND_Update();
    for (int handle : {-1, 0, 1, 4097}) {
        EXPECT_FALSE(FSOUND_SetVolume(handle, 1));
        EXPECT_FALSE(FSOUND_SetPaused(handle, false));
        EXPECT_EQ(FSOUND_GetFrequency(handle), 0);
        EXPECT_FALSE(FSOUND_StopSound(handle));
    }
    FSOUND_Close();

    Audio audio;
    EXPECT_FALSE(audio.Init());
    EXPECT_EQ(eTable::Peek(names::Audio), &audio);
    EXPECT_EQ(audio.PlaySound("Assets/Audio/Char/seed1.wav"), 0);
    audio.PlayMusic("Assets/Audio/Music/drift.wav");
    EXPECT_FALSE(audio.Update());
    UseSoundDeviceNamed(nullptr);
}

}  // namespace
