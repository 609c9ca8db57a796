// The game is lit for its whole run: the menu before any level, and a level
// whose suns are all caught. Unlit, the ground is drawn flat tan; lit, its
// tiles and grout show, so the pixels of a band of ground vary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Video/Camera.h"
#include "console/Console.h"
#include "editor/AnimationEditor.h"
#include "editor/EditChar.h"
#include "game/GameSession.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

// The spread (standard deviation) of the brightness of a band of ground
// between the horizon and the trampoline, at the right edge of the screen
// (none at all when the ground is drawn unlit).
double GroundSpread(const std::vector<D3DCOLOR>& pixels) {
    double sum = 0.0, squares = 0.0;
    int count = 0;
    for (int y = kHeight * 64 / 100; y < kHeight * 70 / 100; ++y)
        for (int x = kWidth * 5 / 6; x < kWidth; ++x) {
            const D3DCOLOR c = pixels[std::size_t(y) * kWidth + x];
            const double luma = 0.3 * double(c >> 16 & 0xFF) + 0.59 * double(c >> 8 & 0xFF) + 0.11 * double(c & 0xFF);
            sum += luma;
            squares += luma * luma;
            ++count;
        }
    const double mean = sum / count;
    return std::sqrt(squares / count - mean * mean);
}

TEST(LightTest, TheMenuAndALevelWhoseSunsAreCaughtShowTheGroundsTiles) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", kWidth, kHeight);
    ASSERT_TRUE(game.ok());
    game.Frames(400);
    ASSERT_EQ(game.BankInt(kInMenuSlot), 1);
    std::vector<D3DCOLOR> menu;
    game.TestGame::Screenshot("game", "lit_menu.png", &menu);
    EXPECT_GT(GroundSpread(menu), 4.0);

    ChangeLevel(game, "level1");
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    for (std::uint32_t sun : {3001u, 3002u, 3003u})
        if (GameObject* caught = game.Object(sun)) objects->DeleteObject(caught);
    game.Frames(30);
    std::vector<D3DCOLOR> level;
    game.TestGame::Screenshot("game", "lit_level1_without_suns.png", &level);
    EXPECT_GT(GroundSpread(level), 4.0);
}

// The animation editor's pictures are larger, so that its character's
// front shows between the labels.
constexpr int kEditorWidth = 640, kEditorHeight = 480;

// The mean brightness of the pixels of a box of the editor's screen.
double MeanLuma(const std::vector<D3DCOLOR>& pixels, int left, int top, int right, int bottom) {
    double sum = 0.0;
    int count = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, kEditorHeight); ++y)
        for (int x = std::max(left, 0); x < std::min(right, kEditorWidth); ++x) {
            const D3DCOLOR c = pixels[std::size_t(y) * kEditorWidth + x];
            sum += 0.3 * double(c >> 16 & 0xFF) + 0.59 * double(c >> 8 & 0xFF) + 0.11 * double(c & 0xFF);
            ++count;
        }
    return count ? sum / count : 0.0;
}

// Where a world point is drawn, in pixels of the editor's screen.
D3DXVECTOR3 ScreenOf(const D3DXVECTOR3& world) {
    D3DXVECTOR3 clip;
    D3DXVec3TransformCoord(&clip, &world, eTable::Find<Camera>(names::Camera)->viewProjection);
    return {(clip.x + 1.0f) * 0.5f * float(kEditorWidth), (1.0f - clip.y) * 0.5f * float(kEditorHeight), clip.z};
}

// Over the menu, the animation editor's character faces the camera under
// the game's lamp: the lower half of its front must read, not only its top.
TEST(LightTest, TheAnimationEditorsCharacterIsLitFromTheFront) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", kEditorWidth, kEditorHeight);
    ASSERT_TRUE(game.ok());
    game.Frames(400);
    ASSERT_EQ(game.BankInt(kInMenuSlot), 1);
    eTable::Find<Console>(names::Console)->Execute("AnimationModeToggle", false);
    game.Frames(3);
    const EditChar* character = eTable::Find<AnimationEditor>(names::AnimationEditor)->GetEditChar();
    ASSERT_NE(character, nullptr);
    std::vector<D3DCOLOR> pixels;
    game.TestGame::Screenshot("game", "animation_editor_lit.png", &pixels);

    // A small box on the body's front, a third of its radius below its
    // centre (above it, the menu's play button is drawn over the body).
    const D3DXVECTOR3 at = character->GetRenderPosition();
    const float radius = character->GetScale();
    const D3DXVECTOR3 centre = ScreenOf(at), lower = ScreenOf(at - D3DXVECTOR3(0, radius / 3, 0));
    const int half = std::max(2, int(lower.y - centre.y) / 3);
    EXPECT_GT(MeanLuma(pixels, int(lower.x) - half, int(lower.y) - half, int(lower.x) + half, int(lower.y) + half),
              60.0);
}

}  // namespace
