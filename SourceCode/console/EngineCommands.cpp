// Console::RunMacro and the commands that act on the console itself, the
// key bindings, the game logic, the video, audio and camera systems.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "Video/Video.h"
#include "ai/AI_Camera.h"
#include "audio/Audio.h"
#include "console/Bindings.h"
#include "console/Console.h"
#include "console/ConsoleCommands.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/AsciiCase.h"
#include "world/GameLogic.h"

namespace {

constexpr std::size_t kListingLength = 512;
constexpr std::int32_t kMaxVolume = 255;

template <class T>
T* Running(const char* systemName) {
    return static_cast<T*>(eTable::Peek(systemName));
}

std::string NoSuchCommand(const char* word) {
    return std::string("There is no command \"") + word + "\" (type \"help\" for a list of commands).";
}

std::string Format(const char* pattern, const std::string& value) {
    std::string text = pattern;
    text.replace(text.find("%s"), 2, value);
    return text;
}

// A word that names no command, or a command without a help text.
int NoHelpFor(Console& console, const char* word) {
    if (const ConsoleCommand* command = FindConsoleCommand(word))
        console.Explain(std::string(command->name) + " has no help text.");
    else
        console.Explain(NoSuchCommand(word));
    return kBadParam;
}

int Help(Console& console, CommandArgs args) {
    if (args.size() == 1) {
        const std::optional<std::string> text = ConsoleHelpText(args[0]);
        if (!text) return NoHelpFor(console, args[0]);
        console.Print(*text, Console::kYellow, true);
        return kDone;
    }
    std::string listing = "COMMANDS: ";
    for (const ConsoleCommand& command : ConsoleCommands()) listing += std::string(" ") + command.name;
    listing.resize(std::min(listing.size(), kListingLength));
    console.Print(listing, Console::kGreen, true);
    return args.empty() ? kDone : kBadParamCount;
}

int Bind(Console& console, CommandArgs args) {
    if (args.size() < 3) return kBadParamCount;
    // The words are only read: a binding may run "Bind" on its own key, and
    // its stored words must come out of that unchanged.
    std::string key = args[0];
    const bool triggered = key.size() > 1 && key.back() == '+';
    if (triggered) key.pop_back();
    const ConsoleCommand* command = FindConsoleCommand(args[2]);
    if (!command) {
        console.Explain(NoSuchCommand(args[2]));
        return kBadParam;
    }
    const std::optional<std::int32_t> stream = ParseInt(args[1]);
    if (!stream) return NotANumber(console, args[1], true);
    const CommandArgs params = args.subspan(3);
    Binding binding;
    binding.stream = *stream;
    binding.command = command->id;
    binding.args.assign(params.begin(), params.end());
    if (const std::string problem = Bindings::Refusal(key.c_str(), binding); !problem.empty()) {
        console.Explain(problem);
        return kBadParam;
    }
    auto* bindings = Running<Bindings>(names::Bindings);
    if (!bindings) return kEffectFailed;
    if (!bindings->Bind(triggered, key.c_str(), binding)) return kBadParam;
    console.Print("Bound " + key + " key to " + args[2] + " command on input stream " + args[1] + "!",
                  Console::kGreen);
    return kDone;
}

int Echo(Console& console, CommandArgs args) {
    if (args.empty()) return kBadParamCount;
    std::string text = "ECHO: ";
    for (const char* word : args) text += std::string(" ") + word;
    console.Print(text, Console::kGreen);
    return kDone;
}

int ToggleFPS(Console&, CommandArgs args) {
    if (!args.empty()) return kBadParamCount;
    auto* logic = Running<GameLogic>(names::GameLogic);
    if (!logic) return kEffectFailed;
    logic->showFPS = logic->showFPS ? 0 : 1;
    return kDone;
}

int ToggleFullScreen(Console&, CommandArgs args) {
    if (!args.empty()) return kBadParamCount;
    auto* video = Running<Video>(names::Video);
    if (!video || !video->Device()) return kEffectFailed;
    // A reset of the device at the sizes it has: managed resources stay.
    const bool toFullScreen = video->Settings().present.Windowed != 0;
    return video->SetDisplayMode(toFullScreen, 0, 0, 0, 0) == 1 ? kDone : kEffectFailed;
}

int ToggleConsole(Console& console, CommandArgs args) {
    if (!args.empty()) return kBadParamCount;
    const auto* bindings = Running<Bindings>(names::Bindings);
    const std::uint32_t pass = bindings ? bindings->Passes() : 0;
    // After a toggle the latch waits for the key's re-trigger, which comes in
    // the very next pass when the key is still down. A press short enough to
    // end before that never re-triggers: the latch must not then swallow the
    // next real press.
    const bool waiting = console.IsOpen() == console.toggleLatch;
    if (waiting && pass != console.togglePass + 1) console.toggleLatch = !console.IsOpen();
    if (!console.IsOpen()) {
        if (console.toggleLatch && console.Init()) console.togglePass = pass;
        console.toggleLatch = true;
    } else {
        if (!console.toggleLatch && console.Shutdown()) console.togglePass = pass;
        console.toggleLatch = false;
    }
    return kDone;
}

int Controls(Console&, CommandArgs args) {
    if (args.size() != 1) return kBadParamCount;
    auto* logic = Running<GameLogic>(names::GameLogic);
    const struct {
        const char* word;
        std::uint8_t GameLogic::*flag;
    } flags[] = {
        {"Forward", &GameLogic::Forward},
        {"Backward", &GameLogic::Backward},
        {"RotateLeft", &GameLogic::RotateLeft},
        {"RotateRight", &GameLogic::RotateRight},
        {"Up", &GameLogic::Up},
        {"Down", &GameLogic::Down},
    };
    for (const auto& entry : flags) {
        if (!plat::SameIgnoringCase(args[0], entry.word)) continue;
        if (!logic) return kEffectFailed;
        logic->*entry.flag = 1;
        return kDone;
    }
    return kBadParam;
}

int Quit(Console&, CommandArgs args) {
    if (!args.empty()) return kBadParamCount;
    DIva* app = GetDIva();
    if (!app) return kEffectFailed;
    app->RequestQuit();
    return kDone;
}

// What a volume command needs: its one argument, a volume from 0 to
// kMaxVolume, and the running sound system. Any code but kDone ends the
// command with it.
int VolumeCommand(Console& console, CommandArgs args, std::int32_t* volume, Audio** audio) {
    if (args.size() != 1) return kBadParamCount;
    const std::optional<std::int32_t> parsed = ParseInt(args[0]);
    if (!parsed) return NotANumber(console, args[0], true);
    *volume = *parsed;
    if (*volume < 0 || *volume > kMaxVolume) {
        console.Explain(std::string(args[0]) + " is outside the volume's range: 0 (silent) to " +
                        std::to_string(kMaxVolume) + " (loudest).");
        return kBadRange;
    }
    *audio = Running<Audio>(names::Audio);
    return *audio ? kDone : kEffectFailed;
}

int SFXVolume(Console& console, CommandArgs args) {
    std::int32_t volume = 0;
    Audio* audio = nullptr;
    if (const int code = VolumeCommand(console, args, &volume, &audio); code != kDone) return code;
    audio->SetSFXVolume(static_cast<std::uint8_t>(volume));
    console.Print(Format("Set SFX volume to %s!", args[0]), Console::kGreen);
    return kDone;
}

int SetMusicVolumeTo(Console& console, Audio& audio, std::int32_t volume) {
    audio.SetMusicVolume(static_cast<std::uint8_t>(volume));
    console.Print(Format("Set music volume to %s!", std::to_string(volume)), Console::kGreen);
    return kDone;
}

int MusicVolume(Console& console, CommandArgs args) {
    std::int32_t volume = 0;
    Audio* audio = nullptr;
    if (const int code = VolumeCommand(console, args, &volume, &audio); code != kDone) return code;
    return SetMusicVolumeTo(console, *audio, volume);
}

int MusicVolumeInc(Console& console, CommandArgs args) {
    if (args.size() != 1) return kBadParamCount;
    const std::optional<std::int32_t> step = ParseInt(args[0]);
    if (!step) return NotANumber(console, args[0], true);
    auto* audio = Running<Audio>(names::Audio);
    if (!audio) return kEffectFailed;
    // In 64 bits, so that no step can wrap the sum.
    const std::int64_t sum = std::int64_t{audio->GetMusicVolume()} + *step;
    return SetMusicVolumeTo(console, *audio, static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, 0, kMaxVolume)));
}

