#pragma once
#include <cstdint>
#include <list>
#include <string>

#include "core/System.h"
#include "platform/gfx/D3DTypes.h"
#include "platform/d3dx/D3DXFont.h"

// How a screen-text font is asked for. Two descriptions are the same font
// when they name the face through the same pointer (not merely equal text)
// and agree on the sizes.
struct FontDescription {
    const char* faceName = nullptr;  // null: the system's default face
    std::int32_t height = 22;
    std::uint32_t width = 0;
    std::uint32_t weight = 400;
    bool italic = false;
};

// The record of one created font, shared by every text that asks for it.
// font is null when creating it failed.
struct FontRecord {
    FontDescription description;
    ID3DXFont* font = nullptr;
};

// What a text is created from. text is only read: the Text keeps a copy of
// its own.
struct TextDescription {
    const char* text = nullptr;
    RECT rect{0, 0, 0, 0};       // screen pixels
    std::int32_t wordBreak = 0;  // above 0: wrap at word ends and clip to rect
    std::int32_t horizontalAlign = -1;  // below 0 left, 0 centred, above 0 right
    std::int32_t verticalAlign = -1;    // below 0 top, 0 centred, above 0 bottom
    std::int32_t height = 0;  // the font height; later the height of the last draw
    D3DCOLOR colour = 0xFFFFFFFF;
    ID3DXFont* font = nullptr;  // shared, not owned
};

// One line or block of screen text, drawn every frame into its rectangle. Its
// owner keeps the pointer and changes the text with SetText and the other
// fields directly.
class Text : public System {
public:
    Text() = default;
    ~Text() override;

    // a is a const TextDescription* (null keeps the defaults); b is ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Draws the text.
    bool Update() override;
    bool Shutdown() override;

    // Replaces the text with a copy of the string (null clears it).
    void SetText(const char* newText);
    const std::string& GetText() const { return text; }
    // Fits rect to the text without drawing; returns and keeps the height.
    std::int32_t CalcRect();
    // The DrawText format of the current word break and alignments.
    std::uint32_t FormatFlags() const;

    RECT rect{0, 0, 0, 0};
    std::int32_t wordBreak = 0;
    std::int32_t horizontalAlign = -1;
    std::int32_t verticalAlign = -1;
    std::int32_t height = 0;
    D3DCOLOR colour = 0xFFFFFFFF;
    ID3DXFont* font = nullptr;
    // Above 0: drawn first around the text, one pixel out on every side, in
    // this colour (its alpha no more than the text's), so that the text
    // reads over any scene. 0: none.
    D3DCOLOR outline = 0;

private:
    std::int32_t Draw(std::uint32_t extraFormat);
    void DrawOutline();

    std::string text;
};

// Plain screen text: the console, the frame-rate read-out and the editors'
// read-outs. The last child of the video system, so its texts are drawn over
// everything. Fonts are shared between texts with equal descriptions.
class TextMan : public System {
public:
    TextMan() = default;
    ~TextMan() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // Finds or creates the font of font (the defaults when null), writes its
    // height and font into desc, and adds a text made from desc.
    Text* CreateText(TextDescription* desc, const FontDescription* font = nullptr);
    // Creates, appends and initialises a text from desc.
    Text* AddText(const TextDescription* desc);
    // Shuts down and deletes one of this manager's texts; a text it does not
    // hold (already released with the fonts) is left alone.
    void RemoveText(Text* text) { DeleteChild(text); }
    FontRecord* FindFont(const FontDescription* font);

    // Passed on to every font, around a device reset.
    void OnLostDevice();
    void OnResetDevice();
    // Destroys every text and releases every font.
    void ReleaseFonts();

    const std::list<FontRecord>& Fonts() const { return fonts; }

private:
    std::list<FontRecord> fonts;
};
