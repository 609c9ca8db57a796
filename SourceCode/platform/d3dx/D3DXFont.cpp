#include "platform/d3dx/D3DXFont.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/gfx/Direct3D.h"
#include "platform/d3dx/FontFace.h"

namespace plat {

// Where one glyph sits in the atlas texture (pixels).
struct AtlasSlot {
    int x = 0, y = 0, width = 0, height = 0;
};

// A texture the glyphs are packed into on shelves, left to right and top to
// bottom; it doubles in size (and every glyph is packed again) when full.
struct FontAtlas {
    static constexpr int kFirstSize = 256;
    static constexpr int kLargestSize = 4096;
    static constexpr int kPadding = 1;  // keeps neighbours out of each other's samples

    IDirect3DTexture9* texture = nullptr;
    int size = 0;
    int penX = 0, penY = 0, shelfHeight = 0;
    std::unordered_map<char32_t, AtlasSlot> slots;

    ~FontAtlas() { ReleaseTexture(); }
    void ReleaseTexture() {
        if (texture) texture->Release();
        texture = nullptr;
        slots.clear();
    }

    bool Create(IDirect3DDevice9* device, int edge) {
        ReleaseTexture();
        size = edge;
        penX = penY = shelfHeight = 0;
        if (FAILED(device->CreateTexture(static_cast<UINT>(edge), static_cast<UINT>(edge), 1, 0, D3DFMT_A8R8G8B8,
                                         D3DPOOL_MANAGED, &texture, nullptr))) {
            texture = nullptr;
            return false;
        }
        // Start fully transparent so that padding samples as nothing.
        D3DLOCKED_RECT locked{};
        if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return true;
        for (int row = 0; row < edge; ++row)
            std::memset(static_cast<std::uint8_t*>(locked.pBits) + static_cast<std::ptrdiff_t>(row) * locked.Pitch, 0,
                        static_cast<std::size_t>(edge) * 4);
        texture->UnlockRect(0);
        return true;
    }

    // Finds room for a width x height box; false when the texture is full.
    bool Reserve(int width, int height, AtlasSlot& slot) {
        if (width + kPadding > size || height + kPadding > size) return false;
        if (penX + width + kPadding > size) {
            penX = 0;
            penY += shelfHeight;
            shelfHeight = 0;
        }
        if (penY + height + kPadding > size) return false;
        slot = {penX, penY, width, height};
        penX += width + kPadding;
        shelfHeight = std::max(shelfHeight, height + kPadding);
        return true;
    }

    // White texels whose alpha is the glyph's coverage: the diffuse colour
    // modulated by them gives the text colour at the glyph's opacity.
    void Upload(const GlyphBitmap& glyph, const AtlasSlot& slot) {
        if (!texture || slot.width == 0 || slot.height == 0) return;
        const RECT area{slot.x, slot.y, slot.x + slot.width, slot.y + slot.height};
        D3DLOCKED_RECT locked{};
        if (FAILED(texture->LockRect(0, &locked, &area, 0))) return;
        for (int row = 0; row < slot.height; ++row) {
            auto* texels = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                             static_cast<std::ptrdiff_t>(row) * locked.Pitch);
            const std::uint8_t* coverage = glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width;
            for (int col = 0; col < slot.width; ++col)
                texels[col] = (static_cast<std::uint32_t>(coverage[col]) << 24) | 0x00FFFFFFu;
        }
        texture->UnlockRect(0);
    }
};

}  // namespace plat

namespace {

// Pre-transformed, coloured, textured: the built-in program's input.
struct TextVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD kTextFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The states text drawing sets; recorded once so that the device's own
// values can be captured before a draw and applied again after it.
void SetTextStates(IDirect3DDevice9* device, IDirect3DBaseTexture9* atlas) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetTexture(0, atlas);
    device->SetFVF(kTextFVF);
    // A user-pointer draw leaves stream 0 and the indices unset; saving them
    // too gives the caller its buffers back.
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
}

