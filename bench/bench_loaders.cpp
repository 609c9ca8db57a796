// The readers' speed, each beside a reference measured in the same run: the
// .x reader against converting the same numbers with strtod, the two in
// turns (and its peak
// heap per byte of file), the image and effect loaders against reading the
// same file into memory, the least any loader must do.
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <utility>
#include <string>
#include <vector>

#include "characters/CharacterFile.h"
#include "characters/NPC.h"
#include "platform/common/Files.h"
#include "platform/d3dx/D3DX9Texture.h"
#include "platform/d3dx/D3DXEffect.h"
#include "platform/d3dx/D3DXMesh.h"
#include "platform/image/Image.h"
#include "platform/image/ImageOps.h"
#include "platform/image/ImageWrite.h"
#include "platform/xfile/XFile.h"
#include "support/TempDir.h"
#include "support/TestDevice.h"
#include "support/TestVideo.h"
#include "world/Physics.h"

// ---- heap accounting: every operator new of the process ----------------------

namespace {
std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};

void* Take(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    std::size_t now = heapNow += malloc_usable_size(p);
    std::size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}
void Give(void* p) {
    if (!p) return;
    heapNow -= malloc_usable_size(p);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return Take(size); }
void* operator new[](std::size_t size) { return Take(size); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr double kSecondsEach = 0.5;

// Runs work() until kSecondsEach have passed, at least `least` times: how
// many runs, and the seconds they took.
std::pair<long, double> TimedRuns(const std::function<void()>& work, long least) {
    auto start = Clock::now();
    long runs = 0;
    double elapsed = 0.0;
    do {
        work();
        ++runs;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < kSecondsEach || runs < least);
    return {runs, elapsed};
}

// Bytes per second of work(), which handles `bytes` bytes each time.
double Rate(std::size_t bytes, const std::function<void()>& work) {
    work();  // warm: page cache, first-use allocations
    const auto [runs, elapsed] = TimedRuns(work, 2);
    return double(bytes) * double(runs) / elapsed;
}

// Bytes per second of two pieces of work over the same bytes, run in turns
// so that a changing load on the machine hits both alike.
std::pair<double, double> RatesSideBySide(std::size_t bytes, const std::function<void()>& a,
                                          const std::function<void()>& b) {
    a();
    b();
    double seconds[2] = {0.0, 0.0};
    long runs = 0;
    do {
        int i = 0;
        for (const auto* work : {&a, &b}) {
            auto start = Clock::now();
            (*work)();
            seconds[i++] += std::chrono::duration<double>(Clock::now() - start).count();
        }
        ++runs;
    } while (seconds[0] + seconds[1] < 2 * kSecondsEach || runs < 3);
    return {double(bytes) * double(runs) / seconds[0], double(bytes) * double(runs) / seconds[1]};
}

void Row(const char* what, std::size_t bytes, double rate, const char* reference, double referenceRate) {
    std::printf("  %-34s %8.1f MB/s   %-8s %8.1f MB/s   ratio %6.3f   (%zu bytes)\n", what, rate / 1e6, reference,
                referenceRate / 1e6, referenceRate > 0 ? rate / referenceRate : 0.0, bytes);
}

volatile std::uint8_t sink;

double ReadRate(const fs::path& file, std::size_t bytes) {
    return Rate(bytes, [&] {
        std::string contents;
        plat::ReadWholeFile(file.string(), contents);
        sink = std::uint8_t(contents.size());
    });
}

std::string ReadAll(const fs::path& path) {
    std::string text;
    plat::ReadWholeFile(path.string(), text);
    return text;
}

// ---- .x --------------------------------------------------------------------

// A mesh of `vertices` vertices on a wavy grid, with normals and texture
// coordinates, as an exporter writes it.
std::string MeshText(int vertices) {
    const int side = int(std::sqrt(double(vertices)));
    const int count = side * side;
    std::string t = "xof 0303txt 0032\nMesh grid {\n " + std::to_string(count) + ";\n";
    char line[128];
    auto vertex = [&](int i) {
        const float x = float(i % side) * 0.37f, z = float(i / side) * 0.41f;
        std::snprintf(line, sizeof line, " %.6f;%.6f;%.6f;%c\n", x, std::sin(x) * std::cos(z), z,
                      i + 1 < count ? ',' : ';');
        t += line;
    };
    for (int i = 0; i < count; ++i) vertex(i);
    const int quads = (side - 1) * (side - 1);
    t += " " + std::to_string(quads * 2) + ";\n";
    auto faces = [&] {
        for (int q = 0; q < quads; ++q) {
            const int a = (q / (side - 1)) * side + q % (side - 1), b = a + 1, c = a + side, d = c + 1;
            std::snprintf(line, sizeof line, " 3;%d,%d,%d;,\n 3;%d,%d,%d;%c\n", a, c, b, b, c, d,
                          q + 1 < quads ? ',' : ';');
            t += line;
        }
    };
    faces();
    t += " MeshNormals {\n  " + std::to_string(count) + ";\n";
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "  %.6f;%.6f;%.6f;%c\n", 0.0f, 1.0f, 0.0f, i + 1 < count ? ',' : ';');
        t += line;
    }
    t += "  " + std::to_string(quads * 2) + ";\n";
    faces();
    t += " }\n MeshTextureCoords {\n  " + std::to_string(count) + ";\n";
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "  %.6f;%.6f;%c\n", float(i % side) / float(side),
                      float(i / side) / float(side), i + 1 < count ? ',' : ';');
        t += line;
    }
    t += " }\n}\n";
    return t;
}

