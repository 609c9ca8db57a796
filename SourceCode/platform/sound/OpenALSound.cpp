#include "platform/sound/OpenALSound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"
#include "platform/sound/SoundFile.h"

namespace plat {
namespace {

// Streams keep this much decoded sound queued: one second in four pieces,
// so a frame loop running at a few frames a second still never runs dry.
constexpr int kStreamBufferCount = 4;
constexpr int kStreamBufferMilliseconds = 250;
constexpr int kMaxChannels = 256;
constexpr unsigned kMaxGeneration = (1u << (31 - kSoundChannelIndexBits)) - 1;
// OpenAL refuses a far distance of infinity; this is far enough for any level.
constexpr float kFarDistance = 1.0e9f;
constexpr float kSpeedOfSoundMetres = 343.3f;

struct AlSample final : FSOUND_SAMPLE {
    ALuint buffer = 0;
    int rate = 0;
    bool is3D = false;
    unsigned loopMode = FSOUND_LOOP_OFF;
    std::uint64_t frames = 0;
};

struct AlStream final : FSOUND_STREAM {
    std::unique_ptr<SoundFileReader> reader;
    int outputChannels = 1;
    bool is3D = false;
    unsigned loopMode = FSOUND_LOOP_OFF;
    // The next frame to decode.
    std::uint64_t position = 0;
    // The loop runs from loopStart up to (not including) loopEnd; loopEnd 0
    // means the end of the file.
    std::uint64_t loopStart = 0;
    std::uint64_t loopEnd = 0;
    // Jumps back to the loop start still allowed; -1 without end.
    int loopCount = -1;
    int loopsLeft = -1;
    bool decodedToEnd = false;
    std::array<ALuint, kStreamBufferCount> buffers{};
    // The handle of the channel playing the stream, or -1.
    int channel = -1;
    std::vector<std::int16_t> scratch;
};

struct Channel {
    ALuint source = 0;
    unsigned generation = 0;
    AlSample* sample = nullptr;
    AlStream* stream = nullptr;
    bool paused = false;
    bool reserved = false;
    bool is3D = false;
    bool absoluteVolume = false;
    int volume = 255;
    int priority = kDefaultSoundPriority;
    int baseRate = 0;
    int frequency = 0;
    unsigned loopMode = FSOUND_LOOP_OFF;
    std::uint64_t startOrder = 0;
};

// Output layout of a decoded file: OpenAL places only mono sounds in space,
// and plays mono or stereo; anything else is folded to mono.
int OutputChannelsFor(int fileChannels, bool is3D) {
    if (is3D) return 1;
    return fileChannels == 2 ? 2 : 1;
}

ALenum FormatFor(int outputChannels) {
    return outputChannels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
}

// Decodes up to count frames from reader, appending them to out in the
// output layout; returns the frames decoded.
std::size_t DecodeAppend(SoundFileReader& reader, std::size_t count, int outputChannels,
                         std::vector<std::int16_t>& out) {
    const int fileChannels = reader.Channels();
    std::vector<std::int16_t> raw(count * static_cast<std::size_t>(fileChannels));
    std::size_t got = reader.Read(raw.data(), count);
    if (got == 0) return 0;
    if (fileChannels == outputChannels) {
        out.insert(out.end(), raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(got * fileChannels));
    } else {
        std::vector<std::int16_t> mono = MixDownToMono(raw.data(), got, fileChannels);
        out.insert(out.end(), mono.begin(), mono.end());
    }
    return got;
}

// A sample is decoded whole and kept for the run, so a sound effect is
// short; a longer sound (music) is streamed instead.
constexpr std::uint64_t kLongestSoundEffectSeconds = 60;

// Decodes the whole file into out; false, with one line naming the file,
// when it lasts longer than a sound effect may, by its header or by what it
// decodes to (a header may not know the length).
bool DecodeSoundEffect(SoundFileReader& reader, const char* name, int outputChannels,
                       std::vector<std::int16_t>& out) {
    const std::uint64_t longest = kLongestSoundEffectSeconds * static_cast<std::uint64_t>(reader.Rate());
    auto refuse = [&](const std::string& length) {
        LogError(std::string("Error: Sound not loaded: ") + ForwardSlashes(name) + ": it lasts " + length +
                 ", and a sound effect at most " + std::to_string(kLongestSoundEffectSeconds) + " s");
        out = {};
        return false;
    };
    if (reader.Frames() > longest)
        return refuse(std::to_string(reader.Frames() / static_cast<std::uint64_t>(reader.Rate())) + " s");
    out.reserve(static_cast<std::size_t>(reader.Frames()) * static_cast<std::size_t>(outputChannels));
    const std::size_t piece = 65536;
    std::uint64_t decoded = 0;
    while (std::size_t got = DecodeAppend(reader, piece, outputChannels, out)) {
        decoded += got;
        if (decoded > longest) return refuse("longer");
    }
    return true;
}

unsigned LoopModeOf(unsigned mode) {
    return (mode & (FSOUND_LOOP_NORMAL | FSOUND_LOOP_BIDI)) ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF;
}

// The file's reader; null, with the file and the reason in the error stream,
// when it cannot be read (the caller may then play a fallback).
std::unique_ptr<SoundFileReader> OpenSoundFile(const char* name) {
    const std::string path = ForwardSlashes(name);
    std::string why;
    auto reader = SoundFileReader::Open(path, &why);
    if (!reader) LogError("Error: Sound not loaded: " + path + ": " + why);
    return reader;
}

// While the sound back ends probe for a device, the error stream is sent to
// /dev/null: ALSA and OpenAL print every absent card there, and a machine
// without sound is normal for the game, so that noise stays out of err.txt.
class QuietErrorStream {
public:
    QuietErrorStream() {
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~QuietErrorStream() {
        std::fflush(stderr);
        if (saved >= 0) {
            ::dup2(saved, STDERR_FILENO);
            ::close(saved);
        }
    }
    QuietErrorStream(const QuietErrorStream&) = delete;
    QuietErrorStream& operator=(const QuietErrorStream&) = delete;

private:
    int saved = -1;
};

bool Is3DMode(unsigned mode) { return (mode & FSOUND_HW3D) && !(mode & FSOUND_2D); }

class OpenALSoundLibrary final : public SoundLibrary {
public:
    ~OpenALSoundLibrary() override { Close(); }

