#include <gtest/gtest.h>

#include <array>

#include "platform/image/ImageOps.h"

using namespace plat;

namespace {

ImageLevel Solid(std::uint32_t w, std::uint32_t h, std::array<std::uint8_t, 4> bgra, std::uint32_t d = 1) {
    ImageLevel level{w, h, d, {}};
    for (std::size_t i = 0; i < std::size_t(w) * h * d; ++i) level.bytes.insert(level.bytes.end(), bgra.begin(), bgra.end());
    return level;
}

std::array<int, 4> At(const ImageLevel& l, std::uint32_t x, std::uint32_t y, std::uint32_t z = 0) {
    const std::uint8_t* p = &l.bytes[((std::size_t(z) * l.height + y) * l.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void Set(ImageLevel& l, std::uint32_t x, std::uint32_t y, std::array<std::uint8_t, 4> bgra) {
    std::copy(bgra.begin(), bgra.end(), &l.bytes[(std::size_t(y) * l.width + x) * 4]);
}

}  // namespace

TEST(ColorKey, OnlyTheExactOpaqueKeyBecomesTransparentBlack) {
    ImageLevel l = Solid(3, 1, {255, 0, 255, 255});  // opaque magenta
    Set(l, 1, 0, {255, 0, 255, 254});                 // not quite opaque
    Set(l, 2, 0, {254, 0, 255, 255});                 // not quite magenta
    EXPECT_TRUE(ContainsColor(l, 0xFFFF00FF));
    EXPECT_TRUE(ContainsColor(l, 0xFEFF00FF));
    ApplyColorKey(l, 0xFFFF00FF);
    EXPECT_FALSE(ContainsColor(l, 0xFFFF00FF));
    EXPECT_EQ(At(l, 0, 0), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(At(l, 1, 0), (std::array<int, 4>{255, 0, 255, 254}));
    EXPECT_EQ(At(l, 2, 0), (std::array<int, 4>{254, 0, 255, 255}));

    ImageLevel black = Solid(1, 1, {0, 0, 0, 0});
    EXPECT_FALSE(ContainsColor(black, 0));
    ApplyColorKey(black, 0);  // no key: transparent black is not "matched" by 0
    EXPECT_EQ(At(black, 0, 0), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST(Dxt, KnownBlocksDecode) {
    // DXT1, four-colour mode: c0 white, c1 black; rows use indices 0,1,2,3.
    ImageLevel dxt1{4, 4, 1, {0xFF, 0xFF, 0x00, 0x00, 0xE4, 0xE4, 0xE4, 0xE4}};
    ImageLevel px = DecompressDxt(ImageLayout::DXT1, dxt1);
    EXPECT_EQ(At(px, 0, 0), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(At(px, 1, 2), (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_EQ(At(px, 2, 3), (std::array<int, 4>{170, 170, 170, 255}));
    EXPECT_EQ(At(px, 3, 0), (std::array<int, 4>{85, 85, 85, 255}));

    // DXT1 three-colour mode (c0 <= c1): index 3 is transparent black.
    ImageLevel punch{4, 4, 1, {0x00, 0x00, 0x1F, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(At(DecompressDxt(ImageLayout::DXT1, punch), 2, 2), (std::array<int, 4>{0, 0, 0, 0}));

    // DXT5 alpha: a0 = 255, a1 = 0, every index 1 gives 0; index 2 gives 219.
    ImageLevel dxt5{4, 4, 1, {255, 0, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}};
    ImageLevel five = DecompressDxt(ImageLayout::DXT5, dxt5);
    EXPECT_EQ(At(five, 0, 0)[3], 0);
    dxt5.bytes[2] = 0x02;  // first pixel index 2
    EXPECT_EQ(At(DecompressDxt(ImageLayout::DXT5, dxt5), 0, 0)[3], (6 * 255) / 7);
}

TEST(Dxt, RoundTripsKeepColoursAndCutOut) {
    // A 6x5 level (partial blocks at the edges) of two flat colours with a
    // transparent hole: DXT1 must keep the hole and both colours close.
    ImageLevel l = Solid(6, 5, {200, 40, 10, 255});
    for (std::uint32_t y = 0; y < 5; ++y) Set(l, 5, y, {0, 255, 0, 255});
    Set(l, 1, 1, {0, 0, 0, 0});
    for (ImageLayout layout : {ImageLayout::DXT1, ImageLayout::DXT3, ImageLayout::DXT5}) {
        ImageLevel blocks = CompressDxt(layout, l);
        ASSERT_EQ(blocks.bytes.size(), LevelByteSize(layout, 6, 5));
        ImageLevel back = DecompressDxt(layout, blocks);
        auto a = At(back, 0, 4), g = At(back, 5, 2), hole = At(back, 1, 1);
        EXPECT_NEAR(a[0], 200, 8);
        EXPECT_NEAR(a[2], 10, 8);
        EXPECT_EQ(a[3], 255);
        EXPECT_NEAR(g[1], 255, 4);
        EXPECT_EQ(hole[3], 0) << "layout " << int(layout);
    }
}

TEST(Resample, MipHalvingAveragesExactly) {
    ImageLevel l = Solid(2, 2, {0, 0, 0, 255});
    Set(l, 0, 0, {255, 100, 1, 255});
    Set(l, 1, 1, {255, 100, 2, 0});
    ImageLevel m = NextMipLevel(l, ImageFilter::Linear);
    ASSERT_EQ(m.width, 1u);
    EXPECT_EQ(At(m, 0, 0), (std::array<int, 4>{128, 50, 1, 191}));

    // A 4x1x2 volume halves in every axis that can: 2x1x1.
    ImageLevel v = Solid(4, 1, {10, 10, 10, 10}, 2);
    std::fill(v.bytes.begin() + 16, v.bytes.end(), std::uint8_t(30));
    ImageLevel vm = NextMipLevel(v, ImageFilter::Box);
    EXPECT_EQ(vm.width, 2u);
    EXPECT_EQ(vm.height, 1u);
    EXPECT_EQ(vm.depth, 1u);
    EXPECT_EQ(At(vm, 1, 0)[0], 20);
    EXPECT_EQ(FullMipCount(256, 32), 9u);
    EXPECT_EQ(FullMipCount(1, 1), 1u);
    EXPECT_EQ(FullMipCount(5, 3, 9), 4u);
}

TEST(Resample, FiltersScaleAsNamed) {
    ImageLevel ramp{3, 1, 1, {}};
    for (int v : {0, 90, 180}) ramp.bytes.insert(ramp.bytes.end(), {std::uint8_t(v), 0, 0, 255});
    ImageLevel point = ResampleLevel(ramp, 6, 1, 1, ImageFilter::Point);
    EXPECT_EQ(At(point, 0, 0)[0], 0);
    EXPECT_EQ(At(point, 3, 0)[0], 90);
    EXPECT_EQ(At(point, 5, 0)[0], 180);
    ImageLevel linear = ResampleLevel(ramp, 6, 1, 1, ImageFilter::Linear);
    EXPECT_EQ(At(linear, 0, 0)[0], 0);    // clamped at the edge
    EXPECT_EQ(At(linear, 2, 0)[0], 68);   // a quarter of the way from 90 to 0
    EXPECT_EQ(At(linear, 5, 0)[0], 180);
    ImageLevel box = ResampleLevel(ramp, 2, 1, 1, ImageFilter::Box);
    EXPECT_EQ(At(box, 0, 0)[0], 30);      // (0 + 0.5 * 90) / 1.5
    EXPECT_EQ(At(box, 1, 0)[0], 150);
    ImageLevel none = ResampleLevel(ramp, 4, 2, 1, ImageFilter::None);
    EXPECT_EQ(At(none, 2, 0)[0], 180);
    EXPECT_EQ(At(none, 3, 0)[3], 0);
    EXPECT_EQ(At(none, 0, 1)[3], 0);

    EXPECT_EQ(FilterFromArgument(0xFFFFFFFF, ImageFilter::Triangle), ImageFilter::Triangle);
    EXPECT_EQ(FilterFromArgument(3 | 0x80000, ImageFilter::Box), ImageFilter::Linear);
    EXPECT_EQ(FilterFromArgument(9, ImageFilter::Box), ImageFilter::Box);
}