// The reference: every number of the text converted with strtod.
void ConvertEveryNumber(const std::string& text) {
    double sum = 0.0;
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end) {
        if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
            char* next = nullptr;
            sum += std::strtod(p, &next);
            p = next > p ? next : p + 1;
        } else {
            ++p;
        }
    }
    sink = std::uint8_t(sum);
}

// Milliseconds of one run of each, timed in turns.
std::pair<double, double> MillisecondsSideBySide(const std::function<void()>& a, const std::function<void()>& b) {
    auto [aRate, bRate] = RatesSideBySide(1, a, b);
    return {1e3 / aRate, 1e3 / bRate};
}

void TimeRow(const char* what, double ms, std::size_t bytes, double textMs, std::size_t textBytes) {
    std::printf("  %-34s %8.2f ms (%zu bytes)   text %8.2f ms (%zu bytes)   ratio %6.3f\n", what, ms, bytes, textMs,
                textBytes, textMs > 0 ? ms / textMs : 0.0);
}

// The same mesh written as a binary .x file: read, then loaded as a mesh,
// each beside the text file's.
void BinaryBesideText(const fs::path& dir, const std::string& text) {
    plat::XDocument doc;
    std::string error, binary;
    plat::ParseXFile(text, plat::XTemplateRegistry::Standard(), doc, &error);
    std::vector<const plat::XDataObject*> objects;
    for (const auto& o : doc.objects) objects.push_back(o.get());
    if (!plat::WriteXFile({}, objects, binary, &error, {plat::XFormat::Binary, false})) {
        std::printf("  .x binary: %s\n", error.c_str());
        return;
    }
    const fs::path textFile = dir / "grid.x", binaryFile = dir / "grid_bin.x";
    plat::ReplaceFile(binaryFile.string(), binary, &error);
    auto parse = [](const std::string& bytes) {
        return [&bytes] {
            plat::XDocument d;
            plat::ParseXFile(bytes, plat::XTemplateRegistry::Standard(), d, nullptr);
        };
    };
    auto load = [](const fs::path& file) {
        return [file] {
            ID3DXMesh* mesh = nullptr;
            if (SUCCEEDED(D3DXLoadMeshFromXA(file.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, &mesh)))
                mesh->Release();
        };
    };
    auto [parseBinary, parseText] = MillisecondsSideBySide(parse(binary), parse(text));
    TimeRow(".x binary read (the same mesh)", parseBinary, binary.size(), parseText, text.size());
    auto [loadBinary, loadText] = MillisecondsSideBySide(load(binaryFile), load(textFile));
    TimeRow(".x binary mesh load", loadBinary, binary.size(), loadText, text.size());
}

