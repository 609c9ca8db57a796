// Feeds arbitrary bytes to the character file reader, over a character that
// has no scene to build in: every object kind is read and dispatched, and
// nothing that a file says may crash it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "characters/CharacterFile.h"
#include "characters/NPC.h"
#include "XTextInput.h"

namespace {

void Check(const std::string& input) {
    NPC character;
    CharacterFile(&character).LoadText(input, "fuzz.x", nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckXText(data, size, Check);
    return 0;
}
