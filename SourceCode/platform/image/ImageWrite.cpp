// PNG through libpng, written to memory.
#include "platform/image/ImageWrite.h"

#include <png.h>

#include <csetjmp>

#include "platform/common/Files.h"
#include "platform/image/Image.h"

namespace plat {
namespace {

void WriteToMemory(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}
void FlushNothing(png_structp) {}

// libpng reports through longjmp; the message is kept for the caller.
void OnError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message ? message : "PNG error";
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// Everything that may longjmp lives here; rows is filled by the caller.
bool EncodeWithLibpng(png_structp png, png_infop info, std::uint32_t width, std::uint32_t height,
                      std::vector<png_bytep>& rows, std::vector<std::uint8_t>& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, WriteToMemory, FlushNothing);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool EncodePng(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
               std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    if (!bgra || width == 0 || height == 0 || !ImageSizeAllowed(width, height)) {
        error = "PNG image size out of range";
        return false;
    }
    // PNG stores red first; the engine's pixels are blue first.
    std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = bgra[i + 2];
        rgba[i + 1] = bgra[i + 1];
        rgba[i + 2] = bgra[i];
        rgba[i + 3] = bgra[i + 3];
    }
    std::vector<png_bytep> rows(height);
    for (std::uint32_t y = 0; y < height; ++y) rows[y] = rgba.data() + std::size_t(y) * width * 4;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnError, OnWarning);
    if (!png) {
        error = "cannot start libpng";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    const bool ok = info && EncodeWithLibpng(png, info, width, height, rows, out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok) {
        if (error.empty()) error = "cannot encode PNG";
        out.clear();
    }
    return ok;
}

bool SavePng(const std::string& path, const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
             std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!EncodePng(bgra, width, height, bytes, error)) return false;
    return ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
}

}  // namespace plat
