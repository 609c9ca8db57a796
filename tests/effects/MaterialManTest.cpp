// Sharing of effects and materials, fallback chains and release order. No
// device here: every effect stays unloaded, which is also how a kind whose
// effect file is missing behaves.
#include <gtest/gtest.h>

#include "Video/Effects/EffectsMan.h"
#include "Video/Effects/MaterialKinds.h"
#include "Video/Effects/MaterialMan.h"
#include "core/eTable.h"
#include "support/TempDir.h"

namespace {

class Materials : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(effects.Init());
        ASSERT_TRUE(materials.Init());
    }
    void TearDown() override {
        materials.Shutdown();
        effects.Shutdown();
    }
    ScopedTempDir dir;
    EffectsMan effects;
    MaterialMan materials;
};

TEST_F(Materials, AKindGetsItsWholeFallbackChainAndOneReleaseFreesIt) {
    Material* shiny = materials.GetMaterial(4, nullptr);
    ASSERT_NE(shiny, nullptr);
    EXPECT_NE(dynamic_cast<MaterialShinyPlastic*>(shiny), nullptr);
    EXPECT_EQ(shiny->kind, 4u);
    ASSERT_NE(shiny->fallback, nullptr);
    EXPECT_EQ(shiny->fallback->kind, 3u);
    ASSERT_NE(shiny->fallback->fallback, nullptr);
    EXPECT_EQ(shiny->fallback->fallback->kind, 1u);
    EXPECT_EQ(shiny->fallback->fallback->fallback, nullptr);
    for (int kind : {4, 3, 1}) EXPECT_EQ(materials.Slot(kind).count, 1) << kind;
    EXPECT_EQ(effects.EntryCount(), 3u);

    materials.ReleaseType(4);
    for (int kind : {4, 3, 1}) {
        EXPECT_EQ(materials.Slot(kind).material, nullptr) << kind;
        EXPECT_EQ(materials.Slot(kind).count, 0) << kind;
    }
    EXPECT_EQ(effects.EntryCount(), 0u);
}

TEST_F(Materials, UsersAndFallbackReferencesAddUp) {
    Material* a = materials.GetMaterial(3, nullptr);
    Material* b = materials.GetMaterial(3, nullptr);
    materials.GetMaterial(4, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(materials.Slot(3).count, 3);
    EXPECT_EQ(materials.Slot(1).count, 1);
    materials.Release(a);
    materials.ReleaseType(3);
    EXPECT_EQ(materials.Slot(3).count, 1);  // only kind 4's fallback reference
    EXPECT_NE(materials.Slot(3).material, nullptr);
    EXPECT_EQ(materials.GetMaterial(25, nullptr), nullptr);
    EXPECT_EQ(materials.GetMaterial(-1, nullptr), nullptr);
    materials.ReleaseType(25);
    materials.ReleaseType(7);  // never taken: nothing
    EXPECT_EQ(materials.Slot(7).count, 0);
}

TEST_F(Materials, ShutdownDestroysEveryMaterialOnceWhateverItsCount) {
    // Bodies chain deepest: 13 -> 11 -> 10 -> 9 -> 1.
    for (int i = 0; i < 3; ++i) materials.GetMaterial(13, nullptr);
    materials.GetMaterial(21, nullptr);
    materials.GetMaterial(24, nullptr);
    EXPECT_EQ(materials.Slot(11).count, 2);
    EXPECT_TRUE(materials.Shutdown());
    for (int kind = 0; kind < MaterialMan::kKindCount; ++kind) EXPECT_EQ(materials.Slot(kind).material, nullptr);
    EXPECT_EQ(effects.EntryCount(), 0u);
    EXPECT_FALSE(materials.Shutdown());
}

TEST_F(Materials, TheKindTableGivesClassesFilesAndFallbacks) {
    struct Row {
        int kind;
        const char* literal;  // the class's own file-name literal, the effect's key
        const char* file;
        int fallback;
    };
    const Row rows[] = {
        {1, MaterialBasic::kFile, "fxBasic.fxo", -1},
        {2, MaterialSkybox::kFile, "fxSkybox.fxo", -1},
        {3, MaterialPlastic::kFile, "fxPlastic.fxo", 1},
        {4, MaterialShinyPlastic::kFile, "fxShinyPlastic.fxo", 3},
        {5, MaterialBasicLine::kFile, "fxBasicLine.fxo", -1},
        {6, MaterialSmoothVelvet::kFile, "fxSmoothVelvet.fxo", 3},
        {7, MaterialShadow::kFile, "fxShadow.fxo", -1},
        {8, MaterialShadowProj::kFile, "fxShadowProj.fxo", -1},
        {9, MaterialBodyBasic::kFile, "fxBodyBasic.fxo", 1},
        {10, MaterialBodyPlastic::kFile, "fxBodyPlastic.fxo", 9},
        {11, MaterialBodyShinyPlastic::kFile, "fxBodyShinyPlastic.fxo", 10},
        {12, MaterialPlayer::kFile, "fxPlayer.fxo", 10},
        {13, MaterialBodyRubber::kFile, "fxBodyRubber.fxo", 11},
        {14, MaterialBodyStone::kFile, "fxBodyStone.fxo", 10},
        {15, MaterialBodyWood::kFile, "fxBodyWood.fxo", 11},
        {16, MaterialBodySun::kFile, "fxBodySun.fxo", 9},
        {17, MaterialGround::kFile, "fxGround.fxo", 10},
        {18, MaterialBodyCloud::kFile, "fxBodyCloud.fxo", 1},
        {19, MaterialBodyWeed::kFile, "fxBodyWeed.fxo", 1},
        {20, MaterialBodyWater::kFile, "fxBodyWater.fxo", 1},
        {21, MaterialBodyVeggie::kFile, "fxBodyVeggie.fxo", 11},
        {22, MaterialFaceBasic::kFile, "fxFaceBasic.fxo", 1},
        {23, MaterialText::kFile, "fxZOPText.fxo", -1},
        {24, MaterialFire::kFile, "fxFire.fxo", -1},
    };
    for (const Row& row : rows) {
        Material* m = materials.GetMaterial(row.kind, nullptr);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->kind, static_cast<std::uint32_t>(row.kind));
        EXPECT_EQ(m->fallback ? static_cast<int>(m->fallback->kind) : -1, row.fallback) << row.kind;
        EXPECT_STREQ(row.literal, row.file) << row.kind;
        // The effect is shared under the class's own literal.
        ASSERT_NE(m->effect, nullptr);
        EXPECT_EQ(effects.GetEffect(row.literal), m->effect) << row.kind;
        effects.ReleaseEffect(m->effect);
        EXPECT_FALSE(m->effect->IsLoaded());
    }
    Material* none = materials.GetMaterial(0, nullptr);
    EXPECT_NE(dynamic_cast<MaterialNone*>(none), nullptr);
    EXPECT_EQ(none->effect, nullptr);
    EXPECT_EQ(none->fallback, nullptr);
    EXPECT_NE(dynamic_cast<MaterialBasic*>(materials.Slot(24).material), nullptr);  // fire is a basic material
    EXPECT_NE(dynamic_cast<MaterialPlastic*>(materials.Slot(6).material), nullptr);
    EXPECT_NE(dynamic_cast<MaterialBodyBasic*>(materials.Slot(17).material), nullptr);
    EXPECT_NE(materials.Slot(24).material->effect, materials.Slot(1).material->effect);
}

