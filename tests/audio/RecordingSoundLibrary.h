#pragma once
// A sound library that plays nothing and records what it is asked, for tests
// of the engine's sound logic. Installed for the life of the object. Files
// "exist" only when listed in existingFiles; channels get handles 1, 2, ...
// and keep every value they were given. File names are recorded as the game
// names them, without the game's folder that the engine puts before them.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/DIva.h"
#include "platform/common/Files.h"
#include "platform/sound/Sound.h"

class RecordingSoundLibrary : public plat::SoundLibrary {
public:
    struct Sample : plat::FSOUND_SAMPLE {
        std::string name;
        unsigned mode = 0;
    };
    struct Stream : plat::FSOUND_STREAM {
        std::string name;
        unsigned loopStart = 0, loopEnd = 0;
        int loopCount = -1;
        bool closed = false;
    };
    struct Channel {
        const Sample* sample = nullptr;
        Stream* stream = nullptr;
        int volume = -1;
        bool absoluteVolume = false;
        int frequency = 0;
        unsigned loopMode = 0;
        int priority = -1;
        bool reserved = false;
        int pan = -1;
        bool paused = false;
        bool stopped = false;
        bool has3D = false;
        float position[3] = {};
        unsigned pcmPosition = 0;
    };

    RecordingSoundLibrary() { plat::SetSoundLibrary(this); }
    ~RecordingSoundLibrary() override { plat::SetSoundLibrary(nullptr); }

    // Set-up.
    bool initSucceeds = true;
    // The rate every new channel starts at.
    int sampleRate = 44100;
    std::set<std::string> existingFiles;

    // What happened.
    std::vector<std::string> loads;  // every file name asked of Sample_Load or Stream_Open
    std::vector<int> playOrder;      // channels in the order they were started
    std::map<int, Channel> channels;
    int initCalls = 0, closeCalls = 0, updateCalls = 0;
    int masterVolume = -1;
    float distanceFactor = 0, dopplerFactor = 0, rolloffFactor = 0;
    float listener[12] = {};

    int LoadsOf(const std::string& name) const {
        int count = 0;
        for (const auto& loaded : loads) count += loaded == name;
        return count;
    }
    Channel& Last() { return channels.at(playOrder.back()); }
    int OpenStreams() const {
        int open = 0;
        for (const auto& stream : streams) open += !stream->closed;
        return open;
    }

