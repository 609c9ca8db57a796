#include "platform/common/Files.h"

#include "platform/common/NowRunning.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace plat {

std::string ForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

namespace {
std::atomic<std::uint64_t> filesOpened{0};
}  // namespace

std::uint64_t FilesOpened() { return filesOpened.load(); }

bool ReadWholeFile(const std::string& path, std::string& contents) {
    ++filesOpened;
    // A file that comes slowly (a pipe, a stalled disk) is named should the
    // end of the game wait on it.
    NowRunning reading("reading ", path);
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    contents = text.str();
    return true;
}

namespace {
bool Failed(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

bool WriteAll(int fd, std::string_view contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}
}  // namespace

bool ReplaceFile(const std::string& path, std::string_view contents, std::string* error) {
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return Failed(error, path + ": cannot create a temporary file");
    bool written = WriteAll(fd, contents) && ::fsync(fd) == 0;
    int savedErrno = errno;
    written = ::close(fd) == 0 && written;
    if (!written) {
        errno = savedErrno;
        Failed(error, path + ": cannot write the file");
        ::unlink(temp.c_str());
        return false;
    }
    // mkstemp makes the file private; a saved file gets the usual rights.
    ::chmod(temp.c_str(), 0644);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        Failed(error, path + ": cannot replace the file");
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace plat
