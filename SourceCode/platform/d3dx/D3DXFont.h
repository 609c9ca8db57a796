#pragma once
// Screen-text fonts shaped like D3DX's: a font is created on the device from
// a logical-font description (height, width, weight, italic, face name),
// draws strings into rectangles with DrawText's format flags, and is told of
// device loss and reset. Glyphs come from FreeType through fontconfig
// (platform/FontFace.h); they are packed into a texture atlas on first use
// and drawn as textured quads through the device, in back-buffer pixels,
// with alpha blending, no depth test and the device's other states restored
// afterwards.
#include <memory>

#include "platform/gfx/D3DTypes.h"
#include "platform/d3dx/TextLayout.h"

class IDirect3DDevice9;
class IDirect3DStateBlock9;
class ID3DXSprite;

namespace plat {
class FontFace;
struct FontAtlas;
}  // namespace plat

class ID3DXFont {
public:
    ID3DXFont(const ID3DXFont&) = delete;
    ID3DXFont& operator=(const ID3DXFont&) = delete;

    DWORD AddRef() { return ++refs; }
    DWORD Release();

    // Lays text out in rect (count -1: up to the terminator; otherwise that
    // many bytes) and draws it in colour, or with DT_CALCRECT only fits rect
    // to the text. Returns the text's height (with DT_VCENTER or DT_BOTTOM:
    // from rect's top to the text's bottom); 0 when nothing can be drawn.
    // Without DT_NOCLIP the glyphs are clipped to rect. Sprites are not
    // supported: sprite must be null.
    INT DrawTextA(ID3DXSprite* sprite, const char* text, INT count, RECT* rect, DWORD format, D3DCOLOR colour);
    // The saved-state block is released at a loss (a device cannot be reset
    // while it lives) and made again on the first draw after the reset;
    // drawing in between measures but draws nothing. The atlas lives in the
    // managed pool and survives.
    HRESULT OnLostDevice();
    HRESULT OnResetDevice();
    HRESULT GetDevice(IDirect3DDevice9** device);

    // Distance between lines and the face fontconfig chose, for callers
    // that measure and for tests.
    int LineHeight() const;
    const plat::FontFace& Face() const { return *face; }

private:
    friend HRESULT D3DXCreateFontA(IDirect3DDevice9*, INT, UINT, UINT, UINT, BOOL, DWORD, DWORD, DWORD, DWORD,
                                   const char*, ID3DXFont**);
    ID3DXFont(IDirect3DDevice9* device, std::unique_ptr<plat::FontFace> face);
    ~ID3DXFont();

    // Packs every character of text into the atlas; false without one.
    bool EnsureGlyphs(const std::u32string& text);
    // Doubles the atlas and packs what it held again.
    bool Regrow();
    void ReleaseSavedStates();
    void DrawLines(const std::u32string& text, const plat::TextLayoutResult& layout, const RECT& clip,
                   bool clipped, D3DCOLOR colour);

    DWORD refs = 1;
    bool lost = false;
    IDirect3DDevice9* device;
    // The device's values of the states text drawing changes, captured
    // before each draw and applied after it.
    IDirect3DStateBlock9* savedStates = nullptr;
    std::unique_ptr<plat::FontFace> face;
    std::unique_ptr<plat::FontAtlas> atlas;
};

// Creates a font on the device. height: positive the character cell, negative
// the em size, 0 a default; width 0 keeps the face's proportions; weight 400
// normal, 700 bold. The face is found by name through fontconfig (null or an
// unknown name: DejaVu Sans). mipLevels, charset, precision, quality and
// pitch are accepted and ignored. D3DERR_INVALIDCALL without a device or out
// pointer, E_FAIL when no face at all can be loaded.
HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels, BOOL italic,
                        DWORD charset, DWORD outputPrecision, DWORD quality, DWORD pitchAndFamily,
                        const char* faceName, ID3DXFont** font);
