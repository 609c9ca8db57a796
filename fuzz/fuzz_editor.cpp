// Console lines through the animation editor of the running game: each input
// is a list of lines, typed one a frame into a fresh edited character (the
// first lines of a session build, the later ones save, load and cycle over
// what earlier inputs left in the folder). Whatever the lines, the game goes
// on (no fatal error: the model folders hold a broken model, which the
// editor must pass over), every animation keeps finite, sorted frame times
// within a finite length, and the body's surface stays finite.
//
// Input: text, one console line per line, at most kMaxLines of them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "WholeGame.h"
#include "Video/ObjectMesh.h"
#include "characters/Animation.h"
#include "console/Console.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/AnimationEditor.h"
#include "editor/EditChar.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpython3\nleak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libGL.so\nleak:libgallium\n"
           "leak:swrast_dri\nleak:libLLVM\nleak:libglapi\nleak:libX11\nleak:libdbus\nleak:libfontconfig\n"
           "leak:libopenal\nleak:__pthread_once_slow\n";
}

namespace {

constexpr int kMaxLines = 32;

// The whole game with broken models in its model folders; a fatal error is a
// finding, a quit starts the game again.
struct Game : WholeGame {
    Game()
        : WholeGame("editor", true, [](const FuzzFolder& folder) {
              for (const char* broken : {"Assets/Models/Body/dud.x", "Assets/Models/Limb/dud.x"})
                  std::ofstream(folder.Path() / broken) << "xof 0303txt 0032\nMesh { 3; 0.0; 0.0; 0.0;;\n";
          }) {}
    void Type(std::string_view line) {
        if (auto* console = static_cast<Console*>(eTable::Peek(names::Console))) console->Execute(line, true);
        Frame();
    }
    // Animation mode with a character of its own: out of it and in again.
    void FreshCharacter() {
        auto* editor = static_cast<AnimationEditor*>(eTable::Peek(names::AnimationEditor));
        if (!editor) std::abort();
        if (editor->GetEditChar()) Type("AnimationModeToggle");
        Type("AnimationModeToggle");
        if (!editor->GetEditChar()) std::abort();
    }
};

void CheckAnimation(const Animation* animation) {
    if (!animation) return;
    if (!std::isfinite(animation->aniLength)) std::abort();
    float previous = -INFINITY;
    for (const AnimationFrame& frame : animation->frames) {
        if (!std::isfinite(frame.time) || frame.time < previous) std::abort();
        previous = frame.time;
    }
}

void Check() {
    auto* editor = static_cast<AnimationEditor*>(eTable::Peek(names::AnimationEditor));
    EditChar* character = editor ? editor->GetEditChar() : nullptr;
    if (!character) return;
    for (const Animation* animation : character->actionAnimations) CheckAnimation(animation);
    if (const ObjectMesh* body = character->BodyObject(); body && !body->surface.IsFinite()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Game game;
    FuzzFolder::Inside inside(game.folder);
    game.FreshCharacter();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (int lines = 0; start < text.size() && lines < kMaxLines; ++lines) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        game.Type(text.substr(start, end - start));
        Check();
        start = end + 1;
    }
    return 0;
}
