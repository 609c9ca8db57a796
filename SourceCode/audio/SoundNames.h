#pragma once
// The sound files the engine names itself.
#include <array>

// Played in place of any sound or music file that cannot be opened.
inline constexpr char kFallbackSound[] = "Assets\\Audio\\_invalid_filename.wav";

// The character sounds, which characters and surface files refer to by
// index.
inline constexpr int kCharacterSoundCount = 30;
inline constexpr std::array<const char*, kCharacterSoundCount> kCharacterSounds = {
    "Assets/Audio/Char/player01.wav", "Assets/Audio/Char/player02.wav",
    "Assets/Audio/Char/player03.wav", "Assets/Audio/Char/player04.wav",
    "Assets/Audio/Char/player05.wav", "Assets/Audio/Char/player06.wav",
    "Assets/Audio/Char/seed1.wav",    "Assets/Audio/Char/seed2.wav",
    "Assets/Audio/Char/seed3.wav",    "Assets/Audio/Char/weed1.wav",
    "Assets/Audio/Char/weed2.wav",    "Assets/Audio/Char/weed3.wav",
    "Assets/Audio/Char/weed4.wav",    "Assets/Audio/Char/weed5.wav",
    "Assets/Audio/Char/veggie1.wav",  "Assets/Audio/Char/veggie2.wav",
    "Assets/Audio/Char/veggie3.wav",  "Assets/Audio/Char/veggie4.wav",
    "Assets/Audio/Char/veggie5.wav",  "Assets/Audio/Char/stone1.wav",
    "Assets/Audio/Char/stone2.wav",   "Assets/Audio/Char/stone3.wav",
    "Assets/Audio/Char/water1.wav",   "Assets/Audio/Char/water2.wav",
    "Assets/Audio/Char/water3.wav",   "Assets/Audio/Char/rubber1.wav",
    "Assets/Audio/Char/rubber2.wav",  "Assets/Audio/Char/rubber3.wav",
    "Assets/Audio/Char/sun1.wav",     "Assets/Audio/Char/cloud1.wav",
};

// The name of character sound index, or null when index is out of range
// (the index may come from a data file).
inline const char* CharacterSoundName(int index) {
    return index >= 0 && index < kCharacterSoundCount ? kCharacterSounds[index] : nullptr;
}
