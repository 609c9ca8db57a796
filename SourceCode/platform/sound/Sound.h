#pragma once
// The sound part of the platform layer: thirty operations shaped like the
// FSOUND calls the audio system was designed against (same arguments, same
// results), done over OpenAL Soft and libsndfile. The free functions forward
// to the current SoundLibrary, which tests may replace by a recording
// stand-in.
//
// Channels are int handles: the low 12 bits hold the channel's index, the
// bits above a generation counter that grows each time the channel is given
// a new sound. A handle whose generation is no longer the channel's is
// stale: like -1, it is accepted and ignored. Valid handles are never 0 or
// negative.
#include <cstdint>

#include "platform/window/Window.h"

namespace plat {

// As a channel argument: "pick a channel from the pool".
inline constexpr int FSOUND_FREE = -1;

// Sample and stream modes, and channel loop modes.
enum : unsigned {
    FSOUND_LOOP_OFF = 0x0001,
    FSOUND_LOOP_NORMAL = 0x0002,
    FSOUND_LOOP_BIDI = 0x0004,  // played as a normal loop
    FSOUND_HW3D = 0x1000,
    FSOUND_2D = 0x2000,
};

inline constexpr int kSoundChannelIndexBits = 12;
inline constexpr int kSoundChannelIndexMask = (1 << kSoundChannelIndexBits) - 1;
// The priority a new sound has until the caller sets its own; a busy channel
// is taken over only when its priority is not above this.
inline constexpr int kDefaultSoundPriority = 128;

// Loaded sounds and open streams, owned by the library that made them.
struct FSOUND_SAMPLE {
    virtual ~FSOUND_SAMPLE() = default;
};
struct FSOUND_STREAM {
    virtual ~FSOUND_STREAM() = default;
};

using FSOUND_ALLOCCALLBACK = void* (*)(unsigned int size);
using FSOUND_REALLOCCALLBACK = void* (*)(void* block, unsigned int size);
using FSOUND_FREECALLBACK = void (*)(void* block);

// What the thirty operations do. Every call made before a successful Init,
// after Close, or when Init found no audio device is a harmless no-op that
// reports failure (false, null, -1 or 0).
class SoundLibrary {
public:
    virtual ~SoundLibrary() = default;

    // Set-up.
    virtual bool SetHWND(HWND window) = 0;
    virtual bool SetMinHardwareChannels(int count) = 0;
    virtual bool SetMemorySystem(void* pool, int length, FSOUND_ALLOCCALLBACK alloc,
                                 FSOUND_REALLOCCALLBACK realloc, FSOUND_FREECALLBACK free) = 0;
    virtual bool Init(int mixRate, int channelCount, unsigned flags) = 0;
    // Ends every channel and frees every sample and stream.
    virtual void Close() = 0;
    // Once a frame: refills the streams.
    virtual void Update() = 0;

    // 3D. Vectors are three floats in the engine's left-handed space.
    virtual void SetDistanceFactor(float unitsPerMeter) = 0;
    virtual void SetDopplerFactor(float scale) = 0;
    virtual void SetRolloffFactor(float scale) = 0;
    virtual void SetListenerAttributes(const float* position, const float* velocity, float forwardX,
                                       float forwardY, float forwardZ, float upX, float upY,
                                       float upZ) = 0;
    virtual bool Set3DAttributes(int channel, const float* position, const float* velocity) = 0;

    // Samples: loaded whole; index is FSOUND_FREE; offset and length are not
    // used (files only).
    virtual FSOUND_SAMPLE* SampleLoad(int index, const char* name, unsigned mode, int offset,
                                      int length) = 0;
    // Returns the channel handle, or -1.
    virtual int PlaySoundEx(int channel, FSOUND_SAMPLE* sample, void* dsp, bool startPaused) = 0;

