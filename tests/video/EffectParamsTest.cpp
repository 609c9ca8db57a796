#include <gtest/gtest.h>

#include <cstring>

#include "Video/Effects/EffectParams.h"

namespace {
IDirect3DBaseTexture9* FakeTexture(std::uintptr_t n) { return reinterpret_cast<IDirect3DBaseTexture9*>(n); }
}  // namespace

TEST(EffectParams, SemanticTableRows) {
    EXPECT_STREQ(EffectSemantics[0], "WORLD");
    EXPECT_STREQ(EffectSemantics[sem::ViewProjection], "VIEWPROJECTION");
    EXPECT_STREQ(EffectSemantics[sem::SpecularPower], "SPECULARPOWER");
    EXPECT_STREQ(EffectSemantics[sem::BaseTexture0], "BASETEXTURE0");
    EXPECT_STREQ(EffectSemantics[36], "CUSTOMTEXTURE");
    // Rows are zero-padded to their full 32 bytes.
    const char* row = EffectSemantics[sem::WorldViewProjection];
    for (std::size_t i = std::strlen(row); i < 32; ++i) EXPECT_EQ(row[i], '\0');
}

TEST(EffectParams, StartsZeroed) {
    const float* eye = EffectParams::GetVector(13);
    ASSERT_NE(eye, nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(eye[i], 0.0f);
    EXPECT_EQ(EffectParams::GetTexture(30), nullptr);
    EXPECT_EQ(EffectParams::GetMatrix(5), nullptr);
}

TEST(EffectParams, EachKindKeepsToItsRange) {
    D3DXMATRIX view;
    EffectParams::SetMatrix(sem::View, &view);
    EXPECT_EQ(EffectParams::GetMatrix(sem::View), &view);  // held, not copied

    const float colour[4] = {0.1f, 0.2f, 0.3f, 1.0f};
    EffectParams::SetVector(sem::DiffuseColor, colour);
    const float* stored = EffectParams::GetVector(sem::DiffuseColor);
    EXPECT_NE(stored, colour);
    EXPECT_EQ(std::memcmp(stored, colour, sizeof colour), 0);

    const std::uint32_t power[4] = {12, 0, 0, 0};
    EffectParams::SetIntVector(sem::SpecularPower, power);
    EXPECT_EQ(EffectParams::GetIntVector(sem::SpecularPower)[0], 12u);
    // The float setter refuses the integer semantics and leaves them alone.
    EffectParams::SetVector(sem::SpecularPower, colour);
    EXPECT_EQ(EffectParams::GetIntVector(sem::SpecularPower)[0], 12u);

    EffectParams::SetTexture(sem::CustomTexture, FakeTexture(0x40));
    EXPECT_EQ(EffectParams::GetTexture(sem::CustomTexture), FakeTexture(0x40));
    EffectParams::SetTexture(sem::CustomTexture, nullptr);
    EXPECT_EQ(EffectParams::GetTexture(sem::CustomTexture), nullptr);

    EXPECT_EQ(EffectParams::GetMatrix(9), nullptr);
    EXPECT_EQ(EffectParams::GetMatrix(-1), nullptr);
    EXPECT_EQ(EffectParams::GetVector(8), nullptr);
    EXPECT_EQ(EffectParams::GetVector(28), nullptr);
    EXPECT_EQ(EffectParams::GetIntVector(27), nullptr);
    EXPECT_EQ(EffectParams::GetIntVector(30), nullptr);
    EXPECT_EQ(EffectParams::GetTexture(29), nullptr);
    EXPECT_EQ(EffectParams::GetTexture(37), nullptr);
}

namespace {
// Every value the store holds, semantic by semantic.
struct StoreSnapshot {
    const D3DXMATRIX* matrices[37];
    float vectors[37][4];
    std::uint32_t intVectors[37][4];
    IDirect3DBaseTexture9* textures[37];

    static StoreSnapshot Take() {
        StoreSnapshot s{};
        for (int i = 0; i < 37; ++i) {
            s.matrices[i] = EffectParams::GetMatrix(i);
            if (const float* v = EffectParams::GetVector(i)) std::memcpy(s.vectors[i], v, sizeof s.vectors[i]);
            if (const std::uint32_t* v = EffectParams::GetIntVector(i))
                std::memcpy(s.intVectors[i], v, sizeof s.intVectors[i]);
            s.textures[i] = EffectParams::GetTexture(i);
        }
        return s;
    }
    bool operator==(const StoreSnapshot& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};
}  // namespace

// A setter given a semantic of another kind, or none at all, changes no
// slot of the store, not even a neighbouring one.
TEST(EffectParams, SettersOutsideTheirRangeChangeNothing) {
    D3DXMATRIX view;
    const float colour[4] = {0.5f, 0.25f, 0.125f, 1.0f};
    const std::uint32_t ints[4] = {7, 7, 7, 7};
    const StoreSnapshot before = StoreSnapshot::Take();
    for (int semantic : {-1, 9, 37, 1 << 30}) EffectParams::SetMatrix(semantic, &view);
    for (int semantic : {-1, 8, 28, 29, 37}) EffectParams::SetVector(semantic, colour);
    for (int semantic : {-1, 27, 30, 37}) EffectParams::SetIntVector(semantic, ints);
    for (int semantic : {-1, 29, 37, 1 << 30}) EffectParams::SetTexture(semantic, FakeTexture(0x80));
    EXPECT_TRUE(StoreSnapshot::Take() == before);
}
