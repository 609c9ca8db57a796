// JPEG through libjpeg: grey and colour images come out as opaque BGRA.
#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>

#include "platform/image/Image.h"

namespace plat {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    std::string* message;
};

void OnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    char text[JMSG_LENGTH_MAX] = {};
    manager->base.format_message(info, text);
    // libjpeg asks for a backing store when its working memory passes the
    // limit set from the image's size: say so in our words.
    *manager->message = manager->base.msg_code == JERR_NO_BACKING_STORE
                            ? "JPEG image needs more working memory than its size allows"
                            : text;
    std::longjmp(manager->jump, 1);
}
void OnMessage(j_common_ptr) {}

// libjpeg only warns when the data ends early and then makes up the missing
// rows (flat grey): such a file is refused, as a truncated PNG is. Other
// warnings (a damaged stretch inside data that is all there) are counted
// and the picture kept.
void OnEmit(j_common_ptr info, int level) {
    if (level >= 0) return;
    ++info->err->num_warnings;
    if (info->err->msg_code != JWRN_JPEG_EOF) return;
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    char text[JMSG_LENGTH_MAX] = {};
    manager->base.format_message(info, text);
    *manager->message = std::string("truncated JPEG data: ") + text;
    std::longjmp(manager->jump, 1);
}

// Every block of every component is coded at least once (its DC value), in
// at least one bit with Huffman codes. Arithmetic coding has no such floor:
// its files are held to the end of their data alone.
std::uint64_t LeastScanBytes(const jpeg_decompress_struct& info) {
    if (info.arith_code) return 0;
    std::uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks += std::uint64_t(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
    return blocks / 8;
}

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t step) { return (value + step - 1) / step * step; }

// A file of more than one scan (progressive, or one component per scan)
// keeps every coefficient of the image until its last scan, 128 bytes a
// block, padded to whole sampling units as libjpeg pads them; the rest of
// libjpeg's working memory is a few rows of samples. The limit is that and
// room to spare, so every image the size check admitted decodes, and a
// forged header still gets no more than its declared size needs.
long WorkingMemoryLimit(const jpeg_decompress_struct& info) {
    std::uint64_t coefficients = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        coefficients += RoundUp(component.width_in_blocks, std::uint64_t(component.h_samp_factor)) *
                        RoundUp(component.height_in_blocks, std::uint64_t(component.v_samp_factor)) * sizeof(JBLOCK);
    }
    const std::uint64_t rows = std::uint64_t(info.image_width) * std::uint64_t(info.num_components) * 256;
    return long(coefficients + rows + 16u * 1024 * 1024);
}

// Everything that may longjmp lives here; the objects it fills live with the
// caller, so no destructor is skipped by the jump.
bool DecodeWithLibjpeg(jpeg_decompress_struct& info, ErrorManager& errors, const std::uint8_t* data,
                       std::size_t size, Image& out, std::string& error) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!AdmitImageSize("JPEG", info.image_width, info.image_height, 1, LeastScanBytes(info),
                        info.src->bytes_in_buffer, error))
        return false;
    info.mem->max_memory_to_use = WorkingMemoryLimit(info);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        error = "CMYK JPEG images are not supported";
        return false;
    }
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    if (info.output_components != 4) {
        error = "unexpected JPEG output layout";
        return false;
    }
    ImageLevel& level = out.levels.emplace_back();
    level.width = info.output_width;
    level.height = info.output_height;
    const std::size_t stride = std::size_t(level.width) * 4;
    level.bytes.resize(stride * level.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = level.bytes.data() + std::size_t(info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    out.width = level.width;
    out.height = level.height;
    out.fileFormat = info.jpeg_color_space == JCS_GRAYSCALE ? imagefmt::kL8 : imagefmt::kX8R8G8B8;
    return true;
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    out = Image{};
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8) return error = "not a JPEG image", false;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    errors.message = &error;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.output_message = OnMessage;
    errors.base.emit_message = OnEmit;
    bool ok = DecodeWithLibjpeg(info, errors, data, size, out, error);
    jpeg_destroy_decompress(&info);
    if (!ok) {
        out = Image{};
        if (error.empty()) error = "JPEG decoding failed";
        return false;
    }
    out.fileType = ImageFileType::JPG;
    return true;
}

}  // namespace plat
