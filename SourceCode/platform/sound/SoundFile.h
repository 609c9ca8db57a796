#pragma once
// Sound files through libsndfile: a reader that decodes 16-bit PCM frames a
// piece at a time (whole samples and streams both use it) and the writer the
// asset tool makes its WAV files with.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

namespace plat {

class SoundFileReader {
public:
    // Null when the file is missing or not a sound file libsndfile knows;
    // then why says which, when given.
    static std::unique_ptr<SoundFileReader> Open(const std::string& path, std::string* why = nullptr);
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    int Channels() const { return channels; }
    int Rate() const { return rate; }
    std::uint64_t Frames() const { return frames; }

    // Reads up to count interleaved frames at the current position into out
    // (count x Channels() values); returns the number of frames read.
    std::size_t Read(std::int16_t* out, std::size_t count);
    bool Seek(std::uint64_t frame);

private:
    SoundFileReader() = default;

    sf_private_tag* file = nullptr;
    int channels = 0;
    int rate = 0;
    std::uint64_t frames = 0;
};

// Averages interleaved frames of several channels into one.
std::vector<std::int16_t> MixDownToMono(const std::int16_t* frames, std::size_t count, int channels);

// Writes mono 16-bit PCM samples as a WAV file; false when it cannot.
bool WriteWav16(const std::string& path, int rate, const std::vector<std::int16_t>& samples);

}  // namespace plat
