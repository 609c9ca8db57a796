#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx/FontFace.h"
#include "platform/image/Image.h"
#include "platform/image/ImageWrite.h"
#include "support/TestVideo.h"

// The splash caption asks for "Bubbly Frog"; the alias file that TextMan
// loads at start-up must make that the bubbly face, not the fallback.
TEST(FontAliasTest, BubblyFrogResolvesToTheBubblyFaceOnceTextManRuns) {
    TestVideo t(64, 48);
    ASSERT_TRUE(t.ok());
    plat::FontRequest request;
    request.family = "Bubbly Frog";
    request.height = 37;
    std::unique_ptr<plat::FontFace> face = plat::FontFace::Open(request);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->Family(), "Cherry Bomb");

    request.family = "No Such Face At All";
    face = plat::FontFace::Open(request);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->Family(), plat::kFallbackFontFamily);
}

// Screenshots and the splash picture go through the encoder: what it writes
// must decode to the very pixels, alpha and channel order included.
TEST(PngWriterTest, EncodedPixelsDecodeUnchanged) {
    std::vector<std::uint8_t> bgra;
    for (int i = 0; i < 3 * 2; ++i) bgra.insert(bgra.end(), {std::uint8_t(10 * i), 200, 30, std::uint8_t(255 - i)});
    std::vector<std::uint8_t> png;
    std::string error;
    ASSERT_TRUE(plat::EncodePng(bgra.data(), 3, 2, png, error)) << error;
    plat::Image image;
    ASSERT_TRUE(plat::DecodePng(png.data(), png.size(), image, error)) << error;
    ASSERT_EQ(image.width, 3u);
    ASSERT_EQ(image.height, 2u);
    EXPECT_EQ(image.levels[0].bytes, bgra);

    EXPECT_FALSE(plat::EncodePng(bgra.data(), 0, 2, png, error));
}
