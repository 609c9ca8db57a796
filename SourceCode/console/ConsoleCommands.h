#pragma once
// The console's command table, the help texts and the parameter conversions
// that every command shares.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class Console;

// Command ids: the console's Execute finds them by name, key bindings store
// them.
enum ConsoleCommandId : std::int32_t {
    kHelp = 0,
    kBind = 1,
    kEcho = 2,
    kToggleFPS = 3,
    kToggleFullScreen = 4,
    kToggleConsole = 5,
    kControls = 6,
    kQuit = 7,
    kSFXVolume = 8,
    kMusicVolume = 9,
    kMusicVolumeInc = 10,
    kLoadModel = 11,
    kFreeCamera = 12,
    kFirstCamera = 13,
    // The editors' commands, 14 to 40.
    kFirstEditorCommand = 14,
    kCameraControlToggle = 14,
    kEditModeToggle = 15,
    kAddObject = 16,
    kDeleteObject = 17,
    kAnimationModeToggle = 18,
    kAddLimb = 19,
    kAddPoint = 20,
    kSaveCharacter = 21,
    kLoadCharacter = 22,
    kSetEyes = 23,
    kSetBody = 24,
    kSetSurface = 25,
    kSetMaterial = 26,
    kSetSilo = 27,
    kSetSiloWidth = 28,
    kCreateAnimation = 29,
    kLoadAnimation = 30,
    kLoadAnimationSet = 31,
    kSetAnimation = 32,
    kSaveAnimation = 33,
    kSaveAnimationSet = 34,
    kAddFrame = 35,
    kRemoveFrame = 36,
    kAnimationLength = 37,
    kAnimationLoop = 38,
    kAnimate = 39,
    kToggleNodes = 40,
    kLastCommand = 40,
};

struct ConsoleCommand {
    const char* name;
    std::int32_t id;
    // What follows the name ("" for none), for the usage line.
    const char* params;
};

// Result codes of a command.
enum CommandResult : int {
    kDone = 0,
    kBadParamCount = 1,
    kBadParam = 2,
    kBadRange = 3,
    kEffectFailed = 4,
};

// The 41 commands in lookup and listing order.
std::span<const ConsoleCommand> ConsoleCommands();
// The first command whose name equals word without regard to case, or null.
const ConsoleCommand* FindConsoleCommand(std::string_view word);
// The help text of the named command (any case), or nothing when it has none.
std::optional<std::string> ConsoleHelpText(std::string_view commandName);
// The red message of a failed command's result code (null for 0).
const char* CommandResultMessage(int code);

using CommandArgs = std::span<const char* const>;

// Parameter conversions, the same for typed lines, scripts and bindings. A
// word is a number when the C library's reading of a float (atof's: leading
// blanks, one sign, digits with a point and an exponent, hexadecimal,
// "inf", "nan") takes all of it but trailing blanks, in the "C" locale
// whatever the process's; any other word ("abc", "7up", "--5") gives
// nothing, and the command refuses it (NotANumber) rather than reading it as
// 0. Where a whole number is wanted a number's whole part is taken, toward
// zero, as atoi takes "100.5" (so "1e2" is 100 where atoi stops at 1),
// saturated at the int32 range instead of wrapped; infinity and NaN are no
// whole numbers.
std::optional<std::int32_t> ParseInt(const char* word);
std::optional<float> ParseFloat(const char* word);
// A flag is a number, true when its first character is '1' ("1", "1.0",
// "10").
std::optional<bool> ParseFlag(const char* word);
// Says on the console that the word is not a number (with whole, not a
// whole number); kBadParam.
int NotANumber(Console& console, const char* word, bool whole);
// Says on the console that the word is a number but not a finite one, which
// what it sets could not hold (a surface, a width); kBadParam.
int NotFinite(Console& console, const char* word, const char* what);
// The command's usage line ("Usage: SFXVolume 0-255"), said under a wrong
// number of parameters.
std::string ConsoleUsage(std::int32_t id);

// The commands of the editors and their edited character (ids 14 to 40).
// With no editor running they do nothing and print nothing.
int RunEditorCommand(Console& console, std::int32_t id, CommandArgs args);