    bool SetHWND(HWND) override { return true; }
    bool SetMinHardwareChannels(int) override { return true; }
    // OpenAL manages its own memory; the pool is accepted and left unused.
    bool SetMemorySystem(void*, int, FSOUND_ALLOCCALLBACK, FSOUND_REALLOCCALLBACK,
                         FSOUND_FREECALLBACK) override {
        return true;
    }

    bool Init(int mixRate, int channelCount, unsigned) override {
        if (device) return false;
        const ALCint rate = mixRate > 0 ? mixRate : 44100;
        if (loopbackWanted) {
            device = OpenLoopbackDevice();
        } else {
            QuietErrorStream quiet;
            device = alcOpenDevice(deviceName.empty() ? nullptr : deviceName.c_str());
        }
        if (!device) return false;
        loopback = loopbackWanted;
        const ALCint attributes[] = {ALC_FREQUENCY, rate, 0};
        const ALCint loopbackAttributes[] = {ALC_FREQUENCY,          rate,          ALC_FORMAT_CHANNELS_SOFT,
                                             ALC_STEREO_SOFT,        ALC_FORMAT_TYPE_SOFT,
                                             ALC_SHORT_SOFT,         0};
        context = alcCreateContext(device, loopback ? loopbackAttributes : attributes);
        if (!context || !alcMakeContextCurrent(context)) {
            Close();
            return false;
        }
        const int wanted = std::clamp(channelCount, 1, kMaxChannels);
        alGetError();
        for (int i = 0; i < wanted; ++i) {
            Channel channel;
            alGenSources(1, &channel.source);
            if (alGetError() != AL_NO_ERROR) break;
            channels.push_back(channel);
        }
        if (channels.empty()) {
            Close();
            return false;
        }
        alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
        ApplyDistanceFactor();
        alDopplerFactor(dopplerFactor);
        return true;
    }

