#pragma once
// A working folder of a harness's own (its settings, scripts and sources,
// and a copy of the repository's assets), current only while the engine
// works in it: libFuzzer reads the corpus and writes new inputs and crash
// files between inputs, so relative paths given on its command line keep
// meaning the folder the run started in. Run from the repository root, or
// set TOLLYMOP_ROOT. The folder goes when the fuzzer exits.
//
//   static FuzzFolder folder("effects");
//   FuzzFolder::Inside inside(folder);     // current until the end of scope
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/window/Window.h"

class FuzzFolder {
public:
    explicit FuzzFolder(const std::string& name) {
        const char* root = std::getenv("TOLLYMOP_ROOT");
        repository = root ? std::filesystem::path(root) : std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() /
                 ("tollymop-fuzz-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        // A copy, not a link: whatever a command or an editor saves stays
        // out of the repository.
        CopyFromRepository("Assets");
        static std::filesystem::path made;
        made = folder;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
    }

    // A file or folder of the repository, copied into the folder.
    void CopyFromRepository(const std::string& name) const {
        std::filesystem::copy(repository / name, folder / name,
                              std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    }

    const std::filesystem::path& Path() const { return folder; }
    const std::filesystem::path& Repository() const { return repository; }

    // A small windowed device, so that a video system starts on the
    // offscreen driver without touching the user's settings.
    void WriteSettings() const {
        std::ofstream(folder / "settings.txt")
            << "RESOLUTION = 64 x 48\nWINDOWED = TRUE\nBACKBUFFER_RESOLUTION = 64 x 48\n"
               "BACKBUFFER_FORMAT = X8R8G8B8\nDEVICE_TYPE = HAL\nDEVICE_BEHAVIOR = SOFTWARE\n"
               "PRESENTATION_INTERVAL = IMMEDIATE\nCLEAR_COLOR = 0 0 0\n"
               "CLEAR_SURFACE_FLAGS = TARGET ZBUFFER STENCIL !END_FLAGS\nENABLE_DEPTH_BUFFER = TRUE\n"
               "ZBUFFER_DEPTH = 1\nDEPTH_BUFFER_FORMAT = D24S8\n";
    }

    // A hidden window of its own class for a video system to start on,
    // headless (SDL's offscreen driver) unless SDL_VIDEODRIVER says otherwise.
    static void OpenWindow(const std::string& windowClass) {
        ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
        plat::SetMessageBoxSink([](const std::string&, const std::string&) {});
        if (!plat::RegisterClassA(windowClass.c_str(), &plat::DefWindowProcA)) std::abort();
        if (!plat::CreateWindowExA(windowClass.c_str(), "fuzz")) std::abort();
    }

    // The folder is current for the life of this object.
    class Inside {
    public:
        explicit Inside(const FuzzFolder& folder) : previous(::open(".", O_RDONLY | O_DIRECTORY)) {
            if (previous < 0 || ::chdir(folder.Path().c_str()) != 0) std::abort();
        }
        ~Inside() {
            if (::fchdir(previous) != 0) std::abort();
            ::close(previous);
        }
        Inside(const Inside&) = delete;
        Inside& operator=(const Inside&) = delete;

    private:
        int previous;
    };

private:
    std::filesystem::path repository, folder;
};

// A crash or a timeout is written while the folder may be current: unless
// the command line says where, such files go to the directory the run
// started in. libFuzzer calls this before it reads its flags.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::vector<char*> args(*argv, *argv + *argc);
    static std::string prefix = "-artifact_prefix=" + std::filesystem::current_path().string() + "/";
    for (const char* arg : args) {
        const std::string flag = arg;
        if (flag.rfind("-artifact_prefix=", 0) == 0 || flag.rfind("-exact_artifact_path=", 0) == 0) return 0;
    }
    args.push_back(prefix.data());
    *argc = static_cast<int>(args.size());
    args.push_back(nullptr);
    *argv = args.data();
    return 0;
}
