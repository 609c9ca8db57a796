// The pictures the README shows (docs/menu.png, docs/level1.png) are what the
// game draws: the shipped game through the whole-game harness, on a seeded
// generator and a clock of 16 ms a frame, played by the same pushed mouse
// input every time. `make screenshots` runs this test with
// TOLLYMOP_WRITE_SCREENSHOTS set to the folder to write them into; without
// it the test renders them afresh and compares them with the committed ones
// (at most 0.5% of pixels off by more than 24 levels in a channel, as the
// material gallery allows the software renderer).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Random.h"
#include "game/GameSession.h"
#include "platform/image/Image.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kPixelTolerance = 24;
constexpr double kAllowedShare = 0.005;

struct Picture {
    std::string name;
    std::vector<D3DCOLOR> pixels;
};

// The share of pixels of the picture that differ from the file by more than
// the tolerance in some channel; 1 when the file is missing or of another size.
double ShareOff(const Picture& picture, const std::filesystem::path& file) {
    plat::Image image;
    std::string error;
    if (!plat::LoadImageFile(file.string(), image, error)) return 1.0;
    if (image.width != kWidth || image.height != kHeight) return 1.0;
    const std::vector<std::uint8_t>& bgra = image.Level(0, 0).bytes;
    std::size_t off = 0;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const D3DCOLOR c = picture.pixels[i];
        for (int channel = 0; channel < 3; ++channel)
            if (std::abs(int(c >> (8 * channel) & 0xFF) - int(bgra[i * 4 + channel])) > kPixelTolerance) {
                ++off;
                break;
            }
    }
    return double(off) / double(picture.pixels.size());
}

// The menu once the splash has gone, and level 1 a moment after Play, the
// player bouncing with its shadow on the sheet.
std::vector<Picture> DrawThePictures() {
    Random::Seed(26);
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", kWidth, kHeight);
    if (!game.ok()) return {};
    std::vector<Picture> pictures(2);
    game.Frames(450);
    pictures[0].name = "menu.png";
    pictures[0].pixels = game.BackBuffer();
    game.PointAt(0.0f, 0.07f);
    game.Click();
    game.Frames(100);
    pictures[1].name = "level1.png";
    pictures[1].pixels = game.BackBuffer();
    return pictures;
}

TEST(ReadmePictures, AreWhatTheGameDraws) {
    const std::vector<Picture> pictures = DrawThePictures();
    ASSERT_EQ(pictures.size(), 2u);
    const char* writeTo = std::getenv("TOLLYMOP_WRITE_SCREENSHOTS");
    for (const Picture& picture : pictures) {
        ASSERT_EQ(picture.pixels.size(), std::size_t(kWidth) * kHeight);
        SaveScreenshot(picture.pixels, kWidth, "readme", picture.name);
        if (writeTo) {
            std::filesystem::create_directories(writeTo);
            const std::filesystem::path written = TestOutputFolder("readme") / picture.name;
            std::filesystem::copy_file(written, std::filesystem::path(writeTo) / picture.name,
                                       std::filesystem::copy_options::overwrite_existing);
            continue;
        }
        EXPECT_LE(ShareOff(picture, ScopedTempDir::RepositoryRoot() / "docs" / picture.name), kAllowedShare)
            << picture.name << " differs from what the game draws: run `make screenshots`, look at it, commit it";
    }
}

}  // namespace