    void Close() override {
        if (!device) return;
        for (Channel& channel : channels) {
            DetachContent(channel);
            alDeleteSources(1, &channel.source);
        }
        channels.clear();
        for (auto& stream : streams) alDeleteBuffers(kStreamBufferCount, stream->buffers.data());
        streams.clear();
        for (auto& sample : samples) alDeleteBuffers(1, &sample->buffer);
        samples.clear();
        alcMakeContextCurrent(nullptr);
        if (context) alcDestroyContext(context);
        context = nullptr;
        alcCloseDevice(device);
        device = nullptr;
        loopback = false;
    }

    void UseLoopback(bool on) { loopbackWanted = on; }
    void UseDeviceNamed(const char* name) { deviceName = name ? name : ""; }

    bool RenderFrames(std::int16_t* out, int frames) {
        if (!device || !loopback || !out || frames < 0) return false;
        static const auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
            alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        if (!render) return false;
        render(device, out, frames);
        return true;
    }

    void Update() override {
        if (!device) return;
        for (Channel& channel : channels) {
            if (channel.stream) RefillStream(channel);
        }
    }

    void SetDistanceFactor(float unitsPerMeter) override {
        if (!(unitsPerMeter > 0.0f)) return;
        distanceFactor = unitsPerMeter;
        if (device) ApplyDistanceFactor();
    }

    void SetDopplerFactor(float scale) override {
        if (!(scale >= 0.0f)) return;
        dopplerFactor = scale;
        if (device) alDopplerFactor(scale);
    }

    void SetRolloffFactor(float scale) override {
        if (!(scale >= 0.0f)) return;
        rolloffFactor = scale;
        if (!device) return;
        for (Channel& channel : channels) {
            if (channel.is3D) alSourcef(channel.source, AL_ROLLOFF_FACTOR, rolloffFactor);
        }
    }

    // The engine is left-handed, OpenAL right-handed: z changes sign.
    void SetListenerAttributes(const float* position, const float* velocity, float forwardX,
                               float forwardY, float forwardZ, float upX, float upY, float upZ) override {
        if (!device) return;
        if (position) alListener3f(AL_POSITION, position[0], position[1], -position[2]);
        if (velocity) alListener3f(AL_VELOCITY, velocity[0], velocity[1], -velocity[2]);
        const ALfloat orientation[] = {forwardX, forwardY, -forwardZ, upX, upY, -upZ};
        alListenerfv(AL_ORIENTATION, orientation);
    }

    bool Set3DAttributes(int handle, const float* position, const float* velocity) override {
        Channel* channel = Lookup(handle);
        if (!channel || !channel->is3D) return false;
        if (position) alSource3f(channel->source, AL_POSITION, position[0], position[1], -position[2]);
        if (velocity) alSource3f(channel->source, AL_VELOCITY, velocity[0], velocity[1], -velocity[2]);
        return true;
    }

    FSOUND_SAMPLE* SampleLoad(int, const char* name, unsigned mode, int, int) override {
        if (!device || !name) return nullptr;
        auto reader = OpenSoundFile(name);
        if (!reader) return nullptr;
        auto sample = std::make_unique<AlSample>();
        sample->is3D = Is3DMode(mode);
        sample->loopMode = LoopModeOf(mode);
        sample->rate = reader->Rate();
        const int outputChannels = OutputChannelsFor(reader->Channels(), sample->is3D);
        std::vector<std::int16_t> data;
        if (!DecodeSoundEffect(*reader, name, outputChannels, data)) return nullptr;
        sample->frames = data.size() / static_cast<std::size_t>(outputChannels);
        if (sample->frames == 0) {
            LogError(std::string("Error: Sound not loaded: ") + name + ": it holds no sound");
            return nullptr;
        }
        alGetError();
        alGenBuffers(1, &sample->buffer);
        if (alGetError() != AL_NO_ERROR) return nullptr;
        alBufferData(sample->buffer, FormatFor(outputChannels), data.data(),
                     static_cast<ALsizei>(data.size() * sizeof(std::int16_t)), sample->rate);
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &sample->buffer);
            return nullptr;
        }
        samples.push_back(std::move(sample));
        return samples.back().get();
    }

