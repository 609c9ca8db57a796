// The MSZIP blocks of compressed .x files, through zlib's raw deflate.
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "platform/xfile/XFileInternal.h"

namespace plat::xfile {

namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kBlockHeaderSize = 6;  // inflated size, packed size, "CK"
constexpr int kRawDeflate = -15;             // no zlib header, 32 KB window

std::uint32_t Le32(const char* p) {
    return std::uint32_t(std::uint8_t(p[0])) | std::uint32_t(std::uint8_t(p[1])) << 8 |
           std::uint32_t(std::uint8_t(p[2])) << 16 | std::uint32_t(std::uint8_t(p[3])) << 24;
}
std::uint16_t Le16(const char* p) { return std::uint16_t(std::uint8_t(p[0]) | std::uint8_t(p[1]) << 8); }

void PutLe16(std::string& out, std::size_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void PutLe32(std::string& out, std::size_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, (v >> 16) & 0xFFFF);
}

// The window a block goes on from: the last 32 KB inflated before it.
std::string_view Window(const std::string& before) {
    const std::size_t size = std::min(before.size(), kMszipBlock);
    return std::string_view(before).substr(before.size() - size);
}

struct Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit2(&stream, kRawDeflate) == Z_OK; }
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
};

struct Deflater {
    z_stream stream{};
    bool ready = false;
    Deflater() { ready = deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kRawDeflate, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater() {
        if (ready) deflateEnd(&stream);
    }
};

// The bytes the well-formed block headers say they inflate to, up to the
// first that is not: the room to make for the blocks, which a block of a
// few bytes cannot fill beyond its 32 KB.
std::size_t BlocksSay(std::string_view in) {
    std::size_t total = 0;
    for (std::size_t pos = 4; in.size() - pos >= kBlockHeaderSize && in[pos + 4] == 'C' && in[pos + 5] == 'K';) {
        const std::size_t packedSize = Le16(in.data() + pos + 2);
        if (packedSize < 2 || packedSize > in.size() - pos - 4) break;
        total += Le16(in.data() + pos);
        pos += 4 + packedSize;
    }
    return total;
}

}  // namespace

bool InflateMszip(std::string_view in, std::size_t cap, std::string& out, std::size_t& faultOffset,
                  std::string& fault) {
    auto fail = [&](std::size_t at, std::string what) {
        faultOffset = kHeaderSize + at;
        fault = std::move(what);
        return false;
    };
    if (in.size() < 4) return fail(in.size(), "the compressed file ends before its inflated size");
    const std::uint32_t total = Le32(in.data());
    if (total < kHeaderSize) return fail(0, "the inflated size " + std::to_string(total) + " is less than a header");
    const std::size_t bodySize = total - kHeaderSize;
    // The cap of a .x file holds for what it inflates to, header included:
    // inflation stops at the declared size, which may not pass it.
    if (total > cap)
        return fail(0, "inflates to " + std::to_string(bodySize) + " bytes, over the " + std::to_string(cap >> 20) +
                           " MB a .x file may hold");
    Inflater inflater;
    if (!inflater.ready) return fail(0, "zlib cannot start");
    out.clear();
    out.reserve(std::min(bodySize, BlocksSay(in)));
    std::size_t pos = 4;
    while (pos < in.size()) {
        const std::size_t block = pos;
        if (in.size() - pos < kBlockHeaderSize) return fail(block, "an MSZIP block header is cut short");
        const std::size_t rawSize = Le16(in.data() + pos), packedSize = Le16(in.data() + pos + 2);
        if (in[pos + 4] != 'C' || in[pos + 5] != 'K') return fail(block + 4, "an MSZIP block lacks its \"CK\" signature");
        if (rawSize == 0 || rawSize > kMszipBlock)
            return fail(block, "an MSZIP block says it inflates to " + std::to_string(rawSize) + " bytes");
        if (packedSize < 2 || packedSize > in.size() - pos - 4)
            return fail(block + 2, "an MSZIP block of " + std::to_string(packedSize) + " bytes runs past the end");
        if (rawSize > bodySize - out.size())
            return fail(block, "the blocks inflate to more than the " + std::to_string(bodySize) + " bytes declared");
        z_stream& z = inflater.stream;
        inflateReset(&z);
        const std::string_view window = Window(out);
        if (!window.empty() &&
            inflateSetDictionary(&z, reinterpret_cast<const Bytef*>(window.data()), uInt(window.size())) != Z_OK)
            return fail(block, "zlib refuses the window of the block before");
        const std::size_t before = out.size();
        out.resize(before + rawSize);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + pos + kBlockHeaderSize));
        z.avail_in = uInt(packedSize - 2);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        z.avail_out = uInt(rawSize);
        const int result = inflate(&z, Z_FINISH);
        if (result != Z_STREAM_END) {
            if (z.avail_out == 0 && result != Z_DATA_ERROR)
                return fail(block, "an MSZIP block inflates to more than its " + std::to_string(rawSize) + " bytes");
            return fail(block + kBlockHeaderSize,
                        std::string("an MSZIP block does not inflate") + (z.msg ? std::string(" (") + z.msg + ")" : ""));
        }
        if (z.avail_out != 0)
            return fail(block, "an MSZIP block inflates to " + std::to_string(rawSize - z.avail_out) + " bytes, not " +
                                   std::to_string(rawSize));
        pos += 4 + packedSize;
    }
    if (out.size() != bodySize)
        return fail(pos, "the blocks inflate to " + std::to_string(out.size()) + " bytes, the file declares " +
                             std::to_string(bodySize));
    return true;
}

std::string DeflateMszip(std::string_view body) {
    std::string out;
    PutLe32(out, body.size() + kHeaderSize);
    Deflater deflater;
    if (!deflater.ready) return out;
    std::vector<Bytef> packed(deflateBound(&deflater.stream, kMszipBlock) + 16);
    for (std::size_t at = 0; at < body.size(); at += kMszipBlock) {
        const std::string_view chunk = body.substr(at, kMszipBlock);
        z_stream& z = deflater.stream;
        deflateReset(&z);
        const std::string_view window = body.substr(at - std::min(at, kMszipBlock), std::min(at, kMszipBlock));
        if (!window.empty())
            deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(window.data()), uInt(window.size()));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
        z.avail_in = uInt(chunk.size());
        z.next_out = packed.data();
        z.avail_out = uInt(packed.size());
        deflate(&z, Z_FINISH);
        const std::size_t packedSize = packed.size() - z.avail_out;
        PutLe16(out, chunk.size());
        PutLe16(out, packedSize + 2);
        out += "CK";
        out.append(reinterpret_cast<const char*>(packed.data()), packedSize);
    }
    return out;
}

}  // namespace plat::xfile