    bool SetHWND(plat::HWND) override { return true; }
    bool SetMinHardwareChannels(int) override { return true; }
    bool SetMemorySystem(void*, int, plat::FSOUND_ALLOCCALLBACK, plat::FSOUND_REALLOCCALLBACK,
                         plat::FSOUND_FREECALLBACK) override {
        return true;
    }
    bool Init(int, int, unsigned) override {
        ++initCalls;
        return initSucceeds;
    }
    void Close() override { ++closeCalls; }
    void Update() override { ++updateCalls; }
    void SetDistanceFactor(float f) override { distanceFactor = f; }
    void SetDopplerFactor(float f) override { dopplerFactor = f; }
    void SetRolloffFactor(float f) override { rolloffFactor = f; }
    void SetListenerAttributes(const float* p, const float* v, float fx, float fy, float fz, float ux, float uy,
                               float uz) override {
        const float values[12] = {p[0], p[1], p[2], v[0], v[1], v[2], fx, fy, fz, ux, uy, uz};
        std::copy(values, values + 12, listener);
    }
    bool Set3DAttributes(int channel, const float* position, const float*) override {
        Channel* c = Find(channel);
        if (!c) return false;
        c->has3D = true;
        std::copy(position, position + 3, c->position);
        return true;
    }
    plat::FSOUND_SAMPLE* SampleLoad(int, const char* path, unsigned mode, int, int) override {
        const std::string name = GameName(path);
        loads.push_back(name);
        if (!existingFiles.count(plat::ForwardSlashes(name))) return nullptr;
        auto sample = std::make_unique<Sample>();
        sample->name = name;
        sample->mode = mode;
        samples.push_back(std::move(sample));
        return samples.back().get();
    }
    int PlaySoundEx(int, plat::FSOUND_SAMPLE* sample, void*, bool paused) override {
        if (!sample) return -1;
        int handle = NewChannel(paused);
        channels[handle].sample = static_cast<Sample*>(sample);
        return handle;
    }
    bool SetPaused(int channel, bool paused) override { return Set(channel, &Channel::paused, paused); }
    bool SetVolume(int channel, int volume) override {
        return Set(channel, &Channel::volume, volume) && Set(channel, &Channel::absoluteVolume, false);
    }
    bool SetVolumeAbsolute(int channel, int volume) override {
        return Set(channel, &Channel::volume, volume) && Set(channel, &Channel::absoluteVolume, true);
    }
    void SetSFXMasterVolume(int volume) override { masterVolume = volume; }
    int GetFrequency(int channel) override {
        Channel* c = Find(channel);
        return c ? c->frequency : 0;
    }
    bool SetFrequency(int channel, int frequency) override {
        return frequency > 0 && Set(channel, &Channel::frequency, frequency);
    }
    bool SetLoopMode(int channel, unsigned mode) override { return Set(channel, &Channel::loopMode, mode); }
    bool SetPriority(int channel, int priority) override { return Set(channel, &Channel::priority, priority); }
    bool SetReserved(int channel, bool reserved) override { return Set(channel, &Channel::reserved, reserved); }
    bool SetPan(int channel, int pan) override { return Set(channel, &Channel::pan, pan); }
    bool SetCurrentPosition(int channel, unsigned position) override {
        return Set(channel, &Channel::pcmPosition, position);
    }
    bool StopSound(int channel) override { return Set(channel, &Channel::stopped, true); }
    plat::FSOUND_STREAM* StreamOpen(const char* path, unsigned, int, int) override {
        const std::string name = GameName(path);
        loads.push_back(name);
        if (!existingFiles.count(plat::ForwardSlashes(name))) return nullptr;
        auto stream = std::make_unique<Stream>();
        stream->name = name;
        streams.push_back(std::move(stream));
        return streams.back().get();
    }
    bool StreamSetLoopPoints(plat::FSOUND_STREAM* stream, unsigned start, unsigned end) override {
        if (!stream) return false;
        static_cast<Stream*>(stream)->loopStart = start;
        static_cast<Stream*>(stream)->loopEnd = end;
        return true;
    }
    bool StreamSetLoopCount(plat::FSOUND_STREAM* stream, int count) override {
        if (!stream) return false;
        static_cast<Stream*>(stream)->loopCount = count;
        return true;
    }
    int StreamPlayEx(int, plat::FSOUND_STREAM* stream, void*, bool paused) override {
        if (!stream) return -1;
        int handle = NewChannel(paused);
        channels[handle].stream = static_cast<Stream*>(stream);
        return handle;
    }
    bool StreamClose(plat::FSOUND_STREAM* stream) override {
        if (!stream) return false;
        static_cast<Stream*>(stream)->closed = true;
        return true;
    }

private:
    static std::string GameName(const char* path) {
        const std::string folder = AssetRoot() + "/";
        const std::string name = path ? path : "";
        return name.compare(0, folder.size(), folder) == 0 ? name.substr(folder.size()) : name;
    }

    Channel* Find(int channel) {
        auto it = channels.find(channel);
        return it == channels.end() ? nullptr : &it->second;
    }
    template <class Field, class Value>
    bool Set(int channel, Field Channel::*field, Value value) {
        Channel* c = Find(channel);
        if (!c) return false;
        c->*field = value;
        return true;
    }
    int NewChannel(bool paused) {
        int handle = static_cast<int>(channels.size()) + 1;
        channels[handle].paused = paused;
        channels[handle].frequency = sampleRate;
        playOrder.push_back(handle);
        return handle;
    }

    std::vector<std::unique_ptr<Sample>> samples;
    std::vector<std::unique_ptr<Stream>> streams;
};
