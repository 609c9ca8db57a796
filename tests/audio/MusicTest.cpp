// The music stack of "Audio" against a recording stand-in of the sound
// library, with the game time driven by an injected clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

#include "RecordingSoundLibrary.h"
#include "audio/Audio.h"
#include "core/Timer.h"
#include "platform/window/Clock.h"

namespace {

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetClockSource([this] { return now; });
        ASSERT_TRUE(timer.Init());
        library.existingFiles = {"one.ogg", "two.ogg", "three.ogg", "four.ogg", "five.ogg",
                                 "Assets/Audio/_invalid_filename.wav"};
        ASSERT_TRUE(audio.Init());
    }
    void TearDown() override { plat::SetClockSource(nullptr); }

    // One frame of the given length of game time.
    void Frame(std::uint32_t milliseconds) {
        now += milliseconds;
        timer.Update();
        audio.Update();
    }

    const MusicTrack& Track(std::size_t position) const {
        return *std::next(audio.Music().Playing().begin(), static_cast<std::ptrdiff_t>(position));
    }
    const RecordingSoundLibrary::Channel& ChannelOf(const MusicTrack& track) {
        return library.channels.at(track.channel);
    }
    static MusicParams Stacked(int fadeOutOld, int fadeIn) {
        MusicParams params;
        params.fadeOutOld = fadeOutOld;
        params.fadeIn = fadeIn;
        return params;
    }

    std::uint32_t now = 5000;
    Timer timer;
    RecordingSoundLibrary library;
    Audio audio;
};

TEST_F(MusicTest, AStackedTrackCrossFadesLinearlyInGameTime) {
    audio.PlayMusic("one.ogg");
    const MusicParams params = Stacked(2000, 1000);
    audio.PlayMusic("two.ogg", &params);
    ASSERT_EQ(audio.Music().Playing().size(), 2u);
    EXPECT_EQ(ChannelOf(Track(0)).volume, 0);

    Frame(500);
    EXPECT_FLOAT_EQ(Track(0).scale, 0.5f);
    EXPECT_FLOAT_EQ(Track(1).scale, 0.75f);
    Frame(500);
    EXPECT_FLOAT_EQ(Track(0).scale, 1.0f);
    EXPECT_FLOAT_EQ(Track(1).scale, 0.5f);
    EXPECT_EQ(ChannelOf(Track(0)).volume, 255);
    EXPECT_EQ(ChannelOf(Track(1)).volume, 127);

    // The old track reaches silence after 2 s and plays on beneath.
    Frame(1000);
    Frame(1000);
    EXPECT_EQ(Track(1).scale, 0.0f);
    EXPECT_EQ(ChannelOf(Track(1)).volume, 0);
    EXPECT_FALSE(ChannelOf(Track(1)).stopped);
    EXPECT_EQ(Track(0).scale, 1.0f);

    // Popping fades the new one out over 1 s and the old back in over 2 s.
    const MusicTrack* popped = &Track(0);
    const int poppedChannel = popped->channel;
    audio.PopMusic();
    ASSERT_EQ(audio.Music().Playing().size(), 1u);
    ASSERT_EQ(audio.Music().FadingOut().size(), 1u);
    Frame(500);
    EXPECT_FLOAT_EQ(audio.Music().FadingOut().front().scale, 0.5f);
    EXPECT_FLOAT_EQ(Track(0).scale, 0.25f);
    Frame(500);
    EXPECT_TRUE(audio.Music().FadingOut().empty());
    EXPECT_TRUE(library.channels[poppedChannel].stopped);
    EXPECT_FALSE(library.channels[poppedChannel].reserved);
    EXPECT_EQ(library.OpenStreams(), 1);
    Frame(1000);
    EXPECT_FLOAT_EQ(Track(0).scale, 1.0f);
}

TEST_F(MusicTest, StackingWithoutFadeKeepsTheOldTrackAtItsVolume) {
    audio.PlayMusic("one.ogg");
    const MusicParams params = Stacked(0, 0);
    audio.PlayMusic("two.ogg", &params);
    Frame(3000);
    EXPECT_EQ(ChannelOf(Track(1)).volume, 255);
    EXPECT_EQ(ChannelOf(Track(0)).volume, 255);
}

TEST_F(MusicTest, AReplacingTrackStopsTheOldOneAtOnce) {
    audio.PlayMusicEvent("one.ogg");
    int first = library.playOrder.back();
    audio.PlayMusicEvent("two.ogg");
    EXPECT_EQ(audio.Music().Playing().size(), 1u);
    EXPECT_EQ(library.OpenStreams(), 1);
    EXPECT_TRUE(library.channels[first].stopped);
    EXPECT_FALSE(library.channels[first].reserved);

    const auto& current = ChannelOf(Track(0));
    EXPECT_TRUE(current.reserved);
    EXPECT_TRUE(current.absoluteVolume);
    EXPECT_EQ(current.volume, 255);
    EXPECT_EQ(current.loopMode, plat::FSOUND_LOOP_NORMAL);
    EXPECT_FALSE(current.paused);
    EXPECT_EQ(current.stream->loopCount, -1);
}

