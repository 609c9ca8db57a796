#pragma once
// "TextureMan": the textures shared by everything that draws. A texture is
// known by its name and type; every get adds a reference, every release
// takes one back, and the texture goes when its count reaches zero.
// Textures come from image files under "/Assets/Textures/" in the managed
// pool (they survive a device reset untouched); a file that cannot be loaded
// is answered with the fallback "_invalid_filename.bmp".
#include <cstdint>
#include <list>
#include <string>

#include "core/System.h"
#include "platform/d3dx/D3DX9Texture.h"

// Creation parameters handed with a name. The defaults are the load
// information of texture slots and of the fallback: sizes and mip levels
// from the file, opaque magenta keyed out, 32-bit colour with alpha.
struct TextureLoadInfo {
    std::uint32_t width = D3DX_DEFAULT;      // width, or the edge of a cube
    std::uint32_t height = D3DX_DEFAULT;
    std::uint32_t depth = D3DX_DEFAULT;      // volume textures only
    std::uint32_t mipLevels = D3DX_DEFAULT;
    std::uint32_t colorKey = 0xFFFF00FF;     // made transparent on load; 0 = none
    std::uint32_t usage = 0;                 // D3DUSAGE bits
    std::uint32_t format = D3DFMT_A8R8G8B8;  // D3DFORMAT
};

// One shared texture.
struct TextureRecord {
    std::string name;  // as the caller passed it
    IDirect3DBaseTexture9* texture = nullptr;
    std::int32_t references = 0;
    std::uint32_t type = 0;  // see TextureMan::kFlat and its siblings
};

class TextureMan : public System {
public:
    static constexpr std::uint32_t kFlat = 0;
    static constexpr std::uint32_t kVolume = 1;
    static constexpr std::uint32_t kCube = 2;
    static constexpr const char* kFallbackName = "_invalid_filename.bmp";

    TextureMan() = default;
    ~TextureMan() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // The texture of that name and type, loaded from its file on first use;
    // one reference more. A file that cannot be loaded yields the fallback
    // texture with one more reference on the fallback's own record (the
    // failed name gets no record, so the next get tries the file again).
    // Null only when the fallback itself cannot be loaded (fatal).
    IDirect3DBaseTexture9* GetTexture(const char* name, std::uint32_t type, const TextureLoadInfo* info);
    // The same lookup, but a missing texture is made empty (procedural
    // textures fill it). Null when it cannot be made (fatal).
    IDirect3DBaseTexture9* CreateTexture(const char* name, std::uint32_t type, const TextureLoadInfo* info);
    // As CreateTexture, but a texture the device cannot make is not fatal:
    // null, and the caller leaves it out.
    IDirect3DBaseTexture9* CreateTextureIfPossible(const char* name, std::uint32_t type,
                                                   const TextureLoadInfo* info);
    // One reference more on the record holding the texture; null when no
    // record holds it.
    IDirect3DBaseTexture9* AddRef(IDirect3DBaseTexture9* texture);
    // One reference less; at zero the texture is released and its record
    // removed. A texture no record holds is ignored.
    void ReleaseTexture(IDirect3DBaseTexture9* texture);
    TextureRecord* FindRecordByTexture(IDirect3DBaseTexture9* texture);
    // Releases every texture whatever its count.
    void ReleaseAll();

    const std::list<TextureRecord>& Records() const { return records; }

private:
    TextureRecord* FindRecord(const std::string& name, std::uint32_t type);
    // The texture of an existing record, with one reference more; null when
    // there is no such record.
    IDirect3DBaseTexture9* TakeShared(const std::string& name, std::uint32_t type);
    // The file's texture, or null when it cannot be loaded.
    IDirect3DBaseTexture9* LoadTextureFile(const std::string& name, std::uint32_t type,
                                           const TextureLoadInfo& info);
    IDirect3DBaseTexture9* CreateTextureObject(std::uint32_t type, const TextureLoadInfo& info);
    IDirect3DBaseTexture9* AddRecord(const std::string& name, std::uint32_t type,
                                     IDirect3DBaseTexture9* texture);

    // Newest first; lookups walk from the front.
    std::list<TextureRecord> records;
};
