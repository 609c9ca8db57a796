// make_sounds OUTPUT_ROOT
//
// Synthesises the game's sounds: the thirty character sounds, the fallback
// sound, the game's own sounds (Game/) and the music tracks, as mono
// 16-bit WAV files under
// OUTPUT_ROOT/Assets/Audio/. Only IEEE additions, multiplications and
// divisions go into a sample (our own sine, our own noise), so every machine makes the very same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/SoundNames.h"
#include "platform/common/Files.h"
#include "platform/sound/SoundFile.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kEffectRate = 22050;
constexpr int kMusicRate = 16000;

// sin(2 pi cycles), from a Taylor series on the reduced angle.
double Sine(double cycles) {
    double t = cycles - std::floor(cycles);  // 0..1
    double a = 2.0 * kPi * t - kPi;          // -pi..pi, and sin(a + pi) = -sin(a)
    if (a > kPi / 2) a = kPi - a;
    if (a < -kPi / 2) a = -kPi - a;
    double a2 = a * a;
    double term = a, sum = a;
    for (int n = 1; n <= 7; ++n) {
        term *= -a2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return -sum;
}

// e^x from a Taylor series on x / 2^16, squared back up: no libm involved.
double Exp(double x) {
    double y = x / 65536.0;
    double term = 1.0, sum = 1.0;
    for (int n = 1; n <= 8; ++n) {
        term *= y / n;
        sum += term;
    }
    for (int i = 0; i < 16; ++i) sum *= sum;
    return sum;
}

constexpr double kLn2 = 0.69314718055994530942;

// The per-sample factor that halves a level every halfLife seconds.
double HalvingFactor(double halfLife, int rate) { return Exp(-kLn2 / (halfLife * rate)); }

// A small linear congruential generator: the same noise everywhere.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state(seed) {}
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;  // -1..1
    }

private:
    std::uint32_t state;
};

using Buffer = std::vector<double>;

Buffer Silence(int rate, double seconds) { return Buffer(static_cast<std::size_t>(rate * seconds), 0.0); }

// The level of sample i of count over the last few milliseconds, falling to
// nothing, so that no sound ends in a click; 1 before them.
double TailFade(std::size_t count, std::size_t i, int rate) {
    double tail = static_cast<double>(count - i) / (0.004 * rate);
    return tail > 1.0 ? 1.0 : tail;
}

// A tone whose frequency glides from f0 to f1, with a few harmonics, a short
// attack and a per-sample decay; mixed into out from start on.
struct Tone {
    double start = 0.0, length = 0.2;
    double f0 = 440.0, f1 = 440.0;
    double amplitude = 0.5;
    double halfLife = 0.1;  // seconds
    double attack = 0.005;
    int harmonics = 1;
    double vibratoDepth = 0.0, vibratoRate = 6.0;
};

void AddTone(Buffer& out, int rate, const Tone& tone) {
    const std::size_t first = static_cast<std::size_t>(tone.start * rate);
    const std::size_t count = static_cast<std::size_t>(tone.length * rate);
    const double decay = HalvingFactor(tone.halfLife, rate);
    double envelope = 1.0, phase = 0.0;
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        double glide = static_cast<double>(i) / static_cast<double>(count);
        double frequency = tone.f0 + (tone.f1 - tone.f0) * glide;
        frequency *= 1.0 + tone.vibratoDepth * Sine(tone.vibratoRate * t);
        phase += frequency / rate;
        double value = 0.0;
        for (int h = 1; h <= tone.harmonics; ++h) value += Sine(phase * h) / h;
        double attack = t < tone.attack ? t / tone.attack : 1.0;
        out[first + i] += tone.amplitude * envelope * attack * TailFade(count, i, rate) * value;
        envelope *= decay;
    }
}

