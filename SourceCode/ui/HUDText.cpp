#include "ui/HUDText.h"

#include <algorithm>
#include <cmath>

#include "Video/ObjectDesc.h"
#include "Video/ObjectLine.h"
#include "Video/TextureMan.h"
#include "core/Random.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "platform/d3dx/FontFace.h"
#include "ui/Sprites.h"

namespace {
// Marks a glyph item that has no earlier place to keep.
constexpr float kNoPlace = -666.0f;
constexpr unsigned char kCopyright = 169;
}  // namespace

TextDesc::TextDesc(std::string text, float spacing, float size, const float* origin, std::uint32_t glyphCount,
                   std::uint32_t randomRange, std::uint32_t mode)
    : text(std::move(text)),
      spacing(spacing),
      size(size),
      glyphCount(glyphCount),
      randomRange(randomRange),
      x(origin ? origin[0] : 0.0f),
      y(origin ? origin[1] : 0.0f),
      mode(mode) {}

bool GetGlyphFileName(std::string& out, char c) {
    std::string glyph;
    if (c >= 'A' && c <= 'Z')
        glyph = char(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        glyph = c;
    else if (c == ':')
        glyph = "colon";
    else if (static_cast<unsigned char>(c) == kCopyright)
        glyph = "copy";
    else if (c == '-')
        glyph = "dash";
    else if (c == '!')
        glyph = "exc";
    else
        return false;
    out = "Fonts/" + glyph + ".dds";
    return true;
}

std::string GlyphCodesFromUtf8(const char* text) {
    std::string codes;
    for (char32_t code : plat::DecodeText(text)) codes += code <= 0xFF ? static_cast<char>(code) : '?';
    return codes;
}

// The hold is a cache hint, not a need: with no texture manager running (a
// start whose video system failed) it holds nothing and raises nothing.
static TextureMan* RunningTextureMan() {
    return static_cast<TextureMan*>(eTable::Peek(names::TextureMan));
}

GlyphTextureHold::GlyphTextureHold(const std::string& characters) {
    auto* manager = RunningTextureMan();
    if (!manager) return;
    std::string file;
    for (char c : characters)
        if (GetGlyphFileName(file, c)) textures.push_back(manager->GetTexture(file.c_str(), TextureMan::kFlat, nullptr));
}

GlyphTextureHold::~GlyphTextureHold() {
    if (textures.empty()) return;
    auto* manager = RunningTextureMan();
    if (!manager) return;
    for (IDirect3DBaseTexture9* texture : textures) manager->ReleaseTexture(texture);
}

HUDText::~HUDText() {
    if (initialized) Shutdown();
}

bool HUDText::Init(void* a, void*) {
    if (initialized || !a) return false;
    const auto* desc = static_cast<const TextDesc*>(a);
    name = names::HUDText;
    text = desc->text;
    spacing = desc->spacing;
    size = desc->size;
    glyphCount = static_cast<std::int32_t>(std::min(desc->glyphCount, kMaxGlyphs));
    originX = desc->x;
    originY = desc->y;
    mode = desc->mode;
    // A range of 0 would leave the random draw nothing to take a remainder of.
    randomRange = static_cast<std::int32_t>(std::clamp<std::uint32_t>(desc->randomRange, 1, Random::kMax));
    for (int i = 0; i < 4; ++i) colour[i] = fadeTarget[i] = 1.0f;
    fadeRate = 0.0f;
    pulseRate = 1.0f;
    pulseAmount = 0.0f;
    bobHeight = 0.0f;
    SetText(desc->text);
    initialized = true;
    return true;
}

void HUDText::AllocGlyphs() {
    if (glyphCount >= 1 && glyphs.empty()) glyphs.resize(static_cast<std::size_t>(glyphCount));
}

const HUDTextGlyph* HUDText::Glyph(std::int32_t index) const { return ValidSlot(index) ? &glyphs[index] : nullptr; }

void HUDText::SetText(const std::string& newText) {
    text = newText;
    AllocGlyphs();
    const std::int32_t shown = std::min<std::int32_t>(glyphCount, static_cast<std::int32_t>(text.size()));
    for (std::int32_t i = 0; i < shown; ++i) SetGlyph(i, text[i]);
    RandomizeGlyphs();
}

void HUDText::SetGlyph(std::int32_t index, char c) {
    if (!ValidSlot(index)) return;
    HUDTextGlyph& glyph = glyphs[index];
    ScreenQuadItem item{kNoPlace, 0.0f, 0.0f, glyph.baseSize, glyph.baseSize};
    if (glyph.quad && glyph.quad->ItemCount() > 0) {
        const ScreenQuadItem& old = glyph.quad->Items()[0];
        item.x = old.x, item.y = old.y, item.z = old.z;
    }
    // The new quad takes its texture before the old one lets go of its own:
    // a glyph set to the character it shows stays in the texture cache.
    std::string file;
    ObjectScreenQuad* made = GetGlyphFileName(file, c)
                                 ? ui::CreateSprite("plane.x", ui::kTextMaterial, ui::kOverlayFlags, nullptr, 1,
                                                    file.c_str())
                                 : nullptr;
    ui::RemoveSprite(glyph.quad);
    glyph.quad = made;
    if (!glyph.quad) return;
    for (int i = 0; i < 4; ++i) glyph.quad->surface.diff[i] = colour[i];
    if (hidden) ui::ShowSprite(glyph.quad, false);
    if (item.x == kNoPlace)
        PlaceGlyph(index);
    else
        ui::PlaceSprite(glyph.quad, item);
}

void HUDText::SetHidden(bool hide) {
    hidden = hide;
    for (HUDTextGlyph& glyph : glyphs) ui::ShowSprite(glyph.quad, !hide);
}

void HUDText::PlaceGlyph(std::int32_t index) {
    if (!ValidSlot(index)) return;
    const HUDTextGlyph& glyph = glyphs[index];
    const float x = float(index) * spacing * kGridUnit + originX;
    ui::PlaceSprite(glyph.quad, {x, originY, 0.0f, glyph.baseSize, glyph.baseSize});
}

void HUDText::RandomizeGlyphs() {
    const std::int32_t range = randomRange;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(glyphs.size()); ++i) {
        const std::int32_t offset = Random::Next() % range - range / 2;
        const float r = float(Random::Next() % range) / float(range);
        HUDTextGlyph& glyph = glyphs[i];
        glyph.amplitude = r * pulseAmount;
        glyph.rate = (r + 1.0f) * 0.5f * pulseRate;
        glyph.baseSize = size * kGridUnit + float(offset) * 0.01f;
        if (glyph.quad) PlaceGlyph(i);
    }
}