    int PlaySoundEx(int requested, FSOUND_SAMPLE* soundSample, void*, bool startPaused) override {
        AlSample* sample = OwnSample(soundSample);
        if (!device || !sample) return -1;
        int index = Acquire(requested);
        if (index < 0) return -1;
        Channel& channel = StartOn(index, sample->is3D, sample->rate, sample->loopMode);
        channel.sample = sample;
        alSourcei(channel.source, AL_BUFFER, static_cast<ALint>(sample->buffer));
        alSourcei(channel.source, AL_LOOPING, channel.loopMode != FSOUND_LOOP_OFF ? AL_TRUE : AL_FALSE);
        channel.paused = startPaused;
        if (!startPaused) alSourcePlay(channel.source);
        return HandleOf(index);
    }

    bool SetPaused(int handle, bool paused) override {
        Channel* channel = Lookup(handle);
        if (!channel) return false;
        channel->paused = paused;
        if (!channel->sample && !channel->stream) return true;
        ALint state = SourceState(*channel);
        if (paused) {
            if (state == AL_PLAYING) alSourcePause(channel->source);
        } else if (state == AL_INITIAL || state == AL_PAUSED) {
            alSourcePlay(channel->source);
        }
        return true;
    }

    bool SetVolume(int handle, int volume) override { return SetChannelVolume(handle, volume, false); }
    bool SetVolumeAbsolute(int handle, int volume) override { return SetChannelVolume(handle, volume, true); }

    void SetSFXMasterVolume(int volume) override {
        masterVolume = std::clamp(volume, 0, 255);
        if (!device) return;
        for (Channel& channel : channels) {
            if (!channel.absoluteVolume) ApplyGain(channel);
        }
    }

    int GetFrequency(int handle) override {
        Channel* channel = Lookup(handle);
        return channel ? channel->frequency : 0;
    }

    // Becomes the source's pitch: the frequency over the sound's own rate.
    bool SetFrequency(int handle, int frequency) override {
        Channel* channel = Lookup(handle);
        if (!channel || frequency <= 0 || channel->baseRate <= 0) return false;
        channel->frequency = frequency;
        alSourcef(channel->source, AL_PITCH,
                  static_cast<float>(frequency) / static_cast<float>(channel->baseRate));
        return true;
    }

    bool SetLoopMode(int handle, unsigned mode) override {
        Channel* channel = Lookup(handle);
        if (!channel) return false;
        channel->loopMode = LoopModeOf(mode);
        // A stream loops by decoding; its source never loops by itself.
        if (!channel->stream)
            alSourcei(channel->source, AL_LOOPING, channel->loopMode != FSOUND_LOOP_OFF ? AL_TRUE : AL_FALSE);
        return true;
    }

    bool SetPriority(int handle, int priority) override {
        Channel* channel = Lookup(handle);
        if (!channel) return false;
        channel->priority = std::clamp(priority, 0, 255);
        return true;
    }

    bool SetReserved(int handle, bool reserved) override {
        Channel* channel = Lookup(handle);
        if (!channel) return false;
        channel->reserved = reserved;
        return true;
    }

