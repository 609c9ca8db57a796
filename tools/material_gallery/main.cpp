// material_gallery: renders every material kind into one labelled PNG grid.
//
//   material_gallery <out.png>                    render and write
//   material_gallery --check <reference.png> <out.png>
//       render, write, and fail unless every kind's effect loaded, every
//       cell differs from every other, and the picture matches the
//       reference (at most 0.5% of pixels off by more than 24 levels).
//
// The assets and effect sources come from $TOLLYMOP_ROOT, else the current
// directory.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Gallery.h"
#include "platform/image/Image.h"
#include "platform/image/ImageWrite.h"

namespace {

constexpr int kPixelTolerance = 24;
constexpr double kReferenceShare = 0.005;
constexpr int kCellTolerance = 8;
constexpr double kDistinctShare = 0.002;

bool LoadPicture(const std::string& path, gallery::Picture& out) {
    plat::Image image;
    std::string error;
    if (!plat::LoadImageFile(path, image, error)) {
        std::fprintf(stderr, "material_gallery: %s\n", error.c_str());
        return false;
    }
    out.width = image.width;
    out.height = image.height;
    out.bgra = image.Level(0, 0).bytes;
    return true;
}

int Check(const gallery::Picture& picture, const std::string& referencePath) {
    int failed = 0;
    int passed = 0;
    for (std::uint32_t a = 0; a < gallery::kKinds; ++a)
        for (std::uint32_t b = a + 1; b < gallery::kKinds; ++b) {
            const gallery::Difference d =
                gallery::Compare(gallery::Cell(picture, a), gallery::Cell(picture, b), kCellTolerance);
            if (d.share <= kDistinctShare) {
                std::fprintf(stderr, "cells %u and %u look alike (%.4f%% differ)\n", a, b, d.share * 100.0);
                ++failed;
            } else {
                ++passed;
            }
        }
    gallery::Picture reference;
    if (!LoadPicture(referencePath, reference)) {
        ++failed;
    } else {
        const gallery::Difference d = gallery::Compare(picture, reference, kPixelTolerance);
        std::printf("against the reference: %.4f%% of pixels differ by more than %d (largest %d)\n",
                    d.share * 100.0, kPixelTolerance, d.largest);
        if (d.share > kReferenceShare) ++failed;
        else ++passed;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string reference;
    std::string out;
    if (argc == 2) {
        out = argv[1];
    } else if (argc == 4 && std::string(argv[1]) == "--check") {
        reference = argv[2];
        out = argv[3];
    } else {
        std::fprintf(stderr, "usage: material_gallery [--check <reference.png>] <out.png>\n");
        return 2;
    }
    const char* root = std::getenv("TOLLYMOP_ROOT");
    const gallery::Result result = gallery::Render(root ? root : ".");
    if (result.picture.bgra.empty()) {
        std::fprintf(stderr, "material_gallery: %s\n", result.error.c_str());
        return 1;
    }
    std::string error;
    if (!plat::SavePng(out, result.picture.bgra.data(), result.picture.width, result.picture.height, error)) {
        std::fprintf(stderr, "material_gallery: %s\n", error.c_str());
        return 1;
    }
    if (!result.error.empty()) {
        std::fprintf(stderr, "%s", result.error.c_str());
        return 1;
    }
    return reference.empty() ? 0 : Check(result.picture, reference);
}
