#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/image/Image.h"
#include "platform/image/ImageOps.h"

using namespace plat;

namespace {

std::string TexturePath(const char* name) {
    const char* root = std::getenv("TOLLYMOP_ROOT");
    return std::string(root ? root : ".") + "/Assets/Textures/" + name;
}

std::array<int, 4> At(const ImageLevel& l, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = &l.bytes[(std::size_t(y) * l.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

}  // namespace

TEST(AssetTextures, FallbackStaysOpaqueUnderTheColourKey) {
    Image image;
    std::string error;
    ASSERT_TRUE(LoadImageFile(TexturePath("_invalid_filename.bmp"), image, error)) << error;
    ASSERT_EQ(image.width, 64u);
    ImageLevel level = image.levels[0];
    ApplyColorKey(level, 0xFFFF00FF);
    for (std::size_t i = 3; i < level.bytes.size(); i += 4) ASSERT_EQ(level.bytes[i], 255) << "pixel " << i / 4;
    EXPECT_NE(At(level, 0, 0), At(level, 8, 0));  // a pattern, not a flat colour
}

TEST(AssetTextures, SkyCubeIsBlueAboveAndSandBelow) {
    Image image;
    std::string error;
    ASSERT_TRUE(LoadImageFile(TexturePath("desertSky.dds"), image, error)) << error;
    ASSERT_EQ(image.shape, ImageShape::Cube);
    const std::uint32_t mid = image.width / 2;
    auto zenith = At(image.Level(2, 0), mid, mid);  // +Y
    auto ground = At(image.Level(3, 0), mid, mid);  // -Y
    EXPECT_GT(zenith[0], zenith[2]);                 // more blue than red
    EXPECT_GT(ground[2], ground[0]);                 // more red than blue
    for (std::uint32_t face : {0u, 1u, 4u, 5u}) {
        // Side faces: sky in the top row, ground in the bottom row.
        auto top = At(image.Level(face, 0), mid, 0), bottom = At(image.Level(face, 0), mid, image.height - 1);
        EXPECT_GT(top[0], bottom[0]) << "face " << face;
    }
    // Seamless: the top row of +Z meets the bottom row (t = +1) of +Y.
    auto frontTop = At(image.Level(4, 0), mid, 0);
    auto upBottom = At(image.Level(2, 0), mid, image.height - 1);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(frontTop[c], upBottom[c], 3);
}
