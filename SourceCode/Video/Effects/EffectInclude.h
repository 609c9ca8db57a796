#pragma once
#include <string>

#include "platform/d3dx/D3DXEffect.h"

// Reads included effect sources from one folder, for the texture-function
// compiler and the build's effect compiler.
class EffectInclude : public ID3DXInclude {
public:
    explicit EffectInclude(std::string folder) : folder(std::move(folder)) {}

    // Path = folder + name (the name alone when the folder is empty), with
    // backslashes read as '/'. The text is handed out as read, except that a
    // carriage return before a line feed is dropped. E_FAIL when the file
    // cannot be opened.
    HRESULT Open(D3DXINCLUDE_TYPE type, const char* fileName, const void* parentData, const void** data,
                 std::uint32_t* bytes) override;
    // Frees a buffer that Open handed out.
    HRESULT Close(const void* data) override;

    const std::string& Folder() const { return folder; }

private:
    std::string folder;
};
