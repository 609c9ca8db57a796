#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "TextureFiles.h"
#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/ErrorLog.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"
#include "support/GameWindow.h"

namespace {

constexpr const char* kLoadFailed = "FATAL ERROR: Loading texture (_invalid_filename.bmp) to video memory failed!";

// "Video" with its real device in a temporary working directory whose
// Assets/Textures holds the files a test writes.
class TextureManTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(gameWindow.Handle(), nullptr);
        WriteWindowedSettings();
        std::filesystem::create_directories(Textures());
        std::filesystem::copy_file(ScopedTempDir::RepositoryRoot() / "Assets/Textures/_invalid_filename.bmp",
                                   Textures() / "_invalid_filename.bmp");
        WriteFile(Textures() / "basket.bmp", Bitmap32(2, 2, {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0}));
        dir.CopyAsset("Models/plane.x");
        ASSERT_TRUE(video.Init());
        textures = eTable::Find<TextureMan>(names::TextureMan);
        ASSERT_NE(textures, nullptr);
    }
    void TearDown() override {
        video.Shutdown();
    }

    std::filesystem::path Textures() const { return dir.Path() / "Assets" / "Textures"; }
    std::int32_t Count(IDirect3DBaseTexture9* texture) {
        TextureRecord* record = textures->FindRecordByTexture(texture);
        return record ? record->references : 0;
    }

    ScopedTempDir dir;
    GameWindow gameWindow;
    MessageBoxRecorder boxes;
    Video video;
    TextureMan* textures = nullptr;
    TextureLoadInfo info;
};

}  // namespace

TEST_F(TextureManTest, SharedByNameAndTypeWithCountedReferences) {
    IDirect3DBaseTexture9* first = textures->GetTexture("basket.bmp", TextureMan::kFlat, &info);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetType(), D3DRTYPE_TEXTURE);
    EXPECT_EQ(textures->GetTexture("basket.bmp", TextureMan::kFlat, &info), first);
    EXPECT_EQ(Count(first), 2);
    EXPECT_EQ(textures->FindRecordByTexture(first)->name, "basket.bmp");

    // Same name as a cube: a texture of its own, made from the same file.
    IDirect3DBaseTexture9* cube = textures->GetTexture("basket.bmp", TextureMan::kCube, &info);
    ASSERT_NE(cube, nullptr);
    EXPECT_NE(cube, first);
    EXPECT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(textures->Records().size(), 2u);
    EXPECT_EQ(textures->Records().front().texture, cube);  // newest first

    EXPECT_EQ(textures->AddRef(first), first);
    EXPECT_EQ(Count(first), 3);
    for (int i = 0; i < 3; ++i) textures->ReleaseTexture(first);
    EXPECT_EQ(textures->FindRecordByTexture(first), nullptr);
    textures->ReleaseTexture(first);  // no record holds it any more: ignored
    EXPECT_EQ(textures->AddRef(first), nullptr);
    EXPECT_EQ(textures->Records().size(), 1u);

    // Names compare exactly: another case is another file and record.
    WriteFile(Textures() / "Basket.bmp", Bitmap32(1, 1, {0xFF000000}));
    IDirect3DBaseTexture9* upper = textures->GetTexture("Basket.bmp", TextureMan::kFlat, &info);
    IDirect3DBaseTexture9* lower = textures->GetTexture("basket.bmp", TextureMan::kFlat, &info);
    EXPECT_NE(upper, lower);
    EXPECT_EQ(textures->Records().size(), 3u);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(TextureManTest, MissingFilesShareTheFallbackRecordAndFreeItOnce) {
    IDirect3DBaseTexture9* fallback = textures->GetTexture("_invalid_filename.bmp", TextureMan::kFlat, nullptr);
    ASSERT_NE(fallback, nullptr);
    const std::string longName = std::string(300, 'x') + ".png";
    const int misses = 4;
    for (int i = 0; i < misses; ++i) {
        const char* name = i % 2 ? "nothere.jpg" : longName.c_str();
        EXPECT_EQ(textures->GetTexture(name, i == 3 ? TextureMan::kCube : TextureMan::kFlat, &info), fallback);
    }
    // One record only, holding every reference.
    EXPECT_EQ(textures->Records().size(), 1u);
    EXPECT_EQ(Count(fallback), misses + 1);

    // The misses give their references back; the direct holder still has a
    // live texture (an early free would show up under the sanitizers here).
    for (int i = 0; i < misses; ++i) textures->ReleaseTexture(fallback);
    ASSERT_EQ(Count(fallback), 1);
    EXPECT_EQ(fallback->GetType(), D3DRTYPE_TEXTURE);
    textures->ReleaseTexture(fallback);
    EXPECT_TRUE(textures->Records().empty());
    EXPECT_TRUE(boxes.texts.empty());

    // A file that appears later is loaded on the next get: no record kept the miss.
    WriteFile(Textures() / "nothere.jpg", Bitmap32(1, 1, {0xFF00FF00}));
    IDirect3DBaseTexture9* late = textures->GetTexture("nothere.jpg", TextureMan::kFlat, &info);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(textures->FindRecordByTexture(late)->name, "nothere.jpg");
}

