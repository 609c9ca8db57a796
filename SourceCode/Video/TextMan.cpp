#include "Video/TextMan.h"

#include <algorithm>

#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/d3dx/FontFace.h"
#include "platform/gfx/Direct3D.h"

namespace {
// The quality and character set every screen-text font is created with.
constexpr DWORD kDefaultCharset = 1;
constexpr DWORD kOutDefaultPrecision = 0;
constexpr DWORD kAntialiasedQuality = 4;
constexpr DWORD kDefaultPitchAndFamily = 0;
constexpr char kFontAliasFile[] = "Assets/Fonts/aliases.conf";

bool SameFont(const FontDescription& a, const FontDescription& b) {
    return a.faceName == b.faceName && a.height == b.height && a.width == b.width && a.weight == b.weight &&
           a.italic == b.italic;
}
}  // namespace

// ---------------------------------------------------------------- Text

Text::~Text() {
    if (initialized) Shutdown();
}

bool Text::Init(void* a, void*) {
    if (initialized) return false;
    const TextDescription defaults;
    const auto* desc = a ? static_cast<const TextDescription*>(a) : &defaults;
    text = desc->text ? desc->text : "";
    rect = desc->rect;
    wordBreak = desc->wordBreak;
    horizontalAlign = desc->horizontalAlign;
    verticalAlign = desc->verticalAlign;
    height = desc->height;
    colour = desc->colour;
    font = desc->font;
    initialized = true;
    return true;
}

bool Text::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (outline) DrawOutline();
    height = Draw(0);
    return true;
}

void Text::DrawOutline() {
    if (!font || text.empty()) return;
    const D3DCOLOR alpha = std::min(outline >> 24, colour >> 24) << 24;
    const D3DCOLOR around = alpha | (outline & 0x00FFFFFF);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            RECT shifted{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
            font->DrawTextA(nullptr, text.c_str(), -1, &shifted, FormatFlags(), around);
        }
}

bool Text::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    text.clear();
    initialized = false;
    return true;
}

void Text::SetText(const char* newText) { text = newText ? newText : ""; }

std::int32_t Text::CalcRect() {
    height = Draw(plat::DT_CALCRECT);
    return height;
}

std::uint32_t Text::FormatFlags() const {
    std::uint32_t format = wordBreak > 0 ? plat::DT_WORDBREAK : plat::DT_NOCLIP;
    if (horizontalAlign == 0)
        format |= plat::DT_CENTER;
    else if (horizontalAlign > 0)
        format |= plat::DT_RIGHT;
    if (verticalAlign == 0)
        format |= plat::DT_VCENTER;
    else if (verticalAlign > 0)
        format |= plat::DT_BOTTOM;
    return format;
}

std::int32_t Text::Draw(std::uint32_t extraFormat) {
    // A text without a font is an empty text: nothing drawn, nothing measured.
    if (!font) {
        if (extraFormat & plat::DT_CALCRECT) rect.right = rect.left, rect.bottom = rect.top;
        return 0;
    }
    return font->DrawTextA(nullptr, text.c_str(), -1, &rect, FormatFlags() | extraFormat, colour);
}

// ---------------------------------------------------------------- TextMan

TextMan::~TextMan() {
    if (initialized) Shutdown();
}

bool TextMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::TextMan;
    if (!eTable::Register(name, this)) return false;
    // The face names the game asks for ("Bubbly Frog") are aliases that the
    // project maps onto installed fonts; without the file they fall back.
    plat::LoadFontAliases(AssetRoot() + "/" + kFontAliasFile);
    initialized = true;
    return true;
}

bool TextMan::Shutdown() {
    if (!initialized) return false;
    ReleaseFonts();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

FontRecord* TextMan::FindFont(const FontDescription* font) {
    if (!font) return nullptr;
    for (FontRecord& record : fonts)
        if (SameFont(record.description, *font)) return &record;
    return nullptr;
}

Text* TextMan::CreateText(TextDescription* desc, const FontDescription* font) {
    const FontDescription defaults;
    const FontDescription& wanted = font ? *font : defaults;

    FontRecord* record = FindFont(&wanted);
    if (!record) {
        ID3DXFont* created = nullptr;
        auto* video = eTable::Find<Video>(names::Video);
        if (video && video->Device()) {
            D3DXCreateFontA(video->Device(), wanted.height, wanted.width, wanted.weight, 1, wanted.italic,
                            kDefaultCharset, kOutDefaultPrecision, kAntialiasedQuality, kDefaultPitchAndFamily,
                            wanted.faceName, &created);
        }
        fonts.push_back({wanted, created});
        record = &fonts.back();
    }

    TextDescription local;
    if (!desc) desc = &local;
    desc->height = wanted.height;
    desc->font = record->font;
    return AddText(desc);
}

Text* TextMan::AddText(const TextDescription* desc) {
    return CreateChild<Text>(const_cast<TextDescription*>(desc));
}

void TextMan::OnLostDevice() {
    for (FontRecord& record : fonts)
        if (record.font) record.font->OnLostDevice();
}

void TextMan::OnResetDevice() {
    for (FontRecord& record : fonts)
        if (record.font) record.font->OnResetDevice();
}

void TextMan::ReleaseFonts() {
    DestroyChildren();
    for (FontRecord& record : fonts)
        if (record.font) record.font->Release();
    fonts.clear();
}