// Noise through a one-pole low-pass, swelling in and decaying out.
void AddNoise(Buffer& out, int rate, Noise& noise, double start, double length, double amplitude,
              double smoothing, double swell, double halfLife) {
    const std::size_t first = static_cast<std::size_t>(start * rate);
    const std::size_t count = static_cast<std::size_t>(length * rate);
    const double decay = HalvingFactor(halfLife, rate);
    double envelope = 1.0, low = 0.0;
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        low += (noise.Next() - low) * smoothing;
        double in = t < swell ? t / swell : 1.0;
        out[first + i] += amplitude * envelope * in * TailFade(count, i, rate) * low;
        if (t >= swell) envelope *= decay;
    }
}

std::vector<std::int16_t> ToPcm(const Buffer& in) {
    std::vector<std::int16_t> pcm(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        double v = in[i];
        if (v > 1.0) v = 1.0;
        if (v < -1.0) v = -1.0;
        pcm[i] = static_cast<std::int16_t>(std::floor(v * 32767.0 + 0.5));
    }
    return pcm;
}

// --- The character sounds -------------------------------------------------

// A bouncy "hup": a voice-like glide with vibrato.
Buffer PlayerSound(int variant) {
    Buffer out = Silence(kEffectRate, 0.28);
    double base = 260.0 + 45.0 * variant;
    bool rising = variant % 2 == 0;
    AddTone(out, kEffectRate, {0.0, 0.26, base, rising ? base * 1.6 : base * 0.7, 0.45, 0.12, 0.01, 4, 0.03, 7.0});
    return out;
}

// A small pop.
Buffer SeedSound(int variant) {
    Buffer out = Silence(kEffectRate, 0.12);
    Noise noise(11u + variant);
    AddNoise(out, kEffectRate, noise, 0.0, 0.012, 0.5, 0.6, 0.001, 0.004);
    AddTone(out, kEffectRate, {0.0, 0.1, 1400.0 + 300.0 * variant, 700.0 + 200.0 * variant, 0.5, 0.02, 0.001, 2});
    return out;
}

// A leafy rustle.
Buffer WeedSound(int variant) {
    Buffer out = Silence(kEffectRate, 0.25);
    Noise noise(101u + variant);
    double smoothing = 0.15 + 0.08 * variant;
    // Low-passed noise loses level as it gets smoother: make up for it.
    double level = 0.3 / std::sqrt(smoothing);
    AddNoise(out, kEffectRate, noise, 0.0, 0.24, level, smoothing, 0.03, 0.06);
    AddNoise(out, kEffectRate, noise, 0.06 + 0.01 * variant, 0.12, level * 0.6, smoothing, 0.01, 0.03);
    return out;
}

// A soft, wet thud.
Buffer VeggieSound(int variant) {
    Buffer out = Silence(kEffectRate, 0.22);
    Noise noise(211u + variant);
    double base = 110.0 + 25.0 * variant;
    AddTone(out, kEffectRate, {0.0, 0.2, base * 1.8, base, 0.6, 0.05, 0.003, 3});
    AddNoise(out, kEffectRate, noise, 0.0, 0.08, 0.35, 0.05, 0.002, 0.02);
    return out;
}

// A hard knock with ringing, inharmonic partials.
Buffer StoneSound(int variant) {
    Buffer out = Silence(kEffectRate, 0.22);
    Noise noise(307u + variant);
    AddNoise(out, kEffectRate, noise, 0.0, 0.01, 0.6, 0.9, 0.0005, 0.003);
    const double partials[] = {1.0, 1.59, 2.46};
    double base = 700.0 + 160.0 * variant;
    for (int p = 0; p < 3; ++p)
        AddTone(out, kEffectRate, {0.0, 0.2, base * partials[p], base * partials[p], 0.3 / (p + 1), 0.03, 0.0005, 1});
    return out;
}

// Bubbles: short rising chirps.
Buffer WaterSound(int variant) {
    Buffer out = Silence(kEffectRate, 0.32);
    for (int b = 0; b < 4; ++b) {
        double start = 0.02 + b * (0.06 + 0.01 * variant);
        double f = 500.0 + 120.0 * ((b * 7 + variant * 3) % 5);
        AddTone(out, kEffectRate, {start, 0.07, f, f * 1.9, 0.4, 0.03, 0.003, 1});
    }
    return out;
}

