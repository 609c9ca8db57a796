// material_gallery: renders every material kind into one labelled PNG grid.
//
//   material_gallery <out.png>                    render and write
//   material_gallery --check <reference.png> <out.png>
//       render, write, and fail unless every kind's effect loaded, every
//       cell differs from every other, and each cell with its label
//       matches the reference's (at most 0.5% of the cell's pixels off by
//       more than 24 levels).
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
// Of one cell: a share of the whole picture would let one material's cell
// change entirely and pass.
constexpr double kReferenceCellShare = 0.005;
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
    } else if (reference.width != picture.width || reference.height != picture.height) {
        std::fprintf(stderr, "the reference is %ux%u, the gallery %ux%u\n", reference.width, reference.height,
                     picture.width, picture.height);
        ++failed;
    } else {
        for (std::uint32_t kind = 0; kind < gallery::kKinds; ++kind) {
            const gallery::Difference d = gallery::Compare(gallery::Cell(picture, kind, true),
                                                           gallery::Cell(reference, kind, true), kPixelTolerance);
            const bool matches = d.share <= kReferenceCellShare;
            std::printf("cell %2u against the reference: %zu pixels (%.2f%%) differ by more than %d, largest %d%s\n",
                        kind, d.differing, d.share * 100.0, kPixelTolerance, d.largest,
                        matches ? "" : ": too many");
            if (matches) ++passed;
            else ++failed;
        }
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
