// Saving and re-reading character and surface files. A character file from
// the input (or, with the first byte odd, the player's character wearing a
// surface read from the input as a surface file on its eyes) is read into a
// character on a real video system, saved, and read back and saved twice:
// a file the program writes must read back, and saving what was read back
// must write the very same text each time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzFolder.h"
#include "Video/Video.h"
#include "characters/CharacterFile.h"
#include "characters/NPC.h"
#include "characters/SurfaceFile.h"
#include "platform/window/Window.h"
#include "world/Physics.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libGL.so\nleak:libgallium\nleak:swrast_dri\n"
           "leak:libLLVM\nleak:libglapi\nleak:libX11\nleak:libdbus\nleak:libfontconfig\n";
}

namespace {

struct Systems {
    Systems() : folder("roundtrip") {
        folder.WriteSettings();
        FuzzFolder::Inside inside(folder);
        FuzzFolder::OpenWindow("TollymopFuzzRoundTrip");
        if (!video.Init() || !physics.Init()) std::abort();
    }
    FuzzFolder folder;
    Video video;
    Physics physics;
};

std::string ReadFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads a saved file into a new character and saves that under another
// name; a file the program wrote must read back and save again.
void ReadAndSave(const char* from, const char* to, std::string& name) {
    NPC reread;
    if (!reread.Init()) std::abort();
    if (!CharacterFile(&reread).Load(from, nullptr)) std::abort();
    if (!CharacterFile(&reread).Save(to, &name)) std::abort();
    reread.Shutdown();
}

// Saves the character and reads it back twice. A read drops what a
// character does not keep (the eyes' roughness terms), so the first save may
// differ from the second; from then on the text must stay the same.
void RoundTrip(NPC& character) {
    std::string name = "Fuzz";
    if (!CharacterFile(&character).Save("first.x", &name)) return;
    ReadAndSave("first.x", "second.x", name);
    ReadAndSave("second.x", "third.x", name);
    if (ReadFile("second.x") != ReadFile("third.x")) std::abort();
}

std::string WithHeader(const std::string& text) {
    return text.substr(0, 4) == "xof " ? text : "xof 0303txt 0032\n" + text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Systems systems;
    FuzzFolder::Inside inside(systems.folder);
    if (size < 1) return 0;
    const std::string text = WithHeader(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    NPC character;
    if (!character.Init()) std::abort();
    if (data[0] & 1) {
        SurfaceFile surface;
        if (surface.LoadText(text, "fuzz.sur", nullptr) &&
            CharacterFile(&character).Load(systems.folder.Repository().string() + "/Assets/Characters/Player.x",
                                           nullptr)) {
            character.face.eyeSurface = surface.surface;
            RoundTrip(character);
        }
    } else if (CharacterFile(&character).LoadText(text, "fuzz.x", nullptr)) {
        RoundTrip(character);
    }
    character.Shutdown();
    return 0;
}
