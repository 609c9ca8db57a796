#include "audio/Audio.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/common/ErrorLog.h"
#include "core/DIva.h"
#include "core/Random.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"

namespace {
// Larger pools would overflow the byte count.
constexpr std::int32_t kLargestPoolMB = 2047;

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &v);
    return unit;
}

// The library's pan 0..255 for -1..+1: 0 centre gives 128.
int LibraryPan(float pan) {
    if (std::isnan(pan)) return 128;
    float value = pan * 128.0f + 128.0f;
    if (value > 255.0f) value = 255.0f;
    if (value < 0.0f) value = 0.0f;
    return static_cast<int>(value);
}

// Samples keep the mode of their load: 3D or 2D, looping allowed.
unsigned ModeFor(bool is3D) { return (is3D ? plat::FSOUND_HW3D : plat::FSOUND_2D) | plat::FSOUND_LOOP_NORMAL; }
}  // namespace

Audio::~Audio() {
    Shutdown();
    // A system whose library never started is still registered.
    eTable::RemoveSystem(this);
}

bool Audio::Init(void* a, void*) {
    if (initialized) return false;
    name = names::Audio;
    if (eTable::Peek(names::Audio) != this && !eTable::Register(name, this)) return false;

    params = AudioParams{};
    if (a) params = *static_cast<const AudioParams*>(a);
    params.listenerForward = Normalized(params.listenerForward);
    params.listenerUp = Normalized(params.listenerUp);

    const std::int32_t poolMB = std::clamp(params.memoryMB, 0, kLargestPoolMB);
    const int poolBytes = poolMB << 20;
    memoryPool = std::make_unique_for_overwrite<std::byte[]>(static_cast<std::size_t>(poolBytes));

    DIva* app = GetDIva();
    plat::FSOUND_SetHWND(app ? app->WindowHandle() : nullptr);
    plat::FSOUND_SetMinHardwareChannels(params.minHardwareChannels);
    plat::FSOUND_SetMemorySystem(memoryPool.get(), poolBytes, nullptr, nullptr, nullptr);
    if (!plat::FSOUND_Init(kMixRate, kChannelCount, 0)) {
        memoryPool.reset();
        // Not an error: the game runs on, silent. One line says why.
        plat::LogErrorF("No sound device could be opened: the game runs without sound.\n");
        return false;
    }
    plat::FSOUND_3D_SetDistanceFactor(params.distanceFactor);
    plat::FSOUND_3D_SetDopplerFactor(params.dopplerFactor);
    plat::FSOUND_3D_SetRolloffFactor(params.rolloffFactor);
    plat::FSOUND_SetSFXMasterVolume(params.sfxVolume);
    initialized = true;
    return true;
}

bool Audio::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    const D3DXVECTOR3& forward = params.listenerForward;
    const D3DXVECTOR3& up = params.listenerUp;
    plat::FSOUND_3D_Listener_SetAttributes(params.listenerPosition, params.listenerVelocity, forward.x, forward.y,
                                           forward.z, up.x, up.y, up.z);
    plat::FSOUND_Update();
    UpdateMusic();
    return true;
}

bool Audio::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    // Closing the library ends every channel, sample and stream.
    plat::FSOUND_Close();
    memoryPool.reset();
    music.Forget();
    sampleCache.Clear();
    fallbacks[0] = fallbacks[1] = nullptr;
    saidCacheFull = false;
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void Audio::SetListener(D3DXVECTOR3 position, D3DXVECTOR3 velocity, D3DXVECTOR3 forward, D3DXVECTOR3 up) {
    if (!initialized) return;
    params.listenerPosition = position;
    params.listenerVelocity = velocity;
    params.listenerForward = Normalized(forward);
    params.listenerUp = Normalized(up);
}

void Audio::SetSFXVolume(std::uint8_t volume) {
    // Kept without a device too: the volume commands report and step from it.
    params.sfxVolume = volume;
    if (initialized) plat::FSOUND_SetSFXMasterVolume(volume);
}

