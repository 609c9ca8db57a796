#include "console/Console.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "Video/TextMan.h"
#include "Video/Video.h"
#include "console/Bindings.h"
#include "console/ConsoleCommands.h"
#include "console/TypedKeys.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "platform/common/AsciiCase.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"
#include "platform/input/DirectInputKeys.h"

namespace {
constexpr std::int32_t kConsoleStream = 2;
constexpr std::uint32_t kAlphaStep = 0x01000000;
constexpr std::string_view kSeparators = " ,;";

Input* FindInput() { return static_cast<Input*>(eTable::Peek(names::Input)); }

// The presses of the last poll that came after the key whose binding runs
// now (none for a typed or scripted command): keys typed right after the
// console key, in the same poll, which opening the console takes from the
// stream they were pressed on.
std::vector<KeyPress> PressesAfterFiringKey(const Input& keys) {
    const auto* bindings = static_cast<Bindings*>(eTable::Peek(names::Bindings));
    if (!bindings || bindings->FiringKey() < 0) return {};
    const std::span<const KeyPress> polled = keys.Presses(keys.GetStream());
    const auto opening = std::find_if(polled.begin(), polled.end(), [&](const KeyPress& press) {
        return press.key == bindings->FiringKey();
    });
    if (opening == polled.end()) return {};
    return {std::next(opening), polled.end()};
}
TextMan* FindTextMan() { return static_cast<TextMan*>(eTable::Peek(names::TextMan)); }

// The words of a line, split at runs of separators.
std::vector<std::string> SplitWords(std::string_view line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        at = line.find_first_not_of(kSeparators, at);
        if (at == std::string_view::npos) break;
        std::size_t end = line.find_first_of(kSeparators, at);
        if (end == std::string_view::npos) end = line.size();
        words.emplace_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}
}  // namespace

Console::Console() {
    toggleLatch = true;
    fadeFrame = 0;
    name = names::Console;
    eTable::Register(name, this);
    NewLine();
    RunScript(kStartScript);
}

Console::~Console() {
    Shutdown();
    for (Text* line : lines) DeleteLine(line);
    lines.clear();
    history.clear();
    eTable::RemoveSystem(this);
}

bool Console::Init(void*, void*) {
    if (initialized) return false;
    historyPos = 0;
    input.clear();
    inputCut = false;
    if (Input* keys = FindInput()) {
        typedWithOpeningKey = PressesAfterFiringKey(*keys);
        keys->ClearKeys();
        savedStream = keys->GetStream();
        keys->SetStream(kConsoleStream);
    }
    SetLinesShown(true);
    // What was typed before the last close is gone: so is its echo.
    RefreshInputLine();
    initialized = true;
    return true;
}

bool Console::Shutdown() {
    if (!initialized) return false;
    typedWithOpeningKey.clear();
    SetLinesShown(false);
    if (Input* keys = FindInput()) keys->SetStream(savedStream);
    initialized = false;
    return true;
}

bool Console::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    HandleInput();
    FadeMessages();
    return true;
}

void Console::SetLinesShown(bool shown) {
    for (Text* line : lines) line->SetActive(shown);
}

void Console::NewLine() {
    TextMan* texts = FindTextMan();
    if (!texts) return;
    std::int32_t width = 0, height = 0;
    if (auto* video = static_cast<Video*>(eTable::Peek(names::Video))) {
        width = video->Settings().windowWidth;
        height = video->Settings().windowHeight;
    }
    TextDescription desc;
    desc.text = kPrompt;
    desc.rect = RECT{0, height - kLineHeight, std::max(width - kRightMargin, 0), height};
    Text* line = texts->CreateText(&desc, nullptr);
    if (!line) return;
    // Its colours read over the brightest scene (the menu's fire) with a
    // dark edge around the letters.
    line->outline = kLineOutline;
    lines.push_front(line);
    if (!initialized) line->SetActive(false);
}

