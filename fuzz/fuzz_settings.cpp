// Feeds arbitrary bytes to the settings-file reader, which must accept or
// refuse them without overrunning anything (words of any length included).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "Video/Video.h"

namespace {
// Answers no caps, so that the reader needs no display.
class QuietAdapter : public IDirect3D9 {
public:
    HRESULT GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS9*) override { return D3DERR_INVALIDCALL; }
};

Video& TheVideo() {
    static Video* video = [] {
        auto* v = new Video;
        v->AdoptDirect3D(new QuietAdapter);
        return v;
    }();
    return *video;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Video& video = TheVideo();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    video.LoadSettings(in);
    return 0;
}
