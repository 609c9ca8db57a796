#include "Video/Effects/EffectInclude.h"

#include <fstream>
#include <sstream>

HRESULT EffectInclude::Open(D3DXINCLUDE_TYPE, const char* fileName, const void*, const void** data,
                            std::uint32_t* bytes) {
    if (!fileName || !data || !bytes) return E_FAIL;
    std::string path = folder.empty() ? std::string(fileName) : folder + fileName;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return E_FAIL;
    std::ostringstream read;
    read << in.rdbuf();
    // Text mode: a carriage-return line-feed pair is one line end.
    const std::string raw = read.str();
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
