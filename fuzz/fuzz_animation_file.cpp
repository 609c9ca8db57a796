// Feeds arbitrary bytes to the animation file reader. Whatever it reads must
// write out, and the written file must read back into the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "XTextInput.h"

namespace {

// Writes through a file in the temp folder, as the game writes.
std::string Written(Animation& animation) {
    static const std::string path = "/tmp/fuzz_animation_file." + std::to_string(::getpid()) + ".ani";
    std::string text;
    if (!AnimationFile(&animation).Save(path, nullptr)) return "";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) std::abort();
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

void Check(const std::string& input) {
    Animation animation;
    AnimationFile(&animation).LoadText(input, "fuzz.ani", nullptr);
    // Every frame lies within the length, in time order.
    float previous = -1e30f;
    for (const AnimationFrame& frame : animation.frames) {
        if (frame.time < previous || frame.time > animation.aniLength) std::abort();
        previous = frame.time;
    }
    animation.FindFrames(animation.aniLength * 0.5f);
    auto cleaned = AnimationFile::Cleaned(animation);
    std::string first = Written(animation);
    if (first.empty()) return;  // a name the file cannot hold
    Animation again;
    if (!AnimationFile(&again).LoadText(first, "rewritten.ani", nullptr)) std::abort();
    if (Written(again) != first) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckXText(data, size, Check);
    return 0;
}
