// Character files: a full round trip of what a file holds, and the limits
// and orders a file may break.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Video/LightMan.h"
#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "characters/CharacterFile.h"
#include "characters/LineLimb.h"
#include "characters/ModelLimb.h"
#include "characters/NPC.h"
#include "characters/SplineLimb.h"
#include "core/Random.h"
#include "platform/common/ErrorLog.h"
#include "platform/xfile/XFileInternal.h"
#include "core/SystemNames.h"
#include "support/TempDir.h"
#include "support/TestVideo.h"
#include "world/Physics.h"

namespace {

class CharacterFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.ok());
        ASSERT_TRUE(physics.Init());
    }
    void TearDown() override { physics.Shutdown(); }

    bool Read(NPC& npc, const std::string& body) {
        std::ofstream("read.x", std::ios::binary) << "xof 0303txt 0032\n" << body;
        return CharacterFile(&npc).Load("read.x", nullptr);
    }
    LightMan* Lights() { return eTable::Find<LightMan>(names::LightMan); }

    TestVideo video;
    Physics physics;
};

LimbControlPoint RestPoint(float x, float y, float z, float width, float tension) {
    LimbControlPoint p;
    p.position = p.restPosition = {x, y, z};
    p.width = width;
    p.tension = tension;
    return p;
}

std::string Textures(int count) {
    std::string text = std::to_string(count) + ";\n";
    for (int i = 0; i < count; ++i)
        text += std::string(" \"Eyes/eyeBlue.tga\"; ") + std::to_string(30 + i % 2) + (i + 1 < count ? ";,\n" : ";;\n");
    return text;
}

}  // namespace