void XFigures(const fs::path& dir) {
    const std::string text = MeshText(60000);
    const fs::path file = dir / "grid.x";
    std::string error;
    plat::ReplaceFile(file.string(), text, &error);

    // Peak heap while one document is read and held, per byte of file.
    const std::size_t before = heapNow.load();
    heapPeak = before;
    {
        plat::XDocument doc;
        if (!plat::ParseXFile(text, plat::XTemplateRegistry::Standard(), doc, &error))
            std::printf("  .x: %s\n", error.c_str());
    }
    const double perByte = double(heapPeak.load() - before) / double(text.size());

    auto strtodPass = [&] { ConvertEveryNumber(text); };
    auto [parse, strtodRate] = RatesSideBySide(
        text.size(),
        [&] {
            plat::XDocument doc;
            plat::ParseXFile(text, plat::XTemplateRegistry::Standard(), doc, nullptr);
        },
        strtodPass);
    Row(".x text (60,000 vertices)", text.size(), parse, "strtod", strtodRate);
    auto [load, strtodAgain] = RatesSideBySide(
        text.size(),
        [&] {
            ID3DXMesh* mesh = nullptr;
            if (SUCCEEDED(D3DXLoadMeshFromXA(file.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, &mesh)))
                mesh->Release();
        },
        strtodPass);
    Row(".x mesh load (the same file)", text.size(), load, "strtod", strtodAgain);
    std::printf("  %-34s %8.2f bytes of heap per byte of file at the peak\n", ".x text", perByte);
    BinaryBesideText(dir, text);
}

// Milliseconds of one run of work, the mean of as many runs as fit in
// kSecondsEach (at least one: the slow shapes are measured once).
double Milliseconds(const std::function<void()>& work) {
    const auto [runs, elapsed] = TimedRuns(work, 1);
    return elapsed * 1e3 / double(runs);
}

// A file defining one template of `members` members.
std::string ManyMembersText(int members) {
    std::string t = "xof 0303txt 0032\ntemplate Wide {\n <2C9A6B1E-4D3F-4E5A-9B8C-7D6E5F4A3B2C>\n";
    for (int i = 0; i < members; ++i) t += " DWORD member" + std::to_string(i) + ";\n";
    return t + "}\n";
}

// The cost of a file's shape, not its size: a template of many members, and
// a character whose Character object names another character many times.
void XShapeFigures() {
    auto parseMembers = [](int members) {
        const std::string text = ManyMembersText(members);
        return Milliseconds([&] {
            plat::XDocument doc;
            plat::ParseXFile(text, plat::XTemplateRegistry::Standard(), doc, nullptr);
        });
    };
    const double fewMembers = parseMembers(20000), manyMembers = parseMembers(80000);
    std::printf("xfile members: 20000 %.1f ms, 80000 %.1f ms\n", fewMembers, manyMembers);

    // Each template holds two of the one before, the first holds nothing: an
    // object of the last, "{ }", is refused at once, whatever the depth.
    auto parseNested = [](int levels) {
        std::string text = "xof 0303txt 0032\ntemplate E0 { <00000000-0000-0000-0000-000000000000> }\n";
        for (int k = 1; k <= levels; ++k) {
            char guid[40];
            std::snprintf(guid, sizeof guid, "%08X-0000-0000-0000-000000000000", k);
            const std::string inner = "E" + std::to_string(k - 1);
            text += "template E" + std::to_string(k) + " { <" + guid + "> " + inner + " a; " + inner + " b; }\n";
        }
        text += "E" + std::to_string(levels) + " obj { }\n";
        return Milliseconds([&] {
            plat::XDocument doc;
            plat::ParseXFile(text, plat::XTemplateRegistry::Standard(), doc, nullptr);
        });
    };
    const double nested16 = parseNested(16), nested24 = parseNested(24);
    std::printf("xfile nested templates: 16 %.3f ms, 24 %.3f ms\n", nested16, nested24);

    TestVideo video(64, 64);
    Physics physics;
    if (!video.ok() || !physics.Init()) {
        std::printf("xfile references: no video\n");
        return;
    }
    const std::string shipped = ReadAll(ScopedTempDir::RepositoryRoot() / "Assets/Characters/Player.x");
    auto loadReferences = [&](int references) {
        std::string text = shipped + "Character Hero {\n 4; \"Body/sphereMedium.x\"; 12; 4; \"Player.sur\"; 0;;\n";
        for (int i = 0; i < references; ++i) text += " {Player}\n";
        text += "}\n";
        std::string error;
        plat::ReplaceFile("references.x", text, &error);
        auto load = [] {
            NPC npc;
            npc.Init();
            CharacterFile(&npc).Load("references.x", nullptr);
            npc.Shutdown();
        };
        load();  // warm: the effects and meshes every character load finds made
        return Milliseconds(load);
    };
    const double fewReferences = loadReferences(200), manyReferences = loadReferences(2000);
    std::printf("xfile references: 200 %.1f ms, 2000 %.1f ms\n", fewReferences, manyReferences);
    physics.Shutdown();
}

