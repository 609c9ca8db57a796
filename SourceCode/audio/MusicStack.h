#pragma once
// The music tracks: one audible track at a time, streamed. A new track either
// replaces the current one at once or is laid on top of it while the current
// one fades out and waits beneath; popping fades the top track out and the
// one beneath back in. Fades are linear in game time.
#include <cstdint>
#include <list>

#include "platform/sound/Sound.h"

// How one track is started.
struct MusicParams {
    // Milliseconds. Below 0 the new track replaces the current one; 0 or more
    // stacks it, the current one fading out over this time (0: it keeps its
    // volume).
    std::int32_t fadeOutOld = -1;
    // Milliseconds; above 0 the new track fades in from silence.
    std::int32_t fadeIn = 0;
    // Multiplies the stream's own playback frequency.
    float pitch = 1.0f;
    // In PCM samples; used when above 0.
    std::uint32_t startPosition = 0;
    // In PCM samples; used when loopEnd is above loopStart.
    std::uint32_t loopStart = 0;
    std::uint32_t loopEnd = 0;
    std::uint8_t loop = 1;
    // Used when loop is set and the count is above 0; otherwise a looping
    // track loops without end.
    std::int32_t loopCount = -1;
};

struct MusicTrack {
    plat::FSOUND_STREAM* stream = nullptr;
    // -1 while the track has no channel.
    int channel = -1;
    // Milliseconds: 0 no fade; below 0 fading in over -fade; above 0 fading
    // out over fade.
    std::int32_t fade = 0;
    // The track's share of the music volume, 0..1.
    float scale = 0.0f;
};

class MusicStack {
public:
    // Tracks that may be stacked at once; a request for one more is dropped.
    static constexpr std::size_t kMaxStacked = 4;

    void Play(const char* file, const MusicParams* params, std::uint8_t volume);
    void Pop();
    // One frame of every fade; dt in seconds of game time.
    void Update(float dt, std::uint8_t volume);
    // Writes volume x scale to every track's channel at once.
    void ApplyVolume(std::uint8_t volume);
    // Empties both lists without a word to the sound library (which has just
    // been closed and has ended every stream itself).
    void Forget();

    // Front = the current track; behind it the tracks stacked beneath.
    const std::list<MusicTrack>& Playing() const { return playing; }
    // Popped tracks fading to silence.
    const std::list<MusicTrack>& FadingOut() const { return fadingOut; }

private:
    void StartStream(MusicTrack& track, const char* file, const MusicParams& params, std::uint8_t volume);

    std::list<MusicTrack> playing;
    std::list<MusicTrack> fadingOut;
};

// A channel volume 0..255 for a music volume and a fade scale.
int MusicChannelVolume(std::uint8_t volume, float scale);
// A channel frequency times a pitch, truncated toward zero. A pitch of 0 or
// less (or not a number) leaves the frequency as it is, and the result is
// never below 1 Hz: a channel at 0 Hz would hang silent forever.
int ScaledFrequency(int frequency, float pitch);