TEST_F(CharacterFileTest, SavingAndReadingBackRestoresTheCharacter) {
    NPC original;
    ASSERT_TRUE(original.Init());
    MeshObjectDesc body(4 | 16, "Body/egg.x", 14, SurfaceData(), 2);
    ASSERT_TRUE(original.SetBody(&body));
    original.BodyObject()->SetTextureSlot("Body/bodySpots.tga", 30, 0, 0);
    original.BodyObject()->SetTextureSlot("Body/notThere.tga", 33, 1, 0);  // drawn as the fallback
    original.bodyTextureNames = {"Body/bodySpots.tga", "Body/notThere.tga"};
    SurfaceData eyes;
    eyes.diff[2] = 0.25f;
    eyes.pow = 33;
    eyes.m = 0.9f;
    original.face.Init("Eyes/eyeGreen.tga", "Eyes/pupilSlit.tga", 22, &eyes);
    const float silo[4] = {0.4f, 2.5f, 0.0f, 0.0f};
    original.BodyObject()->SetCustomData(silo);
    const float colour[4] = {1.0f, 0.5f, 0.25f, 1.0f}, origin[3] = {0, 0, 0}, att[3] = {1.0f, 0.5f, 0.125f};
    original.lightId = std::int32_t(Lights()->AddPointLight(colour, origin, 321.0f, att));

    Limb* line = original.AddLimb(Limb::kLine, limbloc::LLeg);
    LimbControlPoint linePoints[] = {RestPoint(0.5f, -1, 0, 0.05f, 0), RestPoint(0.6f, -1.5f, 0.1f, 0.04f, 0)};
    line->AddControlPoints(linePoints, 2);
    line->GetControlPoint(1)->position = {9, 9, 9};  // animated away from rest
    Limb* spline = original.AddLimb(Limb::kSpline, limbloc::Head);
    LimbControlPoint splinePoints[] = {RestPoint(0, 1, 0, 0.03f, 0.5f), RestPoint(0, 1.5f, 0, 0.02f, 1.5f),
                                       RestPoint(0.2f, 1.8f, 0, 0.01f, 1.0f)};
    spline->AddControlPoints(splinePoints, 3);
    auto* model = static_cast<ModelLimb*>(original.AddLimb(Limb::kModel, limbloc::RArm));
    LimbControlPoint modelPoints[] = {RestPoint(-1, 0, 0, 0, 0), RestPoint(-1.5f, -0.2f, 0, 0, 0)};
    model->AddControlPoints(modelPoints, 2);
    MeshObjectDesc limbModel(0, "Limb/playerLimb.x", 14, SurfaceData(), 0);
    model->AddModel(0, &limbModel)->SetScale(0.6f, 0.6f, 0.6f);

    const std::string name = "Roundtrip";
    ASSERT_TRUE(CharacterFile(&original).Save("Roundtrip.x", const_cast<std::string*>(&name)));
    original.Shutdown();

    NPC read;
    ASSERT_TRUE(read.Init());
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(CharacterFile(&read).Load("Roundtrip.x", nullptr));
    // The missing texture is reported by the texture manager; the surface
    // file that was never written is no fault, and the character file
    // itself reads without one.
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("Roundtrip.sur"), std::string::npos) << err;
    const std::size_t error = err.find("Error:");
    EXPECT_EQ(err.find("Error:", error + 1), std::string::npos) << err;
    ObjectMesh* readBody = read.BodyObject();
    EXPECT_EQ(readBody->MaterialKind(), 14u);
    EXPECT_EQ(readBody->Flags() & CharacterFile::kKeptBodyFlags, 4u | 16u);
    ASSERT_EQ(readBody->TextureSlots()->Count(), 2u);
    EXPECT_EQ(readBody->TextureSlots()->Slot(1)->semantic, 33u);
    EXPECT_EQ(read.bodyTextureNames, (std::vector<std::string>{"Body/bodySpots.tga", "Body/notThere.tga"}));
    EXPECT_EQ(read.face.eyeTexture, "Eyes/eyeGreen.tga");
    EXPECT_EQ(read.face.pupilTexture, "Eyes/pupilSlit.tga");
    EXPECT_EQ(read.face.eyeMaterialKind, 22u);
    EXPECT_EQ(read.face.eyeSurface.diff[2], 0.25f);
    EXPECT_EQ(read.face.eyeSurface.pow, 33u);
    EXPECT_EQ(read.face.eyeSurface.m, 0.5f);  // the roughness terms are not kept
    float custom[4];
    readBody->GetCustomData(custom);
    EXPECT_EQ(custom[0], 0.4f);
    EXPECT_EQ(custom[1], 2.5f);
    const Light* light = Lights()->FindLight(std::uint32_t(read.lightId));
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->colour[2], 0.25f);
    EXPECT_EQ(light->range, 321.0f);
    EXPECT_EQ(light->attenuation[2], 0.125f);
    EXPECT_EQ(Lights()->Lights().size(), 1u);

    ASSERT_EQ(read.CountLimbs(), 3u);
    Limb* readLine = read.GetLimb(limbloc::LLeg);
    ASSERT_NE(readLine, nullptr);
    EXPECT_EQ(readLine->kind, Limb::kLine);
    ASSERT_EQ(readLine->ControlPointCount(), 2u);
    EXPECT_EQ(readLine->GetControlPoint(1)->position, D3DXVECTOR3(0.6f, -1.5f, 0.1f));
    EXPECT_EQ(readLine->GetControlPoint(1)->restPosition, D3DXVECTOR3(0.6f, -1.5f, 0.1f));
    EXPECT_EQ(readLine->GetControlPoint(1)->targetPosition, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(readLine->GetControlPoint(0)->width, 0.05f);
    EXPECT_EQ(readLine->GetRenderObject(0)->WorldMatrix(), readBody->WorldMatrix());
    Limb* readSpline = read.GetLimb(limbloc::Head);
    ASSERT_EQ(readSpline->kind, Limb::kSpline);
    EXPECT_EQ(readSpline->GetControlPoint(1)->tension, 1.5f);
    Limb* readModel = read.GetLimb(limbloc::RArm);
    ASSERT_EQ(readModel->kind, Limb::kModel);
    ASSERT_NE(readModel->GetControlPoint(0)->model, nullptr);
    EXPECT_EQ(readModel->GetControlPoint(0)->model->GetScale().x, 0.6f);
    EXPECT_EQ(readModel->GetControlPoint(1)->model, nullptr);

    read.Shutdown();
}

