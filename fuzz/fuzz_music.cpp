// Music streaming: the input's tail is a sound file, its head a list of
// operations on the music stack of "Audio" (play with any start position,
// loop points, loop count, pitch and fades; pop; the scripts' music event;
// frames of any length), run on OpenAL Soft's loopback device so that every
// frame really mixes and the streams are decoded and refilled as they play.
// Whatever the file and the parameters, nothing may crash, and once the
// stack is popped and the fades are over no track may be left.
//
// Input: byte 0 the length L of the operations, bytes 1..L the operations,
// the rest the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "core/Timer.h"
#include "platform/sound/OpenALSound.h"
#include "platform/window/Clock.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libopenal\nleak:libsndfile\n"; }

namespace {

std::uint32_t now = 1000;

class Ops {
public:
    Ops(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool More() const { return at < size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::uint32_t Word() { return std::uint32_t(Byte()) | std::uint32_t(Byte()) << 8; }
    std::int32_t Signed() { return std::int16_t(Word()); }

private:
    const std::uint8_t* data;
    std::size_t size, at = 0;
};

MusicParams ReadParams(Ops& ops) {
    MusicParams p;
    p.fadeOutOld = ops.Signed();
    p.fadeIn = ops.Signed();
    const std::uint8_t pitch = ops.Byte();
    p.pitch = pitch == 255 ? -1.0f : pitch / 32.0f;
    p.startPosition = ops.Word() * 64;
    p.loopStart = ops.Word() * 16;
    p.loopEnd = ops.Word() * 16;
    p.loop = ops.Byte() & 1;
    p.loopCount = std::int8_t(ops.Byte());
    return p;
}

void Frame(Timer& timer, Audio& audio, std::uint32_t milliseconds) {
    now += milliseconds;
    timer.Update();
    audio.Update();
    // What the device plays in that time (at most a second's worth).
    static std::vector<std::int16_t> mixed(2 * 44100);
    const int frames = static_cast<int>(std::min<std::uint32_t>(milliseconds, 1000) * 44);
    if (frames > 0) plat::RenderSoundFrames(mixed.data(), frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        ::setenv("ALSOFT_DRIVERS", "null", 0);
        plat::SetClockSource([] { return now; });
        plat::UseLoopbackSoundDevice(true);
        return true;
    }();
    // Kept for the whole run: the registry it leaves may be gone at exit.
    static Timer& timer = *new Timer;
    static const bool timerStarted = timer.Init();
    if (!ready || !timerStarted) std::abort();
    if (size < 1) return 0;
    const std::size_t opsSize = std::min<std::size_t>(data[0], size - 1);
    const int fd = ::memfd_create("music", 0);
    if (fd < 0) return 0;
    const std::size_t fileSize = size - 1 - opsSize;
    if (::write(fd, data + 1 + opsSize, fileSize) != static_cast<ssize_t>(fileSize)) {
        ::close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    Audio audio;
    if (!audio.Init()) std::abort();
    Ops ops(data + 1, opsSize);
    while (ops.More()) {
        switch (ops.Byte() % 5) {
        case 0: {
            const MusicParams params = ReadParams(ops);
            audio.PlayMusic(path.c_str(), &params);
            break;
        }
        case 1: audio.PopMusic(); break;
        case 2: audio.PlayMusicEvent(ops.Byte() & 1 ? "NOMUS" : path.c_str()); break;
        case 3: audio.SetMusicVolume(ops.Byte()); break;
        default: Frame(timer, audio, ops.Byte() * 8u); break;
        }
    }
    // Popped to the last track and past every fade, nothing may be left.
    while (!audio.Music().Playing().empty()) audio.PopMusic();
    for (int i = 0; i < 3 && !audio.Music().FadingOut().empty(); ++i) Frame(timer, audio, 40000);
    if (!audio.Music().FadingOut().empty()) std::abort();
    audio.Shutdown();
    ::close(fd);
    return 0;
}
