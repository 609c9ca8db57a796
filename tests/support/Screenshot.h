#pragma once
// Saves what a test drew as a PNG under the test output folder
// (TOLLYMOP_TEST_OUTPUT, set by tests/CMakeLists.txt; the working directory
// when it is missing), so that a person can look at it. The back buffer's
// alpha is not part of the picture: every pixel is written opaque.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gfx/D3DTypes.h"
#include "platform/image/ImageWrite.h"

inline std::filesystem::path TestOutputFolder(const std::string& subfolder) {
    const char* root = std::getenv("TOLLYMOP_TEST_OUTPUT");
    std::filesystem::path folder = root ? std::filesystem::path(root) : std::filesystem::current_path();
    folder /= subfolder;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

// pixels: 0xAARRGGBB words, top row first. Returns the file written, or an
// empty path when writing failed.
inline std::filesystem::path SaveScreenshot(const std::vector<D3DCOLOR>& pixels, std::uint32_t width,
                                            const std::string& subfolder, const std::string& fileName) {
    if (width == 0 || pixels.empty()) return {};
    const std::uint32_t height = static_cast<std::uint32_t>(pixels.size() / width);
    std::vector<std::uint8_t> bgra(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        const D3DCOLOR c = pixels[i] | 0xFF000000u;
        for (int b = 0; b < 4; ++b) bgra[i * 4 + b] = std::uint8_t(c >> (8 * b));
    }
    const std::filesystem::path path = TestOutputFolder(subfolder) / fileName;
    std::string error;
    return plat::SavePng(path.string(), bgra.data(), width, height, error) ? path : std::filesystem::path();
}
