#include "platform/sound/Sound.h"

#include "platform/sound/OpenALSound.h"

namespace plat {
namespace {
SoundLibrary* installed = nullptr;
}

void SetSoundLibrary(SoundLibrary* library) { installed = library; }

SoundLibrary& CurrentSoundLibrary() { return installed ? *installed : OpenALSound(); }

bool FSOUND_SetHWND(HWND window) { return CurrentSoundLibrary().SetHWND(window); }
bool FSOUND_SetMinHardwareChannels(int count) { return CurrentSoundLibrary().SetMinHardwareChannels(count); }
bool FSOUND_SetMemorySystem(void* pool, int length, FSOUND_ALLOCCALLBACK alloc,
                            FSOUND_REALLOCCALLBACK realloc, FSOUND_FREECALLBACK free) {
    return CurrentSoundLibrary().SetMemorySystem(pool, length, alloc, realloc, free);
}
bool FSOUND_Init(int mixRate, int channelCount, unsigned flags) {
    return CurrentSoundLibrary().Init(mixRate, channelCount, flags);
}
void FSOUND_Close() { CurrentSoundLibrary().Close(); }
void FSOUND_Update() { CurrentSoundLibrary().Update(); }
void FSOUND_3D_SetDistanceFactor(float unitsPerMeter) { CurrentSoundLibrary().SetDistanceFactor(unitsPerMeter); }
void FSOUND_3D_SetDopplerFactor(float scale) { CurrentSoundLibrary().SetDopplerFactor(scale); }
void FSOUND_3D_SetRolloffFactor(float scale) { CurrentSoundLibrary().SetRolloffFactor(scale); }
void FSOUND_3D_Listener_SetAttributes(const float* position, const float* velocity, float forwardX,
                                      float forwardY, float forwardZ, float upX, float upY, float upZ) {
    CurrentSoundLibrary().SetListenerAttributes(position, velocity, forwardX, forwardY, forwardZ, upX, upY, upZ);
}
bool FSOUND_3D_SetAttributes(int channel, const float* position, const float* velocity) {
    return CurrentSoundLibrary().Set3DAttributes(channel, position, velocity);
}
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned mode, int offset, int length) {
    return CurrentSoundLibrary().SampleLoad(index, name, mode, offset, length);
}
int FSOUND_PlaySoundEx(int channel, FSOUND_SAMPLE* sample, void* dsp, bool startPaused) {
    return CurrentSoundLibrary().PlaySoundEx(channel, sample, dsp, startPaused);
}
bool FSOUND_SetPaused(int channel, bool paused) { return CurrentSoundLibrary().SetPaused(channel, paused); }
bool FSOUND_SetVolume(int channel, int volume) { return CurrentSoundLibrary().SetVolume(channel, volume); }
bool FSOUND_SetVolumeAbsolute(int channel, int volume) {
    return CurrentSoundLibrary().SetVolumeAbsolute(channel, volume);
}
void FSOUND_SetSFXMasterVolume(int volume) { CurrentSoundLibrary().SetSFXMasterVolume(volume); }
int FSOUND_GetFrequency(int channel) { return CurrentSoundLibrary().GetFrequency(channel); }
bool FSOUND_SetFrequency(int channel, int frequency) { return CurrentSoundLibrary().SetFrequency(channel, frequency); }
bool FSOUND_SetLoopMode(int channel, unsigned mode) { return CurrentSoundLibrary().SetLoopMode(channel, mode); }
bool FSOUND_SetPriority(int channel, int priority) { return CurrentSoundLibrary().SetPriority(channel, priority); }
bool FSOUND_SetReserved(int channel, bool reserved) { return CurrentSoundLibrary().SetReserved(channel, reserved); }
bool FSOUND_SetPan(int channel, int pan) { return CurrentSoundLibrary().SetPan(channel, pan); }
bool FSOUND_SetCurrentPosition(int channel, unsigned position) {
    return CurrentSoundLibrary().SetCurrentPosition(channel, position);
}
bool FSOUND_StopSound(int channel) { return CurrentSoundLibrary().StopSound(channel); }
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned mode, int offset, int length) {
    return CurrentSoundLibrary().StreamOpen(name, mode, offset, length);
}
bool FSOUND_Stream_SetLoopPoints(FSOUND_STREAM* stream, unsigned start, unsigned end) {
    return CurrentSoundLibrary().StreamSetLoopPoints(stream, start, end);
}
bool FSOUND_Stream_SetLoopCount(FSOUND_STREAM* stream, int count) {
    return CurrentSoundLibrary().StreamSetLoopCount(stream, count);
}
int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM* stream, void* dsp, bool startPaused) {
    return CurrentSoundLibrary().StreamPlayEx(channel, stream, dsp, startPaused);
}
bool FSOUND_Stream_Close(FSOUND_STREAM* stream) { return CurrentSoundLibrary().StreamClose(stream); }

}  // namespace plat
