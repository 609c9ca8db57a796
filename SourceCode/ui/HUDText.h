#pragma once
// Glyph text: a line of text drawn as one textured screen quad per
// character ("Fonts/<name>.dds"), laid out on a fixed grid from an origin,
// each glyph with a slightly random size. In animated mode every glyph
// pulses and bobs at its own rate; the whole text can fade toward a colour.
// The HUD, button labels and the texts scripts make are HUDTexts.
#include <cstdint>
#include <string>
#include <vector>

#include "core/System.h"

class IDirect3DBaseTexture9;
class ObjectScreenQuad;

// What a HUDText is made from.
struct TextDesc {
    std::string text;
    float spacing = 1.0f;  // advance from slot to slot: spacing x 0.075
    float size = 1.0f;     // base glyph edge: size x 0.075, before its random offset
    std::uint32_t glyphCount = 0;   // slots: the most characters the text shows
    std::uint32_t randomRange = 1;  // range of the random size offset and wobble
    float x = 0.0f, y = 0.0f;       // top-left corner of slot 0, screen units
    std::uint32_t mode = 0;         // 0 still, 1 animated

    TextDesc() = default;
    TextDesc(std::string text, float spacing, float size, const float* origin, std::uint32_t glyphCount,
             std::uint32_t randomRange, std::uint32_t mode);
};

// One character slot.
struct HUDTextGlyph {
    float baseSize = 1.0f;  // edge of the glyph's square
    float amplitude = 1.0f; // relative size pulse
    float rate = 1.0f;      // angular rate of the wobble
    ObjectScreenQuad* quad = nullptr;  // owned by "Main Scene"; none: the slot shows nothing
};

// The texture of a glyph code ("Fonts/a.dds" for 'a' and 'A', "Fonts/colon.dds"
// for ':', "Fonts/copy.dds" for 169, ...). False for a code without a glyph
// (space, '.', and every other code above 127).
bool GetGlyphFileName(std::string& out, char c);

// Texts from scripts arrive as UTF-8; the glyphs are keyed by Latin-1 codes.
// Code points above 255 become '?', which has no glyph. Bytes that are not
// well-formed UTF-8 are taken as Latin-1 as they are.
std::string GlyphCodesFromUtf8(const char* text);

// Holds one reference on the glyph texture of each of a set of characters
// for as long as it lives, so that a text whose characters change among
// them (the HUD's digits) finds each in the texture manager's cache instead
// of reading and uploading its file again whenever the last quad showing it
// goes.
class GlyphTextureHold {
public:
    explicit GlyphTextureHold(const std::string& characters);
    ~GlyphTextureHold();
    GlyphTextureHold(const GlyphTextureHold&) = delete;
    GlyphTextureHold& operator=(const GlyphTextureHold&) = delete;

private:
    std::vector<IDirect3DBaseTexture9*> textures;
};

class HUDText : public System {
public:
    // The most slots a text may ask for: counts come from scripts.
    static constexpr std::uint32_t kMaxGlyphs = 1024;
    // Grid unit of spacing and size, in screen units.
    static constexpr float kGridUnit = 0.075f;

    HUDText() = default;
    ~HUDText() override;

    // a is a const TextDesc*; b is ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Init(const TextDesc* desc) { return Init(const_cast<TextDesc*>(desc), nullptr); }
    bool Shutdown() override;
    bool Update() override;

    // Replaces the whole text and rebuilds every glyph on the default grid.
    void SetText(const std::string& newText);
    // Sets one slot (padding the text with spaces up to it); ignored outside
    // the slots.
    void SetChar(std::int32_t index, char c);
    // Blanks one slot of the text; ignored outside the slots and the text.
    void ClearChar(std::int32_t index);
    void SetColor(const float rgba[4]);
    // Pulse rate, relative size pulse and bob height; new random sizes.
    void SetAnimation(float rate, float amount, float height);
    void SetFade(float rate, const float rgba[4]);
    void ClearFade();
    // Empties the text and removes every glyph quad (the slots stay).
    void ReleaseGlyphs();

    // Hides or shows every glyph, those set later too (the text keeps
    // changing while hidden).
    void SetHidden(bool hide);
    bool Hidden() const { return hidden; }

    void SetMode(std::uint32_t newMode) { mode = newMode; }
    std::uint32_t Mode() const { return mode; }
    const std::string& Text() const { return text; }
    std::int32_t GlyphCount() const { return glyphCount; }
    const HUDTextGlyph* Glyph(std::int32_t index) const;
    const float* Colour() const { return colour; }

    // Rebuilds one slot's quad for the character, keeping the place of a
    // glyph it replaces.
    void SetGlyph(std::int32_t index, char c);
    // Puts the slot's quad on its grid place at its base size.
    void PlaceGlyph(std::int32_t index);
    // Fresh random sizes and wobble for every slot (two draws each, in slot
    // order), glyphs back on the grid.
    void RandomizeGlyphs();

private:
    void AnimateGlyph(std::int32_t index);
    void UpdateFade();
    void AllocGlyphs();
    bool ValidSlot(std::int32_t index) const { return index >= 0 && index < glyphCount && !glyphs.empty(); }

    std::uint32_t mode = 0;
    bool hidden = false;
    float spacing = 1.0f;
    float size = 1.0f;
    float originX = 0.0f;
    float originY = 0.0f;
    std::string text;
    std::int32_t glyphCount = 0;
    std::vector<HUDTextGlyph> glyphs;
    std::int32_t randomRange = 1;
    float colour[4] = {1, 1, 1, 1};
    float bobHeight = 0.0f;
    float pulseAmount = 0.0f;
    float pulseRate = 1.0f;
    float fadeRate = 0.0f;
    float fadeTarget[4] = {1, 1, 1, 1};
};
