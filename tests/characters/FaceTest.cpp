// The eyes: made in the scene, placed on the body, textured without
// piling up references when they change.
#include <gtest/gtest.h>

#include <string>

#include "Video/ObjectMesh.h"
#include "Video/TextureMan.h"
#include "characters/Face.h"
#include "core/SystemNames.h"
#include "support/TestVideo.h"

namespace {

int References(const char* name) {
    auto* textures = eTable::Find<TextureMan>(names::TextureMan);
    for (const TextureRecord& record : textures->Records())
        if (record.name == name) return record.references;
    return 0;
}

}  // namespace

TEST(Face, EyesSitOnTheBodyAlongTheirDirections) {
    TestVideo video;
    ASSERT_TRUE(video.ok());
    D3DXMATRIX scale, turn, body;
    D3DXMatrixScaling(&scale, 3, 3, 3);
    D3DXMatrixRotationY(&turn, D3DX_PI);
    D3DXMatrixMultiply(&body, &scale, &turn);
    body._41 = 1;
    body._42 = 2;
    body._43 = 3;
    Face face;
    face.bodyMatrix = &body;
    face.Init("Eyes/eyeBlue.tga", "Eyes/pupilRound.tga", 22, nullptr);
    ASSERT_NE(face.eyes[0].object, nullptr);
    ASSERT_TRUE(face.Update());
    // Left eye direction (0.342, 0, -0.9397), scaled by 3 and turned half
    // round: (-1.026, 0, 2.819), plus the body's position.
    const D3DXMATRIX& left = *face.eyes[0].matrix;
    EXPECT_NEAR(left._41, 1 - 3 * 0.342f, 1e-3f);
    EXPECT_NEAR(left._43, 3 + 3 * 0.9397f, 1e-3f);
    EXPECT_NEAR(face.eyes[1].matrix->_41, 1 + 3 * 0.342f, 1e-3f);
    EXPECT_NEAR(left._11, -3.0f, 1e-5f);  // the body's turn and scale
    EXPECT_EQ(body._43, 3.0f);

    // A hidden eye is not moved.
    face.eyes[1].object->SetActive(false);
    body._42 = 20;
    face.Update();
    EXPECT_NEAR(face.eyes[0].matrix->_42, 20.0f, 1e-5f);
    EXPECT_NEAR(face.eyes[1].matrix->_42, 2.0f, 1e-5f);

    face.bodyMatrix = nullptr;
    EXPECT_FALSE(face.Update());
}

TEST(Face, ChangingEyesReplacesTexturesLookAndNames) {
    TestVideo video;
    ASSERT_TRUE(video.ok());
    Face face;
    face.Init("Eyes/eyeBlue.tga", "Eyes/pupilRound.tga", 22, nullptr);
    EXPECT_EQ(References("Eyes/eyeBlue.tga"), 2);  // one per eye
    SurfaceData red;
    red.diff[1] = 0.0f;
    face.Init("Eyes/eyeBlue.tga", "Eyes/pupilRound.tga", 1, &red);
    face.Init("Eyes/eyeGreen.tga", "", 1, &red);
    face.Init("Eyes/eyeGreen.tga", "", 1, &red);
    EXPECT_EQ(References("Eyes/eyeBlue.tga"), 0);
    EXPECT_EQ(References("Eyes/pupilRound.tga"), 0);  // an empty name binds nothing
    EXPECT_EQ(References("Eyes/eyeGreen.tga"), 2);
    EXPECT_EQ(face.eyes[1].object->MaterialKind(), 1u);
    EXPECT_EQ(face.eyes[1].object->surface.diff[1], 0.0f);
    EXPECT_EQ(face.eyeMaterialKind, 1u);

    face.Init(std::string(200, 'x').c_str(), "", 1, &red);
    EXPECT_EQ(face.eyeTexture, std::string(127, 'x'));

    ObjectMesh* before = face.eyes[0].object;
    face.Reset();
    EXPECT_EQ(face.eyes[0].object, nullptr);
    EXPECT_TRUE(face.eyeTexture.empty());
    face.Init("Eyes/eyeAmber.tga", "Eyes/pupilSlit.tga", 22, nullptr);
    EXPECT_NE(face.eyes[0].object, nullptr);
    (void)before;
}
