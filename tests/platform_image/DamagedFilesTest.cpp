// Image files as other tools write them, and damaged ones, through the real
// file reader: a file whose data cannot cover its picture is refused by
// name, and variants other writers produce read as their plain forms.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ByteBuilder.h"
#include "platform/image/Image.h"
#include "support/TempDir.h"

using namespace plat;

namespace {

std::vector<std::uint8_t> ShippedTexture(const char* name) {
    std::ifstream in(ScopedTempDir::RepositoryRoot() / "Assets" / "Textures" / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Save(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return name;
}

// The error of loading the file, empty when it loads.
std::string LoadError(const std::string& path, Image& image) {
    std::string error;
    return LoadImageFile(path, image, error) ? std::string() : error;
}
std::string LoadError(const std::string& path) {
    Image image;
    return LoadError(path, image);
}

// The decoded pixels of a file that must load.
std::vector<std::uint8_t> Pixels(const std::string& path) {
    Image image;
    EXPECT_EQ(LoadError(path, image), "") << path;
    return image.levels.empty() ? std::vector<std::uint8_t>() : image.levels[0].bytes;
}

}  // namespace

TEST(DamagedImageFiles, DataThatCannotCoverThePictureIsRefusedNamingWhy) {
    ScopedTempDir dir;
    const std::vector<std::uint8_t> basket = ShippedTexture("basket.jpg");
    ASSERT_GT(basket.size(), 4000u);
    ASSERT_EQ(LoadError(Save("basket.jpg", basket)), "");

    for (std::size_t cut : {std::size_t(800), basket.size() / 4}) {
        const std::string path = Save("cut.jpg", {basket.begin(), basket.begin() + std::ptrdiff_t(cut)});
        EXPECT_EQ(LoadError(path), "\"cut.jpg\": truncated JPEG data: Premature end of JPEG file") << cut;
    }

    // Its headers up to the scan, with a frame of 8192 x 8192 and no data.
    std::vector<std::uint8_t> huge(basket.begin(), basket.begin() + 623);
    ASSERT_EQ(huge[158], 0xFF);
    ASSERT_EQ(huge[159], 0xC0);
    huge[163] = huge[165] = 0x20;
    huge[164] = huge[166] = 0x00;
    EXPECT_EQ(LoadError(Save("huge.jpg", huge)), "\"huge.jpg\": truncated JPEG data: 0 bytes cannot hold a 8192 x 8192 image");

    // 64 bytes: a run-length bitmap of 8192 x 8192 whose data says "end of
    // bitmap" at once.
    ByteBuilder rle = BmpHeader(8192, 8192, 8, 1, 2);
    rle.raw({0, 0, 0, 0, 255, 255, 255, 0}).raw({0, 1});
    ASSERT_EQ(rle.size(), 64u);
    EXPECT_EQ(LoadError(Save("rle.bmp", rle.bytes)), "\"rle.bmp\": run-length bitmap data ends in row 1 of 8192");
}

TEST(DamagedImageFiles, BitmapHeadersOtherWritersUseReadAsThePlainForm) {
    ScopedTempDir dir;
    // 4 x 2, three colours: the 8-bit reference with an info header.
    const std::initializer_list<std::uint8_t> indices = {0, 1, 2, 1, 2, 1, 0, 0};
    ByteBuilder reference = BmpHeader(4, 2, 8, 0, 3);
    reference.raw({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0}).raw(indices);
    const std::vector<std::uint8_t> expected = Pixels(Save("reference.bmp", reference.bytes));
    ASSERT_EQ(expected.size(), 4u * 2 * 4);

    // OS/2 1.x: a 12-byte header and three of the 256 entries of 3 bytes,
    // the pixels right after them.
    ByteBuilder core;
    core.text("BM").u32(0).u32(0).u32(14 + 12 + 9).u32(12).u16(4).u16(2).u16(1).u16(8);
    core.raw({255, 0, 0, 0, 255, 0, 0, 0, 255}).raw(indices);
    EXPECT_EQ(Pixels(Save("os2v1.bmp", core.bytes)), expected);

    // OS/2 2.x with its header cut after the bit count (16 bytes).
    ByteBuilder shortV2;
    shortV2.text("BM").u32(0).u32(0).u32(14 + 16 + 12).u32(16).u32(4).u32(2).u16(1).u16(8);
    shortV2.raw({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0}).raw(indices);
    EXPECT_EQ(Pixels(Save("os2v2.bmp", shortV2.bytes)), expected);

    // No writer makes a 66-byte header.
    ByteBuilder odd = BmpHeader(2, 2, 24, 0, 0, 26);
    odd.bytes[14] = 66;
    odd.zeros(26 + 2 * 8);
    EXPECT_EQ(LoadError(Save("odd.bmp", odd.bytes)), "\"odd.bmp\": unsupported bitmap header size 66");
}

TEST(DamagedImageFiles, TargaWithoutAlphaBitsIsOpaqueAndARefusedColourMapIsNamed) {
    ScopedTempDir dir;
    // 2 x 1, 32 bits, descriptor 0 alpha bits, fourth bytes 0: stored, then
    // run-length coded.
    for (std::uint8_t type : {2, 10}) {
        ByteBuilder b;
        b.u8(0).u8(0).u8(type).zeros(5).u16(0).u16(0).u16(2).u16(1).u8(32).u8(0x20);
        if (type == 10) b.u8(1);  // a raw packet of two
        b.raw({10, 20, 30, 0, 40, 50, 60, 0});
        Image image;
        ASSERT_EQ(LoadError(Save("x8.tga", b.bytes), image), "") << int(type);
        EXPECT_EQ(image.fileFormat, imagefmt::kX8R8G8B8);
        EXPECT_EQ(image.levels[0].bytes, (std::vector<std::uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}));
    }

    ByteBuilder eightBitMap;
    eightBitMap.u8(0).u8(1).u8(1).u16(0).u16(2).u8(8).u16(0).u16(0).u16(2).u16(1).u8(8).u8(0);
    eightBitMap.raw({0, 255, 0, 1});
    EXPECT_EQ(LoadError(Save("map8.tga", eightBitMap.bytes)),
              "\"map8.tga\": unsupported Targa colour-map entry size 8 bits");
}