TEST_F(CharacterFileTest, LimitsAndOrdersOfAFile) {
    NPC npc;
    ASSERT_TRUE(npc.Init());
    // A limb before the Character object goes on the body there is, and
    // follows the new body when the Character object replaces it.
    std::string points;
    for (int i = 0; i < 12; ++i) points += std::to_string(i) + ".0; 0.0; 0.0;; 0.1;" + (i < 11 ? ",\n" : ";\n");
    ASSERT_TRUE(Read(npc, "LimbData { 1; LineLimbData { 2; 12;\n" + points + "} }\n"
                          "Character Someone { 3; \"Body/egg.x\"; 15; 255; \"Nobody.sur\"; " + Textures(12) + " }\n"
                          "FaceData { \"\"; \"\"; 1; 1.0; 1.0; 1.0; 1.0;; 1.0; 1.0; 1.0; 1.0;; 10; 0.5; 0.01; 1.5;; }\n"));
    ObjectMesh* body = npc.BodyObject();
    EXPECT_EQ(body->MaterialKind(), 15u);
    EXPECT_EQ(body->TextureSlots()->Count(), 10u);
    EXPECT_EQ(body->Flags() & 32, 0);  // never the caller's world matrix
    EXPECT_NE(body->WorldMatrix(), nullptr);
    Limb* leg = npc.GetLimb(2);
    ASSERT_NE(leg, nullptr);
    EXPECT_EQ(leg->ControlPointCount(), 10u);
    EXPECT_EQ(leg->GetRenderObject(0)->WorldMatrix(), body->WorldMatrix());
    EXPECT_EQ(npc.face.eyes[0].object, nullptr);  // two empty names: no eyes
    EXPECT_TRUE(npc.reboundSounds.empty());

    // A second limb at a taken place is skipped with its points.
    ASSERT_TRUE(Read(npc, "SplineLimbData { 2; 1; 0.0; 0.0; 0.0;; 0.1; 1.0;; }\n"));
    EXPECT_EQ(npc.GetLimb(2)->kind, Limb::kLine);
    npc.Shutdown();
}