// A springy boing: a wobbling glide.
Buffer RubberSound(int variant) {
    Buffer out = Silence(kEffectRate, 0.36);
    double base = 150.0 + 40.0 * variant;
    AddTone(out, kEffectRate, {0.0, 0.35, base * 0.8, base * 1.3, 0.55, 0.15, 0.004, 3, 0.12, 14.0 + 3.0 * variant});
    return out;
}

// A bright chime.
Buffer SunSound() {
    Buffer out = Silence(kEffectRate, 0.5);
    const double notes[] = {880.0, 1318.5, 1760.0};
    for (int n = 0; n < 3; ++n)
        AddTone(out, kEffectRate, {0.04 * n, 0.45, notes[n], notes[n], 0.25, 0.12, 0.002, 2});
    return out;
}

// A soft whoosh.
Buffer CloudSound() {
    Buffer out = Silence(kEffectRate, 0.5);
    Noise noise(401u);
    AddNoise(out, kEffectRate, noise, 0.0, 0.5, 3.5, 0.04, 0.2, 0.08);
    return out;
}

Buffer CharacterSound(int index) {
    if (index < 6) return PlayerSound(index);
    if (index < 9) return SeedSound(index - 6);
    if (index < 14) return WeedSound(index - 9);
    if (index < 19) return VeggieSound(index - 14);
    if (index < 22) return StoneSound(index - 19);
    if (index < 25) return WaterSound(index - 22);
    if (index < 28) return RubberSound(index - 25);
    if (index == 28) return SunSound();
    return CloudSound();
}

// Two flat beeps, down a fourth: plainly a placeholder.
Buffer FallbackSound() {
    Buffer out = Silence(kEffectRate, 0.3);
    AddTone(out, kEffectRate, {0.0, 0.12, 660.0, 660.0, 0.35, 1.0, 0.005, 5});
    AddTone(out, kEffectRate, {0.15, 0.12, 495.0, 495.0, 0.35, 1.0, 0.005, 5});
    return out;
}

// --- Music -----------------------------------------------------------------

double NoteFrequency(int semitonesFromA4) {
    return 440.0 * Exp(kLn2 * semitonesFromA4 / 12.0);
}

// A bouncy loop: bass on the beat, plucked arpeggio on the off-beats, two
// bars at 120 beats a minute (4 seconds).
Buffer BounceTrack() {
    const double beat = 0.5;
    Buffer out = Silence(kMusicRate, 8 * beat);
    const int bass[] = {-33, -33, -28, -28, -31, -31, -26, -29};
    const int melody[] = {0, 4, 7, 12, 7, 4, 2, 5, 9, 12, 9, 5, 4, 7, 11, 7};
    for (int b = 0; b < 8; ++b) {
        double f = NoteFrequency(bass[b]);
        AddTone(out, kMusicRate, {b * beat, beat * 0.9, f, f, 0.35, 0.25, 0.01, 3});
    }
    for (int n = 0; n < 16; ++n) {
        double f = NoteFrequency(melody[n] - 9);
        AddTone(out, kMusicRate, {n * beat / 2, beat * 0.45, f, f, 0.18, 0.08, 0.003, 2});
    }
    Noise noise(7u);
    for (int b = 0; b < 8; ++b) AddNoise(out, kMusicRate, noise, b * beat + beat / 2, 0.05, 0.12, 0.7, 0.001, 0.015);
    return out;
}

// A slow, drifting loop: three soft chords under a bell, 4.5 seconds.
Buffer DriftTrack() {
    Buffer out = Silence(kMusicRate, 4.5);
    const int chords[3][3] = {{-21, -17, -14}, {-19, -15, -12}, {-24, -20, -17}};
    for (int c = 0; c < 3; ++c)
        for (int n = 0; n < 3; ++n) {
            double f = NoteFrequency(chords[c][n]);
            AddTone(out, kMusicRate, {c * 1.5, 1.5, f, f, 0.14, 1.2, 0.3, 2, 0.004, 4.5});
        }
    const int bell[] = {3, 7, 10, 8, 5, 3};
    for (int n = 0; n < 6; ++n) {
        double f = NoteFrequency(bell[n]);
        AddTone(out, kMusicRate, {0.1 + n * 0.72, 0.7, f, f, 0.12, 0.2, 0.002, 1});
    }
    return out;
}