TEST_F(TextureManTest, AMissingFallbackIsFatal) {
    std::filesystem::remove(Textures() / "_invalid_filename.bmp");
    EXPECT_EQ(textures->GetTexture("nothere.jpg", TextureMan::kFlat, &info), nullptr);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], kLoadFailed);
    EXPECT_TRUE(textures->Records().empty());
}

TEST_F(TextureManTest, CreatedTexturesAreSharedAndFailuresFatal) {
    TextureLoadInfo made;
    made.width = 16;
    made.height = 8;
    made.depth = 4;
    made.mipLevels = 1;
    IDirect3DBaseTexture9* volume = textures->CreateTexture("fxNoise.fxo", TextureMan::kVolume, &made);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->GetType(), D3DRTYPE_VOLUMETEXTURE);
    D3DVOLUME_DESC desc{};
    static_cast<IDirect3DVolumeTexture9*>(volume)->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Depth, 4u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(textures->CreateTexture("fxNoise.fxo", TextureMan::kVolume, &made), volume);
    EXPECT_EQ(Count(volume), 2);

    // A format the device does not know gets the nearest one it knows.
    made.format = 0x7FFF;
    IDirect3DBaseTexture9* unknown = textures->CreateTexture("fxOdd.fxo", TextureMan::kFlat, &made);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(static_cast<IDirect3DTexture9*>(unknown)->Format(), D3DFMT_A8R8G8B8);
    EXPECT_TRUE(boxes.texts.empty());

    made.format = D3DFMT_A8R8G8B8;
    made.mipLevels = 9;  // more levels than 16 x 8 has
    EXPECT_EQ(textures->CreateTexture("fxBad.fxo", TextureMan::kFlat, &made), nullptr);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "FATAL ERROR: Creating texture (fxBad.fxo) to video memory failed!");

    // Shutting down releases everything, whatever the counts.
    textures->Shutdown();
    EXPECT_TRUE(textures->Records().empty());
    EXPECT_EQ(eTable::Peek(names::TextureMan), nullptr);
    EXPECT_FALSE(textures->Shutdown());
}