TEST_F(MusicTest, NomusPopsAndOnlyTheExactNameDoes) {
    audio.PlayMusicEvent("one.ogg");
    int channel = Track(0).channel;
    audio.PlayMusicEvent("NOMUS");
    EXPECT_TRUE(audio.Music().Playing().empty());
    ASSERT_EQ(audio.Music().FadingOut().size(), 1u);
    EXPECT_EQ(audio.Music().FadingOut().front().scale, 0.0f);
    Frame(16);
    EXPECT_TRUE(audio.Music().FadingOut().empty());
    EXPECT_TRUE(library.channels[channel].stopped);
    EXPECT_EQ(library.OpenStreams(), 0);

    audio.PlayMusicEvent("NOMUS ");
    audio.PlayMusicEvent("nomus");
    EXPECT_EQ(library.LoadsOf("NOMUS "), 1);
    EXPECT_EQ(library.LoadsOf("nomus"), 1);
    // Only "nomus" plays now ("NOMUS " was replaced); pop it and let it fade.
    ASSERT_EQ(audio.Music().Playing().size(), 1u);
    audio.PopMusic();
    Frame(2000);
    ASSERT_TRUE(audio.Music().Playing().empty());
    ASSERT_TRUE(audio.Music().FadingOut().empty());
    ASSERT_EQ(library.OpenStreams(), 0);
    // Pop on an empty stack changes nothing.
    const std::size_t started = library.playOrder.size();
    audio.PopMusic();
    audio.PopMusic();
    EXPECT_TRUE(audio.Music().Playing().empty());
    EXPECT_TRUE(audio.Music().FadingOut().empty());
    EXPECT_EQ(library.OpenStreams(), 0);
    EXPECT_EQ(library.playOrder.size(), started);
}

TEST_F(MusicTest, AFifthStackedTrackIsDroppedButAReplacementStillReplaces) {
    const char* files[] = {"one.ogg", "two.ogg", "three.ogg", "four.ogg"};
    const MusicParams params = Stacked(100, 100);
    audio.PlayMusic(files[0]);
    for (int i = 1; i < 4; ++i) audio.PlayMusic(files[i], &params);
    ASSERT_EQ(audio.Music().Playing().size(), 4u);

    audio.PlayMusic("five.ogg", &params);
    EXPECT_EQ(audio.Music().Playing().size(), 4u);
    EXPECT_EQ(library.LoadsOf("five.ogg"), 0);

    audio.PlayMusic("five.ogg");
    EXPECT_EQ(audio.Music().Playing().size(), 4u);
    EXPECT_EQ(ChannelOf(Track(0)).stream->name, "five.ogg");
    EXPECT_EQ(library.OpenStreams(), 4);
}

TEST_F(MusicTest, APausedTimerHoldsEveryFade) {
    audio.PlayMusic("one.ogg");
    const MusicParams params = Stacked(1000, 1000);
    audio.PlayMusic("two.ogg", &params);
    timer.SetPaused(true);
    Frame(500);
    EXPECT_EQ(Track(0).scale, 0.0f);
    EXPECT_EQ(Track(1).scale, 1.0f);
}

TEST_F(MusicTest, MusicVolumeScalesEveryTrackByItsFadeWithoutAJump) {
    audio.PlayMusic("one.ogg");
    const MusicParams params = Stacked(1000, 1000);
    audio.PlayMusic("two.ogg", &params);
    Frame(500);
    audio.SetMusicVolume(100);
    EXPECT_EQ(audio.GetMusicVolume(), 100);
    EXPECT_EQ(ChannelOf(Track(0)).volume, 50);
    EXPECT_EQ(ChannelOf(Track(1)).volume, 50);

    audio.SetMusicVolume(0);
    Frame(200);
    EXPECT_EQ(ChannelOf(Track(0)).volume, 0);
    EXPECT_EQ(ChannelOf(Track(1)).volume, 0);
}

TEST_F(MusicTest, StartParametersReachTheStream) {
    MusicParams params;
    params.pitch = 0.5f;
    params.startPosition = 1234;
    params.loopStart = 100;
    params.loopEnd = 900;
    params.loopCount = 3;
    audio.PlayMusic("one.ogg", &params);
    const auto& channel = ChannelOf(Track(0));
    EXPECT_EQ(channel.frequency, 22050);
    EXPECT_EQ(channel.pcmPosition, 1234u);
    EXPECT_EQ(channel.stream->loopStart, 100u);
    EXPECT_EQ(channel.stream->loopEnd, 900u);
    EXPECT_EQ(channel.stream->loopCount, 3);

    // Loop points that are not a range, and a count without looping, are
    // not applied.
    params.loopEnd = 100;
    params.loop = 0;
    audio.PlayMusic("two.ogg", &params);
    EXPECT_EQ(ChannelOf(Track(0)).stream->loopEnd, 0u);
    EXPECT_EQ(ChannelOf(Track(0)).stream->loopCount, -1);
    EXPECT_EQ(ChannelOf(Track(0)).loopMode, plat::FSOUND_LOOP_OFF);
}

TEST_F(MusicTest, AMissingTrackPlaysTheFallbackAndWithoutOneStaysSilent) {
    audio.PlayMusic("gone.ogg");
    EXPECT_EQ(ChannelOf(Track(0)).stream->name, "Assets\\Audio\\_invalid_filename.wav");

    library.existingFiles.clear();
    const MusicParams params = Stacked(0, 0);
    audio.PlayMusic("gone.ogg", &params);
    ASSERT_EQ(audio.Music().Playing().size(), 2u);
    EXPECT_EQ(Track(0).stream, nullptr);
    EXPECT_EQ(Track(0).channel, -1);
    Frame(100);
    audio.PopMusic();
    Frame(100);
    EXPECT_TRUE(audio.Music().FadingOut().empty());
}

}  // namespace
