// Input event streams through the whole game: key presses and releases,
// mouse motion, buttons, the wheel and focus changes, pushed the way SDL
// delivers them and run frame by frame as the entry point runs them, so
// they reach the input streams, the console's editing keys and history, the
// cursor, the key bindings of OnStartScript.txt and the commands they run.
// An input that ends the game (Escape is bound to Quit) starts a new one.
//
// Input: a list of operations, each an opcode byte and its argument bytes.
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "WholeGame.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpython3\nleak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libGL.so\nleak:libgallium\n"
           "leak:swrast_dri\nleak:libLLVM\nleak:libglapi\nleak:libX11\nleak:libdbus\nleak:libfontconfig\n"
           "leak:libopenal\nleak:__pthread_once_slow\n";
}

namespace {

constexpr int kMaxFrames = 60;

WholeGame& TheGame() {
    static WholeGame game("input", false,
                          [](const FuzzFolder& folder) { folder.CopyFromRepository("OnStartScript.txt"); });
    return game;
}

std::uint32_t WindowId(plat::HWND window) { return SDL_GetWindowID(plat::SdlWindowOf(window)); }

void Key(plat::HWND window, std::uint8_t scancode, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = WindowId(window);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    // 224..231 are the modifiers; the rest of the byte covers every key.
    e.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    SDL_PushEvent(&e);
}

void Mouse(plat::HWND window, std::uint8_t kind, std::int8_t a, std::int8_t b) {
    SDL_Event e{};
    switch (kind % 3) {
    case 0:
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = WindowId(window);
        e.motion.xrel = a;
        e.motion.yrel = b;
        break;
    case 1:
        e.type = b & 1 ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = WindowId(window);
        e.button.button = static_cast<Uint8>(1 + std::uint8_t(a) % 3);
        e.button.state = b & 1 ? SDL_PRESSED : SDL_RELEASED;
        break;
    default:
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = WindowId(window);
        e.wheel.y = a;
        e.wheel.direction = b & 1 ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
        break;
    }
    SDL_PushEvent(&e);
}

void Focus(plat::HWND window, bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = WindowId(window);
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WholeGame& game = TheGame();
    FuzzFolder::Inside inside(game.folder);
    int frames = 0;
    auto byte = [&](std::size_t& at) { return at < size ? data[at++] : std::uint8_t(0); };
    for (std::size_t at = 0; at < size && frames < kMaxFrames;) {
        const std::uint8_t op = byte(at);
        switch (op % 6) {
        case 0: Key(game.window, byte(at), true); break;
        case 1: Key(game.window, byte(at), false); break;
        case 2: {  // a tap: down for one frame, up for the next
            const std::uint8_t key = byte(at);
            Key(game.window, key, true);
            game.Frame();
            Key(game.window, key, false);
            game.Frame();
            frames += 2;
            break;
        }
        case 3: {
            const std::uint8_t kind = byte(at);
            const auto a = static_cast<std::int8_t>(byte(at));
            Mouse(game.window, kind, a, static_cast<std::int8_t>(byte(at)));
            break;
        }
        case 4: Focus(game.window, op & 8); break;
        default:
            for (int i = 0; i <= (op >> 5) && frames < kMaxFrames; ++i, ++frames) game.Frame();
            break;
        }
    }
    game.Frame();
    // Nothing held over into the next input: every key and button up, the
    // console closed if this input opened it stays as it is (state carries,
    // as in a real session).
    for (int key = 0; key < 256; ++key) Key(game.window, std::uint8_t(key), false);
    for (std::uint8_t button = 0; button < 3; ++button) Mouse(game.window, 1, std::int8_t(button), 0);
    game.Frame();
    return 0;
}
