#pragma once
// The whole application on the game's hidden window, run frame by frame as
// the entry point runs it, with helpers that push key events the way SDL
// delivers them and read what the console shows.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Video/TextMan.h"
#include "console/Bindings.h"
#include "console/ConsoleCommands.h"
#include "console/Console.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "platform/input/DirectInputKeys.h"
#include "platform/window/Window.h"
#include "support/SdlEvents.h"
#include "support/TestGame.h"

class ConsoleFixture : public ::testing::Test, public TestGame {
protected:
    // The console's lines stand at the bottom of the window the settings
    // describe; a small back buffer keeps the frames cheap.
    void Start(int windowWidth = 1024, int windowHeight = 768, int bufferWidth = 256, int bufferHeight = 192) {
        ASSERT_TRUE(TestGame::Start(Windowed(windowWidth, windowHeight, "0 0 0", bufferWidth, bufferHeight)));
        console = eTable::Find<Console>(names::Console);
        input = eTable::Find<Input>(names::Input);
        bindings = eTable::Find<Bindings>(names::Bindings);
        ASSERT_NE(console, nullptr);
        ASSERT_NE(input, nullptr);
        ASSERT_NE(bindings, nullptr);
    }

    static void WriteFile(const char* name, const std::string& text) {
        std::ofstream out(name, std::ios::binary);
        out << text;
    }

    // One frame as the entry point runs it: one window message, then the
    // application. False once the application has ended.
    bool Frame() {
        now += 16;
        plat::MSG msg;
        if (plat::PeekMessageA(&msg, window.Handle())) plat::DispatchMessageA(&msg);
        return app.Update();
    }

    void PushKey(SDL_Scancode key, bool down) { push::Key(window.Handle(), key, down); }
    // Down for one frame, up for the next.
    void Tap(SDL_Scancode key) {
        PushKey(key, true);
        Frame();
        PushKey(key, false);
        Frame();
    }
    // Pressed and released before the next poll.
    void PushPress(SDL_Scancode key) {
        PushKey(key, true);
        PushKey(key, false);
    }
    // Every key of text pressed and released before the next poll, as a
    // quick typist's keys reach a slow frame, Shift around capitals.
    void PushTyped(const std::string& text) {
        ForEachKeyOf(text, [this](SDL_Scancode key) { PushPress(key); });
    }
    // Types text on a US keyboard (letters, digits, blanks and the few
    // punctuation keys the tests use), Shift for capitals.
    void Type(const std::string& text) {
        ForEachKeyOf(text, [this](SDL_Scancode key) { Tap(key); });
    }
    // press(key) for each character of text, Shift held around capitals.
    template <class Press>
    void ForEachKeyOf(const std::string& text, Press press) {
        for (char c : text) {
            const bool upper = c >= 'A' && c <= 'Z';
            if (upper) PushKey(SDL_SCANCODE_LSHIFT, true);
            press(ScancodeOf(upper ? char(c - 'A' + 'a') : c));
            if (upper) PushKey(SDL_SCANCODE_LSHIFT, false);
        }
    }
    static SDL_Scancode ScancodeOf(char c) {
        if (c >= 'a' && c <= 'z') return SDL_Scancode(SDL_SCANCODE_A + (c - 'a'));
        if (c >= '1' && c <= '9') return SDL_Scancode(SDL_SCANCODE_1 + (c - '1'));
        switch (c) {
        case '0': return SDL_SCANCODE_0;
        case ' ': return SDL_SCANCODE_SPACE;
        case ',': return SDL_SCANCODE_COMMA;
        case ';': return SDL_SCANCODE_SEMICOLON;
        case '-': return SDL_SCANCODE_MINUS;
        case '.': return SDL_SCANCODE_PERIOD;
        default: ADD_FAILURE() << "no key for " << c; return SDL_SCANCODE_UNKNOWN;
        }
    }

    // The console's lines, newest (the input line) first.
    Text* Line(std::size_t index) const {
        if (index >= console->Lines().size()) return nullptr;
        return *std::next(console->Lines().begin(), static_cast<long>(index));
    }
    // The text and colour of the line just above the input line: the last
    // thing printed.
    std::string Printed() const { return Line(1) ? Line(1)->GetText() : std::string(); }
    // At full alpha: a closed console fades its lines from the first scroll.
    std::uint32_t PrintedColour() const { return Line(1) ? Line(1)->colour | 0xFF000000 : 0; }

    // Runs a line as if typed and returns the result code of the command it
    // named (the commands themselves are reached through RunMacro).
    int Run(std::vector<const char*> words) {
        const ConsoleCommand* command = FindConsoleCommand(words.front());
        if (!command) return -1;
        return console->RunMacro(command->id, static_cast<int>(words.size() - 1), words.data() + 1);
    }

    Console* console = nullptr;
    Input* input = nullptr;
    Bindings* bindings = nullptr;
};
