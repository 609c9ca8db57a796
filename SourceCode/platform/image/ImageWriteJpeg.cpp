// JPEG through libjpeg, written to memory: the textures the asset tools
// make as JPEG files.
#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>

#include "platform/image/Image.h"
#include "platform/image/ImageWrite.h"

namespace plat {
namespace {

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    std::string* message;
};
void OnJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    char text[JMSG_LENGTH_MAX] = {};
    errors->base.format_message(info, text);
    *errors->message = text;
    std::longjmp(errors->jump, 1);
}
void OnJpegMessage(j_common_ptr) {}

struct JpegLayout {
    int quality = 90;
    bool progressive = false;
    bool fullColour = false;
};

// Everything that may longjmp lives here; the objects it fills live with the
// caller.
bool EncodeWithLibjpeg(jpeg_compress_struct& info, JpegErrors& errors, std::uint32_t width, std::uint32_t height,
                       const std::uint8_t* bgra, const JpegLayout& layout, unsigned char** buffer,
                       unsigned long* size) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRA;
    jpeg_set_defaults(&info);
    // The integer transform gives the same bytes on every machine.
    info.dct_method = JDCT_ISLOW;
    jpeg_set_quality(&info, layout.quality, TRUE);
    if (layout.fullColour) info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    if (layout.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = std::size_t(width) * 4;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(bgra) + std::size_t(info.next_scanline) * stride;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

bool Encode(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height, const JpegLayout& layout,
            std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    if (!bgra || width == 0 || height == 0 || !ImageSizeAllowed(width, height))
        return error = "no image of a size JPEG files can hold", false;
    jpeg_compress_struct info{};
    JpegErrors errors{};
    errors.message = &error;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    errors.base.output_message = OnJpegMessage;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool ok = EncodeWithLibjpeg(info, errors, width, height, bgra, layout, &buffer, &size);
    jpeg_destroy_compress(&info);
    if (ok) out.assign(buffer, buffer + size);
    std::free(buffer);
    if (!ok && error.empty()) error = "JPEG encoding failed";
    return ok;
}

}  // namespace

bool EncodeJpeg(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height, int quality,
                std::vector<std::uint8_t>& out, std::string& error) {
    return Encode(bgra, width, height, {quality, false, false}, out, error);
}

bool EncodeProgressiveJpeg(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height, int quality,
                           bool fullColour, std::vector<std::uint8_t>& out, std::string& error) {
    return Encode(bgra, width, height, {quality, true, fullColour}, out, error);
}

}  // namespace plat
