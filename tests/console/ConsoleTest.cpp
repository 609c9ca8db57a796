// The console itself: typing, history, running lines and scripts, scrolling,
// fading, opening and closing.
#include <algorithm>
#include <filesystem>
#include <string>

#include "console/ConsoleFixture.h"
#include "platform/common/AsciiCase.h"

namespace {

TEST_F(ConsoleFixture, TypingKeepsSixtyThreeCharactersAndShiftFollowsTheUsLayout) {
    Start();
    ASSERT_TRUE(console->Init());
    for (int i = 0; i < 70; ++i) Tap(SDL_SCANCODE_A);
    EXPECT_EQ(console->InputLine(), std::string(63, 'a'));
    EXPECT_EQ(Line(0)->GetText(), "CONSOLE: " + std::string(63, 'a'));

    for (int i = 0; i < 65; ++i) Tap(SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(console->InputLine(), "");
    EXPECT_EQ(Line(0)->GetText(), "CONSOLE: ");

    // Shift makes the keypad's 1 a "!" but leaves its "*" alone; the key
    // left of 1 types nothing.
    PushKey(SDL_SCANCODE_LSHIFT, true);
    Tap(SDL_SCANCODE_KP_1);
    Tap(SDL_SCANCODE_KP_MULTIPLY);
    Tap(SDL_SCANCODE_GRAVE);
    Tap(SDL_SCANCODE_Q);
    PushKey(SDL_SCANCODE_LSHIFT, false);
    Tap(SDL_SCANCODE_KP_MULTIPLY);
    Tap(SDL_SCANCODE_SLASH);
    EXPECT_EQ(console->InputLine(), "!*Q*/");
}

// A line takes 63 characters: a key past them is dropped and the console
// says the line is full; the line, cut, never runs. One of 63 runs.
TEST_F(ConsoleFixture, ALineTypedPastItsSixtyThreeCharactersSaysSoAndNeverRuns) {
    Start();
    ASSERT_TRUE(console->Init());
    const std::string typed = "echo " + std::string(62, 'n');
    PushTyped(typed);
    Frame();
    EXPECT_EQ(console->InputLine(), typed.substr(0, 63));
    EXPECT_EQ(Line(0)->GetText(), "CONSOLE: " + typed.substr(0, 63));
    EXPECT_EQ(Printed(), Console::kLineFull);
    EXPECT_EQ(PrintedColour(), Console::kRed);
    PushPress(SDL_SCANCODE_RETURN);
    Frame();
    EXPECT_EQ(Printed(), Console::kLineCut);
    EXPECT_EQ(Line(2)->GetText(), "CONSOLE: " + typed.substr(0, 63)) << "the line stays above";
    EXPECT_TRUE(console->History().empty()) << "not run";
    EXPECT_EQ(console->InputLine(), "");

    PushTyped(typed.substr(0, 63));
    PushPress(SDL_SCANCODE_RETURN);
    Frame();
    EXPECT_EQ(Printed(), "ECHO:  " + std::string(58, 'n'));
}

// Every key typed arrives, a doubled letter's second press too, whether the
// keys come one every two frames or one a frame, each pressed and released
// within its frame or released only as the next goes down.
TEST_F(ConsoleFixture, EveryKeyTypedArrivesRepeatsIncludedAtOneKeyAFrame) {
    Start();
    ASSERT_TRUE(console->Init());
    auto typeTapping = [&](const std::string& word, int framesPerKey) {
        for (char c : word) {
            PushTyped(std::string(1, c));
            for (int i = 0; i < framesPerKey; ++i) Frame();
        }
    };
    auto clear = [&] {
        for (int i = 0; i < 8; ++i) Tap(SDL_SCANCODE_BACKSPACE);
        ASSERT_EQ(console->InputLine(), "");
    };
    for (int framesPerKey : {2, 1}) {
        typeTapping("AddPoint", framesPerKey);
        EXPECT_EQ(console->InputLine(), "AddPoint") << framesPerKey << " frames a key";
        clear();
    }
    SDL_Scancode down = SDL_SCANCODE_UNKNOWN;
    for (char c : std::string("addpoint")) {
        if (down != SDL_SCANCODE_UNKNOWN) PushKey(down, false);
        down = ScancodeOf(c);
        PushKey(down, true);
        Frame();
    }
    PushKey(down, false);
    Frame();
    EXPECT_EQ(console->InputLine(), "addpoint") << "each key held until the next";
}

// On a slow machine a whole word lands in one poll: its letters, Shift and
// the editing keys act in the order typed.
TEST_F(ConsoleFixture, KeysTypedWithinOnePollActInTheOrderTyped) {
    Start();
    ASSERT_TRUE(console->Init());
    PushTyped("AddPoinx");
    PushPress(SDL_SCANCODE_BACKSPACE);
    PushTyped("t");
    Frame();
    EXPECT_EQ(console->InputLine(), "AddPoint");
    EXPECT_EQ(Line(0)->GetText(), "CONSOLE: AddPoint");

    console->Execute("echo 1", true);
    PushTyped("x");
    PushPress(SDL_SCANCODE_UP);
    PushPress(SDL_SCANCODE_BACKSPACE);
    PushTyped("2");
    Frame();
    EXPECT_EQ(console->InputLine(), "echo 2");
}

// A line runs with exactly the keys typed before its Return, whatever came
// with it in the same poll.
TEST_F(ConsoleFixture, ReturnWithinAPollRunsTheLineTypedBeforeIt) {
    Start();
    ASSERT_TRUE(console->Init());
    PushTyped("echo a");
    PushPress(SDL_SCANCODE_RETURN);
    PushTyped("x");
    ASSERT_TRUE(Frame());
    EXPECT_EQ(Printed(), "ECHO:  a");
    EXPECT_EQ(console->InputLine(), "x");

    PushPress(SDL_SCANCODE_BACKSPACE);
    PushTyped("quit");
    PushPress(SDL_SCANCODE_RETURN);
    EXPECT_FALSE(Frame());
    EXPECT_TRUE(app.ErrorText().empty());
}

TEST_F(ConsoleFixture, HistoryKeepsEightLinesOnceEachAndWrapsBothWays) {
    Start();
    ASSERT_TRUE(console->Init());
    for (int i = 1; i <= 9; ++i) console->Execute("Echo " + std::to_string(i), true);
    ASSERT_EQ(console->History().size(), 8u);
    EXPECT_EQ(console->History().front(), "Echo 9");
    EXPECT_EQ(console->History().back(), "Echo 2");

    Tap(SDL_SCANCODE_UP);
    EXPECT_EQ(console->InputLine(), "Echo 9");
    for (int i = 0; i < 7; ++i) Tap(SDL_SCANCODE_UP);
    EXPECT_EQ(console->InputLine(), "Echo 2");
    Tap(SDL_SCANCODE_UP);
    EXPECT_EQ(console->InputLine(), "Echo 9") << "past the oldest, Up wraps to the newest";
    Tap(SDL_SCANCODE_DOWN);
    EXPECT_EQ(console->InputLine(), "Echo 2") << "below the newest, Down wraps to the oldest";
    EXPECT_EQ(Line(0)->GetText(), "CONSOLE: Echo 2");
    Tap(SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(console->HistoryPosition(), 0) << "editing leaves the history";

    console->Execute("help", true);
    console->Execute("HELP", true);
    const auto helps = std::count_if(console->History().begin(), console->History().end(),
                                     [](const std::string& e) { return plat::SameIgnoringCase(e, "help"); });
    EXPECT_EQ(helps, 1);
    EXPECT_EQ(console->History().front(), "HELP");
}

TEST_F(ConsoleFixture, TypedLinesRunWithEchoAndUnknownLinesPrintTheErrorInRed) {
    Start();
    ASSERT_TRUE(console->Init());
    Type("echo Hi,there");
    Tap(SDL_SCANCODE_RETURN);
    EXPECT_EQ(Printed(), "ECHO:  Hi there");
    EXPECT_EQ(PrintedColour(), Console::kGreen);
    EXPECT_EQ(Line(2)->GetText(), "CONSOLE: echo Hi,there") << "the typed line stays above";
    EXPECT_EQ(console->InputLine(), "");

    console->Execute(",, ;", true);
    EXPECT_EQ(Printed(), Console::kUnknownCommand);
    EXPECT_EQ(PrintedColour(), Console::kRed);
    console->Execute("Nonsense 1 2", false);
    EXPECT_EQ(Printed(), Console::kUnknownCommand);

    Type("qUIT");
    PushKey(SDL_SCANCODE_KP_ENTER, true);
    EXPECT_FALSE(Frame()) << "the keypad's Enter runs the line too";
    EXPECT_FALSE(app.IsInitialized());
    EXPECT_TRUE(app.ErrorText().empty());
}

TEST_F(ConsoleFixture, LinesScrollUpVanishAtY404AndTheInputLineOutlivesEveryFade) {
    Start();  // a window 768 pixels high
    ASSERT_FALSE(console->IsOpen());
    EXPECT_EQ(Line(0)->rect.top, 746);

    // Nothing measured still takes a line's height.
    console->Print("", Console::kGreen);
    EXPECT_EQ(Line(1)->rect.top, 724);
    for (int i = 0; i < 15; ++i) console->Print("line " + std::to_string(i), Console::kGreen);
    // The empty line reached 724 - 15 * 22 = 394 and went at once (a closed
    // console fades after every scroll); the fifteen others remain.
    ASSERT_EQ(console->Lines().size(), 16u);
    EXPECT_EQ(console->Lines().back()->rect.top, 416);
    EXPECT_EQ(console->Lines().back()->GetText(), "line 0");
    for (Text* line : console->Lines()) EXPECT_FALSE(line->IsActive()) << "printed while closed: hidden";

    input->SetStream(1);
    ASSERT_TRUE(console->Init());
    EXPECT_FALSE(console->Init());
    EXPECT_EQ(input->GetStream(), 2);
    for (Text* line : console->Lines()) EXPECT_TRUE(line->IsActive()) << "shown once open";

    // Idle for minutes: every printed line fades away, the input line stays
    // whole, and printing still works.
    for (int i = 0; i < 30000; ++i) console->Update();
    ASSERT_EQ(console->Lines().size(), 1u);
    EXPECT_EQ(Line(0)->colour, Console::kWhite);
    console->Print("still here", Console::kGreen);
    EXPECT_EQ(Printed(), "still here");

    ASSERT_TRUE(console->Shutdown());
    EXPECT_FALSE(console->Shutdown());
    EXPECT_EQ(input->GetStream(), 1) << "closing gives the stream back";
    EXPECT_FALSE(Line(0)->IsActive());
}

TEST_F(ConsoleFixture, InAShortWindowEveryPrintedLineGoesButTheInputLineStays) {
    Start(320, 240, 320, 240);
    for (int i = 0; i < 3; ++i) console->Print("gone", Console::kRed);
    ASSERT_EQ(console->Lines().size(), 1u);
    EXPECT_EQ(Line(0)->rect.top, 218);
    console->Init();
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(Frame());
    console->Print("also gone", Console::kRed);
    ASSERT_TRUE(Frame());
    ASSERT_EQ(console->Lines().size(), 1u);
    EXPECT_EQ(Line(0)->GetText(), "CONSOLE: ");
}

TEST_F(ConsoleFixture, ScriptsRunLineByLineAndStopAtALineTooLong) {
    Start();
    const std::string tooLong = "Echo " + std::string(65, 'x');
    WriteFile("script.txt", "Echo one\r\n\r\nEcho two\r\n" + tooLong + "\r\nEcho three\r\n");
    console->RunScript("script.txt");
    ASSERT_EQ(console->History().size(), 2u) << "the blank line runs nothing";
    EXPECT_EQ(console->History().front(), "Echo two");
    EXPECT_EQ(console->History().back(), "Echo one");
    EXPECT_EQ(PrintedColour(), Console::kRed);
    EXPECT_NE(Printed().find("script.txt line 4"), std::string::npos) << Printed();

    // A missing script (OnStartScript.txt: no key bindings, so Escape does
    // nothing) is skipped, with one line in err.txt that says why; so is a
    // folder of that name, which opens but cannot be read.
    std::filesystem::create_directory("folder.txt");
    ::testing::internal::CaptureStderr();
    console->RunScript("missing.txt");
    console->RunScript("folder.txt");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: missing.txt: cannot be read (No such file or directory): its commands and key bindings are "
              "not run.\n"
              "Error: folder.txt: cannot be read (a folder, not a regular file): its commands and key bindings are "
              "not run.\n");
    EXPECT_EQ(console->History().size(), 2u);
}

// The start-up script runs with the console closed, so each of its error
// lines, and why, also goes to err.txt with the script's line; a typed
// line's does not.
TEST_F(ConsoleFixture, AScriptsErrorLinesAlsoGoToTheErrorStream) {
    Start();
    WriteFile("script-errors.txt", "Bnid ESCAPE+ 0 Quit\nEcho fine\nBind NOKEY 0 Quit\n");
    ::testing::internal::CaptureStderr();
    console->RunScript("script-errors.txt");
    console->Execute("Bnid", false);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "script-errors.txt line 1 (Bnid ESCAPE+ 0 Quit): " + std::string(Console::kUnknownCommand) + "\n"
              "script-errors.txt line 3 (Bind NOKEY 0 Quit): ERROR: Invalid parameter!\n"
              "script-errors.txt line 3 (Bind NOKEY 0 Quit): \"NOKEY\" names no key. " +
                  std::string(Bindings::kKeyNamesInShort) + "\n");
}

}  // namespace
