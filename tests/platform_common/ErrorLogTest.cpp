#include "platform/common/ErrorLog.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/window/Clock.h"

namespace {
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

const std::string kDropped = "Further errors were dropped: err.txt has reached its limit of 10 MB.\n";

// An error that comes every frame is written once, then counted every 10 s
// and at the end; a new one is always written in full.
TEST(ErrorLogTest, ARepeatedErrorIsWrittenOnceThenCountedEveryTenSecondsAndAtTheEnd) {
    std::uint32_t now = 5000;
    plat::SetClockSource([&now] { return now; });
    plat::ResetErrorLog();
    CaptureStderr();
    for (int frame = 0; frame < 300; ++frame, now += 20) plat::LogErrorF("Texture not loaded: %s", "glyph.png");
    plat::LogError("Traceback (most recent call last):\n  File \"zop.py\", line 2\nValueError: bad\n");
    now += 4000;  // 10 s after the first line
    plat::LogError("Traceback (most recent call last):\n  File \"zop.py\", line 2\nValueError: bad\n");
    plat::LogError("Texture not loaded: glyph.png");
    plat::LogError("Another error");
    plat::FlushErrorRepeats();
    plat::FlushErrorRepeats();
    EXPECT_EQ(GetCapturedStderr(),
              "Texture not loaded: glyph.png\n"
              "Traceback (most recent call last):\n  File \"zop.py\", line 2\nValueError: bad\n"
              "Repeated 299 more times: Texture not loaded: glyph.png\n"
              "Another error\n"
              "Repeated 1 more time: ValueError: bad\n"
              "Repeated 1 more time: Texture not loaded: glyph.png\n");
    plat::SetClockSource(nullptr);
}

TEST(ErrorLogTest, PastTheLimitOneLineSaysThatFurtherErrorsWereDropped) {
    plat::ResetErrorLog(40);
    CaptureStderr();
    plat::LogError("first error");                                 // 12 bytes
    plat::LogError("first error");                                 // counted
    plat::LogError("second error");                                // 25 bytes
    plat::LogError("an error too long for what is left of it");  // past 40
    plat::LogError("third error");
    plat::FlushErrorRepeats();
    EXPECT_EQ(GetCapturedStderr(), "first error\nsecond error\n" + kDropped);
    plat::ResetErrorLog();
}
}  // namespace
