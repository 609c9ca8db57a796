#include "platform/common/Files.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace plat {

std::string ForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    contents = text.str();
    return true;
}

}  // namespace plat