// Clips the quad [x0, x1) x [y0, y1) with texture box [u0, u1) x [v0, v1)
// to clip; false when nothing is left. Edges are whole pixels, so the
// texture box shrinks by whole texels.
bool ClipQuad(const RECT& clip, int& x0, int& y0, int& x1, int& y1, float& u0, float& v0, float& u1, float& v1,
              float texel) {
    const int left = std::max(x0, static_cast<int>(clip.left));
    const int top = std::max(y0, static_cast<int>(clip.top));
    const int right = std::min(x1, static_cast<int>(clip.right));
    const int bottom = std::min(y1, static_cast<int>(clip.bottom));
    if (left >= right || top >= bottom) return false;
    u0 += (left - x0) * texel;
    u1 -= (x1 - right) * texel;
    v0 += (top - y0) * texel;
    v1 -= (y1 - bottom) * texel;
    x0 = left, y0 = top, x1 = right, y1 = bottom;
    return true;
}

void AppendQuad(std::vector<TextVertex>& out, int x0, int y0, int x1, int y1, float u0, float v0, float u1, float v1,
                D3DCOLOR colour) {
    // Direct3D 9 puts pixel centres on whole coordinates: edges sit half a
    // pixel before them, so each texel lands on exactly one pixel.
    const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
    const TextVertex tl{l, t, 0.0f, 1.0f, colour, u0, v0};
    const TextVertex tr{r, t, 0.0f, 1.0f, colour, u1, v0};
    const TextVertex bl{l, b, 0.0f, 1.0f, colour, u0, v1};
    const TextVertex br{r, b, 0.0f, 1.0f, colour, u1, v1};
    out.insert(out.end(), {tl, tr, bl, bl, tr, br});
}

}  // namespace

ID3DXFont::ID3DXFont(IDirect3DDevice9* device, std::unique_ptr<plat::FontFace> face)
    : device(device), face(std::move(face)), atlas(std::make_unique<plat::FontAtlas>()) {
    device->AddRef();
}

ID3DXFont::~ID3DXFont() {
    atlas.reset();
    ReleaseSavedStates();
    device->Release();
}

DWORD ID3DXFont::Release() {
    const DWORD left = --refs;
    if (left == 0) delete this;
    return left;
}

int ID3DXFont::LineHeight() const { return face->LineHeight(); }