void Console::DeleteLine(Text* line) {
    if (TextMan* texts = FindTextMan()) texts->RemoveText(line);
}

void Console::Print(std::string_view message, std::uint32_t colour, bool wordBreak) {
    if (lines.empty()) return;
    Text* newest = lines.front();
    newest->SetText(std::string(message).c_str());
    newest->colour = colour;
    newest->wordBreak = wordBreak ? 1 : 0;
    ScrollUp();
    if (colour == kRed) LogForScript(message);
}

void Console::LogForScript(std::string_view message) const {
    if (!runningLine) return;
    plat::LogErrorF("%s line %d (%.*s): %.*s\n", runningLine->file, runningLine->number,
                    static_cast<int>(runningLine->text.size()), runningLine->text.data(),
                    static_cast<int>(message.size()), message.data());
}

void Console::ScrollUp() {
    if (!lines.empty()) {
        // A text that measures nothing (no font, nothing drawn) still takes
        // a line, so that the next line is not laid over it.
        std::int32_t step = lines.front()->CalcRect();
        if (step <= 0) step = kLineHeight;
        for (Text* line : lines) {
            line->rect.top -= step;
            line->rect.bottom -= step;
        }
    }
    NewLine();
    if (!initialized) FadeMessages();
}

void Console::FadeMessages() {
    // The newest line is the input line: it never fades and is never
    // deleted, whatever the window's height or however long it stays idle,
    // so that there is always a line to type into and to print on.
    auto it = lines.begin();
    if (it != lines.end()) ++it;
    while (it != lines.end()) {
        Text* line = *it;
        if (line->rect.top < kVanishTop || (line->colour & 0xFF000000) == 0) {
            DeleteLine(line);
            it = lines.erase(it);
            continue;
        }
        const std::uint32_t period = static_cast<std::uint32_t>(std::max((line->rect.top - 400) / 4, 1));
        if (fadeFrame % period == 0) line->colour -= kAlphaStep;
        ++it;
    }
    ++fadeFrame;
}

void Console::HandleInput() {
    Input* keys = FindInput();
    if (!keys) return;
    auto stillTyping = [&] { return initialized && keys->GetStream() == kConsoleStream; };
    // Their triggers went with the switch of stream that opened the console.
    for (const KeyPress& press : std::exchange(typedWithOpeningKey, {})) {
        if (!stillTyping()) return;
        if (Takes(press)) ApplyPress(press);
    }
    // A copy: a line run here may close the console, which clears them.
    const std::span<const KeyPress> polled = keys->Presses(kConsoleStream);
    const std::vector<KeyPress> presses(polled.begin(), polled.end());
    // A key pressed twice in one poll has one trigger, taken at its first press.
    std::bitset<Input::kKeyCount> taken;
    for (const KeyPress& press : presses) {
        if (!stillTyping()) return;
        if (!Takes(press)) continue;
        if (!taken[press.key] && !keys->IsKeyTriggered(press.key, kConsoleStream)) continue;
        taken.set(press.key);
        ApplyPress(press);
    }
}

bool Console::Takes(const KeyPress& press) {
    switch (press.key) {
    case plat::DIK_BACK:
    case plat::DIK_UP:
    case plat::DIK_DOWN:
    case plat::DIK_RETURN:
    case plat::DIK_NUMPADENTER: return true;
    default: return ReadKeyChar(press) != 0;
    }
}

void Console::ApplyPress(const KeyPress& press) {
    bool changed = false;
    switch (press.key) {
    case plat::DIK_BACK: changed = EraseChar(); break;
    case plat::DIK_UP: changed = BrowseHistory(true); break;
    case plat::DIK_DOWN: changed = BrowseHistory(false); break;
    case plat::DIK_RETURN:
    case plat::DIK_NUMPADENTER: RunTypedLine(); break;
    default: changed = TypeChar(ReadKeyChar(press)); break;
    }
    if (changed) RefreshInputLine();
}

