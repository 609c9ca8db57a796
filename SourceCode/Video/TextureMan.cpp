#include "Video/TextureMan.h"

#include <algorithm>
#include <system_error>

#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"

namespace {

IDirect3DDevice9* VideoDevice() {
    auto* video = eTable::Find<Video>(names::Video);
    return video ? video->Device() : nullptr;
}

std::string FatalText(const char* what, const std::string& name) {
    return std::string("FATAL ERROR: ") + what + " texture (" + name + ") to video memory failed!";
}

bool IsFile(const std::string& path) { return plat::TakeToRead(plat::LookForFile(path)); }

// The file a texture name stands for. Names in data files were often written
// on Windows ("..\\maps\\bottom.tga", "C:\\art\\data\\bottom.tga"):
// a backslash separates folders, and a name that is not found where it
// points is looked up by its file name in the textures folder, which is said
// in one line. A name found nowhere keeps its own path (and the fallback).
std::string TexturePath(const std::string& textureName) {
    const std::string folder = AssetRoot() + "/Assets/Textures/";
    const std::string name = plat::ForwardSlashes(textureName);
    const std::string path = folder + name;
    const std::size_t slash = name.find_last_of('/');
    if (slash == std::string::npos || IsFile(path)) return path;
    const std::string fileName = name.substr(slash + 1);
    if (fileName.empty() || fileName == "." || fileName == ".." || !IsFile(folder + fileName)) return path;
    plat::LogErrorF("Texture \"%s\" is not where it points; using \"%s\" from the textures folder.\n",
                    textureName.c_str(), fileName.c_str());
    return folder + fileName;
}

}  // namespace

TextureMan::~TextureMan() { ReleaseAll(); }

bool TextureMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::TextureMan;
    eTable::Register(name, this);
    initialized = true;
    return true;
}

bool TextureMan::Shutdown() {
    if (!initialized) return false;
    ReleaseAll();
    return System::Shutdown();
}

TextureRecord* TextureMan::FindRecord(const std::string& textureName, std::uint32_t type) {
    for (TextureRecord& record : records)
        if (record.type == type && record.name == textureName) return &record;
    return nullptr;
}

IDirect3DBaseTexture9* TextureMan::TakeShared(const std::string& textureName, std::uint32_t type) {
    TextureRecord* record = FindRecord(textureName, type);
    if (!record) return nullptr;
    ++record->references;
    return record->texture;
}

TextureRecord* TextureMan::FindRecordByTexture(IDirect3DBaseTexture9* texture) {
    if (!texture) return nullptr;
    for (TextureRecord& record : records)
        if (record.texture == texture) return &record;
    return nullptr;
}

IDirect3DBaseTexture9* TextureMan::AddRecord(const std::string& textureName, std::uint32_t type,
                                             IDirect3DBaseTexture9* texture) {
    records.push_front(TextureRecord{textureName, texture, 1, type});
    return texture;
}

IDirect3DBaseTexture9* TextureMan::GetTexture(const char* textureName, std::uint32_t type,
                                              const TextureLoadInfo* info) {
    const std::string key = textureName ? textureName : "";
    if (IDirect3DBaseTexture9* shared = TakeShared(key, type)) return shared;
    if (IDirect3DBaseTexture9* texture = LoadTextureFile(key, type, info ? *info : TextureLoadInfo{}))
        return AddRecord(key, type, texture);

    if (key == kFallbackName) {
        ReportFatalError(FatalText("Loading", key).c_str());
        return nullptr;
    }
    // The fallback's own record answers, so its count covers every holder.
    return GetTexture(kFallbackName, kFlat, nullptr);
}

IDirect3DBaseTexture9* TextureMan::CreateTexture(const char* textureName, std::uint32_t type,
                                                 const TextureLoadInfo* info) {
    IDirect3DBaseTexture9* texture = CreateTextureIfPossible(textureName, type, info);
    if (!texture) ReportFatalError(FatalText("Creating", textureName ? textureName : "").c_str());
    return texture;
}

