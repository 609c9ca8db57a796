#include "console/ConsoleCommands.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "characters/NameTables.h"
#include "console/Console.h"
#include "core/DIva.h"
#include "platform/common/AsciiCase.h"

namespace {

constexpr ConsoleCommand kCommands[] = {
    {"AddFrame", kAddFrame},
    {"AddObject", kAddObject},
    {"AddLimb", kAddLimb},
    {"AddPoint", kAddPoint},
    {"Animate", kAnimate},
    {"AnimationLength", kAnimationLength},
    {"AnimationLoop", kAnimationLoop},
    {"AnimationModeToggle", kAnimationModeToggle},
    {"Bind", kBind},
    {"CameraControlToggle", kCameraControlToggle},
    {"Controls", kControls},
    {"CreateAnimation", kCreateAnimation},
    {"DeleteObject", kDeleteObject},
    {"Echo", kEcho},
    {"EditModeToggle", kEditModeToggle},
    {"FirstCamera", kFirstCamera},
    {"FreeCamera", kFreeCamera},
    {"Help", kHelp},
    {"LoadAnimation", kLoadAnimation},
    {"LoadAnimationSet", kLoadAnimationSet},
    {"LoadCharacter", kLoadCharacter},
    {"LoadModel", kLoadModel},
    {"MusicVolume", kMusicVolume},
    {"MusicVolumeInc", kMusicVolumeInc},
    {"RemoveFrame", kRemoveFrame},
    {"SaveCharacter", kSaveCharacter},
    {"SaveAnimation", kSaveAnimation},
    {"SaveAnimationSet", kSaveAnimationSet},
    {"SetAnimation", kSetAnimation},
    {"SetBody", kSetBody},
    {"SetEyes", kSetEyes},
    {"SetMaterial", kSetMaterial},
    {"SetSilo", kSetSilo},
    {"SetSiloWidth", kSetSiloWidth},
    {"SetSurface", kSetSurface},
    {"SFXVolume", kSFXVolume},
    {"ToggleConsole", kToggleConsole},
    {"ToggleFPS", kToggleFPS},
    {"ToggleFullScreen", kToggleFullScreen},
    {"ToggleNodes", kToggleNodes},
    {"Quit", kQuit},
};


struct HelpEntry {
    const char* command;
    const char* text;
    // The animation commands' texts list the actions, so that a typo is not
    // taken for one.
    bool namesActions = false;
};

// "Help", "Quit", "ToggleFullScreen", "CameraControlToggle",
// "EditModeToggle", "AddObject" and "DeleteObject" have none.
constexpr HelpEntry kHelpTexts[] = {
    {"Bind", "Binds a keyboard key to a command. Add a '+' to key names for triggered.\n\"name of key to bind\" \"input stream [-1=any]\" \"command\" (params...)"},
    {"Controls", "Sets a bool for controls in game logic specified by the single parameter."},
    {"Echo", "Repeats the params as a message in the console. Mostly used for command scripts."},
    {"LoadModel", "Replaces the temp model with the specified file."},
    {"MusicVolume", "Set the music volume the single parameter (0-255)."},
    {"MusicVolumeInc", "Increments the music volume by the integer paremeter. It clamps between 0 and 255 automatically."},
    {"SFXVolume", "Set the sound effects volume the single parameter (0-255)."},
    {"ToggleConsole", "Toggles the console, but uses a timer that requires holding a key bound to this command."},
    {"ToggleFPS", "Toggles the FPS display."},
    {"FreeCamera", "Shifts to free roving camera."},
    {"FirstCamera", "Shifts to first person perspective camera."},
    {"AddFrame", "Adds a frame to current animation at specified float position."},
    {"AddLimb", "Adds a limb to a character.  Takes the type of limb (model,spline,line) & \t\t\t\t\t\t\t the location of the Limb (larm, rarm, lleg, rleg, head)."},
    {"AddPoint", "Adds a control point to the currently selected limb."},
    {"Animate", "Animates the character using the current animation."},
    {"AnimationLength", "Sets the length of the current animation.  Takes the floating point length."},
    {"AnimationLoop", "Sets whether or not the current animation loops. Takes 0 - No Loop or 1 - Loop."},
    {"AnimationModeToggle", "Turn on/off the mode used to animate and alter a character."},
    {"CreateAnimation", "Creates an animation for the character.  Takes the name of the animation, the length \t\t\t\t\t\t\tof the animation, & 0/1 for no looping/looping.", true},
    {"LoadAnimation", "Loads an animation to use for the character.  Takes the name of the character animation \t\t\t\t\t\t\tto load & the name of the type of animation to load.", true},
    {"LoadAnimationSet", "Loads an entire set of animations into memory.  Takes the name of the character \t\t\t\t\t\t\tto load the animation set from."},
    {"LoadCharacter", "Loads a character to use while editing.  Takes the name of the character to load."},
    {"RemoveFrame", "Removes a frame from the current animation. Takes the floating point frame location to remove."},
    {"SaveAnimation", "Saves the current animation information. Takes the name to save the animation under."},
    {"SaveAnimationSet", "Saves all loaded animations. Takes the name to save the animations under."},
    {"SaveCharacter", "Saves the current character information. Takes the name to save character as."},
    {"SetAnimation", "Sets the active animation to edit. Takes the name of the animation to activate.", true},
    {"SetBody", "Sets the body to use for the character to the next model used in Models/Bodies folder."},
    {"SetEyes", "Sets the eyes to use for the character to the next eye texture."},
    {"SetMaterial", "Sets the material to use for the character. Takes the name of the body material, \t\t\t\t\t\t\tthe object properties to use, & whether model limbs are affected by change."},
    {"SetSurface", "Sets the surface to use for the character. Takes 4-float diffuse color, 4-float specular \t\t\t\t\t\t\tcolor, int specular power, float slope distribution, float fresnel index, float streadians, \t\t\t\t\t\t\t& whether change effects limbs."},
    {"SetSilo", "Sets the silhouette to use for the character to the next silhouette texture."},
    {"SetSiloWidth", "Sets the width to use for the silhouette. Takes floating point width (between 0 & 1)."},
    {"ToggleNodes", "Turns on/off visual representation of editable nodes."},
};

constexpr const char* kResultMessages[] = {
    nullptr,
    "ERROR: Invalid number of params!",
    "ERROR: Invalid parameter!",
    "ERROR: Invalid parameter range!",
    "ERROR: Desired Effect Failed!",
};

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::span<const ConsoleCommand> ConsoleCommands() { return kCommands; }

const ConsoleCommand* FindConsoleCommand(std::string_view word) {
    for (const ConsoleCommand& command : kCommands)
        if (plat::SameIgnoringCase(word, command.name)) return &command;
    return nullptr;
}

std::optional<std::string> ConsoleHelpText(std::string_view commandName) {
    for (const HelpEntry& entry : kHelpTexts)
        if (plat::SameIgnoringCase(commandName, entry.command))
            return entry.namesActions ? entry.text + ("\nActions: " + ActionNamesText() + ".") : entry.text;
    return std::nullopt;
}

const char* CommandResultMessage(int code) {
    if (code <= kDone || code > kEffectFailed) return nullptr;
    return kResultMessages[code];
}

namespace {
// What follows a number: nothing, or blanks only.
bool OnlyBlanksFrom(const char* rest) {
    while (IsBlank(*rest)) ++rest;
    return *rest == '\0';
}
}  // namespace

std::optional<std::int32_t> ParseInt(const char* word) {
    if (!word) return std::nullopt;
    while (IsBlank(*word)) ++word;
    const bool negative = *word == '-';
    if (*word == '-' || *word == '+') ++word;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    const char* digits = word;
    for (; *word >= '0' && *word <= '9'; ++word) {
        value = value * 10 + (*word - '0');
        if (value > kLimit) value = kLimit;  // saturated: more digits change nothing
    }
    if (word == digits || !OnlyBlanksFrom(word)) return std::nullopt;
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) value = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

std::optional<float> ParseFloat(const char* word) {
    if (!word) return std::nullopt;
    while (IsBlank(*word)) ++word;
    const bool negative = *word == '-';
    if (*word == '-' || *word == '+') ++word;
    const char* end = word + std::strlen(word);
    double value = 0.0;
    const auto [stop, error] = std::from_chars(word, end, value, std::chars_format::general);
    if (error == std::errc::invalid_argument || !OnlyBlanksFrom(stop)) return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // Too large a number reads as infinite, too small a one as zero.
        const std::string_view text(word, stop);
        const bool tiny = text.find("e-") != std::string_view::npos || text.find("E-") != std::string_view::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return static_cast<float>(negative ? -value : value);
}

std::optional<bool> ParseFlag(const char* word) {
    if (!ParseInt(word)) return std::nullopt;
    while (IsBlank(*word)) ++word;
    return word[0] == '1';
}

int NotANumber(Console& console, const char* word, bool whole) {
    console.Explain(std::string("\"") + (word ? word : "") + "\" is not a " + (whole ? "whole number." : "number."));
    return kBadParam;
}
