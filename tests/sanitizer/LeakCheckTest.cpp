// The leak checker itself, in the sanitizer build: its tracer must survive
// whatever the heap looks like when it runs.
#include <gtest/gtest.h>

#ifdef TOLLYMOP_TLS_BLOCK_LIBRARY
#include <dlfcn.h>
#include <sanitizer/lsan_interface.h>

#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

// A library's thread-local block that lands 16 bytes into a page (the GL
// driver's did so in some tests, depending on what the heap held) once made
// the tracer read a made-up extent for it and die, ending the test program.
TEST(LeakCheckTest, AThreadLocalBlockSixteenBytesIntoAPageIsScannedWithoutACrash) {
    void* library = dlopen(TOLLYMOP_TLS_BLOCK_LIBRARY, RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    auto threadBlock = reinterpret_cast<void* (*)()>(dlsym(library, "ThreadBlock"));
    ASSERT_NE(threadBlock, nullptr);
    // Each new thread allocates its own block; small allocations between them
    // move the next one along the heap until one lands there.
    bool checked = false;
    std::vector<void*> nudges;
    for (int attempt = 0; attempt < 4096 && !checked; ++attempt) {
        std::thread([&] {
            if (reinterpret_cast<std::uintptr_t>(threadBlock()) % 4096 != 16) return;
            __lsan_do_recoverable_leak_check();
            checked = true;
        }).join();
        nudges.push_back(std::malloc(24));
    }
    for (void* nudge : nudges) std::free(nudge);
    EXPECT_TRUE(checked);
}
#endif