HRESULT ID3DXFont::GetDevice(IDirect3DDevice9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

HRESULT ID3DXFont::OnLostDevice() {
    // A device with live state blocks cannot be reset.
    ReleaseSavedStates();
    lost = true;
    return D3D_OK;
}

HRESULT ID3DXFont::OnResetDevice() {
    lost = false;
    return D3D_OK;
}

void ID3DXFont::ReleaseSavedStates() {
    if (savedStates) savedStates->Release();
    savedStates = nullptr;
}

INT ID3DXFont::DrawTextA(ID3DXSprite* sprite, const char* text, INT count, RECT* rect, DWORD format,
                         D3DCOLOR colour) {
    if (sprite || !text || !rect) return 0;
    const std::string bytes = count < 0 ? std::string(text) : std::string(text, strnlen(text, count));
    const std::u32string chars = plat::NormalizeForLayout(plat::DecodeText(bytes.c_str()));

    const plat::TextBox box{rect->left, rect->top, rect->right, rect->bottom};
    const plat::TextLayoutResult layout =
        plat::LayoutText(chars, box, format, [this](char32_t c) { return face->Advance(c); }, face->LineHeight());

    if (format & plat::DT_CALCRECT) {
        *rect = RECT{layout.extent.left, layout.extent.top, layout.extent.right, layout.extent.bottom};
        return layout.height;
    }
    if (!lost && !layout.lines.empty() && EnsureGlyphs(chars))
        DrawLines(chars, layout, *rect, (format & plat::DT_NOCLIP) == 0, colour);
    return layout.height;
}

bool ID3DXFont::EnsureGlyphs(const std::u32string& text) {
    if (!atlas->texture && !atlas->Create(device, plat::FontAtlas::kFirstSize)) return false;
    for (char32_t c : text) {
        if (plat::IsLineBreak(c) || atlas->slots.count(c)) continue;
        const plat::GlyphBitmap& glyph = face->Glyph(c);
        plat::AtlasSlot slot;
        while (!atlas->Reserve(glyph.width, glyph.rows, slot)) {
            if (atlas->size >= plat::FontAtlas::kLargestSize) {
                // No room even in the largest atlas: this glyph is not drawn.
                slot = {};
                break;
            }
            if (!Regrow()) return false;
        }
        atlas->slots.emplace(c, slot);
        atlas->Upload(glyph, slot);
    }
    return true;
}

bool ID3DXFont::Regrow() {
    std::vector<char32_t> placed;
    placed.reserve(atlas->slots.size());
    for (const auto& entry : atlas->slots) placed.push_back(entry.first);
    if (!atlas->Create(device, atlas->size * 2)) return false;
    for (char32_t c : placed) {
        const plat::GlyphBitmap& glyph = face->Glyph(c);
        plat::AtlasSlot slot;
        if (!atlas->Reserve(glyph.width, glyph.rows, slot)) slot = {};
        atlas->slots.emplace(c, slot);
        atlas->Upload(glyph, slot);
    }
    return true;
}

void ID3DXFont::DrawLines(const std::u32string& text, const plat::TextLayoutResult& layout, const RECT& clip,
                          bool clipped, D3DCOLOR colour) {
    std::vector<TextVertex> vertices;
    const float texel = 1.0f / static_cast<float>(atlas->size);
    for (const plat::TextLine& line : layout.lines) {
        int penX = line.x;
        const int baseline = line.y + face->Ascent();
        for (std::size_t i = line.first; i < line.first + line.count; ++i) {
            const char32_t c = text[i];
            if (plat::IsLineBreak(c)) continue;
            const plat::GlyphBitmap& glyph = face->Glyph(c);
            const plat::AtlasSlot& slot = atlas->slots[c];
            if (slot.width > 0 && slot.height > 0) {
                int x0 = penX + glyph.left, y0 = baseline - glyph.top;
                int x1 = x0 + slot.width, y1 = y0 + slot.height;
                float u0 = slot.x * texel, v0 = slot.y * texel;
                float u1 = (slot.x + slot.width) * texel, v1 = (slot.y + slot.height) * texel;
                if (!clipped || ClipQuad(clip, x0, y0, x1, y1, u0, v0, u1, v1, texel))
                    AppendQuad(vertices, x0, y0, x1, y1, u0, v0, u1, v1, colour);
            }
            penX += glyph.advance;
        }
    }
    if (vertices.empty()) return;

    if (!savedStates) {
        // Recording sets nothing; it only notes which states text drawing
        // changes.
        if (FAILED(device->BeginStateBlock())) return;
        SetTextStates(device, atlas->texture);
        if (FAILED(device->EndStateBlock(&savedStates))) savedStates = nullptr;
    }
    if (savedStates) savedStates->Capture();
    plat::GpuProgram* program = device->GetProgram();
    device->SetProgram(nullptr);
    SetTextStates(device, atlas->texture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(vertices.size() / 3), vertices.data(),
                            sizeof(TextVertex));
    device->SetProgram(program);
    if (savedStates) savedStates->Apply();
}

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT, BOOL italic, DWORD,
                        DWORD, DWORD, DWORD, const char* faceName, ID3DXFont** font) {
    if (!font) return D3DERR_INVALIDCALL;
    *font = nullptr;
    if (!device) return D3DERR_INVALIDCALL;
    plat::FontRequest request;
    request.family = faceName ? faceName : "";
    request.height = height;
    request.width = width;
    request.weight = weight == 0 ? 400 : weight;
    request.italic = italic != FALSE;
    auto face = plat::FontFace::Open(request);
    if (!face) return E_FAIL;
    *font = new ID3DXFont(device, std::move(face));
    return D3D_OK;
}