int LoadModel(Console&, CommandArgs args) { return args.size() == 3 ? kDone : kBadParamCount; }

int SetCameraMode(CommandArgs args, std::uint32_t mode) {
    if (!args.empty()) return kBadParamCount;
    auto* camera = Running<AI_Camera>(names::AI_Camera);
    if (!camera) return kEffectFailed;
    camera->SetMode(mode);
    return kDone;
}

int FreeCamera(Console&, CommandArgs args) { return SetCameraMode(args, AI_Camera::kFreeLook); }
int FirstCamera(Console&, CommandArgs args) { return SetCameraMode(args, AI_Camera::kFollow); }

using Handler = int (*)(Console&, CommandArgs);
// By id, 0 to 13.
constexpr Handler kEngineCommands[] = {
    Help, Bind, Echo, ToggleFPS, ToggleFullScreen, ToggleConsole, Controls,
    Quit, SFXVolume, MusicVolume, MusicVolumeInc, LoadModel, FreeCamera, FirstCamera,
};
static_assert(std::size(kEngineCommands) == kFirstEditorCommand);

}  // namespace

int Console::RunMacro(std::int32_t id, int argc, const char* const* argv) {
    if (id < 0 || id > kLastCommand) {
        // Only a fault of the program itself reaches this: names are checked
        // before they become ids.
        ReportFatalError("Console command not linked to a known macro!");
        return kEffectFailed;
    }
    const CommandArgs args(argv, argc > 0 && argv ? static_cast<std::size_t>(argc) : 0);
    const int code = id < kFirstEditorCommand ? kEngineCommands[id](*this, args) : RunEditorCommand(*this, id, args);
    if (code == kBadParamCount) Explain(ConsoleUsage(id));
    if (const char* message = CommandResultMessage(code)) Print(message, kRed);
    for (const std::string& line : std::exchange(explanations, {})) {
        Print(line, kYellow, true);
        LogForScript(line);
    }
    return code;
}

void Console::Explain(std::string line) {
    // A command says why once, in a few lines; more would only push its
    // result out of sight.
    constexpr std::size_t kMostLines = 4;
    if (explanations.size() < kMostLines) explanations.push_back(std::move(line));
}
