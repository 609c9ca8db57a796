#include "platform/sound/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "platform/common/Files.h"

namespace plat {
namespace {
// More than any sound the game plays; a file claiming more is refused
// rather than decoded into huge buffers.
constexpr int kMostChannels = 8;
// The highest rate a sound device plays. Streams size their buffers by the
// rate, so a header claiming more would claim gigabytes.
constexpr int kHighestRate = 384000;
}  // namespace

std::unique_ptr<SoundFileReader> SoundFileReader::Open(const std::string& path, std::string* why) {
    // A FIFO or a device as a sound would block the game or never end.
    const int fd = OpenRegularFile(path, why);
    if (fd < 0) return nullptr;
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!file) {
        if (why) *why = sf_strerror(nullptr);
        return nullptr;
    }
    if (info.channels <= 0 || info.channels > kMostChannels || info.samplerate <= 0 ||
        info.samplerate > kHighestRate || info.frames < 0) {
        if (why) *why = "unsupported layout (" + std::to_string(info.channels) + " channels at " +
                        std::to_string(info.samplerate) + " Hz)";
        sf_close(file);
        return nullptr;
    }
    std::unique_ptr<SoundFileReader> reader(new SoundFileReader());
    reader->file = file;
    reader->channels = info.channels;
    reader->rate = info.samplerate;
    reader->frames = static_cast<std::uint64_t>(info.frames);
    return reader;
}

SoundFileReader::~SoundFileReader() {
    if (file) sf_close(file);
}

// Decoded as floats in -1..1 and converted here: libsndfile hands float
// files (and Ogg Vorbis, which decodes to floats) to a short reader unscaled.
std::size_t SoundFileReader::Read(std::int16_t* out, std::size_t count) {
    if (count == 0) return 0;
    std::vector<float> decoded(count * static_cast<std::size_t>(channels));
    sf_count_t got = sf_readf_float(file, decoded.data(), static_cast<sf_count_t>(count));
    if (got <= 0) return 0;
    const std::size_t values = static_cast<std::size_t>(got) * static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < values; ++i) {
        float v = std::clamp(decoded[i], -1.0f, 1.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(v * 32767.0f));
    }
    return static_cast<std::size_t>(got);
}

bool SoundFileReader::Seek(std::uint64_t frame) {
    frame = std::min(frame, frames);
    return sf_seek(file, static_cast<sf_count_t>(frame), SEEK_SET) >= 0;
}

std::vector<std::int16_t> MixDownToMono(const std::int16_t* frames, std::size_t count, int channels) {
    std::vector<std::int16_t> mono(count);
    if (channels <= 0) return mono;
    for (std::size_t i = 0; i < count; ++i) {
        long sum = 0;
        for (int c = 0; c < channels; ++c) sum += frames[i * channels + c];
        mono[i] = static_cast<std::int16_t>(sum / channels);
    }
    return mono;
}

bool WriteWav16(const std::string& path, int rate, const std::vector<std::int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    sf_count_t written = sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    bool ok = written == static_cast<sf_count_t>(samples.size());
    return sf_close(file) == 0 && ok;
}

}  // namespace plat