// The menu's theme: a warm, lilting waltz-like loop over two bars of a slow
// bass (6 seconds).
Buffer MenuTrack() {
    const double beat = 0.5;
    Buffer out = Silence(kMusicRate, 12 * beat);
    const int bass[] = {-33, -28, -31, -26};
    for (int b = 0; b < 4; ++b) {
        double f = NoteFrequency(bass[b]);
        AddTone(out, kMusicRate, {b * 3 * beat, 3 * beat * 0.95, f, f, 0.3, 0.6, 0.02, 3});
    }
    const int tune[] = {0, 4, 7, 9, 7, 4, 5, 9, 12, 11, 7, 2};
    for (int n = 0; n < 12; ++n) {
        double f = NoteFrequency(tune[n] - 5);
        AddTone(out, kMusicRate, {n * beat, beat * 0.9, f, f, 0.16, 0.22, 0.006, 3, 0.006, 5.0});
    }
    return out;
}

// A hurried loop for the hard level: a minor bass riff in eighths and a
// stabbing figure above it, 140 beats a minute (3.43 seconds).
Buffer ChaseTrack() {
    const double beat = 60.0 / 140.0;
    Buffer out = Silence(kMusicRate, 8 * beat);
    const int riff[] = {-36, -36, -24, -36, -33, -36, -24, -34, -36, -36, -24, -36, -31, -32, -33, -34};
    for (int n = 0; n < 16; ++n) {
        double f = NoteFrequency(riff[n]);
        AddTone(out, kMusicRate, {n * beat / 2, beat * 0.45, f, f, 0.3, 0.1, 0.004, 4});
    }
    const int stabs[] = {3, 7, 3, 10, 8, 7, 3, 2};
    for (int n = 0; n < 8; ++n) {
        double f = NoteFrequency(stabs[n] - 12);
        AddTone(out, kMusicRate, {n * beat + beat / 2, beat * 0.3, f, f, 0.14, 0.05, 0.002, 3});
    }
    Noise noise(23u);
    for (int n = 0; n < 16; ++n) AddNoise(out, kMusicRate, noise, n * beat / 2, 0.03, 0.1, 0.8, 0.001, 0.01);
    return out;
}

// The "you won" screen: a bright fanfare held on its last chord (5 seconds).
Buffer VictoryTrack() {
    Buffer out = Silence(kMusicRate, 5.0);
    const int fanfare[] = {0, 4, 7, 12, 7, 12};
    const double starts[] = {0.0, 0.2, 0.4, 0.6, 1.0, 1.2};
    for (int n = 0; n < 6; ++n) {
        double f = NoteFrequency(fanfare[n] - 9);
        AddTone(out, kMusicRate, {starts[n], n == 5 ? 3.6 : 0.35, f, f, 0.2, n == 5 ? 1.2 : 0.15, 0.004, 4});
    }
    const int chord[] = {-21, -17, -14};
    for (int n = 0; n < 3; ++n) {
        double f = NoteFrequency(chord[n]);
        AddTone(out, kMusicRate, {1.2, 3.7, f, f, 0.12, 1.5, 0.05, 2});
    }
    return out;
}

// --- The game's own sounds ----------------------------------------------------

// A sparkle of three rising notes: something collected.
Buffer PickupSound() {
    Buffer out = Silence(kEffectRate, 0.35);
    const double notes[] = {1046.5, 1318.5, 1568.0};
    for (int n = 0; n < 3; ++n)
        AddTone(out, kEffectRate, {0.05 * n, 0.25, notes[n], notes[n], 0.3, 0.06, 0.002, 2});
    return out;
}

// A short wooden click for the menu's buttons.
Buffer ClickSound() {
    Buffer out = Silence(kEffectRate, 0.08);
    Noise noise(501u);
    AddNoise(out, kEffectRate, noise, 0.0, 0.01, 0.5, 0.7, 0.0005, 0.003);
    AddTone(out, kEffectRate, {0.0, 0.07, 1800.0, 1200.0, 0.4, 0.012, 0.0005, 2});
    return out;
}

