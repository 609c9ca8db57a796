// Feeds arbitrary bytes to the image decoders, then runs what the texture
// loaders do with a decoded image: DXT decoding, the colour key and a mip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/image/Image.h"
#include "platform/image/ImageOps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plat::Image image;
    std::string error;
    if (!plat::DecodeImage(data, size, image, error)) return 0;
    // Keep the follow-up work small so the decoders get the fuzzing time.
    if (std::uint64_t(image.width) * image.height * image.depth > (1u << 16)) return 0;
    plat::DecompressImage(image);
    for (plat::ImageLevel& level : image.levels) {
        plat::ApplyColorKey(level, 0xFFFF00FF);
        plat::NextMipLevel(level, plat::ImageFilter::Linear);
    }
    return 0;
}