    // Channels.
    virtual bool SetPaused(int channel, bool paused) = 0;
    // 0..255, scaled by the master sound-effect volume.
    virtual bool SetVolume(int channel, int volume) = 0;
    // 0..255, not scaled.
    virtual bool SetVolumeAbsolute(int channel, int volume) = 0;
    virtual void SetSFXMasterVolume(int volume) = 0;
    // Playback rate in Hz; 0 for a stale handle.
    virtual int GetFrequency(int channel) = 0;
    virtual bool SetFrequency(int channel, int frequency) = 0;
    virtual bool SetLoopMode(int channel, unsigned mode) = 0;
    virtual bool SetPriority(int channel, int priority) = 0;
    virtual bool SetReserved(int channel, bool reserved) = 0;
    // 0 full left, 128 centre, 255 full right; 2D channels only.
    virtual bool SetPan(int channel, int pan) = 0;
    // In PCM samples from the start of the sound.
    virtual bool SetCurrentPosition(int channel, unsigned position) = 0;
    virtual bool StopSound(int channel) = 0;

    // Streams: decoded a little at a time while they play.
    virtual FSOUND_STREAM* StreamOpen(const char* name, unsigned mode, int offset, int length) = 0;
    virtual bool StreamSetLoopPoints(FSOUND_STREAM* stream, unsigned start, unsigned end) = 0;
    virtual bool StreamSetLoopCount(FSOUND_STREAM* stream, int count) = 0;
    virtual int StreamPlayEx(int channel, FSOUND_STREAM* stream, void* dsp, bool startPaused) = 0;
    // Stops the stream's channel and frees it.
    virtual bool StreamClose(FSOUND_STREAM* stream) = 0;
};

// The library the FSOUND calls go to. Null restores the OpenAL one.
void SetSoundLibrary(SoundLibrary* library);
SoundLibrary& CurrentSoundLibrary();

// The calls themselves.
bool FSOUND_SetHWND(HWND window);
bool FSOUND_SetMinHardwareChannels(int count);
bool FSOUND_SetMemorySystem(void* pool, int length, FSOUND_ALLOCCALLBACK alloc,
                            FSOUND_REALLOCCALLBACK realloc, FSOUND_FREECALLBACK free);
bool FSOUND_Init(int mixRate, int channelCount, unsigned flags);
void FSOUND_Close();
void FSOUND_Update();
void FSOUND_3D_SetDistanceFactor(float unitsPerMeter);
void FSOUND_3D_SetDopplerFactor(float scale);
void FSOUND_3D_SetRolloffFactor(float scale);
void FSOUND_3D_Listener_SetAttributes(const float* position, const float* velocity, float forwardX,
                                      float forwardY, float forwardZ, float upX, float upY,
                                      float upZ);
bool FSOUND_3D_SetAttributes(int channel, const float* position, const float* velocity);
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned mode, int offset,
                                  int length);
int FSOUND_PlaySoundEx(int channel, FSOUND_SAMPLE* sample, void* dsp, bool startPaused);
bool FSOUND_SetPaused(int channel, bool paused);
bool FSOUND_SetVolume(int channel, int volume);
bool FSOUND_SetVolumeAbsolute(int channel, int volume);
void FSOUND_SetSFXMasterVolume(int volume);
int FSOUND_GetFrequency(int channel);
bool FSOUND_SetFrequency(int channel, int frequency);
bool FSOUND_SetLoopMode(int channel, unsigned mode);
bool FSOUND_SetPriority(int channel, int priority);
bool FSOUND_SetReserved(int channel, bool reserved);
bool FSOUND_SetPan(int channel, int pan);
bool FSOUND_SetCurrentPosition(int channel, unsigned position);
bool FSOUND_StopSound(int channel);
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned mode, int offset, int length);
bool FSOUND_Stream_SetLoopPoints(FSOUND_STREAM* stream, unsigned start, unsigned end);
bool FSOUND_Stream_SetLoopCount(FSOUND_STREAM* stream, int count);
int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM* stream, void* dsp, bool startPaused);
bool FSOUND_Stream_Close(FSOUND_STREAM* stream);

}  // namespace plat
