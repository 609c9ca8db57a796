#include "editor/AssetListing.h"

#include <algorithm>

#include "platform/common/AsciiCase.h"

std::vector<std::string> AssetListing::List(const std::filesystem::path& folder, const std::string& extension) {
    std::vector<std::string> files;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string name = it->path().filename().string();
        const std::string ext = it->path().extension().string();
        if (plat::SameIgnoringCase(ext.c_str(), extension.c_str())) files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<std::string> AssetListing::Next(const std::filesystem::path& folder) {
    const std::vector<std::string> files = List(folder, extension);
    if (files.empty()) return std::nullopt;
    if (position >= files.size()) position = 0;
    return files[position++];
}
