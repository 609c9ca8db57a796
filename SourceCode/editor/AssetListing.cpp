#include "editor/AssetListing.h"

#include <algorithm>

#include "platform/common/AsciiCase.h"
#include "platform/common/Files.h"

std::vector<std::string> AssetListing::List(const std::filesystem::path& folder, const std::string& extension) {
    std::vector<std::string> files;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        // An entry that cannot be looked at (a loop of links) is listed, so
        // that its reader names it when its turn comes.
        if (!plat::TakeToRead(plat::LookForFile(it->path().string()))) continue;
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
