// The settings file: "settings.txt" in the working directory, a sequence of
// white-space separated words: KEY, one word where the equals sign stands,
// then the key's values. Keys and value words ignore case; a word starting
// with '#' in key position comments out the rest of its line.

#include <cstdlib>
#include <fstream>
#include <string>

#include "Video/Video.h"
#include "platform/common/AsciiCase.h"

namespace {
// A word this long or longer is refused with the whole file.
constexpr std::size_t kMaxWord = 256;
// Comment lines are skipped through a buffer of this size; a longer rest of
// line fails the stream, and with it the load.
constexpr std::streamsize kCommentBuffer = 256;

template <class T>
struct WordValue {
    const char* word;
    T value;
};

constexpr WordValue<D3DFORMAT> kBackBufferFormats[] = {
    {"R8G8B8", D3DFMT_R8G8B8},       {"A8R8G8B8", D3DFMT_A8R8G8B8},       {"X8R8G8B8", D3DFMT_X8R8G8B8},
    {"R5G6B5", D3DFMT_R5G6B5},       {"X1R5G5B5", D3DFMT_X1R5G5B5},       {"A1R5G5B5", D3DFMT_A1R5G5B5},
    {"A4R4G4B4", D3DFMT_A4R4G4B4},   {"R3G3B2", D3DFMT_R3G3B2},           {"A8", D3DFMT_A8},
    {"A8R3G3B2", D3DFMT_A8R3G3B2},   {"X4R4G4B4", D3DFMT_X4R4G4B4},       {"A2B10G10R10", D3DFMT_A2B10G10R10},
    {"A8B8G8R8", D3DFMT_A8B8G8R8},   {"X8B8G8R8", D3DFMT_X8B8G8R8},       {"G16R16", D3DFMT_G16R16},
    {"A2R10G10B10", D3DFMT_A2R10G10B10}, {"A16B16G16R16", D3DFMT_A16B16G16R16}, {"A8P8", D3DFMT_A8P8},
    {"P8", D3DFMT_P8},               {"L8", D3DFMT_L8},                   {"A8L8", D3DFMT_A8L8},
    {"A4L4", D3DFMT_A4L4},           {"L16", D3DFMT_L16},
};

constexpr WordValue<D3DFORMAT> kDepthFormats[] = {
    {"D16_LOCKABLE", D3DFMT_D16_LOCKABLE}, {"D32", D3DFMT_D32},       {"D15S1", D3DFMT_D15S1},
    {"D24S8", D3DFMT_D24S8},               {"D24X8", D3DFMT_D24X8},   {"D24X4S4", D3DFMT_D24X4S4},
    {"D16", D3DFMT_D16},                   {"D32F_LOCKABLE", D3DFMT_D32F_LOCKABLE},
    {"D24FS8", D3DFMT_D24FS8},             {"VERTEXDATA", D3DFMT_VERTEXDATA},
    {"INDEX16", D3DFMT_INDEX16},           {"INDEX32", D3DFMT_INDEX32},
};

// The first word of each value is the one the writer uses.
constexpr WordValue<UINT> kIntervalWords[] = {
    {"DEFAULT", D3DPRESENT_INTERVAL_DEFAULT}, {"ONE", D3DPRESENT_INTERVAL_ONE},
    {"1", D3DPRESENT_INTERVAL_ONE},           {"TWO", D3DPRESENT_INTERVAL_TWO},
    {"2", D3DPRESENT_INTERVAL_TWO},           {"THREE", D3DPRESENT_INTERVAL_THREE},
    {"3", D3DPRESENT_INTERVAL_THREE},         {"FOUR", D3DPRESENT_INTERVAL_FOUR},
    {"4", D3DPRESENT_INTERVAL_FOUR},          {"IMMEDIATE", D3DPRESENT_INTERVAL_IMMEDIATE},
    {"0", D3DPRESENT_INTERVAL_IMMEDIATE},
};

constexpr WordValue<D3DDEVTYPE> kDeviceTypeWords[] = {{"HAL", D3DDEVTYPE_HAL}, {"REF", D3DDEVTYPE_REF}};

constexpr WordValue<DWORD> kBehaviourWords[] = {
    {"HARDWARE", D3DCREATE_HARDWARE_VERTEXPROCESSING},
    {"MIXED", D3DCREATE_MIXED_VERTEXPROCESSING},
    {"SOFTWARE", D3DCREATE_SOFTWARE_VERTEXPROCESSING},
};

constexpr WordValue<DWORD> kClearFlagWords[] = {
    {"TARGET", D3DCLEAR_TARGET}, {"ZBUFFER", D3DCLEAR_ZBUFFER}, {"STENCIL", D3DCLEAR_STENCIL}};

constexpr WordValue<BOOL> kTruthWords[] = {{"TRUE", 1}, {"YES", 1}, {"1", 1}, {"FALSE", 0}, {"NO", 0}, {"0", 0}};

bool Same(const std::string& a, const char* b) { return plat::SameIgnoringCase(a, b); }

template <class T, std::size_t N>
const T* Lookup(const WordValue<T> (&table)[N], const std::string& word) {
    for (const auto& entry : table)
        if (Same(word, entry.word)) return &entry.value;
    return nullptr;
}

template <class T, std::size_t N>
const char* NameOf(const WordValue<T> (&table)[N], T value) {
    for (const auto& entry : table)
        if (entry.value == value) return entry.word;
    return nullptr;
}

// The stream's words, refusing any that would not fit the reader's buffer.
class WordReader {
public:
    explicit WordReader(std::istream& stream) : in(stream) {}

