// Feeds arbitrary bytes to the surface file reader: whatever it reads, the
// sound indexes stay inside the character sound table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/SoundNames.h"
#include "characters/SurfaceFile.h"

namespace {

void Check(const std::string& input) {
    std::vector<std::uint32_t> sounds;
    SurfaceFile file;
    file.LoadText(input, "fuzz.sur", &sounds);
    for (std::uint32_t index : sounds)
        if (index >= std::uint32_t(kCharacterSoundCount)) std::abort();
    if (file.numSFX != sounds.size() && !sounds.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    Check(input);
    if (input.substr(0, 4) != "xof ") Check("xof 0303txt 0032\n" + input);
    return 0;
}
