#include "Video/Effects/EffectInclude.h"
#include "platform/common/Files.h"


HRESULT EffectInclude::Open(D3DXINCLUDE_TYPE, const char* fileName, const void*, const void** data,
                            std::uint32_t* bytes) {
    if (!fileName || !data || !bytes) return E_FAIL;
    const std::string path = plat::ForwardSlashes(folder.empty() ? std::string(fileName) : folder + fileName);
    std::string raw;
    if (!plat::ReadWholeFile(path, raw, plat::FileKind::Effect)) return E_FAIL;
    // Text mode: a carriage-return line-feed pair is one line end.
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    char* buffer = new char[text.size() + 1];
    text.copy(buffer, text.size());
    buffer[text.size()] = '\0';
    *data = buffer;
    *bytes = static_cast<std::uint32_t>(text.size());
    return S_OK;
}

HRESULT EffectInclude::Close(const void* data) {
    delete[] static_cast<const char*>(data);
    return S_OK;
}