TEST_F(Materials, KindNoneDrawsNothingAndUnloadedEffectsReportFailure) {
    Material* none = MaterialMan::CreateMaterial(99);
    EXPECT_NE(dynamic_cast<MaterialNone*>(none), nullptr);
    EXPECT_TRUE(none->Load(nullptr));
    EXPECT_EQ(none->Render(nullptr, nullptr, nullptr), Material::kDrawn);
    EXPECT_EQ(none->DrawBuffers(nullptr, nullptr, 0, 0, 2, 24, 0), Material::kFailed);
    delete none;
    delete MaterialMan::CreateMaterial(0);

    Material* basic = materials.GetMaterial(1, nullptr);
    EXPECT_EQ(basic->DrawMesh(nullptr, 0), Material::kFailed);
    EXPECT_EQ(basic->BindSceneParams(), 0);
    basic->SetSiloAndVelocity();
}

TEST(EffectSharing, TheKeyIsTheLiteralsAddressAndMissingFilesStillShare) {
    ScopedTempDir dir;
    EffectsMan effects;
    ASSERT_TRUE(effects.Init());
    static const char first[] = "fxNowhere.fxo";
    static const char second[] = "fxNowhere.fxo";
    Effect* a = effects.GetEffect(first);
    Effect* b = effects.GetEffect(first);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a->IsLoaded());
    EXPECT_EQ(a->techniqueCount, 0u);
    for (D3DXHANDLE h : a->handles) EXPECT_EQ(h, nullptr);
    EXPECT_EQ(a->FindProcTexture("NoiseLookUp"), nullptr);
    EXPECT_EQ(effects.CountOf(a), 2);
    Effect* c = effects.GetEffect(second);
    EXPECT_NE(c, a);
    EXPECT_EQ(effects.EntryCount(), 2u);

    Effect stranger;
    effects.ReleaseEffect(&stranger);
    EXPECT_EQ(effects.EntryCount(), 2u);
    effects.ReleaseEffect(a);
    EXPECT_EQ(effects.CountOf(a), 1);
    effects.ReleaseEffect(a);
    EXPECT_EQ(effects.EntryCount(), 1u);
    EXPECT_TRUE(effects.Shutdown());
    EXPECT_EQ(effects.EntryCount(), 0u);
    EXPECT_FALSE(effects.Shutdown());
}

}  // namespace
