// Every text on every screen of the game, as the engine lays out and
// animates its glyphs, frame by frame: each fits the screen and keeps out of
// the bottom band that the console's lines and the animation editor's
// timeline use; the texts the scripts make read as one line (glyphs alike in
// size, on one baseline); and no two texts that show at once overlap.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Video/ObjectLine.h"
#include "Video/TextMan.h"
#include "editor/EditorSystem.h"
#include "game/GameSession.h"
#include "ui/Button.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"
#include "world/GameLogic.h"

namespace {

// The console's lines rise from the bottom of the window to 404 pixels
// from its top: in a 640 x 480 window, below y -0.68. The animation
// editor's timeline lies lower still.
constexpr float kBottomBand = -0.68f;
// A glyph fainter than this is not seen.
constexpr float kSeenAlpha = 0.05f;

struct Box {
    float left = 1e9f, top = -1e9f, right = -1e9f, bottom = 1e9f;
    bool Empty() const { return left > right; }
    void Add(const Box& b) {
        left = std::min(left, b.left), top = std::max(top, b.top);
        right = std::max(right, b.right), bottom = std::min(bottom, b.bottom);
    }
    bool Overlaps(const Box& b) const {
        return left < b.right && b.left < right && bottom < b.top && b.bottom < top;
    }
};

struct ShownText {
    std::string words;
    bool scripted = false;  // made by the scripts (the HUD's are the engine's)
    std::vector<Box> glyphs;
    Box extent;
};

// The glyph squares of a text that are seen this frame.
ShownText Seen(const HUDText& text, bool scripted) {
    ShownText shown{text.Text(), scripted, {}, {}};
    for (std::int32_t i = 0; i < text.GlyphCount(); ++i) {
        const HUDTextGlyph* glyph = text.Glyph(i);
        ObjectScreenQuad* quad = glyph ? glyph->quad : nullptr;
        if (!quad || !quad->IsActive() || quad->ItemCount() == 0 || quad->surface.diff[3] < kSeenAlpha) continue;
        const ScreenQuadItem& item = quad->Items()[0];
        const Box square{item.x, item.y, item.x + item.width, item.y - item.height};
        shown.glyphs.push_back(square);
        shown.extent.Add(square);
    }
    return shown;
}

// Every text on the screen: the scripts' texts and button labels, and the
// HUD's score and time.
std::vector<ShownText> TextsOnScreen() {
    std::vector<ShownText> texts;
    auto keep = [&](const HUDText* text, bool scripted) {
        if (!text) return;
        ShownText shown = Seen(*text, scripted);
        if (!shown.glyphs.empty()) texts.push_back(std::move(shown));
    };
    auto* logic = eTable::Find<GameLogic>(names::GameLogic);
    for (std::uint32_t id = 0; id < logic->UIObjectCount(); ++id) {
        System* object = logic->GetUIObject(id);
        if (!object) continue;
        if (object->Name() == names::HUDText) keep(static_cast<HUDText*>(object), true);
        if (object->Name() == names::Button) keep(static_cast<Button*>(object)->Label(), true);
    }
    const HUD* hud = eTable::Find<HUD>(names::HUD);
    keep(hud->TimeText(), false);
    keep(hud->ScoreText(), false);
    return texts;
}

// False, with the failures reported, when a text is out of place.
bool ExpectReadableAndApart(const std::vector<ShownText>& texts, const std::string& when) {
    const int failedBefore = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const ShownText& t = texts[i];
        const Box& e = t.extent;
        EXPECT_TRUE(e.left >= -1.0f && e.right <= 1.0f && e.top <= 1.0f && e.bottom >= kBottomBand)
            << '"' << t.words << "\" reaches " << e.left << ", " << e.top << " to " << e.right << ", " << e.bottom
            << " " << when;
        if (t.scripted) {
            float smallest = 1e9f, largest = 0.0f, lowest = 1e9f, highest = -1e9f;
            for (const Box& g : t.glyphs) {
                smallest = std::min(smallest, g.right - g.left), largest = std::max(largest, g.right - g.left);
                lowest = std::min(lowest, g.bottom), highest = std::max(highest, g.bottom);
            }
            EXPECT_LE(largest, smallest * 1.25f) << '"' << t.words << "\": glyph sizes " << when;
            EXPECT_LE(highest - lowest, largest * 0.25f) << '"' << t.words << "\": baselines " << when;
        }
        // The HUD's own two lines touch, as the engine sets them.
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            if (!t.scripted && !texts[j].scripted) continue;
            EXPECT_FALSE(e.Overlaps(texts[j].extent))
                << '"' << t.words << "\" overlaps \"" << texts[j].words << "\" " << when;
        }
    }
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() == failedBefore;
}

