#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "ByteBuilder.h"
#include "SampleFiles.h"
#include "platform/image/Image.h"
#include "platform/image/ImageWrite.h"

using namespace plat;

namespace {

// BGRA of the pixel at (x, y, z) of a BGRA8 level.
std::array<int, 4> Pixel(const ImageLevel& level, std::uint32_t x, std::uint32_t y, std::uint32_t z = 0) {
    const std::uint8_t* p = &level.bytes[((std::size_t(z) * level.height + y) * level.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
using C = std::array<int, 4>;

Image Decode(const ByteBuilder& b) {
    Image image;
    std::string error;
    EXPECT_TRUE(DecodeImage(b.data(), b.size(), image, error)) << error;
    return image;
}

std::string Refusal(const std::uint8_t* data, std::size_t size) {
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(data, size, image, error));
    EXPECT_TRUE(image.levels.empty());
    return error;
}

}  // namespace

TEST(BmpDecode, TwentyFourBitBottomUpRowsWithPadding) {
    // 3x2: the bottom row is stored first, each row padded to 12 bytes.
    ByteBuilder b = BmpHeader(3, 2, 24, 0, 0);
    b.raw({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0});              // bottom: red green blue
    b.raw({255, 255, 255, 0, 0, 0, 10, 20, 30, 0, 0, 0});          // top: white black (30,20,10)
    Image image = Decode(b);
    ASSERT_EQ(image.levels.size(), 1u);
    EXPECT_EQ(image.fileType, ImageFileType::BMP);
    EXPECT_EQ(image.fileFormat, imagefmt::kR8G8B8);
    const ImageLevel& l = image.levels[0];
    EXPECT_EQ(Pixel(l, 0, 0), (C{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(l, 2, 0), (C{10, 20, 30, 255}));
    EXPECT_EQ(Pixel(l, 0, 1), (C{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(l, 2, 1), (C{255, 0, 0, 255}));
}

TEST(BmpDecode, PalettesTopDownAndRunLength) {
    // 8-bit, top-down (negative height), two palette entries.
    ByteBuilder b = BmpHeader(2, -2, 8, 0, 2);
    b.raw({255, 0, 255, 0, 0, 128, 0, 0});  // magenta, dark green
    b.raw({0, 1, 0, 0, 1, 0, 0, 0});
    Image image = Decode(b);
    EXPECT_EQ(image.fileFormat, imagefmt::kP8);
    EXPECT_EQ(Pixel(image.levels[0], 0, 0), (C{255, 0, 255, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 0), (C{0, 128, 0, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 0, 1), (C{0, 128, 0, 255}));

    // RLE8 4x2, bottom-up: a run, then a literal stretch that overflows the
    // row (cut off, never wrapped onto the next), a delta and a cut-off run.
    ByteBuilder r = BmpHeader(4, 2, 8, 1, 3);
    r.raw({0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0});  // black, blue, red
    r.raw({2, 1, 0, 3, 2, 1, 2, 0});                  // file row 0: 1 1 | literal 2 1 2 (pad)
    r.raw({0, 0, 0, 2, 3, 0});                        // end of line, move right to x=3
    r.raw({9, 2, 0, 1});                              // 9 x index 2 (cut at the edge), end
    Image rle = Decode(r);
    const ImageLevel& l = rle.levels[0];
    EXPECT_EQ(Pixel(l, 0, 1), (C{255, 0, 0, 255}));  // file row 0 is the last output row
    EXPECT_EQ(Pixel(l, 2, 1), (C{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(l, 3, 1), (C{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(l, 0, 0), (C{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(l, 3, 0), (C{0, 0, 255, 255}));
}

TEST(BmpDecode, BitFieldsKeepAlphaAndExpandExactly) {
    ByteBuilder b = BmpHeader(1, 1, 32, 3, 0, 12);
    b.u32(0x0000FF00).u32(0x00FF0000).u32(0xFF000000);  // r, g, b masks; no alpha in a v1 header
    b.u32(0x11223344);
    EXPECT_EQ(Pixel(Decode(b).levels[0], 0, 0), (C{0x11, 0x22, 0x33, 255}));

    // 16-bit 5-6-5: full-scale channels must come out as 255, not 248.
    ByteBuilder s = BmpHeader(2, 1, 16, 3, 0, 12);
    s.u32(0xF800).u32(0x07E0).u32(0x001F);
    s.u16(0xF81F).u16(0x07E0);
    Image image = Decode(s);
    EXPECT_EQ(image.fileFormat, imagefmt::kR5G6B5);
    EXPECT_EQ(Pixel(image.levels[0], 0, 0), (C{255, 0, 255, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 0), (C{0, 255, 0, 255}));
}

TEST(BmpDecode, RefusesForgedSizesAndTruncation) {
    ByteBuilder b = BmpHeader(4, 4, 24, 0, 0);
    b.zeros(4 * 12 - 1);
    EXPECT_NE(Refusal(b.data(), b.size()).find("truncated"), std::string::npos);

    ByteBuilder huge = BmpHeader(1 << 30, 1 << 30, 24, 0, 0);
    huge.zeros(16);
    Refusal(huge.data(), huge.size());
    ByteBuilder lowest = BmpHeader(1, INT32_MIN, 24, 0, 0);
    lowest.zeros(16);
    Refusal(lowest.data(), lowest.size());
    ByteBuilder pastEnd = BmpHeader(1, 1, 24, 0, 0);
    pastEnd.bytes[10] = 0xFF;  // pixel offset far beyond the file
    pastEnd.zeros(4);
    Refusal(pastEnd.data(), pastEnd.size());
}

TEST(TgaDecode, OriginsAndRunLengthAcrossRows) {
    // 2x2 32-bit, bottom-left origin (descriptor 8 alpha bits).
    ByteBuilder b;
    b.u8(0).u8(0).u8(2).zeros(5).u16(0).u16(0).u16(2).u16(2).u8(32).u8(8);
    b.raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    Image image = Decode(b);
    EXPECT_EQ(image.fileType, ImageFileType::TGA);
    EXPECT_EQ(Pixel(image.levels[0], 0, 1), (C{1, 2, 3, 4}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 0), (C{13, 14, 15, 16}));

    // 3x2 24-bit RLE, top-left and right-to-left: one run of 4 crosses the
    // row boundary, then two raw pixels.
    ByteBuilder r;
    r.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(3).u16(2).u8(24).u8(0x30);
    r.raw({0x83, 9, 8, 7, 0x01, 1, 1, 1, 2, 2, 2});
    Image rle = Decode(r);
    const ImageLevel& l = rle.levels[0];
    EXPECT_EQ(Pixel(l, 2, 0), (C{9, 8, 7, 255}));
    EXPECT_EQ(Pixel(l, 0, 0), (C{9, 8, 7, 255}));
    EXPECT_EQ(Pixel(l, 2, 1), (C{9, 8, 7, 255}));
    EXPECT_EQ(Pixel(l, 1, 1), (C{1, 1, 1, 255}));
    EXPECT_EQ(Pixel(l, 0, 1), (C{2, 2, 2, 255}));
}

// Uncompressed 32-bit rows are copied whole; every origin still lands each
// pixel in its place.
TEST(TgaDecode, ThirtyTwoBitRowsInEveryOrigin) {
    // Stored pixels a, b / c, d (file order), BGRA bytes.
    const std::uint8_t stored[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const C a{1, 2, 3, 4}, b{5, 6, 7, 8}, c{9, 10, 11, 12}, d{13, 14, 15, 16};
    struct Origin {
        std::uint8_t descriptor;
        C topLeft, topRight, bottomLeft;
    };
    const Origin origins[] = {{0x08, c, d, a}, {0x28, a, b, c}, {0x18, d, c, b}, {0x38, b, a, d}};
    for (const Origin& o : origins) {
        ByteBuilder tga;
        tga.u8(0).u8(0).u8(2).zeros(5).u16(0).u16(0).u16(2).u16(2).u8(32).u8(o.descriptor);
        for (std::uint8_t byte : stored) tga.u8(byte);
        Image image = Decode(tga);
        EXPECT_EQ(Pixel(image.levels[0], 0, 0), o.topLeft) << int(o.descriptor);
        EXPECT_EQ(Pixel(image.levels[0], 1, 0), o.topRight) << int(o.descriptor);
        EXPECT_EQ(Pixel(image.levels[0], 0, 1), o.bottomLeft) << int(o.descriptor);
    }
}

TEST(TgaDecode, ColourMapsAndRefusals) {
    ByteBuilder b;
    b.u8(2).u8(1).u8(1).u16(1).u16(2).u8(24).zeros(4).u16(2).u16(1).u8(8).u8(0x20);
    b.raw({'h', 'i'});                 // image id, skipped
    b.raw({255, 0, 0, 0, 0, 255});     // map entries 1 and 2: blue, red
    b.raw({2, 7});                     // index 7 lies outside the map
    Image image = Decode(b);
    EXPECT_EQ(Pixel(image.levels[0], 0, 0), (C{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 0), (C{0, 0, 0, 255}));

    ByteBuilder truncated;
    truncated.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(200).u16(200).u8(32).u8(8);
    truncated.raw({0xFF, 1, 2, 3, 4});
    EXPECT_NE(Refusal(truncated.data(), truncated.size()).find("Targa"), std::string::npos);
    const std::uint8_t noise[] = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', 0, 0, 0, 0, 0, 0};
    Refusal(noise, sizeof noise);
}

// Rows are decoded straight into their places in whichever order the file
// stores them: every origin and coding of a Targa, and a bitmap bottom-up or
// top-down, give the same picture. Five pixels a row: the 24-bit rows move
// four pixels a step and then one.
TEST(StoredRows, EveryOrderGivesTheSamePicture) {
    constexpr std::uint32_t kWidth = 5, kHeight = 3;
    auto colour = [](std::uint32_t x, std::uint32_t y) { return C{int(10 * x + y), int(50 + y), int(x * y), int(200 + x)}; };
    auto expectPicture = [&](const Image& image, bool alpha, const std::string& what) {
        ASSERT_EQ(image.levels.size(), 1u) << what;
        for (std::uint32_t y = 0; y < kHeight; ++y)
            for (std::uint32_t x = 0; x < kWidth; ++x) {
                C want = colour(x, y);
                if (!alpha) want[3] = 255;
                EXPECT_EQ(Pixel(image.levels[0], x, y), want) << what << " at " << x << ", " << y;
            }
    };
    for (const int bits : {24, 32})
        for (const bool rle : {false, true})
            for (const std::uint8_t origin : {0x00, 0x10, 0x20, 0x30}) {
                ByteBuilder b;
                b.u8(0).u8(0).u8(rle ? 10 : 2).zeros(5).u16(0).u16(0).u16(kWidth).u16(kHeight);
                b.u8(bits).u8(origin | (bits == 32 ? 8 : 0));
                // Raw packets of four pixels, which run on across rows.
                for (std::uint32_t i = 0; i < kWidth * kHeight; ++i) {
                    const std::uint32_t row = i / kWidth, column = i % kWidth;
                    const std::uint32_t y = origin & 0x20 ? row : kHeight - 1 - row;
                    const std::uint32_t x = origin & 0x10 ? kWidth - 1 - column : column;
                    if (rle && i % 4 == 0) b.u8(std::min(4u, kWidth * kHeight - i) - 1);
                    const C c = colour(x, y);
                    for (int k = 0; k < bits / 8; ++k) b.u8(std::uint32_t(c[k]));
                }
                expectPicture(Decode(b), bits == 32,
                              "Targa " + std::to_string(bits) + (rle ? " rle" : "") + " origin " + std::to_string(origin));
            }
    for (const int bits : {24, 32})
        for (const bool bottomUp : {true, false}) {
            const std::uint32_t stride = (kWidth * bits / 8 + 3) / 4 * 4;
            ByteBuilder b = BmpHeader(kWidth, bottomUp ? kHeight : -int(kHeight), bits, 0, 0);
            for (std::uint32_t row = 0; row < kHeight; ++row) {
                const std::uint32_t y = bottomUp ? kHeight - 1 - row : row;
                for (std::uint32_t x = 0; x < kWidth; ++x) {
                    const C c = colour(x, y);
                    for (int k = 0; k < bits / 8; ++k) b.u8(std::uint32_t(c[k]));  // a plain bitmap's fourth byte is spare
                }
                b.zeros(stride - kWidth * bits / 8);
            }
            expectPicture(Decode(b), false, "bitmap " + std::to_string(bits) + (bottomUp ? " bottom-up" : " top-down"));
        }
}

TEST(DdsDecode, UncompressedMipChainAndFormats) {
    DdsSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.mips = 2;
    ByteBuilder b = DdsHeader(spec);
    b.u32(0xFFFF0000).u32(0x8000FF00).u32(0x000000FF).u32(0xFFFFFFFF);  // level 0
    b.u32(0x12345678);                                                    // level 1
    Image image = Decode(b);
    EXPECT_EQ(image.fileFormat, imagefmt::kA8R8G8B8);
    ASSERT_EQ(image.mipLevels, 2u);
    EXPECT_EQ(Pixel(image.Level(0, 0), 0, 0), (C{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(image.Level(0, 0), 1, 0), (C{0, 255, 0, 0x80}));
    EXPECT_EQ(Pixel(image.Level(0, 0), 0, 1), (C{255, 0, 0, 0}));
    EXPECT_EQ(Pixel(image.Level(0, 1), 0, 0), (C{0x78, 0x56, 0x34, 0x12}));

    DdsSpec lum;
    lum.width = lum.height = 1;
    lum.pfFlags = 0x20001;  // luminance with alpha
    lum.bits = 16;
    lum.masks[0] = 0x00FF;
    lum.masks[1] = lum.masks[2] = 0;
    lum.masks[3] = 0xFF00;
    ByteBuilder l = DdsHeader(lum);
    l.u16(0x4080);
    Image li = Decode(l);
    EXPECT_EQ(li.fileFormat, imagefmt::kA8L8);
    EXPECT_EQ(Pixel(li.levels[0], 0, 0), (C{0x80, 0x80, 0x80, 0x40}));
}

// X8R8G8B8 is copied whole like A8R8G8B8, with the unused byte made opaque.
TEST(DdsDecode, X8R8G8B8IsOpaqueWhateverItsSpareByteHolds) {
    DdsSpec spec;
    spec.width = 2;
    spec.height = 1;
    spec.pfFlags = 0x40;  // RGB, no alpha
    spec.masks[3] = 0;
    ByteBuilder b = DdsHeader(spec);
    b.u32(0x00123456).u32(0x7F654321);
    Image image = Decode(b);
    EXPECT_EQ(image.fileFormat, imagefmt::kX8R8G8B8);
    EXPECT_EQ(Pixel(image.levels[0], 0, 0), (C{0x56, 0x34, 0x12, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 0), (C{0x21, 0x43, 0x65, 255}));
}

TEST(DdsDecode, CubeAndVolumeLayout) {
    DdsSpec cube;
    cube.width = cube.height = 2;
    cube.mips = 2;
    cube.caps2 = 0xFE00;
    ByteBuilder b = DdsHeader(cube);
    for (std::uint32_t face = 0; face < 6; ++face) {
        for (int i = 0; i < 4; ++i) b.u32(0xFF000000 | face);  // level 0
        b.u32(0xFF000100 | face);                              // level 1
    }
    Image image = Decode(b);
    ASSERT_EQ(image.shape, ImageShape::Cube);
    ASSERT_EQ(image.levels.size(), 12u);
    for (std::uint32_t face = 0; face < 6; ++face) {
        EXPECT_EQ(Pixel(image.Level(face, 0), 1, 1)[0], int(face));
        EXPECT_EQ(Pixel(image.Level(face, 1), 0, 0), (C{int(face), 1, 0, 255}));
    }
    cube.caps2 = 0x200 | 0x400 | 0x800;  // only two faces
    ByteBuilder partial = DdsHeader(cube);
    partial.zeros(6 * 20);
    EXPECT_NE(Refusal(partial.data(), partial.size()).find("six faces"), std::string::npos);

    DdsSpec vol;
    vol.width = vol.height = 2;
    vol.depth = 2;
    vol.mips = 2;
    vol.caps2 = 0x200000;
    ByteBuilder v = DdsHeader(vol);
    for (std::uint32_t i = 0; i < 8; ++i) v.u32(0xFF000000 | i);
    v.u32(0xFF0000AA);
    Image volume = Decode(v);
    ASSERT_EQ(volume.shape, ImageShape::Volume);
    EXPECT_EQ(volume.depth, 2u);
    EXPECT_EQ(Pixel(volume.Level(0, 0), 1, 0, 1)[0], 5);
    EXPECT_EQ(volume.Level(0, 1).depth, 1u);
}

TEST(DdsDecode, DxtBlocksKeptAndEveryLevelChecked) {
    DdsSpec spec;
    spec.width = 8;
    spec.height = 4;
    spec.mips = 4;
    spec.pfFlags = 0x4;
    spec.fourCC = imagefmt::kDXT5;
    ByteBuilder b = DdsHeader(spec);
    b.zeros(16 * 2 + 16 + 16 + 16);  // 2 blocks, then 1 block for 4x2, 2x1, 1x1
    Image image = Decode(b);
    EXPECT_EQ(image.layout, ImageLayout::DXT5);
    EXPECT_EQ(image.fileFormat, imagefmt::kDXT5);
    ASSERT_EQ(image.mipLevels, 4u);
    EXPECT_EQ(image.Level(0, 0).bytes.size(), 32u);
    EXPECT_EQ(image.Level(0, 3).bytes.size(), 16u);

    b.bytes.pop_back();
    EXPECT_NE(Refusal(b.data(), b.size()).find("truncated"), std::string::npos);

    // A mip count larger than the chain allows is cut to the chain.
    spec.mips = 40;
    ByteBuilder many = DdsHeader(spec);
    many.zeros(16 * 5);
    EXPECT_EQ(Decode(many).mipLevels, 4u);

    spec.fourCC = imagefmt::MakeFourCC('A', 'T', 'I', '2');
    ByteBuilder other = DdsHeader(spec);
    other.zeros(256);
    Refusal(other.data(), other.size());
}

TEST(PngDecode, ColourTypesBecomeBGRA) {
    Image image;
    std::string error;
    ASSERT_TRUE(DecodeImage(samples::kPngRgba, sizeof samples::kPngRgba, image, error)) << error;
    EXPECT_EQ(image.fileType, ImageFileType::PNG);
    EXPECT_EQ(image.fileFormat, imagefmt::kA8R8G8B8);
    const ImageLevel& l = image.levels[0];
    EXPECT_EQ(Pixel(l, 0, 0), (C{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(l, 3, 0), (C{255, 0, 255, 255}));
    EXPECT_EQ(Pixel(l, 0, 1), (C{255, 255, 255, 128}));
    EXPECT_EQ(Pixel(l, 3, 1), (C{30, 20, 10, 0}));

    ASSERT_TRUE(DecodeImage(samples::kPngPaletteInterlaced, sizeof samples::kPngPaletteInterlaced, image, error))
        << error;
    // Rows 0,0,1 / 0,0,0 / 0,2,1 of red, green, blue; green fully transparent.
    EXPECT_EQ(Pixel(image.levels[0], 0, 0), (C{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 2, 0), (C{0, 255, 0, 0}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 1), (C{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 2), (C{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 2, 2), (C{0, 255, 0, 0}));

    ASSERT_TRUE(DecodeImage(samples::kPngGrey16, sizeof samples::kPngGrey16, image, error)) << error;
    EXPECT_EQ(image.fileFormat, imagefmt::kL8);
    EXPECT_EQ(Pixel(image.levels[0], 0, 0), (C{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 0, 1), (C{128, 128, 128, 255}));
}

TEST(PngDecode, DamagedFilesAreRefused) {
    std::vector<std::uint8_t> cut(samples::kPngRgba, samples::kPngRgba + sizeof samples::kPngRgba - 20);
    EXPECT_FALSE(Refusal(cut.data(), cut.size()).empty());
    std::vector<std::uint8_t> bad(samples::kPngRgba, samples::kPngRgba + sizeof samples::kPngRgba);
    bad[40] ^= 0x55;  // inside the compressed data: the CRC no longer matches
    Refusal(bad.data(), bad.size());
}

TEST(JpegDecode, ColourAndGrey) {
    Image image;
    std::string error;
    ASSERT_TRUE(DecodeImage(samples::kJpegRedBlue, sizeof samples::kJpegRedBlue, image, error)) << error;
    EXPECT_EQ(image.fileType, ImageFileType::JPG);
    ASSERT_EQ(image.width, 16u);
    ASSERT_EQ(image.height, 8u);
    C left = Pixel(image.levels[0], 2, 3), right = Pixel(image.levels[0], 13, 3);
    EXPECT_GT(left[2], 230);
    EXPECT_LT(left[0], 25);
    EXPECT_GT(right[0], 230);
    EXPECT_LT(right[2], 25);
    EXPECT_EQ(left[3], 255);

    ASSERT_TRUE(DecodeImage(samples::kJpegGrey, sizeof samples::kJpegGrey, image, error)) << error;
    EXPECT_EQ(image.fileFormat, imagefmt::kL8);
    C top = Pixel(image.levels[0], 4, 1), bottom = Pixel(image.levels[0], 4, 6);
    EXPECT_NEAR(top[0], 40, 6);
    EXPECT_NEAR(bottom[1], 200, 6);
    EXPECT_EQ(top[0], top[2]);

    std::vector<std::uint8_t> cut(samples::kJpegGrey, samples::kJpegGrey + 40);
    Refusal(cut.data(), cut.size());
}

// A progressive file keeps every coefficient until its last scan: at the
// pixel cap with colour at full resolution that is 402 MB, which libjpeg
// must be allowed.
TEST(JpegDecode, ProgressiveFullColourAtThePixelCapLoads) {
    constexpr std::uint32_t kSide = 8192;
    std::vector<std::uint8_t> file;
    std::string error;
    {
        std::vector<std::uint8_t> bgra(std::size_t(kSide) * kSide * 4, 255);
        for (std::size_t i = 0; i < bgra.size() / 2; i += 4) bgra[i] = 0;  // top half yellow, bottom white
        ASSERT_TRUE(EncodeProgressiveJpeg(bgra.data(), kSide, kSide, 75, true, file, error)) << error;
    }
    Image image;
    ASSERT_TRUE(DecodeImage(file.data(), file.size(), image, error)) << error;
    ASSERT_EQ(image.width, kSide);
    EXPECT_NEAR(Pixel(image.levels[0], 10, 10)[0], 0, 4);
    EXPECT_NEAR(Pixel(image.levels[0], kSide - 10, kSide - 10)[0], 255, 4);
}

TEST(ImageFile, MissingFileIsAClearRefusal) {
    Image image;
    std::string error;
    EXPECT_FALSE(LoadImageFile("no/such/dir/picture.png", image, error));
    EXPECT_NE(error.find("no/such/dir/picture.png"), std::string::npos);
    EXPECT_FALSE(DecodeImage(nullptr, 0, image, error));
}

// An 8-bit luminance surface whose mask does not fit its byte is read by its
// bit count, never as black; other masks that do not fit are refused.
TEST(DdsDecode, LuminanceByItsBitCountAndMasksBeyondThePixelRefused) {
    DdsSpec lum;
    lum.width = 2;
    lum.height = 1;
    lum.pfFlags = 0x20000;
    lum.bits = 8;
    lum.masks[0] = 0xFF000000;
    lum.masks[1] = lum.masks[2] = lum.masks[3] = 0;
    ByteBuilder l = DdsHeader(lum);
    l.raw({40, 200});
    Image image = Decode(l);
    ASSERT_EQ(image.levels.size(), 1u);
    EXPECT_EQ(Pixel(image.levels[0], 0, 0), (C{40, 40, 40, 255}));
    EXPECT_EQ(Pixel(image.levels[0], 1, 0), (C{200, 200, 200, 255}));

    DdsSpec wide;
    wide.bits = 16;
    ByteBuilder w = DdsHeader(wide);
    w.zeros(4 * 4 * 2);
    EXPECT_NE(Refusal(w.data(), w.size()).find("masks do not fit its 16-bit pixels"), std::string::npos);
}

// D3DX 9 reads no DDS with a DX10 header; the refusal says so and names the
// format it holds.
TEST(DdsDecode, ADx10HeaderIsRefusedByNameWithItsFormat) {
    for (auto [format, name] : {std::pair{28u, "R8G8B8A8_UNORM"}, std::pair{71u, "BC1_UNORM"}}) {
        DdsSpec spec;
        spec.pfFlags = 0x4;
        spec.fourCC = imagefmt::MakeFourCC('D', 'X', '1', '0');
        ByteBuilder b = DdsHeader(spec);
        b.u32(format).u32(3).u32(0).u32(1).u32(0).zeros(64);
        const std::string error = Refusal(b.data(), b.size());
        EXPECT_NE(error.find("DX10 header"), std::string::npos) << error;
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

// Pixel data said to start inside the headers or the palette would decode
// them as a picture.
TEST(BmpDecode, APixelOffsetInsideTheHeadersOrPaletteIsRefused) {
    ByteBuilder headers = BmpHeader(1, 1, 24, 0, 0);
    headers.bytes[10] = 14;  // the info header
    headers.zeros(4);
    EXPECT_NE(Refusal(headers.data(), headers.size()).find("inside its headers"), std::string::npos);

    ByteBuilder palette = BmpHeader(1, 1, 8, 0, 4);
    palette.bytes[10] = 14 + 40 + 8;  // after two of the four entries
    palette.zeros(4 * 4 + 4);
    EXPECT_NE(Refusal(palette.data(), palette.size()).find("inside its palette"), std::string::npos);
}

// Each refusal names what is wrong with the file.
TEST(ImageErrors, RefusalsNameTheRealCause) {
    ByteBuilder truncated;  // a run-length Targa cut short
    truncated.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(200).u16(200).u8(32).u8(8).raw({0xFF, 1, 2, 3, 4});
    std::string error = Refusal(truncated.data(), truncated.size());
    EXPECT_EQ(error.rfind("truncated Targa run-length data", 0), 0u) << error;

    for (int depth : {0, 24}) {
        ByteBuilder header;  // 18 bytes, nothing after them
        header.u8(0).u8(0).u8(2).zeros(5).u16(0).u16(0).u16(4).u16(4).u8(depth).u8(0);
        error = Refusal(header.data(), header.size());
        EXPECT_NE(error.find("no pixel data"), std::string::npos) << error;
    }

    for (auto [compression, kind] : {std::pair{4u, "JPEG"}, std::pair{5u, "PNG"}}) {
        ByteBuilder wrapped = BmpHeader(2, 2, 0, compression, 0);
        wrapped.raw({0xFF, 0xD8, 0xFF, 0xE0});
        error = Refusal(wrapped.data(), wrapped.size());
        EXPECT_NE(error.find(kind), std::string::npos) << error;
        EXPECT_EQ(error.find("bit count"), std::string::npos) << error;
    }

    const std::uint8_t noise[] = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Refusal(noise, sizeof noise), "unrecognised image format");
}