    // A 2D sound sits on a unit circle in front of the listener, from full
    // left to full right, and is not attenuated by distance.
    bool SetPan(int handle, int pan) override {
        Channel* channel = Lookup(handle);
        if (!channel || channel->is3D) return false;
        float x = std::clamp((static_cast<float>(std::clamp(pan, 0, 255)) - 128.0f) / 127.0f, -1.0f, 1.0f);
        alSource3f(channel->source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
        return true;
    }

    bool SetCurrentPosition(int handle, unsigned position) override {
        Channel* channel = Lookup(handle);
        if (!channel) return false;
        if (channel->sample) {
            std::uint64_t last = channel->sample->frames - 1;
            alSourcei(channel->source, AL_SAMPLE_OFFSET,
                      static_cast<ALint>(std::min<std::uint64_t>(position, last)));
            return true;
        }
        if (!channel->stream) return false;
        AlStream& stream = *channel->stream;
        alSourceRewind(channel->source);
        alSourcei(channel->source, AL_BUFFER, 0);
        stream.position = std::min<std::uint64_t>(position, stream.reader->Frames());
        stream.reader->Seek(stream.position);
        stream.decodedToEnd = false;
        QueueInitialBuffers(*channel);
        if (!channel->paused) alSourcePlay(channel->source);
        return true;
    }

    bool StopSound(int handle) override {
        Channel* channel = Lookup(handle);
        if (!channel) return false;
        DetachContent(*channel);
        return true;
    }

    FSOUND_STREAM* StreamOpen(const char* name, unsigned mode, int, int) override {
        if (!device || !name) return nullptr;
        auto reader = OpenSoundFile(name);
        if (!reader) return nullptr;
        auto stream = std::make_unique<AlStream>();
        stream->is3D = Is3DMode(mode);
        stream->loopMode = LoopModeOf(mode);
        stream->outputChannels = OutputChannelsFor(reader->Channels(), stream->is3D);
        stream->reader = std::move(reader);
        alGetError();
        alGenBuffers(kStreamBufferCount, stream->buffers.data());
        if (alGetError() != AL_NO_ERROR) return nullptr;
        streams.push_back(std::move(stream));
        return streams.back().get();
    }

    bool StreamSetLoopPoints(FSOUND_STREAM* soundStream, unsigned start, unsigned end) override {
        AlStream* stream = OwnStream(soundStream);
        if (!stream) return false;
        std::uint64_t last = stream->reader->Frames();
        std::uint64_t loopEnd = std::min<std::uint64_t>(end, last);
        if (start >= loopEnd) return false;
        stream->loopStart = start;
        stream->loopEnd = loopEnd;
        return true;
    }

    bool StreamSetLoopCount(FSOUND_STREAM* soundStream, int count) override {
        AlStream* stream = OwnStream(soundStream);
        if (!stream) return false;
        stream->loopCount = count < 0 ? -1 : count;
        stream->loopsLeft = stream->loopCount;
        return true;
    }

    int StreamPlayEx(int requested, FSOUND_STREAM* soundStream, void*, bool startPaused) override {
        AlStream* stream = OwnStream(soundStream);
        if (!device || !stream) return -1;
        // A stream plays on one channel at a time: playing it again restarts it.
        if (Channel* previous = Lookup(stream->channel)) DetachContent(*previous);
        int index = Acquire(requested);
        if (index < 0) return -1;
        Channel& channel = StartOn(index, stream->is3D, stream->reader->Rate(), stream->loopMode);
        channel.stream = stream;
        stream->channel = HandleOf(index);
        stream->position = 0;
        stream->reader->Seek(0);
        stream->loopsLeft = stream->loopCount;
        stream->decodedToEnd = false;
        alSourcei(channel.source, AL_LOOPING, AL_FALSE);
        QueueInitialBuffers(channel);
        channel.paused = startPaused;
        if (!startPaused) alSourcePlay(channel.source);
        return stream->channel;
    }

    bool StreamClose(FSOUND_STREAM* soundStream) override {
        AlStream* stream = OwnStream(soundStream);
        if (!stream) return false;
        if (Channel* channel = Lookup(stream->channel)) DetachContent(*channel);
        alDeleteBuffers(kStreamBufferCount, stream->buffers.data());
        streams.erase(std::find_if(streams.begin(), streams.end(),
                                   [stream](const auto& owned) { return owned.get() == stream; }));
        return true;
    }

private:
    int HandleOf(int index) const {
        return static_cast<int>(channels[index].generation << kSoundChannelIndexBits) | index;
    }

    Channel* Lookup(int handle) {
        if (!device || handle <= 0) return nullptr;
        std::size_t index = static_cast<std::size_t>(handle & kSoundChannelIndexMask);
        unsigned generation = static_cast<unsigned>(handle) >> kSoundChannelIndexBits;
        if (index >= channels.size() || channels[index].generation != generation) return nullptr;
        return &channels[index];
    }

    // Only pointers this library handed out are ever looked into.
    AlSample* OwnSample(FSOUND_SAMPLE* sample) {
        for (auto& owned : samples)
            if (owned.get() == sample) return owned.get();
        return nullptr;
    }
    AlStream* OwnStream(FSOUND_STREAM* stream) {
        for (auto& owned : streams)
            if (owned.get() == stream) return owned.get();
        return nullptr;
    }

    ALint SourceState(const Channel& channel) const {
        ALint state = AL_INITIAL;
        alGetSourcei(channel.source, AL_SOURCE_STATE, &state);
        return state;
    }

    bool Busy(const Channel& channel) const {
        if (!channel.sample && !channel.stream) return false;
        if (channel.paused) return true;
        if (channel.stream && !channel.stream->decodedToEnd) return true;
        return SourceState(channel) == AL_PLAYING;
    }

    // A channel for a new sound: the one asked for by index; from the pool,
    // the first idle channel that is not reserved; else the unreserved one of
    // lowest priority (the oldest among equals), unless every candidate
    // outranks a new sound.
    int Acquire(int requested) {
        if (requested >= 0) {
            int index = requested & kSoundChannelIndexMask;
            return index < static_cast<int>(channels.size()) ? index : -1;
        }
        if (requested != FSOUND_FREE) return -1;
        int victim = -1;
        for (int i = 0; i < static_cast<int>(channels.size()); ++i) {
            const Channel& channel = channels[i];
            if (channel.reserved) continue;
            if (!Busy(channel)) return i;
            if (victim < 0 || channel.priority < channels[victim].priority ||
                (channel.priority == channels[victim].priority &&
                 channel.startOrder < channels[victim].startOrder))
                victim = i;
        }
        if (victim >= 0 && channels[victim].priority <= kDefaultSoundPriority) return victim;
        return -1;
    }

    // Ends what the channel played, moves it to a new generation (so old
    // handles go stale) and sets it up for a new sound.
    Channel& StartOn(int index, bool is3D, int rate, unsigned loopMode) {
        Channel& channel = channels[index];
        DetachContent(channel);
        channel.generation = channel.generation >= kMaxGeneration ? 1 : channel.generation + 1;
        channel.is3D = is3D;
        channel.absoluteVolume = false;
        channel.volume = 255;
        channel.priority = kDefaultSoundPriority;
        channel.baseRate = rate;
        channel.frequency = rate;
        channel.loopMode = loopMode;
        channel.startOrder = ++startCounter;
        const ALuint source = channel.source;
        alSourcei(source, AL_SOURCE_RELATIVE, is3D ? AL_FALSE : AL_TRUE);
        alSourcef(source, AL_ROLLOFF_FACTOR, is3D ? rolloffFactor : 0.0f);
        alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
        alSourcef(source, AL_MAX_DISTANCE, kFarDistance);
        alSource3f(source, AL_POSITION, 0.0f, 0.0f, is3D ? 0.0f : -1.0f);
        alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
        alSourcef(source, AL_PITCH, 1.0f);
        ApplyGain(channel);
        return channel;
    }

    void DetachContent(Channel& channel) {
        alSourceStop(channel.source);
        alSourcei(channel.source, AL_BUFFER, 0);
        // Back to the initial state: a source that streamed stays stopped
        // when it is given a buffer, and a sound started paused on it would
        // never play when unpaused.
        alSourceRewind(channel.source);
        if (channel.stream) channel.stream->channel = -1;
        channel.sample = nullptr;
        channel.stream = nullptr;
        channel.paused = false;
    }

    bool SetChannelVolume(int handle, int volume, bool absolute) {
        Channel* channel = Lookup(handle);
        if (!channel) return false;
        channel->volume = std::clamp(volume, 0, 255);
        channel->absoluteVolume = absolute;
        ApplyGain(*channel);
        return true;
    }

    void ApplyGain(const Channel& channel) {
        float gain = static_cast<float>(channel.volume) / 255.0f;
        if (!channel.absoluteVolume) gain *= static_cast<float>(masterVolume) / 255.0f;
        alSourcef(channel.source, AL_GAIN, gain);
    }

    void ApplyDistanceFactor() { alSpeedOfSound(kSpeedOfSoundMetres * distanceFactor); }

    static bool LoopActive(const AlStream& stream, const Channel& channel) {
        return channel.loopMode != FSOUND_LOOP_OFF && stream.loopsLeft != 0;
    }

    // Decodes one buffer's worth of the stream, following its loop; returns
    // the frames decoded (0 once the stream has ended).
    std::size_t DecodeStreamPiece(Channel& channel) {
        AlStream& stream = *channel.stream;
        const std::size_t wanted =
            std::max<std::size_t>(1, static_cast<std::size_t>(stream.reader->Rate()) * kStreamBufferMilliseconds / 1000);
        stream.scratch.clear();
        std::size_t produced = 0;
        int barrenJumps = 0;
        while (produced < wanted && !stream.decodedToEnd) {
            const bool looping = LoopActive(stream, channel);
            const std::uint64_t end =
                looping && stream.loopEnd > 0 ? stream.loopEnd : stream.reader->Frames();
            if (stream.position >= end) {
                // A loop that yields nothing twice in a row would spin forever.
                if (!looping || ++barrenJumps > 2) {
                    stream.decodedToEnd = true;
                    break;
                }
                if (stream.loopsLeft > 0) --stream.loopsLeft;
                stream.position = stream.loopStart;
                stream.reader->Seek(stream.position);
                continue;
            }
            std::size_t count = static_cast<std::size_t>(
                std::min<std::uint64_t>(wanted - produced, end - stream.position));
            std::size_t got = DecodeAppend(*stream.reader, count, stream.outputChannels, stream.scratch);
            if (got == 0) {
                // The file is shorter than its header said.
                stream.position = end;
                continue;
            }
            barrenJumps = 0;
            stream.position += got;
            produced += got;
        }
        return produced;
    }

    bool QueueDecodedPiece(Channel& channel, ALuint buffer) {
        AlStream& stream = *channel.stream;
        if (DecodeStreamPiece(channel) == 0) return false;
        alBufferData(buffer, FormatFor(stream.outputChannels), stream.scratch.data(),
                     static_cast<ALsizei>(stream.scratch.size() * sizeof(std::int16_t)),
                     stream.reader->Rate());
        alSourceQueueBuffers(channel.source, 1, &buffer);
        return true;
    }

    void QueueInitialBuffers(Channel& channel) {
        for (ALuint buffer : channel.stream->buffers) {
            if (!QueueDecodedPiece(channel, buffer)) break;
        }
    }

    void RefillStream(Channel& channel) {
        ALint processed = 0;
        alGetSourcei(channel.source, AL_BUFFERS_PROCESSED, &processed);
        while (processed-- > 0) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(channel.source, 1, &buffer);
            QueueDecodedPiece(channel, buffer);
        }
        if (channel.paused) return;
        ALint queued = 0;
        alGetSourcei(channel.source, AL_BUFFERS_QUEUED, &queued);
        // Ran dry between two frames: go on from what is queued now.
        if (queued > 0 && SourceState(channel) != AL_PLAYING) alSourcePlay(channel.source);
    }

    static ALCdevice* OpenLoopbackDevice() {
        const auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        return open ? open(nullptr) : nullptr;
    }

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopbackWanted = false;
    bool loopback = false;
    std::string deviceName;  // empty: the default device
    std::vector<Channel> channels;
    std::vector<std::unique_ptr<AlSample>> samples;
    std::vector<std::unique_ptr<AlStream>> streams;
    int masterVolume = 255;
    float distanceFactor = 1.0f;
    float dopplerFactor = 1.0f;
    float rolloffFactor = 1.0f;
    std::uint64_t startCounter = 0;
};

OpenALSoundLibrary& Library() {
    static OpenALSoundLibrary library;
    return library;
}

}  // namespace

SoundLibrary& OpenALSound() { return Library(); }

void UseLoopbackSoundDevice(bool on) { Library().UseLoopback(on); }

void UseSoundDeviceNamed(const char* name) { Library().UseDeviceNamed(name); }

bool RenderSoundFrames(std::int16_t* out, int frames) { return Library().RenderFrames(out, frames); }

}  // namespace plat