int Audio::PlaySound(const char* file, const SoundParams* given) {
    if (!initialized) return 0;
    const SoundParams local = given ? *given : SoundParams{};
    const char* name = file ? file : "";

    plat::FSOUND_SAMPLE* sample = sampleCache.Find(name);
    if (!sample) sample = LoadSample(name, local.is3D != 0);
    int channel = plat::FSOUND_PlaySoundEx(plat::FSOUND_FREE, sample, nullptr, true);
    ApplySoundParams(channel, local);
    plat::FSOUND_SetPaused(channel, false);
    return channel;
}

plat::FSOUND_SAMPLE* Audio::LoadSample(const char* name, bool is3D) {
    if (sampleCache.NewNodesFor(name) > kMostCachedNameCharacters - sampleCache.NodeCount()) {
        if (!saidCacheFull)
            plat::LogErrorF("Error: Sound not loaded: %s: the sound names played take more than %zu characters; "
                            "this and every further new name play the fallback sound\n",
                            name, kMostCachedNameCharacters);
        saidCacheFull = true;
        return Fallback(is3D);
    }
    plat::FSOUND_SAMPLE* sample =
        plat::FSOUND_Sample_Load(plat::FSOUND_FREE, GamePath(name).c_str(), ModeFor(is3D), 0, 0);
    if (!sample) sample = Fallback(is3D);
    // Cached under the name asked for, so a missing file is served by the
    // fallback from now on; a null is stored too and tried again next time.
    sampleCache.Insert(name, sample);
    return sample;
}

plat::FSOUND_SAMPLE* Audio::Fallback(bool is3D) {
    plat::FSOUND_SAMPLE*& fallback = fallbacks[is3D ? 1 : 0];
    if (!fallback)
        fallback = plat::FSOUND_Sample_Load(plat::FSOUND_FREE, GamePath(kFallbackSound).c_str(), ModeFor(is3D), 0, 0);
    return fallback;
}

int Audio::PlayRandomSoundFrom(const SoundParams* params, const char* const* files) {
    if (!initialized || !files) return 0;
    int count = 0;
    while (files[count]) ++count;
    if (count == 0) return 0;
    return PlaySound(files[Random::Next() % count], params);
}

void Audio::ApplySoundParams(int channel, const SoundParams& p) {
    if (!initialized) return;
    plat::FSOUND_SetVolume(channel, p.volume);
    plat::FSOUND_SetFrequency(channel, ScaledFrequency(plat::FSOUND_GetFrequency(channel), p.pitch));
    plat::FSOUND_SetLoopMode(channel, p.loop ? plat::FSOUND_LOOP_NORMAL : plat::FSOUND_LOOP_OFF);
    plat::FSOUND_SetPriority(channel, p.priority);
    if (p.is3D) {
        plat::FSOUND_3D_SetAttributes(channel, p.position, p.velocity);
        return;
    }
    plat::FSOUND_SetPan(channel, LibraryPan(p.pan));
}

void Audio::SetMusicVolume(std::uint8_t volume) {
    params.musicVolume = volume;
    if (!initialized) return;
    // Each track at its own fade scale: a fading track keeps its place in
    // the fade instead of jumping to full volume for a frame.
    music.ApplyVolume(volume);
}

void Audio::PlayMusic(const char* file, const MusicParams* musicParams) {
    if (!initialized) return;
    music.Play(file ? file : "", musicParams, params.musicVolume);
}

void Audio::PopMusic() {
    if (!initialized) return;
    music.Pop();
}

void Audio::UpdateMusic() {
    if (!initialized) return;
    music.Update(FrameSeconds(), params.musicVolume);
}

void Audio::PlayMusicEvent(const char* file) {
    if (!initialized) return;
    if (file && std::strcmp(file, "NOMUS") == 0)
        PopMusic();
    else
        PlayMusic(file, nullptr);
}
