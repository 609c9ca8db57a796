#pragma once
// Renders the material gallery: one cell per material kind, each a sphere of
// that kind over the ground kind, lit by one point light and one
// directional light, with cast shadows, and the kind's number under it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gallery {

constexpr std::uint32_t kKinds = 25;
constexpr std::uint32_t kColumns = 5;
constexpr std::uint32_t kCellWidth = 160;
constexpr std::uint32_t kCellHeight = 120;
constexpr std::uint32_t kLabelHeight = 14;

// 8-bit BGRA, top row first.
struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> bgra;
};

struct Result {
    Picture picture;
    // Per kind, the result its material reported for the sphere (0 drawn,
    // 4 not a mesh kind), or -1 when the kind's material was not made.
    std::int32_t drawResults[kKinds] = {};
    std::string error;  // empty on success
};

// Renders the gallery with the assets and effect sources under root (the
// repository or the game's working directory). Runs in a temporary working
// directory of its own.
Result Render(const std::string& root);

// The picture of one cell, without its label or (withLabel) with it.
Picture Cell(const Picture& gallery, std::uint32_t kind, bool withLabel = false);

// The largest difference of one colour channel between two pictures of the
// same size, and the number and share (0..1) of pixels that differ by more
// than `tolerance` in some channel.
struct Difference {
    int largest = 0;
    std::size_t differing = 0;
    double share = 0.0;
};
Difference Compare(const Picture& a, const Picture& b, int tolerance);

}  // namespace gallery
