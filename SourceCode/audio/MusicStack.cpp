#include "audio/MusicStack.h"

#include <algorithm>

#include "audio/SoundNames.h"
#include "core/DIva.h"

namespace {
constexpr unsigned kMusicMode = plat::FSOUND_2D | plat::FSOUND_LOOP_NORMAL;
constexpr float kHighestFrequency = 1.0e7f;

// The fade step of one frame, clamped to 0..1.
void StepFade(MusicTrack& track, float dt) {
    if (track.fade != 0) track.scale -= dt / (static_cast<float>(track.fade) * 0.001f);
    if (track.scale > 1.0f) track.scale = 1.0f;
    if (!(track.scale > 0.0f)) track.scale = 0.0f;
}

void CloseTrack(MusicTrack& track) {
    plat::FSOUND_SetReserved(track.channel, false);
    plat::FSOUND_StopSound(track.channel);
    plat::FSOUND_Stream_Close(track.stream);
    track.stream = nullptr;
    track.channel = -1;
}
}  // namespace

int MusicChannelVolume(std::uint8_t volume, float scale) {
    return static_cast<int>(static_cast<float>(volume) * std::clamp(scale, 0.0f, 1.0f));
}

int ScaledFrequency(int frequency, float pitch) {
    if (!(pitch > 0.0f)) return frequency;
    float scaled = std::min(static_cast<float>(frequency) * pitch, kHighestFrequency);
    return std::max(1, static_cast<int>(scaled));
}

void MusicStack::Play(const char* file, const MusicParams* given, std::uint8_t volume) {
    const MusicParams params = given ? *given : MusicParams{};
    if (params.fadeOutOld >= 0 && !playing.empty()) {
        if (playing.size() >= kMaxStacked) return;
        playing.front().fade = params.fadeOutOld;
        playing.emplace_front();
    }
    if (playing.empty()) playing.emplace_front();

    MusicTrack& track = playing.front();
    if (params.fadeIn > 0) {
        track.fade = -params.fadeIn;
        track.scale = 0.0f;
    } else {
        track.fade = 0;
        track.scale = 1.0f;
    }
    MusicTrack replaced = track;
    StartStream(track, file, params, volume);
    // A replaced track stops at once, without a fade.
    if (replaced.stream) CloseTrack(replaced);
}

void MusicStack::StartStream(MusicTrack& track, const char* file, const MusicParams& params,
                             std::uint8_t volume) {
    track.stream = plat::FSOUND_Stream_Open(GamePath(file ? file : "").c_str(), kMusicMode, 0, 0);
    if (!track.stream) track.stream = plat::FSOUND_Stream_Open(GamePath(kFallbackSound).c_str(), kMusicMode, 0, 0);
    if (params.loopEnd > params.loopStart)
        plat::FSOUND_Stream_SetLoopPoints(track.stream, params.loopStart, params.loopEnd);
    if (params.loop && params.loopCount > 0) plat::FSOUND_Stream_SetLoopCount(track.stream, params.loopCount);

    track.channel = plat::FSOUND_Stream_PlayEx(plat::FSOUND_FREE, track.stream, nullptr, true);
    // Music never yields its channel to a sound effect, and the sound-effect
    // master volume does not touch it.
    plat::FSOUND_SetReserved(track.channel, true);
    plat::FSOUND_SetVolumeAbsolute(track.channel, MusicChannelVolume(volume, track.scale));
    plat::FSOUND_SetFrequency(track.channel,
                              ScaledFrequency(plat::FSOUND_GetFrequency(track.channel), params.pitch));
    plat::FSOUND_SetLoopMode(track.channel, params.loop ? plat::FSOUND_LOOP_NORMAL : plat::FSOUND_LOOP_OFF);
    if (params.startPosition > 0) plat::FSOUND_SetCurrentPosition(track.channel, params.startPosition);
    plat::FSOUND_SetPaused(track.channel, false);
}

void MusicStack::Pop() {
    if (playing.empty()) return;
    MusicTrack& top = playing.front();
    if (top.fade == 0)
        top.scale = 0.0f;
    else if (top.fade < 0)
        top.fade = -top.fade;  // fades out over the time of its own fade-in
    fadingOut.splice(fadingOut.begin(), playing, playing.begin());

    if (playing.empty()) return;
    MusicTrack& next = playing.front();
    if (next.fade == 0)
        next.scale = 1.0f;
    else if (next.fade > 0)
        next.fade = -next.fade;  // back in over the time it took to fade out
}

void MusicStack::Update(float dt, std::uint8_t volume) {
    for (MusicTrack& track : playing) {
        StepFade(track, dt);
        plat::FSOUND_SetVolumeAbsolute(track.channel, MusicChannelVolume(volume, track.scale));
    }
    for (auto it = fadingOut.begin(); it != fadingOut.end();) {
        auto next = std::next(it);
        StepFade(*it, dt);
        if (it->scale > 0.0f) {
            plat::FSOUND_SetVolumeAbsolute(it->channel, MusicChannelVolume(volume, it->scale));
        } else {
            if (it->stream) CloseTrack(*it);
            fadingOut.erase(it);
        }
        it = next;
    }
}

void MusicStack::ApplyVolume(std::uint8_t volume) {
    for (const MusicTrack& track : playing)
        plat::FSOUND_SetVolumeAbsolute(track.channel, MusicChannelVolume(volume, track.scale));
    for (const MusicTrack& track : fadingOut)
        plat::FSOUND_SetVolumeAbsolute(track.channel, MusicChannelVolume(volume, track.scale));
}

void MusicStack::Forget() {
    playing.clear();
    fadingOut.clear();
}
