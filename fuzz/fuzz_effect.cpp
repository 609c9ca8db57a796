// Feeds arbitrary bytes to the effect-source parser (with an include handler
// that serves the same bytes again, so nesting and its limit are exercised)
// and to the compiled-file reader, and composes whatever parses.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3dx/EffectSource.h"

namespace {

class EchoInclude : public plat::ID3DXInclude {
public:
    explicit EchoInclude(const std::string& text) : text(text) {}
    HRESULT Open(plat::D3DXINCLUDE_TYPE, const char* name, const void*, const void** data,
                       std::uint32_t* bytes) override {
        if (std::string(name) == "missing") return E_FAIL;
        *data = text.data();
        *bytes = static_cast<std::uint32_t>(text.size());
        return S_OK;
    }
    HRESULT Close(const void*) override { return S_OK; }

private:
    const std::string& text;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    EchoInclude include(text);
    plat::FxError error;
    if (auto effect = plat::ParseEffect(text, "fuzz.fx", &include, &error)) {
        for (const plat::FxStage& stage : effect->stages) (void)plat::ComposeStage(*effect, stage);
        const auto bytes = plat::SerializeEffect(*effect);
        (void)plat::DeserializeEffect(bytes.data(), bytes.size());
    }
    (void)plat::DeserializeEffect(data, size);
    (void)plat::MapGlslMessage(plat::FxEffect{}, text);
    return 0;
}
