#include "console/ConsoleCommands.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "characters/NameTables.h"
#include "console/Console.h"
#include "core/DIva.h"
#include "platform/common/AsciiCase.h"

namespace {

constexpr ConsoleCommand kCommands[] = {
    {"AddFrame", kAddFrame, "time (seconds)"},
    {"AddObject", kAddObject, ""},
    {"AddLimb", kAddLimb, "Line|Spline|Model LArm|RArm|LLeg|RLeg|Head"},
    {"AddPoint", kAddPoint, ""},
    {"Animate", kAnimate, ""},
    {"AnimationLength", kAnimationLength, "length (seconds, above 0)"},
    {"AnimationLoop", kAnimationLoop, "loop (0 or 1)"},
    {"AnimationModeToggle", kAnimationModeToggle, ""},
    {"Bind", kBind, "key[+] stream command [parameters] ('+' fires once a press; stream -1 every, 0 game, 1 editors, 2 console)"},
    {"CameraControlToggle", kCameraControlToggle, ""},
    {"Controls", kControls, "Forward|Backward|RotateLeft|RotateRight|Up|Down"},
    {"CreateAnimation", kCreateAnimation, "action length loop (length in seconds, above 0; loop 0 or 1)"},
    {"DeleteObject", kDeleteObject, ""},
    {"Echo", kEcho, "word [words]"},
    {"EditModeToggle", kEditModeToggle, ""},
    {"FirstCamera", kFirstCamera, ""},
    {"FreeCamera", kFreeCamera, ""},
    {"Help", kHelp, "[command]"},
    {"LoadAnimation", kLoadAnimation, "character action"},
    {"LoadAnimationSet", kLoadAnimationSet, "character"},
    {"LoadCharacter", kLoadCharacter, "name"},
    {"LoadModel", kLoadModel, "word word word (three words; it changes nothing)"},
    {"MusicVolume", kMusicVolume, "0-255"},
    {"MusicVolumeInc", kMusicVolumeInc, "step (the volume stays within 0-255)"},
    {"RemoveFrame", kRemoveFrame, "time (seconds)"},
    {"SaveCharacter", kSaveCharacter, "name"},
    {"SaveAnimation", kSaveAnimation, "name"},
    {"SaveAnimationSet", kSaveAnimationSet, "name"},
    {"SetAnimation", kSetAnimation, "action"},
    {"SetBody", kSetBody, ""},
    {"SetEyes", kSetEyes, ""},
    {"SetMaterial", kSetMaterial, "material properties limbs (limbs 0 or 1)"},
    {"SetSilo", kSetSilo, ""},
    {"SetSiloWidth", kSetSiloWidth, "width"},
    {"SetSurface", kSetSurface, "r g b r g b power m n str limbs (11 numbers: diffuse then specular red, green, blue; limbs 0 or 1)"},
    {"SFXVolume", kSFXVolume, "0-255"},
    {"ToggleConsole", kToggleConsole, ""},
    {"ToggleFPS", kToggleFPS, ""},
    {"ToggleFullScreen", kToggleFullScreen, ""},
    {"ToggleNodes", kToggleNodes, ""},
    {"Quit", kQuit, ""},
};


struct HelpEntry {
    const char* command;
    const char* text;
    // The animation commands' texts list the actions, so that a typo is not
    // taken for one.
    bool namesActions = false;
    // A text that miscounts its parameters is followed by the usage line.
    bool withUsage = false;
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
    {"SetSurface", "Sets the surface to use for the character. Takes 4-float diffuse color, 4-float specular \t\t\t\t\t\t\tcolor, int specular power, float slope distribution, float fresnel index, float streadians, \t\t\t\t\t\t\t& whether change effects limbs.", false, true},
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
    for (const HelpEntry& entry : kHelpTexts) {
        if (!plat::SameIgnoringCase(commandName, entry.command)) continue;
        std::string text = entry.text;
        if (entry.namesActions) text += "\nActions: " + ActionNamesText() + ".";
        if (entry.withUsage) text += "\n" + ConsoleUsage(FindConsoleCommand(entry.command)->id);
        return text;
    }
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

// The C library's own reading of a number (what atof reads: blanks, one
// sign, decimal or hexadecimal digits with an exponent, "inf", "nan"), in
// the "C" locale whatever the process's: a word is a number when that
// reading takes all of it but trailing blanks.
std::optional<double> ReadNumber(const char* word) {
    if (!word) return std::nullopt;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    char* stop = nullptr;
    // Out of range reads as infinite (too large) or about zero (too small),
    // as atof reads it; errno is not looked at.
    const double value = strtod_l(word, &stop, cLocale);
    if (stop == word || !OnlyBlanksFrom(stop)) return std::nullopt;
    return value;
}
}  // namespace

std::optional<std::int32_t> ParseInt(const char* word) {
    const std::optional<double> value = ReadNumber(word);
    // Infinity and NaN have no whole part.
    if (!value || !std::isfinite(*value)) return std::nullopt;
    // The whole part, as atoi takes it from "100.5" (toward zero), saturated
    // at the ends of the range rather than wrapped.
    const double whole = std::trunc(*value);
    if (whole <= double(std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
    if (whole >= double(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(whole);
}

std::optional<float> ParseFloat(const char* word) {
    const std::optional<double> value = ReadNumber(word);
    if (!value) return std::nullopt;
    return static_cast<float>(*value);
}

std::optional<bool> ParseFlag(const char* word) {
    if (!ReadNumber(word)) return std::nullopt;
    while (IsBlank(*word)) ++word;
    return word[0] == '1';
}

int NotFinite(Console& console, const char* word, const char* what) {
    console.Explain(std::string("\"") + (word ? word : "") + "\" is not a finite number, and " + what +
                    " holds finite numbers only.");
    return kBadParam;
}

std::string ConsoleUsage(std::int32_t id) {
    for (const ConsoleCommand& command : kCommands)
        if (command.id == id)
            return std::string("Usage: ") + command.name + (*command.params ? " " : " (no parameters)") +
                   command.params;
    return {};
}

int NotANumber(Console& console, const char* word, bool whole) {
    console.Explain(std::string("\"") + (word ? word : "") + "\" is not a " + (whole ? "whole number." : "number."));
    return kBadParam;
}
