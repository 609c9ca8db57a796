#pragma once
// The engine's sound system ("Audio"): sets up the sound library, plays
// sound effects through a cache that loads each file once, keeps the 3D
// listener and owns the music stack. Every other part reaches it through the
// registry when it needs it. When the library cannot start (no audio device)
// "Audio" stays registered and plays nothing, so the game runs silent; the
// two volumes are still kept as set.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/MusicStack.h"
#include "audio/NameTrie.h"
#include "audio/SoundNames.h"
#include "core/System.h"
#include "platform/d3dx/Math3D.h"
#include "platform/sound/Sound.h"

// The start-up block handed to Init.
struct AudioParams {
    std::int32_t minHardwareChannels = 16;
    // Size of the library's memory pool in MiB.
    std::int32_t memoryMB = 16;
    float distanceFactor = 1.0f;
    float dopplerFactor = 1.0f;
    float rolloffFactor = 1.0f;
    std::uint8_t sfxVolume = 255;
    std::uint8_t musicVolume = 255;
    D3DXVECTOR3 listenerPosition{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 listenerVelocity{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 listenerForward{1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 listenerUp{0.0f, 1.0f, 0.0f};
};

// How one sound is played.
struct SoundParams {
    // 0..255, relative to the sound-effect master volume.
    std::uint8_t volume = 255;
    // -1 full left .. +1 full right; 2D sounds only.
    float pan = 0.0f;
    // Multiplies the sample's own playback frequency.
    float pitch = 1.0f;
    std::uint8_t loop = 0;
    std::uint8_t priority = 0;
    std::uint8_t is3D = 0;
    // Carried for the callers; the library is not given them.
    float minDistance = 1.0f;
    float maxDistance = 1.0e9f;
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
};

class Audio : public System {
public:
    // The library runs at this mix rate with this many channels.
    static constexpr int kMixRate = 44100;
    static constexpr int kChannelCount = 32;
    // The sample cache keeps names up to this many characters in all (a
    // beginning that names share counts once). A new name that does not fit
    // is neither loaded nor kept: it plays the fallback sound.
    static constexpr std::size_t kMostCachedNameCharacters = 32768;

    Audio() = default;
    ~Audio() override;

    // a: const AudioParams* or null for the defaults; b unused. False when
    // already initialised, when the name cannot be registered, or when the
    // sound library cannot start (then "Audio" stays registered, silent).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    // Stored at once (forward and up normalised), handed to the library at
    // the next Update.
    void SetListener(D3DXVECTOR3 position, D3DXVECTOR3 velocity, D3DXVECTOR3 forward, D3DXVECTOR3 up);
    void SetSFXVolume(std::uint8_t volume);

    // Plays file with params (the defaults when null); returns the channel,
    // 0 before Init.
    int PlaySound(const char* file, const SoundParams* params = nullptr);
    // Plays one of the names, picked with the engine's generator; the list ends at the first
    // null. 0 when there is none.
    template <class... Names>
    int PlayRandomSound(const SoundParams* params, Names... files) {
        const char* const list[] = {static_cast<const char*>(files)..., nullptr};
        return PlayRandomSoundFrom(params, list);
    }
    int PlayRandomSoundFrom(const SoundParams* params, const char* const* files);
    void ApplySoundParams(int channel, const SoundParams& params);

    std::uint8_t GetMusicVolume() const { return params.musicVolume; }
    void SetMusicVolume(std::uint8_t volume);
    void PlayMusic(const char* file, const MusicParams* params = nullptr);
    void PopMusic();
    void UpdateMusic();
    // What a scripted music event does with its file name: "NOMUS" pops the
    // current track, any other name replaces it, looping, without fades.
    void PlayMusicEvent(const char* file);

    const AudioParams& Params() const { return params; }
    const MusicStack& Music() const { return music; }

private:
    // Loads the named sample, or takes the fallback in its place, and
    // remembers it under the name while the cache has room.
    plat::FSOUND_SAMPLE* LoadSample(const char* name, bool is3D);
    // The fallback sample of the mode, loaded once for every name that
    // cannot be played; null while it cannot be loaded.
    plat::FSOUND_SAMPLE* Fallback(bool is3D);

    AudioParams params;
    NameTrie<plat::FSOUND_SAMPLE*> sampleCache;
    plat::FSOUND_SAMPLE* fallbacks[2] = {};  // 2D, 3D
    bool saidCacheFull = false;
    MusicStack music;
    std::unique_ptr<std::byte[]> memoryPool;
};
