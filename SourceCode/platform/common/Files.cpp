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
#include <utility>
#include <vector>

namespace plat {

std::string ForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

namespace {
std::atomic<std::uint64_t> filesOpened{0};
}  // namespace

std::uint64_t FilesOpened() { return filesOpened.load(); }

namespace {
constexpr std::uint64_t kMiB = std::uint64_t(1) << 20;

const char* KindName(FileKind kind) {
    switch (kind) {
    case FileKind::Image: return "an image file";
    case FileKind::XFile: return "a .x file";
    case FileKind::Effect: return "an effect file";
    case FileKind::Script: return "a command file";
    case FileKind::Settings: return "a settings file";
    }
    return "a file";
}

const char* NotRegular(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

bool Refuse(std::string* reason, const std::string& what) {
    if (reason) *reason = what;
    return false;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};
}  // namespace

std::uint64_t FileSizeCap(FileKind kind) {
    switch (kind) {
    case FileKind::Image: return 512 * kMiB;
    case FileKind::XFile: return 64 * kMiB;
    case FileKind::Effect: return 16 * kMiB;
    case FileKind::Script: return 1 * kMiB;
    case FileKind::Settings: return 1 * kMiB;
    }
    return 0;
}

FileLook LookForFile(const std::string& path, std::string* why) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) return S_ISREG(status.st_mode) ? FileLook::Regular : FileLook::NotRegular;
    // A folder on the way that is a file is no such file either, as for the
    // standard library's look.
    if (errno == ENOENT || errno == ENOTDIR) return FileLook::Missing;
    if (why) *why = CannotBeRead(path, std::strerror(errno));
    return FileLook::Unreadable;
}

int OpenRegularFile(const std::string& path, std::string* why, std::uint64_t* size) {
    auto refuse = [why](const std::string& reason) {
        if (why) *why = reason;
        return -1;
    };
    // Without blocking: opening a FIFO would wait for a writer.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) return refuse(std::strerror(errno));
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return refuse(std::strerror(errno));
    if (!S_ISREG(status.st_mode)) return refuse(std::string(NotRegular(status.st_mode)) + ", not a regular file");
    if (size) *size = std::uint64_t(status.st_size);
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    return file.release();
}

bool ReadRegularFile(const std::string& path, std::string& contents, FileKind kind, std::string* reason) {
    ++filesOpened;
    // A file that comes slowly (a stalled disk) is named should the end of
    // the game wait on it.
    NowRunning reading("reading ", path);
    std::uint64_t size = 0;
    Descriptor file(OpenRegularFile(path, reason, &size));
    if (file.get() < 0) return false;
    const std::uint64_t cap = FileSizeCap(kind);
    auto tooLarge = [&](std::uint64_t size) {
        return Refuse(reason, "it holds " + std::to_string(size) + " bytes, more than the " + std::to_string(cap / kMiB) +
                                  " MB " + KindName(kind) + " may hold");
    };
    if (size > cap) return tooLarge(size);
    // The size is only a hint: a file that grows while read is held to the
    // cap all the same.
    std::string bytes;
    bytes.reserve(std::size_t(size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Refuse(reason, std::strerror(errno));
        if (n == 0) break;
        if (bytes.size() + std::size_t(n) > cap) return tooLarge(bytes.size() + std::size_t(n));
        bytes.append(buffer, std::size_t(n));
    }
    contents = std::move(bytes);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& contents, FileKind kind, std::string* why) {
    std::string reason;
    if (ReadRegularFile(path, contents, kind, &reason)) return true;
    if (why) *why = CannotBeRead(path, reason);
    return false;
}

std::string CannotBeRead(std::string_view name, std::string_view reason) {
    return std::string(name) + ": cannot be read (" + std::string(reason) + ")";
}

}  // namespace plat