// A character file of a few kilobytes that inflates to megabytes of empty
// objects is refused where it outgrows what it holds, with a line, and the
// character loaded before stays as it was.
TEST_F(CharacterFileTest, ACompressedFileOfEmptyObjectsIsRefusedAndTheCharacterKept) {
    NPC npc;
    ASSERT_TRUE(npc.Init());
    ASSERT_TRUE(npc.LoadCharacter("Pebble"));
    ObjectMesh* body = npc.BodyObject();
    ASSERT_NE(body, nullptr);
    const std::uint32_t material = body->MaterialKind(), limbs = npc.CountLimbs();
    std::string inflated = "\ntemplate A { <11111111-2222-3333-4444-555555555555> [...] }\nA{";
    for (int i = 0; i < 1500000; ++i) inflated += "A{}";
    std::ofstream("Assets/Characters/Evil.x", std::ios::binary)
        << "xof 0303tzip0032" << plat::xfile::DeflateMszip(inflated + "}\n");

    plat::ResetErrorLog();
    ::testing::internal::CaptureStderr();
    npc.LoadCharacter("Evil");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Characters/Evil.x:3: 'A' object builds more than the file holds ("), std::string::npos) << err;
    EXPECT_EQ(npc.BodyObject(), body);
    EXPECT_EQ(body->MaterialKind(), material);
    EXPECT_EQ(npc.CountLimbs(), limbs);
    npc.Shutdown();
}

TEST_F(CharacterFileTest, NamesAFileCannotHoldAreRefused) {
    NPC npc;
    ASSERT_TRUE(npc.Init());
    npc.face.Init("Eyes/eye\"Blue.tga", "", 22, nullptr);
    const std::string name = "Good";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(CharacterFile(&npc).Save("Bad.x", const_cast<std::string*>(&name)));
    const std::string spaced = "Two words";
    npc.face.Init("Eyes/eyeBlue.tga", "", 22, nullptr);
    EXPECT_FALSE(CharacterFile(&npc).Save("Bad.x", const_cast<std::string*>(&spaced)));
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(std::filesystem::exists("Bad.x"));
    npc.Shutdown();
}

// A Character object named at many references (with settings between them)
// reads as copies of it standing there would: the same body, surface and
// sounds, and the same draws from the random sequence, each read choosing
// its surface variant anew. Its surface file, damaged after its variants,
// is read and reported once in the whole load, not twice at every read.
TEST_F(CharacterFileTest, ManyReferencesReadAsCopiesWouldAndTheirFilesOnce) {
    ScopedTempDir stage;  // the game's files, with a surface folder of its own
    const std::filesystem::path root = ScopedTempDir::RepositoryRoot();
    std::filesystem::create_directories("Assets/Surfaces");
    std::filesystem::create_directory_symlink(root / "SourceCode", "SourceCode");
    for (const auto& entry : std::filesystem::directory_iterator(root / "Assets"))
        if (entry.path().filename() != "Surfaces")
            std::filesystem::create_directory_symlink(entry.path(), "Assets" / entry.path().filename());
    std::ofstream("Assets/Surfaces/Damaged.sur", std::ios::binary)
        << "xof 0303txt 0032\nRandomSurfaceData { 3;\n"
           " 1.0; 0.1; 0.1; 1.0;; 1.0; 1.0; 1.0; 1.0;; 11; 0.3; 0.02; 1.6;,\n"
           " 0.1; 1.0; 0.1; 1.0;; 1.0; 1.0; 1.0; 1.0;; 22; 0.3; 0.02; 1.6;,\n"
           " 0.1; 0.1; 1.0; 1.0;; 1.0; 1.0; 1.0; 1.0;; 33; 0.3; 0.02; 1.6;; }\n"
           "RandomSoundData { 2; 3, 4; }\n@\n";
    const std::string other =
        "{ 3; \"Body/egg.x\"; 14; 4; \"Damaged.sur\"; 1; \"Body/bodySpots.tga\"; 30;;\n"
        " FaceData { \"Eyes/eyeGreen.tga\"; \"Eyes/pupilSlit.tga\"; 22; 1.0; 1.0; 1.0; 1.0;; 1.0; 1.0; 1.0; 1.0;;"
        " 10; 0.5; 0.01; 1.5;; }\n SiloData { 0.3; 1.0; 1.0; 1.0; 1.0;; }\n}\n";
    auto file = [&](bool references) {
        std::string text = "Character Other " + other + "Character Hero { 3; \"Body/egg.x\"; 15; 4; \"\"; 0;;\n";
        for (int i = 0; i < 40; ++i)
            text += (references ? std::string("{ Other }\n") : "Character " + other) + "SiloData { 0.7; 1.0; 1.0; 1.0; 1.0;; }\n";
        return text + (references ? "{ Other }\n}\n" : "Character " + other + "}\n");
    };
    struct Loaded {
        std::string log;
        SurfaceData surface;
        std::vector<std::uint32_t> sounds;
        std::uint32_t material = 0;
        float silhouette = 0.0f;
        std::string eye;
        int nextDraw = 0;
    };
    auto load = [&](bool references) {
        NPC npc;
        EXPECT_TRUE(npc.Init());
        Random::Seed(7);
        plat::ResetErrorLog();
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(Read(npc, file(references)));
        plat::FlushErrorRepeats();  // a repeated message's count, if any
        Loaded loaded;
        loaded.log = ::testing::internal::GetCapturedStderr();
        ObjectMesh* body = npc.BodyObject();
        EXPECT_NE(body, nullptr);
        loaded.surface = body->surface;
        loaded.sounds = npc.reboundSounds;
        loaded.material = body->MaterialKind();
        float custom[4];
        loaded.silhouette = body->GetCustomData(custom)[0];
        loaded.eye = npc.face.eyeTexture;
        loaded.nextDraw = Random::Next();
        npc.Shutdown();
        return loaded;
    };
    const Loaded copies = load(false), referenced = load(true);
    EXPECT_EQ(std::memcmp(&referenced.surface, &copies.surface, sizeof(SurfaceData)), 0);
    EXPECT_EQ(referenced.sounds, (std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(referenced.sounds, copies.sounds);
    EXPECT_EQ(referenced.material, 14u);
    EXPECT_FLOAT_EQ(referenced.silhouette, 0.3f);
    EXPECT_EQ(referenced.eye, "Eyes/eyeGreen.tga");
    EXPECT_EQ(referenced.nextDraw, copies.nextDraw);
    for (const std::string& log : {referenced.log, copies.log}) {
        int damaged = 0;
        for (std::size_t at = log.find("Damaged.sur"); at != std::string::npos; at = log.find("Damaged.sur", at + 1))
            ++damaged;
        EXPECT_EQ(damaged, 1) << log;
    }
}