// A dull, falling "oof": a chaser caught the player.
Buffer OuchSound() {
    Buffer out = Silence(kEffectRate, 0.3);
    Noise noise(601u);
    AddTone(out, kEffectRate, {0.0, 0.28, 320.0, 140.0, 0.55, 0.1, 0.004, 4, 0.05, 20.0});
    AddNoise(out, kEffectRate, noise, 0.0, 0.06, 0.3, 0.1, 0.002, 0.02);
    return out;
}

// A level won: a quick rising run ending on a held note.
Buffer WinSound() {
    Buffer out = Silence(kEffectRate, 0.9);
    const int run[] = {0, 4, 7, 12};
    for (int n = 0; n < 4; ++n) {
        double f = NoteFrequency(run[n] + 3);
        AddTone(out, kEffectRate, {0.08 * n, n == 3 ? 0.6 : 0.1, f, f, 0.3, n == 3 ? 0.3 : 0.05, 0.002, 3});
    }
    return out;
}

// Time ran out: a sliding, sagging "wah-wah".
Buffer LoseSound() {
    Buffer out = Silence(kEffectRate, 1.0);
    const double starts[] = {0.0, 0.3, 0.6};
    const double from[] = {392.0, 370.0, 349.2};
    for (int n = 0; n < 3; ++n)
        AddTone(out, kEffectRate, {starts[n], n == 2 ? 0.4 : 0.28, from[n], from[n] * (n == 2 ? 0.8 : 0.97), 0.35,
                                   0.3, 0.01, 4, n == 2 ? 0.02 : 0.0, 6.0});
    return out;
}

// A tick for the last seconds of a level.
Buffer TickSound() {
    Buffer out = Silence(kEffectRate, 0.06);
    AddTone(out, kEffectRate, {0.0, 0.05, 2400.0, 2400.0, 0.3, 0.01, 0.0005, 1});
    return out;
}

bool Write(const std::filesystem::path& root, const std::string& name, int rate, const Buffer& sound) {
    std::filesystem::path path = root / plat::ForwardSlashes(name);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (!plat::WriteWav16(path.string(), rate, ToPcm(sound))) {
        std::fprintf(stderr, "make_sounds: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds OUTPUT_ROOT\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    bool ok = true;
    for (int i = 0; i < kCharacterSoundCount; ++i)
        ok = Write(root, kCharacterSounds[i], kEffectRate, CharacterSound(i)) && ok;
    ok = Write(root, kFallbackSound, kEffectRate, FallbackSound()) && ok;
    ok = Write(root, "Assets/Audio/Music/bounce.wav", kMusicRate, BounceTrack()) && ok;
    ok = Write(root, "Assets/Audio/Music/drift.wav", kMusicRate, DriftTrack()) && ok;
    ok = Write(root, "Assets/Audio/Music/menu.wav", kMusicRate, MenuTrack()) && ok;
    ok = Write(root, "Assets/Audio/Music/chase.wav", kMusicRate, ChaseTrack()) && ok;
    ok = Write(root, "Assets/Audio/Music/victory.wav", kMusicRate, VictoryTrack()) && ok;
    ok = Write(root, "Assets/Audio/Game/pickup.wav", kEffectRate, PickupSound()) && ok;
    ok = Write(root, "Assets/Audio/Game/click.wav", kEffectRate, ClickSound()) && ok;
    ok = Write(root, "Assets/Audio/Game/ouch.wav", kEffectRate, OuchSound()) && ok;
    ok = Write(root, "Assets/Audio/Game/win.wav", kEffectRate, WinSound()) && ok;
    ok = Write(root, "Assets/Audio/Game/lose.wav", kEffectRate, LoseSound()) && ok;
    ok = Write(root, "Assets/Audio/Game/tick.wav", kEffectRate, TickSound()) && ok;
    return ok ? 0 : 1;
}
