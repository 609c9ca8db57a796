#pragma once
#include "platform/sound/Sound.h"

namespace plat {
// The sound library over OpenAL Soft (default device) and libsndfile: the
// one the FSOUND calls use unless a test installs another.
SoundLibrary& OpenALSound();
}  // namespace plat