// The device makes no block-compressed volumes: a DXT1, DXT3 or DXT5 volume
// in its file's format is held as plain texels, as an uncompressed one of the
// same size is, and nothing is said.
TEST_F(TextureManTest, CompressedVolumesLoadAsPlainTexels) {
    const std::uint16_t sliceColours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};  // R5G6B5
    const std::uint32_t sliceTexels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    TextureLoadInfo fileFormat;
    fileFormat.format = D3DX_DEFAULT;
    plat::ErrorCapture capture;
    for (const char* code : {"DXT1", "DXT3", "DXT5"}) {
        DdsSpec spec;
        spec.width = spec.height = 8;
        spec.depth = 4;
        spec.pfFlags = 0x4;
        spec.fourCC = std::uint32_t(code[0]) | std::uint32_t(code[1]) << 8 | std::uint32_t(code[2]) << 16 |
                      std::uint32_t(code[3]) << 24;
        spec.caps2 = 0x200000;
        ByteBuilder dds = DdsHeader(spec);
        for (std::uint16_t colour : sliceColours)
            for (int block = 0; block < 4; ++block) {
                if (code[3] == '3') dds.u32(0xFFFFFFFF).u32(0xFFFFFFFF);  // every alpha 15
                if (code[3] == '5') dds.u8(255).u8(0).zeros(6);           // every alpha the first end, 255
                dds.u16(colour).u16(0).u32(0);                            // every texel the first colour
            }
        const std::string name = std::string("cloud") + code + ".dds";
        WriteFile(Textures() / name, dds);
        IDirect3DBaseTexture9* texture = textures->GetTexture(name.c_str(), TextureMan::kVolume, &fileFormat);
        ASSERT_NE(texture, nullptr) << name;
        ASSERT_EQ(texture->GetType(), D3DRTYPE_VOLUMETEXTURE) << name;
        auto* volume = static_cast<IDirect3DVolumeTexture9*>(texture);
        D3DVOLUME_DESC desc{};
        volume->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8) << name;
        EXPECT_EQ(desc.Width, 8u);
        EXPECT_EQ(desc.Depth, 4u);
        D3DLOCKED_BOX box{};
        ASSERT_EQ(volume->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (int z = 0; z < 4; ++z) {
            const auto* lastRow = reinterpret_cast<const std::uint32_t*>(
                static_cast<const std::uint8_t*>(box.pBits) + z * std::size_t(box.SlicePitch) + 7 * std::size_t(box.RowPitch));
            EXPECT_EQ(lastRow[7], sliceTexels[z]) << name << " slice " << z;
        }
        volume->UnlockBox(0);
    }
    EXPECT_TRUE(capture.Lines().empty()) << capture.Lines().front();
    EXPECT_TRUE(boxes.texts.empty());
}

// Names from files written on Windows: a backslash separates folders, and a
// name not found where it points is found by its file name in the textures
// folder, with one line; a name found nowhere still gets the fallback.
TEST_F(TextureManTest, WindowsNamesFindTheirFileAndMissingOnesTheFallback) {
    WriteFile(Textures() / "maps" / "bottom.bmp", Bitmap32(1, 1, {0xFF0000FF}));
    auto pixel = [](IDirect3DBaseTexture9* texture) {
        D3DLOCKED_RECT locked{};
        auto* flat = static_cast<IDirect3DTexture9*>(texture);
        if (!flat || flat->LockRect(0, &locked, nullptr, 0) != D3D_OK) return 0u;
        const std::uint32_t value = *static_cast<const std::uint32_t*>(locked.pBits);
        flat->UnlockRect(0);
        return value;
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(pixel(textures->GetTexture(".\\maps\\bottom.bmp", TextureMan::kFlat, &info)), 0xFF0000FFu);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    testing::internal::CaptureStderr();
    IDirect3DBaseTexture9* moved = textures->GetTexture("C:\\art\\data\\basket.bmp", TextureMan::kFlat, &info);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(pixel(moved), 0xFF102030u);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("C:\\art\\data\\basket.bmp"), std::string::npos) << said;
    EXPECT_NE(said.find("\"basket.bmp\""), std::string::npos) << said;

    IDirect3DBaseTexture9* fallback = textures->GetTexture("_invalid_filename.bmp", TextureMan::kFlat, nullptr);
    EXPECT_EQ(textures->GetTexture("C:\\art\\data\\gone.bmp", TextureMan::kFlat, &info), fallback);
    EXPECT_TRUE(boxes.texts.empty());
}
