#pragma once
// One folder's files of one extension, taken in turn: each call to Next
// gives the following file of the sorted listing, and after the last one the
// first again. The folder is read afresh on every call, so files added or
// removed meanwhile count at once.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class AssetListing {
public:
    // extension with its dot (".png"); matched without regard to case.
    explicit AssetListing(std::string extension) : extension(std::move(extension)) {}

    // The file name (without the folder) of the next file; nothing when the
    // folder is missing, unreadable or holds no such file.
    std::optional<std::string> Next(const std::filesystem::path& folder);
    // Back to the start of the listing.
    void Reset() { position = 0; }

    // The matching file names of a folder, sorted; empty when it cannot be
    // read.
    static std::vector<std::string> List(const std::filesystem::path& folder, const std::string& extension);

private:
    std::string extension;
    std::size_t position = 0;
};
