// PNG through libpng: every colour type and depth comes out as 8-bit BGRA.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/image/Image.h"

namespace plat {
namespace {

struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > src->size - src->pos) png_error(png, "unexpected end of PNG data");
    std::memcpy(out, src->data + src->pos, count);
    src->pos += count;
}

// libpng reports through longjmp; the message is kept for the caller.
void OnError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message ? message : "PNG error";
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

std::uint32_t FileFormatOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return imagefmt::kL8;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return imagefmt::kA8L8;
    case PNG_COLOR_TYPE_RGB: return imagefmt::kX8R8G8B8;
    case PNG_COLOR_TYPE_PALETTE: return imagefmt::kP8;
    }
    return imagefmt::kA8R8G8B8;
}

// Deflate stores at most 258 bytes in one 2-bit code (1032:1): the rows a
// header declares, each with its filter byte, need at least that share.
std::uint64_t LeastCompressedBytes(std::uint64_t width, std::uint64_t height, int channels, int bitDepth) {
    const std::uint64_t rowBytes = (width * std::uint64_t(channels) * std::uint64_t(bitDepth) + 7) / 8;
    return (rowBytes + 1) * height / 1032;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// libpng refuses a side past its limit as "Invalid IHDR data": the size in
// the header (the first chunk, after the signature) is checked before, in
// the words of every other size refusal. A file without that chunk first
// is left to libpng to name.
bool AdmitHeaderSize(const std::uint8_t* data, std::size_t size, std::string& error) {
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return true;
    return AdmitImageSize("PNG", BigEndian32(data + 16), BigEndian32(data + 20), 1, 0, size, error);
}

// Everything that may longjmp lives here, with no object that needs its
// destructor run between setjmp and the jump except the ones passed in.
bool DecodeWithLibpng(png_structp png, png_infop info, MemorySource& source, Image& out,
                      std::vector<png_bytep>& rows, std::string& error) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &source, ReadFromMemory);
    png_set_user_limits(png, kMaxImageDimension, kMaxImageDimension);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (!AdmitImageSize("PNG", width, height, 1, LeastCompressedBytes(width, height, png_get_channels(png, info), bitDepth),
                        source.size - source.pos, error))
        return false;
    out.fileFormat = png_get_valid(png, info, PNG_INFO_tRNS) ? imagefmt::kA8R8G8B8 : FileFormatOf(colorType);

    png_set_expand(png);  // palette to RGB, low grey depths to 8 bits, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t(width) * 4) {
        error = "unexpected PNG row layout";
        return false;
    }

    ImageLevel& level = out.levels.emplace_back();
    level.width = width;
    level.height = height;
    level.bytes.resize(std::size_t(width) * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = level.bytes.data() + std::size_t(y) * width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    out.width = width;
    out.height = height;
    return true;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    out = Image{};
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return error = "not a PNG image", false;
    if (!AdmitHeaderSize(data, size, error)) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnError, OnWarning);
    if (!png) return error = "cannot start the PNG decoder", false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return error = "cannot start the PNG decoder", false;
    }
    MemorySource source{data, size, 0};
    std::vector<png_bytep> rows;
    bool ok = DecodeWithLibpng(png, info, source, out, rows, error);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        out = Image{};
        if (error.empty()) error = "PNG decoding failed";
        return false;
    }
    out.fileType = ImageFileType::PNG;
    return true;
}

}  // namespace plat