    // An empty word when the stream has failed or ended.
    std::string Next() {
        std::string word;
        if (tooLong) return word;
        in >> word;
        if (word.size() >= kMaxWord) {
            tooLong = true;
            word.clear();
        }
        return word;
    }
    bool AtEnd() const { return in.eof() || tooLong; }
    bool TooLong() const { return tooLong; }
    void SkipLine() {
        char rest[kCommentBuffer];
        in.getline(rest, kCommentBuffer);
    }
    // A number read from the stream itself, as the stream reads an int.
    int NextInt() {
        int value = 0;
        in >> value;
        return value;
    }

private:
    std::istream& in;
    bool tooLong = false;
};

// Decimal conversions as the C library does them: leading digits count.
int IntOf(const std::string& word) { return std::atoi(word.c_str()); }

void ReadSize(WordReader& words, std::int32_t* width, std::int32_t* height) {
    *width = IntOf(words.Next());
    words.Next();  // "x", or any separator
    *height = IntOf(words.Next());
}

void ReadSize(WordReader& words, UINT* width, UINT* height) {
    std::int32_t w = 0, h = 0;
    ReadSize(words, &w, &h);
    *width = static_cast<UINT>(w);
    *height = static_cast<UINT>(h);
}
}  // namespace

bool Video::LoadSettings(std::istream& in) {
    settings = VideoSettings{};
    settings.present.SwapEffect = D3DSWAPEFFECT_DISCARD;
    D3DPRESENT_PARAMETERS& pp = settings.present;
    WordReader words(in);

    for (std::string key = words.Next(); !words.AtEnd(); key = words.Next()) {
        if (key.empty()) return false;
        if (key[0] == '#') {
            words.SkipLine();
            continue;
        }
        auto isKey = [&key](const char* name) { return Same(key, name); };
        words.Next();  // "=", or whatever word stands in its place
        if (isKey("RESOLUTION")) {
            ReadSize(words, &settings.windowWidth, &settings.windowHeight);
        } else if (isKey("WINDOWED") || isKey("ENABLE_DEPTH_BUFFER")) {
            const BOOL* truth = Lookup(kTruthWords, words.Next());
            if (!truth) return false;
            (isKey("WINDOWED") ? pp.Windowed : pp.EnableAutoDepthStencil) = *truth;
        } else if (isKey("SCREEN_REFRESH_RATE")) {
            pp.FullScreen_RefreshRateInHz = static_cast<UINT>(IntOf(words.Next()));
        } else if (isKey("PRESENTATION_INTERVAL")) {
            // An unknown word is no error: the interval stays as it was.
            if (const UINT* interval = Lookup(kIntervalWords, words.Next())) pp.PresentationInterval = *interval;
        } else if (isKey("BACKBUFFER_RESOLUTION")) {
            ReadSize(words, &pp.BackBufferWidth, &pp.BackBufferHeight);
        } else if (isKey("BACKBUFFER_FORMAT") || isKey("DEPTH_BUFFER_FORMAT")) {
            bool backBuffer = isKey("BACKBUFFER_FORMAT");
            std::string word = words.Next();
            const D3DFORMAT* format = backBuffer ? Lookup(kBackBufferFormats, word) : Lookup(kDepthFormats, word);
            if (!format) return false;
            (backBuffer ? pp.BackBufferFormat : pp.AutoDepthStencilFormat) = *format;
        } else if (isKey("DEVICE_TYPE")) {
            std::string word = words.Next();
            // The type's number (1 or 2) serves as well as its word.
            int number = IntOf(word);
            if (const D3DDEVTYPE* type = Lookup(kDeviceTypeWords, word)) {
                settings.deviceType = *type;
            } else if (number == D3DDEVTYPE_HAL || number == D3DDEVTYPE_REF) {
                settings.deviceType = D3DDEVTYPE(number);
            } else {
                return false;
            }
        } else if (isKey("DEVICE_BEHAVIOR")) {
            const DWORD* behaviour = Lookup(kBehaviourWords, words.Next());
            if (!behaviour) return false;
            settings.behaviorFlags = *behaviour;
        } else if (isKey("CLEAR_COLOR")) {
            // Numbers straight from the stream: a colour that does not start
            // with a number fails the stream, and the next key with it.
            DWORD red = static_cast<DWORD>(words.NextInt()) & 0xFF;
            DWORD green = static_cast<DWORD>(words.NextInt()) & 0xFF;
            DWORD blue = static_cast<DWORD>(words.NextInt()) & 0xFF;
            settings.clearColor = 0xFF000000u | (red << 16) | (green << 8) | blue;
        } else if (isKey("CLEAR_SURFACE_FLAGS")) {
            settings.clearFlags = 0;
            // Flag words until any other word, which is consumed as the end.
            while (const DWORD* flag = Lookup(kClearFlagWords, words.Next())) settings.clearFlags |= *flag;
        } else if (isKey("ZBUFFER_DEPTH")) {
            settings.clearDepth = static_cast<float>(std::atof(words.Next().c_str()));
            // Written this way round so that "nan" is refused as well.
            if (!(settings.clearDepth >= 0.0f && settings.clearDepth <= 1.0f)) return false;
        } else {
            return false;
        }
    }
    if (words.TooLong()) return false;

    d3d->GetDeviceCaps(kAdapter, settings.deviceType, &caps);
    return true;
}