IDirect3DBaseTexture9* TextureMan::CreateTextureIfPossible(const char* textureName, std::uint32_t type,
                                                           const TextureLoadInfo* info) {
    const std::string key = textureName ? textureName : "";
    if (IDirect3DBaseTexture9* shared = TakeShared(key, type)) return shared;
    IDirect3DBaseTexture9* texture = CreateTextureObject(type, info ? *info : TextureLoadInfo{});
    return texture ? AddRecord(key, type, texture) : nullptr;
}

IDirect3DBaseTexture9* TextureMan::AddRef(IDirect3DBaseTexture9* texture) {
    TextureRecord* record = FindRecordByTexture(texture);
    if (!record) return nullptr;
    ++record->references;
    return texture;
}

void TextureMan::ReleaseTexture(IDirect3DBaseTexture9* texture) {
    if (!texture) return;
    auto it = std::find_if(records.begin(), records.end(),
                           [texture](const TextureRecord& record) { return record.texture == texture; });
    if (it == records.end()) return;
    if (--it->references > 0) return;
    it->texture->Release();
    records.erase(it);
}

void TextureMan::ReleaseAll() {
    for (TextureRecord& record : records)
        if (record.texture) record.texture->Release();
    records.clear();
}

IDirect3DBaseTexture9* TextureMan::LoadTextureFile(const std::string& textureName, std::uint32_t type,
                                                   const TextureLoadInfo& info) {
    IDirect3DDevice9* device = VideoDevice();
    if (!device) return nullptr;
    const std::string path = TexturePath(textureName);
    const auto format = static_cast<D3DFORMAT>(info.format);
    HRESULT hr = E_FAIL;
    IDirect3DBaseTexture9* texture = nullptr;
    if (type == kVolume) {
        IDirect3DVolumeTexture9* volume = nullptr;
        hr = D3DXCreateVolumeTextureFromFileExA(device, path.c_str(), info.width, info.height, info.depth,
                                                info.mipLevels, info.usage, format, D3DPOOL_MANAGED,
                                                D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, info.colorKey, nullptr,
                                                nullptr, &volume);
        texture = volume;
    } else if (type == kCube) {
        IDirect3DCubeTexture9* cube = nullptr;
        hr = D3DXCreateCubeTextureFromFileExA(device, path.c_str(), info.width, info.mipLevels, info.usage,
                                              format, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR,
                                              info.colorKey, nullptr, nullptr, &cube);
        texture = cube;
    } else {
        IDirect3DTexture9* flat = nullptr;
        hr = D3DXCreateTextureFromFileExA(device, path.c_str(), info.width, info.height, info.mipLevels,
                                          info.usage, format, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                          D3DX_FILTER_LINEAR, info.colorKey, nullptr, nullptr, &flat);
        texture = flat;
    }
    return SUCCEEDED(hr) ? texture : nullptr;
}

IDirect3DBaseTexture9* TextureMan::CreateTextureObject(std::uint32_t type, const TextureLoadInfo& info) {
    IDirect3DDevice9* device = VideoDevice();
    if (!device) return nullptr;
    const auto format = static_cast<D3DFORMAT>(info.format);
    HRESULT hr = E_FAIL;
    IDirect3DBaseTexture9* texture = nullptr;
    if (type == kVolume) {
        IDirect3DVolumeTexture9* volume = nullptr;
        hr = D3DXCreateVolumeTexture(device, info.width, info.height, info.depth, info.mipLevels, info.usage,
                                     format, D3DPOOL_MANAGED, &volume);
        texture = volume;
    } else if (type == kCube) {
        IDirect3DCubeTexture9* cube = nullptr;
        hr = D3DXCreateCubeTexture(device, info.width, info.mipLevels, info.usage, format, D3DPOOL_MANAGED,
                                   &cube);
        texture = cube;
    } else {
        IDirect3DTexture9* flat = nullptr;
        hr = D3DXCreateTexture(device, info.width, info.height, info.mipLevels, info.usage, format,
                               D3DPOOL_MANAGED, &flat);
        texture = flat;
    }
    return SUCCEEDED(hr) ? texture : nullptr;
}
