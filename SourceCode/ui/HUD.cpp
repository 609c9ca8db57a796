#include "ui/HUD.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "Video/ObjectLine.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "ui/HUDText.h"
#include "ui/SplashScreen.h"
#include "ui/Sprites.h"

namespace {
constexpr const char* kSplashPicture = "splash.png";
// The picture starts fully visible and fades toward transparent.
constexpr float kSplashFadeRate = 1.0f;
const float kSplashFadeTarget[4] = {0.2f, 0.0f, 0.0f, 0.0f};
// Every character a score or a time left is written with.
constexpr const char* kNumberCharacters = "0123456789-";

// Writes the characters from slot `first` on and blanks the slots after them.
void WriteNumber(HUDText* text, std::int32_t first, const std::string& digits) {
    const std::int32_t length = static_cast<std::int32_t>(digits.size());
    for (std::int32_t k = 0; k < length; ++k) text->SetChar(first + k, digits[static_cast<std::size_t>(k)]);
    for (std::int32_t slot = first + length; slot < text->GlyphCount(); ++slot) text->ClearChar(slot);
}
}  // namespace

HUD::HUD() = default;

HUD::~HUD() {
    if (initialized) Shutdown();
}

bool HUD::Init(void*, void*) {
    if (initialized) return false;
    name = names::HUD;
    if (!eTable::Register(name, this)) return false;
    score = 0;
    elapsed = 0.0f;
    levelTime = kDefaultLevelTime;
    SplashScreen* splash = CreateSplashScreen();
    if (ObjectScreenQuad* quad = splash->Quad()) quad->SetTextureSlot(kSplashPicture, 30, 0, 0);
    splash->SetQuadFade(kSplashFadeRate, kSplashFadeTarget);
    initialized = true;
    return true;
}

SplashScreen* HUD::CreateSplashScreen(void* a, void* b) { return CreateChild<SplashScreen>(a, b); }

HUDText* HUD::CreateText(const TextDesc* desc, void* b) {
    return CreateChild<HUDText>(const_cast<TextDesc*>(desc), b);
}

void HUD::ShowScoreAndTime() {
    // A second call replaces the pair instead of leaving a frozen copy.
    if (timeText) DeleteChild(timeText);
    if (scoreText) DeleteChild(scoreText);
    const float timeOrigin[2] = {-0.99f, 0.9f};
    const TextDesc time("Time Left: ", 0.8f, 1.0f, timeOrigin, kTimeSlot + kNumberRoom, 6, 1);
    timeText = CreateText(&time);
    timeText->SetAnimation(1.0f, 0.2f, 0.025f);
    const float scoreOrigin[2] = {-0.99f, 0.8f};
    const TextDesc scoreDesc("Score: ", 0.8f, 1.0f, scoreOrigin, kScoreSlot + kNumberRoom, 6, 1);
    scoreText = CreateText(&scoreDesc);
    scoreText->SetAnimation(1.0f, 0.2f, 0.025f);
    if (!numberGlyphs) numberGlyphs = std::make_unique<GlyphTextureHold>(kNumberCharacters);
}

std::int32_t HUD::Clear() {
    DestroyChildren();
    scoreText = nullptr;
    timeText = nullptr;
    numberGlyphs.reset();
    return 0;
}

void HUD::SetLevelTime(float seconds) {
    levelTime = seconds;
    elapsed = 0.0f;
}

void HUD::AddScore(std::int64_t amount) {
    score = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t(score) + amount, INT32_MIN, INT32_MAX));
}

std::int32_t HUD::RemainingSeconds() const {
    const float left = levelTime - elapsed;
    // Scripts may set any level time: past the int range the clock shows its
    // ends (converting such a float to an int is undefined).
    if (std::isnan(left)) return 0;
    if (left >= 2147483648.0f) return INT32_MAX;
    if (left <= -2147483648.0f) return INT32_MIN;
    return static_cast<std::int32_t>(left);
}

bool HUD::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (scoreText) ShowScore();
    if (timeText) ShowTime();
    return true;
}

void HUD::ShowScore() { WriteNumber(scoreText, kScoreSlot, std::to_string(score)); }

// Run out, the clock shows a single 0 (and nothing of the digits before).
void HUD::ShowTime() {
    elapsed += FrameSeconds();
    const std::int32_t remaining = RemainingSeconds();
    WriteNumber(timeText, kTimeSlot, remaining > 0 ? std::to_string(remaining) : "0");
}

bool HUD::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    scoreText = nullptr;
    timeText = nullptr;
    numberGlyphs.reset();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}