void Console::RunTypedLine() {
    const std::string line = std::exchange(input, {});
    if (!std::exchange(inputCut, false)) {
        Execute(line, true);
        return;
    }
    // A cut line could do other than what was typed (save under a name cut
    // short): it never runs, and stays on screen above the reason.
    ScrollUp();
    Print(kLineCut, kRed);
}

bool Console::TypeChar(char c) {
    if (input.size() < static_cast<std::size_t>(kLineLength)) {
        input.push_back(c);
        historyPos = 0;
        return true;
    }
    // The 64th and later are dropped; the first such key says so.
    if (inputCut) return false;
    inputCut = true;
    Print(kLineFull, kRed);
    return true;
}

bool Console::EraseChar() {
    // On an empty line nothing changes, but the line is shown again.
    if (input.empty()) return true;
    input.pop_back();
    historyPos = 0;
    // Emptied, it holds nothing of what was cut.
    if (input.empty()) inputCut = false;
    return true;
}

bool Console::BrowseHistory(bool up) {
    if (history.empty()) return false;
    const auto oldest = static_cast<std::int32_t>(history.size());
    if (up && ++historyPos > oldest) historyPos = 1;
    if (!up && --historyPos < 1) historyPos = oldest;
    input = history[static_cast<std::size_t>(historyPos - 1)];
    inputCut = false;
    return true;
}

void Console::RefreshInputLine() {
    if (lines.empty()) return;
    lines.front()->SetText((std::string(kPrompt) + input).c_str());
}

void Console::RememberLine(std::string_view line) {
    std::string entry(line.substr(0, kLineLength));
    auto same = [&entry](const std::string& old) { return plat::SameIgnoringCase(old, entry); };
    auto it = std::find_if(history.begin(), history.end(), same);
    if (it != history.end()) history.erase(it);
    history.push_front(std::move(entry));
    if (history.size() > static_cast<std::size_t>(kHistorySize)) history.pop_back();
    historyPos = 0;
}

void Console::Execute(std::string_view line, bool echo) {
    if (line.empty()) return;
    RememberLine(line);
    if (echo) ScrollUp();

    std::vector<std::string> words = SplitWords(line);
    const ConsoleCommand* command = words.empty() ? nullptr : FindConsoleCommand(words.front());
    if (!command) {
        Print(kUnknownCommand, kRed);
        return;
    }
    const std::size_t count = std::min(words.size() - 1, static_cast<std::size_t>(kMaxParams));
    std::vector<const char*> params;
    for (std::size_t i = 1; i <= count; ++i) params.push_back(words[i].c_str());
    RunMacro(command->id, static_cast<int>(count), params.data());
}

void Console::RunScript(const char* fileName) {
    const char* name = fileName ? fileName : "";
    // Read whole, as every file of the game: a FIFO, a device or a file
    // past the cap is one line here, never a wait or a read without end.
    std::string text, why;
    if (!plat::ReadRegularFile(GamePath(name), text, plat::FileKind::Script, &why)) {
        // Named as the command or the start-up gave it, not by the folder.
        plat::LogErrorF("Error: %s: its commands and key bindings are not run.\n",
                        plat::CannotBeRead(name, why).c_str());
        return;
    }
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        // Without its line end ("\r\n" from Windows too).
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && line.back() == '\r') line.pop_back();
        ++number;
        if (line.size() > static_cast<std::size_t>(kLineLength)) {
            // Running a cut line could run another command than the one
            // written (a parameter lost or shortened): stop here instead.
            char message[160];
            std::snprintf(message, sizeof message, "ERROR: %s line %d is longer than %d characters!", name, number,
                          kLineLength);
            Print(message, kRed);
            plat::LogErrorF("%s\n", message);
            return;
        }
        runningLine = ScriptLine{name, number, line};
        Execute(line, false);
        runningLine.reset();
    }
}

char Console::ReadKeyChar(const KeyPress& press) { return TypedChar(press.key, press.shift); }