// The same 4 MB of text as empty objects inside one ("A{}" after "A{}")
// and as a plain array of one-digit numbers, each read from its file: the
// time, and the peak heap from reading the file to dropping the document.
// What the empty objects would build past what the file holds is refused,
// so the first stays within a few times the second.
void XEmptyChildrenFigure(const fs::path& dir) {
    constexpr std::size_t kBytes = std::size_t(4) << 20;
    std::string children = "xof 0303txt 0032\ntemplate A { <11111111-2222-3333-4444-555555555555> [...] }\nA{";
    while (children.size() + 5 < kBytes) children += "A{}";
    children += "}\n";
    std::string numbers =
        "xof 0303txt 0032\ntemplate N { <11111111-2222-3333-4444-555555555556> DWORD n; array DWORD v[n]; }\n";
    const std::size_t count = (kBytes - numbers.size() - 16) / 2;
    numbers += "N{" + std::to_string(count) + ";";
    for (std::size_t i = 0; i < count; ++i) {
        numbers += char('0' + i % 10);
        numbers += i + 1 < count ? ',' : ';';
    }
    numbers += "}\n";
    auto measure = [&](const std::string& text, const char* name) {
        const fs::path file = dir / name;
        std::string error;
        plat::ReplaceFile(file.string(), text, &error);
        auto read = [&] {
            plat::XDocument doc;
            plat::LoadXFile(file.string(), plat::XTemplateRegistry::Standard(), doc, nullptr);
        };
        const std::size_t before = heapNow.load();
        heapPeak = before;
        read();
        const double megabytes = double(heapPeak.load() - before) / double(1 << 20);
        return std::pair{Milliseconds(read), megabytes};
    };
    const auto [childrenMs, childrenMb] = measure(children, "children.x");
    const auto [numbersMs, numbersMb] = measure(numbers, "numbers.x");
    std::printf("xfile empty children 4 MB: %.1f ms, %.1f MB; number array 4 MB: %.1f ms, %.1f MB\n", childrenMs,
                childrenMb, numbersMs, numbersMb);
}

// ---- images and effects ----------------------------------------------------

// 1024x1024 pixels with structure a compressor can find but not collapse.
std::vector<std::uint8_t> Picture(std::uint32_t size) {
    std::vector<std::uint8_t> bgra(std::size_t(size) * size * 4);
    for (std::uint32_t y = 0; y < size; ++y)
        for (std::uint32_t x = 0; x < size; ++x) {
            std::uint8_t* p = &bgra[(std::size_t(y) * size + x) * 4];
            p[0] = std::uint8_t(x ^ y);
            p[1] = std::uint8_t((x * 3 + y) >> 2);
            p[2] = std::uint8_t(128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.07));
            p[3] = 255;
        }
    return bgra;
}

std::string TgaFile(const std::vector<std::uint8_t>& bgra, std::uint32_t size) {
    std::string t(18, '\0');
    t[2] = 2;
    t[12] = char(size & 0xFF), t[13] = char(size >> 8), t[14] = char(size & 0xFF), t[15] = char(size >> 8);
    t[16] = 32;
    t[17] = 0x28;  // top-left origin, 8 alpha bits
    t.append(reinterpret_cast<const char*>(bgra.data()), bgra.size());
    return t;
}

void PutU32(std::string& t, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) t.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string DdsHeader(std::uint32_t size, std::uint32_t mips, bool dxt1) {
    std::string t = "DDS ";
    PutU32(t, 124);
    PutU32(t, 0x1007 | (mips > 1 ? 0x20000 : 0));
    PutU32(t, size);
    PutU32(t, size);
    PutU32(t, 0);
    PutU32(t, 0);
    PutU32(t, mips);
    t.append(44, '\0');
    PutU32(t, 32);
    PutU32(t, dxt1 ? 0x4 : 0x41);
    t.append(dxt1 ? "DXT1" : std::string(4, '\0'));
    PutU32(t, dxt1 ? 0 : 32);
    for (std::uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) PutU32(t, dxt1 ? 0 : m);
    PutU32(t, 0x1000 | (mips > 1 ? 0x400008 : 0));
    t.append(16, '\0');
    return t;
}

std::string DxtFileWithMips(const std::vector<std::uint8_t>& bgra, std::uint32_t size) {
    std::uint32_t mips = plat::FullMipCount(size, size);
    std::string t = DdsHeader(size, mips, true);
    plat::ImageLevel level{size, size, 1, bgra};
    for (std::uint32_t m = 0; m < mips; ++m) {
        plat::ImageLevel blocks = plat::CompressDxt(plat::ImageLayout::DXT1, level);
        t.append(reinterpret_cast<const char*>(blocks.bytes.data()), blocks.bytes.size());
        level = plat::NextMipLevel(level, plat::ImageFilter::Box);
    }
    return t;
}

