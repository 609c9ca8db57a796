// Feeds arbitrary bytes to the surface file reader: whatever it reads, the
// sound indexes stay inside the character sound table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/SoundNames.h"
#include "characters/SurfaceFile.h"
#include "XTextInput.h"

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
    CheckXText(data, size, Check);
    return 0;
}
