#pragma once
// "HUD": the score and the level clock, shown as two animated glyph texts in
// the top-left corner ("Time Left: " and "Score: "), and the start-up splash
// that fades away. A child of "GameLogic".
#include <cstdint>
#include <memory>

#include "core/System.h"

class GlyphTextureHold;
class HUDText;
class SplashScreen;
struct TextDesc;

class HUD : public System {
public:
    // Where the numbers start, and room for 11 characters after each label
    // (any 32-bit number with its sign).
    static constexpr std::int32_t kScoreSlot = 7;
    static constexpr std::int32_t kTimeSlot = 11;
    static constexpr std::uint32_t kNumberRoom = 11;
    static constexpr float kDefaultLevelTime = 100.0f;

    HUD();
    ~HUD() override;

    // Both arguments are ignored. Registers "HUD" and starts the splash.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // Writes the score and the time left into their texts; the clock runs on
    // the timer's frame time, so it stands still while the game is paused.
    bool Update() override;

    // Makes the two texts (replacing a pair made before).
    void ShowScoreAndTime();
    // Destroys the texts and the splash; the HUD itself stays.
    std::int32_t Clear();
    // Sets the level's time and starts its clock again.
    void SetLevelTime(float seconds);

    SplashScreen* CreateSplashScreen(void* a = nullptr, void* b = nullptr);
    HUDText* CreateText(const TextDesc* desc, void* b = nullptr);

    HUDText* ScoreText() const { return scoreText; }
    HUDText* TimeText() const { return timeText; }
    // The whole seconds left, truncated toward zero.
    std::int32_t RemainingSeconds() const;

    // Adds to the score, which stops at the ends of its range rather than
    // wrap round however often a script adds to it.
    void AddScore(std::int64_t amount);

    std::int32_t score = 0;
    float elapsed = 0.0f;
    float levelTime = kDefaultLevelTime;

private:
    void ShowScore();
    void ShowTime();

    HUDText* scoreText = nullptr;  // a child
    HUDText* timeText = nullptr;   // a child
    // The numbers change every second or so: their glyphs stay loaded while
    // the texts are shown.
    std::unique_ptr<GlyphTextureHold> numberGlyphs;
};