void TextureRow(IDirect3DDevice9* device, const char* what, const fs::path& file, UINT mipLevels) {
    const std::string bytes = ReadAll(file);
    const double load = Rate(bytes.size(), [&] {
        IDirect3DTexture9* texture = nullptr;
        if (SUCCEEDED(D3DXCreateTextureFromFileExA(device, file.c_str(), 0, 0, mipLevels, 0, D3DFMT_FROM_FILE,
                                                   D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                                   nullptr, &texture)))
            texture->Release();
    });
    Row(what, bytes.size(), load, "read", ReadRate(file, bytes.size()));
}

void ImageAndEffectFigures(const fs::path& dir, const fs::path& shaders) {
    TestDevice t(64, 64);
    if (!t.ok()) {
        std::printf("  textures and effects: no device\n");
        return;
    }
    constexpr std::uint32_t kSize = 1024;
    const std::vector<std::uint8_t> bgra = Picture(kSize);
    std::vector<std::uint8_t> png;
    std::string error;
    plat::EncodePng(bgra.data(), kSize, kSize, png, error);
    plat::ReplaceFile((dir / "p.png").string(), std::string(png.begin(), png.end()), &error);
    plat::ReplaceFile((dir / "p.tga").string(), TgaFile(bgra, kSize), &error);
    std::string plain = DdsHeader(kSize, 1, false);
    plain.append(reinterpret_cast<const char*>(bgra.data()), bgra.size());
    plat::ReplaceFile((dir / "p.dds").string(), plain, &error);
    plat::ReplaceFile((dir / "dxt.dds").string(), DxtFileWithMips(Picture(2048), 2048), &error);

    TextureRow(t.device, "PNG 1024x1024", dir / "p.png", 1);
    TextureRow(t.device, "TGA 1024x1024, 32-bit", dir / "p.tga", 1);
    TextureRow(t.device, "DDS 1024x1024, A8R8G8B8", dir / "p.dds", 1);
    TextureRow(t.device, "DDS 2048x2048, DXT1, all mips", dir / "dxt.dds", D3DX_FROM_FILE);

    const fs::path effect = shaders / "fxBasic.fxo";
    const std::string bytes = ReadAll(effect);
    const double load = Rate(bytes.size(), [&] {
        ID3DXEffect* e = nullptr;
        if (SUCCEEDED(D3DXCreateEffectFromFileA(t.device, effect.c_str(), nullptr, nullptr, 0, nullptr, &e,
                                                nullptr)))
            e->Release();
    });
    Row("effect fxBasic.fxo", bytes.size(), load, "read", ReadRate(effect, bytes.size()));
}


// ---- image decoders beside their references --------------------------------

// The best of five runs of each of two pieces of work, in turns, in
// milliseconds: the figure least disturbed by the rest of the machine.
std::pair<double, double> BestOfFiveSideBySide(const std::function<void()>& a, const std::function<void()>& b) {
    a();
    b();
    double best[2] = {1e300, 1e300};
    for (int run = 0; run < 5; ++run) {
        int i = 0;
        for (const auto* work : {&a, &b}) {
            const auto start = Clock::now();
            (*work)();
            best[i] = std::min(best[i], std::chrono::duration<double>(Clock::now() - start).count() * 1e3);
            ++i;
        }
    }
    return {best[0], best[1]};
}

std::function<void()> DecodeOf(const std::string& file) {
    return [&file] {
        plat::Image image;
        std::string error;
        if (!plat::DecodeImage(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), image, error))
            std::printf("  decode: %s\n", error.c_str());
        sink = image.levels.empty() ? 0 : image.levels[0].bytes[image.levels[0].bytes.size() / 2];
    };
}

// The least a decoder does: put every byte of the file somewhere new.
std::function<void()> PlainCopyOf(const std::string& file) {
    return [&file] {
        const std::string bytes = file;
        sink = std::uint8_t(bytes[bytes.size() / 2]);
    };
}