// Runs a screen for the seconds given, checking every frame; a picture at
// the given second.
void CheckScreen(GameSession& game, const std::string& screen, float seconds, std::uint32_t ms, float pictureAt) {
    const int frames = int(seconds * 1000.0f) / int(ms);
    for (int frame = 1; frame <= frames && game.Running(); ++frame) {
        game.Frame(ms);
        const float at = float(frame * int(ms)) / 1000.0f;
        if (frame == int(pictureAt * 1000.0f) / int(ms)) game.Screenshot("texts_" + screen + ".png");
        // One frame's failures say it all.
        if (!ExpectReadableAndApart(TextsOnScreen(), "in " + screen + " at " + std::to_string(at) + " s")) return;
    }
}

TEST(ScreenTextTest, EveryTextFitsTheScreenReadsAsALineAndOverlapsNoOther) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 640, 480);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    CheckScreen(game, "menu", 3.0f, 100, 2.0f);
    // Level 1's lessons follow each other for twenty seconds.
    ChangeLevel(game, "level1");
    CheckScreen(game, "level1", 20.0f, 100, 8.0f);
    ChangeLevel(game, "level2");
    CheckScreen(game, "level2", 8.0f, 100, 2.0f);
    // Level 3 to the end of its time, and its last word.
    ChangeLevel(game, "level3");
    CheckScreen(game, "level3", 82.0f, 250, 81.0f);
    ChangeLevel(game, "victory");
    CheckScreen(game, "victory", 3.0f, 100, 2.0f);
}

}  // namespace

namespace {

// The glyph texts of the scripts that show.
int ScriptTextsShown() {
    int shown = 0;
    for (const ShownText& text : TextsOnScreen()) shown += text.scripted ? 1 : 0;
    return shown;
}

// The lowest pixel row of the HUD's score line.
float ScoreBottomPixel(int height) {
    const ShownText score = Seen(*eTable::Find<HUD>(names::HUD)->ScoreText(), false);
    return (1.0f - score.extent.bottom) * 0.5f * float(height);
}

// While an editor is on, the game's texts and buttons hide (over the menu
// its Play button would cross the edited character, and a click meant for
// the editor would press it), and the editor's labels stand clear of the
// HUD. The console's lines read over the menu's fire. The pictures are for
// looking at, in the window of a desktop, where the console has room.
TEST(ScreenTextTest, TheEditorsHideTheGamesTextsTheirLabelsClearTheHUDAndTheConsoleReads) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 1024, 768);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    game.Frames(30);
    game.TapKey(SDL_SCANCODE_GRAVE);
    // Lines of each colour: a green confirmation, a red error, a yellow
    // help line and the white input line.
    for (const char* line : {"musicvolume 128\n", "nonsense\n", "help bind\n", "help"})
        for (const char* c = line; *c; ++c)
            game.TapKey(*c == '\n'   ? SDL_SCANCODE_RETURN
                        : *c == ' ' ? SDL_SCANCODE_SPACE
                        : *c >= '0' && *c <= '9'
                            ? (*c == '0' ? SDL_SCANCODE_0 : SDL_Scancode(SDL_SCANCODE_1 + (*c - '1')))
                            : SDL_Scancode(SDL_SCANCODE_A + (*c - 'a')));
    game.Screenshot("console_over_menu.png");
    game.TapKey(SDL_SCANCODE_GRAVE);

    const std::pair<SDL_Scancode, std::string> editors[] = {{SDL_SCANCODE_F10, "animation_editor"},
                                                             {SDL_SCANCODE_F9, "object_editor"}};
    for (const auto& [key, name] : editors) {
        const int before = ScriptTextsShown();
        ASSERT_GT(before, 0);
        game.TapKey(key);
        game.Frames(10);
        EXPECT_EQ(ScriptTextsShown(), 0) << name;
        game.Screenshot(name + "_over_menu.png");
        game.PointAt(0.0f, 0.07f);
        game.Click();
        EXPECT_NE(CurrentLevel(), "level1") << name << ": a click pressed the hidden Play button";
        game.TapKey(key);
        game.Frames(3);
        EXPECT_EQ(ScriptTextsShown(), before) << name;
    }

    ChangeLevel(game, "level1");
    game.Frames(60);
    const char* names[] = {names::AnimationEditor, names::Editor};
    for (int e = 0; e < 2; ++e) {
        game.TapKey(editors[e].first);
        game.Frames(10);
        const auto* editor = eTable::Find<EditorSystem>(names[e]);
        ASSERT_TRUE(editor->ModeOn());
        EXPECT_GT(float(editor->ModeLabel()->rect.top), ScoreBottomPixel(768)) << editors[e].second;
        game.Screenshot(editors[e].second + "_over_level.png");
        game.TapKey(editors[e].first);
        game.Frames(3);
    }
}

}  // namespace