bool Video::FindDepthFormat(const D3DFORMAT* adapterFormat) {
    // Deepest first; a format with stencil wins over its stencil-less twin
    // only by its place in the list.
    constexpr D3DFORMAT kCandidates[] = {D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D24X8,
                                         D3DFMT_D24X4S4, D3DFMT_D16, D3DFMT_D15S1};
    for (D3DFORMAT candidate : kCandidates) {
        if (d3d->CheckDeviceFormat(kAdapter, settings.deviceType, *adapterFormat, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, candidate) != D3D_OK)
            continue;
        if (d3d->CheckDepthStencilMatch(kAdapter, settings.deviceType, *adapterFormat,
                                        settings.present.BackBufferFormat, candidate) != D3D_OK)
            continue;
        settings.present.AutoDepthStencilFormat = candidate;
        bool hasStencil = candidate == D3DFMT_D24S8 || candidate == D3DFMT_D24X4S4 || candidate == D3DFMT_D15S1;
        settings.clearFlags |= hasStencil ? (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL) : D3DCLEAR_ZBUFFER;
        return true;
    }
    return false;
}

bool Video::CreateDefaultSettings(bool windowed) {
    D3DDISPLAYMODE mode{};
    if (FAILED(d3d->GetAdapterDisplayMode(kAdapter, &mode))) return false;

    settings = VideoSettings{};
    D3DPRESENT_PARAMETERS& pp = settings.present;
    pp.Windowed = windowed ? TRUE : FALSE;
    settings.windowWidth = static_cast<std::int32_t>(mode.Width);
    settings.windowHeight = static_cast<std::int32_t>(mode.Height);
    pp.BackBufferWidth = mode.Width;
    pp.BackBufferHeight = mode.Height;
    pp.BackBufferFormat = mode.Format;
    settings.clearFlags = D3DCLEAR_TARGET;
    settings.clearColor = 0xFF000666u;
    settings.clearDepth = 1.0f;
    settings.deviceType = D3DDEVTYPE_HAL;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.EnableAutoDepthStencil = TRUE;

    if (!FindDepthFormat(&mode.Format)) {
        settings.deviceType = D3DDEVTYPE_REF;
        if (!FindDepthFormat(&mode.Format)) return false;
    }
    pp.Flags = 0;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;

    d3d->GetDeviceCaps(kAdapter, settings.deviceType, &caps);
    if (d3d->CheckDeviceType(kAdapter, settings.deviceType, mode.Format, pp.BackBufferFormat, pp.Windowed) !=
        D3D_OK) {
        settings.deviceType = D3DDEVTYPE_REF;
        if (d3d->CheckDeviceType(kAdapter, settings.deviceType, mode.Format, pp.BackBufferFormat, pp.Windowed) !=
            D3D_OK)
            return false;
    }
    settings.behaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    SaveSettings();
    return true;
}