void HUDText::SetChar(std::int32_t index, char c) {
    if (!ValidSlot(index)) return;
    const auto at = static_cast<std::size_t>(index);
    if (text.size() < at) text.append(at - text.size(), ' ');
    if (text.size() == at)
        text += c;
    else
        text[at] = c;
    SetGlyph(index, c);
}

void HUDText::ClearChar(std::int32_t index) {
    if (!ValidSlot(index) || static_cast<std::size_t>(index) >= text.size()) return;
    text[static_cast<std::size_t>(index)] = ' ';
    SetGlyph(index, ' ');
}

void HUDText::SetColor(const float rgba[4]) {
    for (int i = 0; i < 4; ++i) colour[i] = rgba[i];
    for (HUDTextGlyph& glyph : glyphs)
        if (glyph.quad)
            for (int i = 0; i < 4; ++i) glyph.quad->surface.diff[i] = rgba[i];
}

void HUDText::SetAnimation(float rate, float amount, float height) {
    pulseRate = rate;
    pulseAmount = amount;
    bobHeight = height;
    RandomizeGlyphs();
}

void HUDText::SetFade(float rate, const float rgba[4]) {
    fadeRate = rate;
    for (int i = 0; i < 4; ++i) fadeTarget[i] = rgba[i];
}

void HUDText::ClearFade() {
    fadeRate = 0.0f;
    for (float& c : fadeTarget) c = 0.0f;
}

bool HUDText::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (mode == 1)
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(glyphs.size()); ++i)
            if (glyphs[i].quad) AnimateGlyph(i);
    if (fadeRate > 0.0f) UpdateFade();
    return true;
}

// The square grows and shrinks about its base size, anchored at its top-left
// corner, and bobs between the origin and bobHeight above it at twice the
// pulse frequency.
void HUDText::AnimateGlyph(std::int32_t index) {
    HUDTextGlyph& g = glyphs[index];
    const float t = ui::GameSeconds();
    const float s = g.baseSize + std::sin(g.rate * t) * g.amplitude * g.baseSize;
    ScreenQuadItem item{0.0f, 0.0f, 0.0f, s, s};
    if (g.quad->ItemCount() > 0) item.x = g.quad->Items()[0].x, item.z = g.quad->Items()[0].z;
    item.y = (std::cos(2.0f * g.rate * t) + 1.0f) * 0.5f * bobHeight + originY;
    ui::PlaceSprite(g.quad, item);
}

// Never ends by itself: it runs until ClearFade or another SetFade. The
// colour of new glyphs stays what SetColor made it.
void HUDText::UpdateFade() {
    const float k = FrameSeconds() * fadeRate;
    for (HUDTextGlyph& glyph : glyphs) {
        if (!glyph.quad) continue;
        float c[4] = {glyph.quad->surface.diff[0], glyph.quad->surface.diff[1], glyph.quad->surface.diff[2],
                      glyph.quad->surface.diff[3]};
        ui::FadeToward(c, fadeTarget, k);
        glyph.quad->surface = SurfaceData(c, c, 10, 0.5f, 0.01f, 1.5f);
    }
}

void HUDText::ReleaseGlyphs() {
    text.clear();
    for (HUDTextGlyph& glyph : glyphs) ui::RemoveSprite(glyph.quad);
}

bool HUDText::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseGlyphs();
    glyphs.clear();
    initialized = false;
    return true;
}