// Stored pixels of a size x size picture, `pixelBytes` of BGR(A) each, rows
// from the bottom up or from the top down, each row padded to `align` bytes.
std::string StoredRows(const std::vector<std::uint8_t>& bgra, std::uint32_t size, std::uint32_t pixelBytes,
                       bool bottomUp, std::size_t align) {
    const std::size_t used = std::size_t(size) * pixelBytes, stride = (used + align - 1) / align * align;
    std::string rows(stride * size, '\0');
    for (std::uint32_t y = 0; y < size; ++y) {
        char* row = &rows[(bottomUp ? size - 1 - y : y) * stride];
        for (std::uint32_t x = 0; x < size; ++x)
            std::memcpy(row + std::size_t(x) * pixelBytes, &bgra[(std::size_t(y) * size + x) * 4], pixelBytes);
    }
    return rows;
}

// A 24-bit Targa read bottom-up (its usual layout) beside the same picture
// stored top-down.
void TgaRowOrderFigure() {
    constexpr std::uint32_t kSize = 2048;
    const std::vector<std::uint8_t> bgra = Picture(kSize);
    auto targa = [&](bool bottomUp) {
        std::string t(18, '\0');
        t[2] = 2;
        t[12] = t[14] = char(kSize & 0xFF), t[13] = t[15] = char(kSize >> 8);
        t[16] = 24;
        t[17] = bottomUp ? 0 : 0x20;
        return t + StoredRows(bgra, kSize, 3, bottomUp, 1);
    };
    const std::string bottomUp = targa(true), topDown = targa(false);
    auto [fromBottom, fromTop] = BestOfFiveSideBySide(DecodeOf(bottomUp), DecodeOf(topDown));
    std::printf("tga 24-bit 2048x2048 bottom-up: %.2f ms, top-down %.2f ms\n", fromBottom, fromTop);
}

// A plain 32-bit bitmap (BI_RGB, bottom-up) beside a plain copy of its bytes.
void BmpCopyFigure() {
    constexpr std::uint32_t kSize = 2048;
    std::string file = "BM";
    for (std::uint32_t v : {0u, 0u, 54u, 40u, kSize, kSize}) PutU32(file, v);
    file += std::string("\x01\x00\x20\x00", 4);
    file.append(24, '\0');
    file += StoredRows(Picture(kSize), kSize, 4, true, 4);
    auto [decode, copy] = BestOfFiveSideBySide(DecodeOf(file), PlainCopyOf(file));
    std::printf("bmp 32-bit 2048x2048: %.2f ms, a plain copy of its bytes %.2f ms\n", decode, copy);
}

// An uncompressed DDS of 24 or 32 bits (1.4 and 1.9 MB) decoded from memory
// beside a plain copy of the same bytes: its pixels are one swizzle (and for
// 32 bits one alpha) from the texture's, so the two should be close.
void DdsCopyFigure(std::uint32_t bits) {
    constexpr std::uint32_t kWidth = 800, kHeight = 600;
    const std::uint32_t pixelBytes = bits / 8;
    std::string file = "DDS ";
    for (std::uint32_t v : {124u, 0x100Fu, kHeight, kWidth, kWidth * pixelBytes, 0u, 0u}) PutU32(file, v);
    file.append(44, '\0');
    const std::uint32_t alphaFlag = bits == 32 ? 0x1u : 0u, alphaMask = bits == 32 ? 0xFF000000u : 0u;
    for (std::uint32_t v : {32u, 0x40u | alphaFlag, 0u, bits, 0xFF0000u, 0xFF00u, 0xFFu, alphaMask, 0x1000u})
        PutU32(file, v);
    file.append(16, '\0');
    const std::vector<std::uint8_t> bgra = Picture(kWidth);
    for (std::uint32_t i = 0; i < kWidth * kHeight; ++i)
        file.append(reinterpret_cast<const char*>(&bgra[i * 4]), pixelBytes);
    auto [decode, copy] = BestOfFiveSideBySide(DecodeOf(file), PlainCopyOf(file));
    std::printf("dds %u-bit 800x600: %.2f ms, a plain copy of its bytes %.2f ms\n", bits, decode, copy);
}
}  // namespace

int main() {
    // The video system's stage links the assets from the repository root,
    // which is where `make bench` starts.
    setenv("TOLLYMOP_ROOT", fs::current_path().c_str(), 0);
    const fs::path shaders = ScopedTempDir::RepositoryRoot() / "Assets/Shaders";
    ScopedTempDir dir;
    std::printf("Loaders, each beside its reference in the same run:\n");
    XFigures(dir.Path());
    ImageAndEffectFigures(dir.Path(), shaders);
    DdsCopyFigure(24);
    TgaRowOrderFigure();
    BmpCopyFigure();
    DdsCopyFigure(32);
    XShapeFigures();
    XEmptyChildrenFigure(dir.Path());
    return 0;
}
