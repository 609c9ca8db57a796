// Feeds arbitrary bytes as a sound file to the reader that loads samples and
// streams, and decodes it the way both do: whole, in pieces, mixed to mono,
// and from a seek.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound/SoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int fd = ::memfd_create("sound", 0);
    if (fd < 0) return 0;
    if (::write(fd, data, size) == static_cast<ssize_t>(size)) {
        auto reader = plat::SoundFileReader::Open("/proc/self/fd/" + std::to_string(fd));
        if (reader) {
            const std::size_t piece = 1024;
            std::vector<std::int16_t> frames(piece * static_cast<std::size_t>(reader->Channels()));
            std::size_t total = 0;
            while (total < (1u << 18)) {
                std::size_t got = reader->Read(frames.data(), piece);
                if (got == 0) break;
                plat::MixDownToMono(frames.data(), got, reader->Channels());
                total += got;
            }
            reader->Seek(reader->Frames() / 2);
            reader->Read(frames.data(), piece);
        }
    }
    ::close(fd);
    return 0;
}