namespace {
// "KEY = value", then the empty line. A value without a word leaves the
// key alone on its line, and the empty line goes with the value.
void WriteWordSetting(std::ostream& out, const char* key, const char* word) {
    out << key << " = ";
    if (word) out << word << std::endl;
    out << std::endl;
}
}  // namespace

void Video::SaveSettings() {
    std::ofstream out(kSettingsFile, std::ios::out | std::ios::trunc);
    if (!out.is_open()) return;
    const D3DPRESENT_PARAMETERS& pp = settings.present;
    const char* truth[] = {"FALSE", "TRUE"};

    out << "# Manually edit this settings file at your own risk!" << std::endl;
    out << "# A setting that your computer cannot actually support may cause the program to fail!" << std::endl;
    out << "# To restore working defaults, simply delete this file!" << std::endl;
    out << std::endl;
    out << "# Window Resolution - Common values: \"640 x 480\", \"800 x 600\", \"1024 x 768\"" << std::endl;
    out << "RESOLUTION = " << settings.windowWidth << " x " << settings.windowHeight << std::endl;
    out << std::endl;
    out << "# Windowed Mode - Possible values: TRUE or FALSE" << std::endl;
    out << "WINDOWED = " << truth[pp.Windowed ? 1 : 0] << std::endl;
    out << std::endl;
    out << "# Screen Refresh Rate - Only for non-windowed mode - Common values: 60, 72, 75, 85" << std::endl;
    out << "SCREEN_REFRESH_RATE = " << pp.FullScreen_RefreshRateInHz << std::endl;
    out << std::endl;
    out << "# Presentation Interval - Possible values: DEFAULT, ONE, TWO, THREE, FOUR, IMMEDIATE" << std::endl;
    WriteWordSetting(out, "PRESENTATION_INTERVAL", NameOf(kIntervalWords, pp.PresentationInterval));
    out << "# Backbuffer Resolution - Common values: \"640 x 480\", \"800 x 600\", \"1024 x 768\"" << std::endl;
    out << "BACKBUFFER_RESOLUTION = " << pp.BackBufferWidth << " x " << pp.BackBufferHeight << std::endl;
    out << std::endl;
    out << "# Backbuffer Format - The color mode - Common values: A8R8G8B8, X8R8G8B8, R8G8B8, R5G6B5"
        << std::endl;
    WriteWordSetting(out, "BACKBUFFER_FORMAT", NameOf(kBackBufferFormats, pp.BackBufferFormat));
    out << "# Device Type - Possible values: HAL or REF" << std::endl;
    WriteWordSetting(out, "DEVICE_TYPE", NameOf(kDeviceTypeWords, settings.deviceType));
    out << "# Device Behavior - Possible values: HARDWARE, MIXED, or SOFTWARE" << std::endl;
    WriteWordSetting(out, "DEVICE_BEHAVIOR", NameOf(kBehaviourWords, settings.behaviorFlags));
    out << "# Clear Color - You'll probably never see it - 3 integers from 0 to 255 (ex: 128 30 200)" << std::endl;
    out << "CLEAR_COLOR = " << ((settings.clearColor >> 16) & 0xFF) << " " << ((settings.clearColor >> 8) & 0xFF)
        << " " << (settings.clearColor & 0xFF) << " " << std::endl;
    out << std::endl;
    out << "#" << std::endl;
    out << "# You REALLY don't want to change any values below this line... but suit yourself!" << std::endl;
    out << "#" << std::endl;
    out << std::endl;
    out << "# Clear Surface Flags - Possible flags: TARGET, STENCIL, and ZBUFFER" << std::endl;
    out << "CLEAR_SURFACE_FLAGS = ";
    for (const auto& flag : kClearFlagWords)
        if (settings.clearFlags & flag.value) out << flag.word << " ";
    out << "!END_FLAGS" << std::endl;
    out << std::endl;
    out << "# Enable Depth Buffer - Possible values: TRUE or FALSE" << std::endl;
    out << "ENABLE_DEPTH_BUFFER = " << truth[pp.EnableAutoDepthStencil ? 1 : 0] << std::endl;
    out << std::endl;
    out << "# ZBuffer Depth - Possible values: float from 0.0 to 1.0" << std::endl;
    out << "ZBUFFER_DEPTH = " << settings.clearDepth << std::endl;
    out << std::endl;
    out << "# Depth Buffer Format - Common values: D32, D24S8, D24X4S4, D24X8" << std::endl;
    WriteWordSetting(out, "DEPTH_BUFFER_FORMAT", NameOf(kDepthFormats, pp.AutoDepthStencilFormat));
}
