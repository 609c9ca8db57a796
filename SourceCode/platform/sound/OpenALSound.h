#pragma once
#include <cstdint>

#include "platform/sound/Sound.h"

namespace plat {
// The sound library over OpenAL Soft (default device) and libsndfile: the
// one the FSOUND calls use unless a test installs another.
SoundLibrary& OpenALSound();

// Test hooks: while on, the next Init opens OpenAL Soft's loopback device
// (stereo, 16-bit, at the mix rate) instead of the default one. Nothing then
// plays in real time: RenderSoundFrames mixes the next `frames` stereo
// frames into out (2 * frames values) on demand. False when no loopback
// device is open.
void UseLoopbackSoundDevice(bool on);
// Test hook: the next Init opens the output device of that name instead of
// the default one (null: the default again). A name no back end knows makes
// Init fail as on a machine without sound, whatever device OpenAL Soft
// settled on when the process first used it.
void UseSoundDeviceNamed(const char* name);
bool RenderSoundFrames(std::int16_t* out, int frames);
}  // namespace plat
