#pragma once
#include <cstdint>
#include <deque>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/System.h"

class Text;
struct KeyPress;

// The developer console: a stack of screen-text lines at the bottom of the
// window (the newest, at the very bottom, is the input line), a history of
// typed lines, and the interpreter that runs typed lines, command scripts and
// the commands that key bindings fire.
//
// It registers as "Console" when constructed and leaves the registry when
// destroyed. Init opens it (the keyboard goes to input stream 2, the lines
// show) and Shutdown closes it (the stream comes back, the lines hide); both
// may be called any number of times. Commands run whether it is open or not:
// while closed their messages go into hidden lines.
class Console : public System {
public:
    // Longest typed or script line; longer script lines are refused.
    static constexpr int kLineLength = 63;
    static constexpr int kHistorySize = 8;
    static constexpr int kMaxParams = 31;
    // Line colours (ARGB).
    static constexpr std::uint32_t kWhite = 0xFFFFFFFF;
    static constexpr std::uint32_t kGreen = 0xFF00FF00;
    static constexpr std::uint32_t kRed = 0xFFFF0000;
    static constexpr std::uint32_t kYellow = 0xFFFFFF00;
    // Lines whose top rises above this y vanish; below it they fade the
    // faster the higher they stand.
    static constexpr std::int32_t kVanishTop = 404;
    static constexpr std::int32_t kLineHeight = 22;
    static constexpr std::uint32_t kLineOutline = 0xFF000000;  // ARGB
    // Lines end this far short of the window's right edge, so that a
    // wrapped text (the help listing) keeps its last letters in sight where
    // the edge is lost: a window as wide as the desktop it is centred on.
    static constexpr std::int32_t kRightMargin = 16;
    static constexpr const char* kPrompt = "CONSOLE: ";
    static constexpr const char* kStartScript = "OnStartScript.txt";
    static constexpr const char* kUnknownCommand =
        "ERROR: Unknown command! (type \"help\" for a list of commands)";
    // A typed line that reaches kLineLength takes no more keys; one that lost
    // keys so is cut and never runs.
    static constexpr const char* kLineFull = "ERROR: The line is full (63 characters)! It will not run.";
    static constexpr const char* kLineCut = "ERROR: The line was cut at 63 characters: not run!";

    // Registers, makes the input line (hidden) and runs "OnStartScript.txt"
    // from the working directory.
    Console();
    ~Console() override;

    // Opens: false when already open. Arguments ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Closes: false when already closed.
    bool Shutdown() override;
    // While open: reads the keyboard, then fades the lines.
    bool Update() override;
    bool IsOpen() const { return initialized; }
    // While open the console keeps the keyboard: a system that switches the
    // input stream meanwhile (an editor toggle typed here) changes the
    // stream that closing gives back instead.
    void SetSavedStream(std::int32_t stream) { savedStream = stream; }
    std::int32_t SavedStream() const { return savedStream; }

    // Runs one command line; echo (typed lines) keeps the line on screen
    // above a fresh input line.
    void Execute(std::string_view line, bool echo);
    // Runs every line of a command script; a missing file is skipped. A
    // line longer than kLineLength is reported and ends the script. The
    // script runs while the console is closed (the start-up script always
    // does), so its lines' errors also go to the error stream, with the file
    // and line.
    void RunScript(const char* fileName);
    // Performs command id with its parameters and reports a failure in red.
    // Returns the result code: 0 done, 1 wrong number of parameters, 2 a
    // parameter that names nothing, 3 out of range, 4 the effect failed.
    // An id outside the table is a programming error: fatal.
    int RunMacro(std::int32_t id, int argc, const char* const* argv);
    // A line a running command leaves for its user: why it failed, or what
    // it needs. RunMacro prints these in yellow under the command's result.
    void Explain(std::string line);
    // Writes message into the newest line in colour, then scrolls. With word
    // break the text wraps at the window's width.
    void Print(std::string_view message, std::uint32_t colour, bool wordBreak = false);

    // Moves every line up by the newest line's height and adds a new input
    // line; when closed, one fade pass follows.
    void ScrollUp();
    // One fade pass over the lines.
    void FadeMessages();

    // The character a key press types into the input line, or 0.
    static char ReadKeyChar(const KeyPress& press);

    // For the "ToggleConsole" command: a key held over the open (which
    // switches streams and re-triggers the key) toggles only once.
    bool toggleLatch = true;
    // The bindings pass in which the command last opened or closed the
    // console: the re-trigger it guards against can only come in the next.
    std::uint32_t togglePass = 0;

    // Newest first; the front is the input line.
    const std::list<Text*>& Lines() const { return lines; }
    // Newest first.
    const std::deque<std::string>& History() const { return history; }
    const std::string& InputLine() const { return input; }
    std::int32_t HistoryPosition() const { return historyPos; }

private:
    void NewLine();
    void DeleteLine(Text* line);
    void SetLinesShown(bool shown);
    // Acts on every press since the last frame, in the order typed.
    void HandleInput();
    // Whether the console acts on the press: a key that types a character,
    // Backspace, Up, Down, Return or Enter.
    static bool Takes(const KeyPress& press);
    void ApplyPress(const KeyPress& press);
    // Each true when the input line must be shown again.
    bool TypeChar(char c);
    bool EraseChar();
    void RunTypedLine();
    bool BrowseHistory(bool up);
    void RememberLine(std::string_view line);
    void RefreshInputLine();
    // A command script's refusal (its red line, and why) goes to err.txt too,
    // with the script's name, line number and text: the start-up script runs
    // unseen.
    void LogForScript(std::string_view message) const;

    std::list<Text*> lines;  // children of "TextMan"
    std::deque<std::string> history;
    std::int32_t historyPos = 0;  // 1 = newest entry, 0 = none
    std::string input;
    // Keys were dropped from the input line: it is not what was typed.
    bool inputCut = false;
    // Typed after the key that opened the console, in the same poll: its
    // first keys, taken at its first update.
    std::vector<KeyPress> typedWithOpeningKey;
    std::uint32_t fadeFrame = 0;
    std::int32_t savedStream = 0;
    // What the running command explained (RunMacro shows and clears it).
    std::vector<std::string> explanations;
    // The script line running now, for its error lines; none outside scripts.
    struct ScriptLine {
        const char* file;
        int number;
        std::string_view text;
    };
    std::optional<ScriptLine> runningLine;
};
