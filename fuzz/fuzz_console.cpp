// Console lines and command scripts from outside: typed lines, script files
// and the bindings they make. Whatever the bytes, the input line survives,
// the history keeps at most eight lines of at most 63 characters, printed
// lines stay below y 404, and no screen text is leaked.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "Video/TextMan.h"
#include "Video/Video.h"
#include "console/Bindings.h"
#include "console/Console.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/window/Window.h"

// Fontconfig keeps a few bytes of its parsed configuration unreachable for
// the life of the process; that is the library's, not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

// A video system without a device: its settings give the console a window
// 768 pixels high; texts are made without fonts and measure nothing.
struct Systems {
    Systems() {
        plat::SetMessageBoxSink([](const std::string&, const std::string&) {});
        video.Settings().windowWidth = 1024;
        video.Settings().windowHeight = 768;
        eTable::Register(names::Video, &video);
        texts.Init();
        bindings.Init();
        console = std::make_unique<Console>();
        script = "/tmp/fuzz_console_" + std::to_string(::getpid()) + ".txt";
    }
    ~Systems() {
        console.reset();
        eTable::RemoveSystem(&video);
    }
    Video video;
    TextMan texts;
    Bindings bindings;
    std::unique_ptr<Console> console;  // made once the others run
    std::string script;
};

void Check(const Systems& s) {
    const Console& console = *s.console;
    if (console.Lines().empty()) std::abort();
    if (console.Lines().size() != s.texts.Children().size()) std::abort();
    bool newest = true;
    for (const Text* line : console.Lines()) {
        if (!newest && line->rect.top < Console::kVanishTop) std::abort();
        newest = false;
    }
    if (console.History().size() > static_cast<std::size_t>(Console::kHistorySize)) std::abort();
    for (const std::string& entry : console.History())
        if (entry.empty() || entry.size() > static_cast<std::size_t>(Console::kLineLength)) std::abort();
}

void RunLines(Console& console, const std::string& text, bool echo) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        console.Execute(std::string_view(text).substr(start, end - start), echo);
        start = end + 1;
    }
}

void RunAsScript(Systems& s, const std::string& text) {
    if (FILE* file = std::fopen(s.script.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        s.console->RunScript(s.script.c_str());
        std::remove(s.script.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Systems systems;
    if (size < 1) return 0;
    const std::uint8_t mode = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (mode & 4)
        systems.console->Init();
    else
        systems.console->Shutdown();
    if (mode & 2)
        RunAsScript(systems, text);
    else
        RunLines(*systems.console, text, mode & 1);
    // At least one fade pass: after it no printed line stands above y 404.
    for (int i = 0; i <= (mode >> 3); ++i) systems.console->FadeMessages();
    Check(systems);
    return 0;
}
