// Texts that a script replaces while the game draws: the glyph textures of
// the old text go between two frames, so the quad batcher must hold none of
// them into the next frame (run it under ASan too: a stale one is read when
// the next text batch binds its textures).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "Video/QuadBatcher.h"
#include "Video/TextureMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/window/Window.h"
#include "support/TestGame.h"

namespace {

int Distance(D3DCOLOR a, D3DCOLOR b) {
    int sum = 0;
    for (int shift : {0, 8, 16}) sum += std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF));
    return sum;
}

// Every fourth frame the text on screen is replaced: by a plain text, by
// the alter-text event, by an animated text and by a button's label, each
// twice in a row so that a replacement follows a batch of its own colour.
constexpr char kScript[] = R"(import ZOPAPI as Z
frame = [0]
shown = [0]
def initgame():
    shown[0] = Z.AddText("Hello", 0.6, 1.0, (0.0, 0.0), 6, 1)
def everyloop():
    frame[0] += 1
    n = frame[0]
    if n % 4:
        return
    phase = n // 4 % 8
    if phase in (2, 3):
        Z.BuildTrigger(0, 1, 1, Z.AddAlterTextEvent(shown[0], "Again %d" % n, 1.0), Z.AddTimeCondition(0.0))
        return
    Z.ClearUIObjects()
    if phase < 2:
        shown[0] = Z.AddText("World %d" % n, 0.6, 1.0, (-0.5, 0.0), 12, 1)
    elif phase < 6:
        Z.AddAnimatedText("Quirky %d" % n, 0.6, 1.0, (-0.5, 0.0), 12, 1, 2.0, 0.3, 0.1)
    else:
        Z.AddButton(-0.5, 0.5, 0.2, -0.2, "NOTEX", "Vexing %d" % n, 0.6, 1.0, 12, 1)
)";

TEST(ReplacedTextTest, TheBatcherHoldsNoGlyphOfAReplacedTextIntoTheNextFrame) {
    TestGame game;
    std::filesystem::create_directory(game.dir.Path() / "Scripts");
    std::ofstream(game.dir.Path() / "Scripts" / "zop.py") << kScript;
    ASSERT_TRUE(game.Start(TestGame::Windowed(320, 240, "0 0 0")));
    const auto* batcher = eTable::Find<ManagedQuadBuffer>(names::ManagedQuadBuffer);
    const auto* textures = eTable::Find<TextureMan>(names::TextureMan);
    auto isTextureMans = [&](IDirect3DBaseTexture9* texture) {
        const auto& records = textures->Records();
        return std::any_of(records.begin(), records.end(), [&](const TextureRecord& r) { return r.texture == texture; });
    };
    for (int frame = 1; frame <= 65; ++frame) {
        plat::PumpEvents();
        game.now += 16;
        ASSERT_TRUE(game.app.Update());
        for (std::uint32_t slot = 0; slot < batcher->BatchTextureCount(); ++slot) {
            IDirect3DBaseTexture9* held = batcher->BatchTextures()[slot];
            ASSERT_TRUE(!held || isTextureMans(held)) << "frame " << frame << ", slot " << slot;
        }
    }
    // Frame 64 put up "World 64" and frame 65 drew it, across the horizon,
    // where the sky and the ground are the same in every column.
    std::vector<D3DCOLOR> pixels;
    ASSERT_FALSE(game.Screenshot("ui", "replaced_text.png", &pixels).empty());
    int glyphPixels = 0;
    for (int y = 100; y < 140; ++y)
        for (int x = 0; x < 320; ++x) glyphPixels += Distance(pixels[y * 320 + x], pixels[y * 320 + 319]) > 40;
    EXPECT_GT(glyphPixels, 100);
}

}  // namespace
