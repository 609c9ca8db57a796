#include "ui/SplashScreen.h"

#include "Video/ObjectDesc.h"
#include "Video/ObjectLine.h"
#include "Video/TextMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "ui/Sprites.h"

namespace {
// Just in front of the far corner of the screen, behind every other sprite.
constexpr float kSplashDepth = 0.001f;
constexpr float kCaptionFrom = 0.2f, kCaptionTo = 0.8f;
constexpr float kCaptionHeight = 50.0f / 1024.0f;
}  // namespace

SplashScreen::~SplashScreen() {
    if (initialized) Shutdown();
}

bool SplashScreen::Init(void*, void*) {
    if (initialized) return false;
    name = names::SplashScreen;
    const ScreenQuadItem item{-1.0f, 1.0f, kSplashDepth, 2.0f, 2.0f};
    quad = ui::CreateSprite(nullptr, ui::kTextMaterial, ui::kOverlayFlags, &item, 1, nullptr);
    caption = nullptr;
    quadFadeRate = captionFadeRate = 0.0f;
    for (int i = 0; i < 4; ++i) quadFadeTarget[i] = captionFadeTarget[i] = 0.0f;
    initialized = true;
    return true;
}

void SplashScreen::RemoveCaption() {
    captionText.clear();
    if (!caption) return;
    if (auto* textMan = static_cast<TextMan*>(eTable::Peek(names::TextMan))) textMan->RemoveText(caption);
    caption = nullptr;
}

void SplashScreen::SetCaption(const std::string& text) {
    RemoveCaption();
    auto* video = static_cast<Video*>(eTable::Peek(names::Video));
    auto* textMan = static_cast<TextMan*>(eTable::Peek(names::TextMan));
    if (!video || !textMan) return;
    const float width = float(video->Settings().present.BackBufferWidth);
    const float height = float(video->Settings().present.BackBufferHeight);

    TextDescription description;
    description.text = text.c_str();
    description.rect = {LONG(width * kCaptionFrom), LONG(height * kCaptionFrom), LONG(width * kCaptionTo),
                        LONG(height * kCaptionTo)};
    description.wordBreak = 1;
    description.horizontalAlign = -1;
    description.verticalAlign = -1;
    description.height = 0;
    captionColour = D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f);
    description.colour = captionColour;
    FontDescription font;
    font.faceName = kCaptionFace;
    font.height = std::int32_t(height * kCaptionHeight);
    font.width = 0;
    font.weight = 400;
    font.italic = false;
    captionText = text;
    caption = textMan->CreateText(&description, &font);
}

void SplashScreen::SetQuadFade(float rate, const float rgba[4]) {
    quadFadeRate = rate;
    for (int i = 0; i < 4; ++i) quadFadeTarget[i] = rgba[i];
}

void SplashScreen::SetCaptionFade(float rate, const float rgba[4]) {
    captionFadeRate = rate;
    for (int i = 0; i < 4; ++i) captionFadeTarget[i] = rgba[i];
}

bool SplashScreen::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    const float dt = FrameSeconds();
    if (caption && captionFadeRate > 0.0f) FadeCaption(dt * captionFadeRate);
    if (quad && quadFadeRate > 0.0f) FadeQuad(dt * quadFadeRate);
    return true;
}

// Only the diffuse colour fades; the rest of the surface stays.
void SplashScreen::FadeQuad(float k) { ui::FadeToward(quad->surface.diff, quadFadeTarget, k); }

void SplashScreen::FadeCaption(float k) {
    ui::FadeToward(captionColour, captionFadeTarget, k);
    caption->colour = captionColour;
}

bool SplashScreen::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    RemoveCaption();
    ui::RemoveSprite(quad);
    initialized = false;
    return true;
}
