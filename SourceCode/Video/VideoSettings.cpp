// The settings file: "settings.txt" in the game's folder, a sequence of
// white-space separated words: KEY, one word where the equals sign stands,
// then the key's values. Keys and value words ignore case; a word starting
// with '#' in key position comments out the rest of its line.

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "Video/Video.h"
#include "core/DIva.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/AsciiCase.h"
#include "platform/common/Files.h"

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

// The file's words with the line each starts on. It keeps the stream
// reader's rules: a word of kMaxWord characters or more refuses the file, a
// comment's rest of line must fit the comment buffer, and a number read for
// a colour is read the way a stream reads an int (a missing one at the end
// of the file is no error, one that is not a number is).
class WordReader {
public:
    explicit WordReader(std::istream& stream)
        : text(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()) {
        // Editors that save UTF-8 may put a byte-order mark first.
        if (text.starts_with(kByteOrderMark)) at = kByteOrderMark.size();
    }

    // An empty word when the text has ended or the reader has failed.
    std::string Next() {
        if (failed) return {};
        SkipSpace();
        previousLine = wordLine;
        wordLine = line;
        const std::size_t start = at;
        while (at < text.size() && !IsSpace(text[at])) ++at;
        std::string word = text.substr(start, at - start);
        if (word.size() >= kMaxWord) return Fail("a word of " + std::to_string(kMaxWord) + " characters or more");
        return word;
    }
    bool Failed() const { return failed; }
    const std::string& Problem() const { return problem; }
    int Line() const { return wordLine; }
    // The line of the word read before the last one.
    int PreviousLine() const { return previousLine; }

    void SkipLine() {
        const std::size_t start = at;
        while (at < text.size() && text[at] != '\n') ++at;
        if (at - start >= std::size_t(kCommentBuffer - 1)) {
            Fail("a comment longer than " + std::to_string(kCommentBuffer - 2) + " characters");
            return;
        }
    }
    // A decimal int as a stream reads it: sign and digits, no more.
    // Nullopt (and the reader failed) when no number stands there.
    std::optional<int> NextInt(const char* key) {
        if (failed) return std::nullopt;
        SkipSpace();
        previousLine = wordLine;
        wordLine = line;
        if (at >= text.size()) return 0;
        const char* begin = text.c_str() + at;
        char* end = nullptr;
        errno = 0;
        long value = std::strtol(begin, &end, 10);
        const bool digits = end != begin && std::isdigit(static_cast<unsigned char>(end[-1]));
        if (!digits || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
            FailValue(key, "\"" + WordAt(at) + "\" is not a whole number");
            return std::nullopt;
        }
        at += std::size_t(end - begin);
        return int(value);
    }
    std::string Fail(const std::string& what) { return FailAt(wordLine, what); }
    std::string FailAt(int where, const std::string& what) {
        if (!failed) problem = "line " + std::to_string(where) + ": " + what;
        failed = true;
        return {};
    }
    // A value word of key that is refused. When it stands on a later line
    // than the word before it, the setting ended early on that line, and
    // the refused word belongs to what follows: that line is named.
    void FailValue(const std::string& key, const std::string& complaint) {
        if (wordLine == previousLine) {
            Fail(key + ": " + complaint);
            return;
        }
        FailAt(previousLine, key + ": a value is missing; on line " + std::to_string(wordLine) + ", " + complaint);
    }

private:
    static bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
    void SkipSpace() {
        while (at < text.size() && IsSpace(text[at])) {
            if (text[at] == '\n') ++line;
            ++at;
        }
    }
    std::string WordAt(std::size_t from) const {
        std::size_t to = from;
        while (to < text.size() && !IsSpace(text[to]) && to - from < 40) ++to;
        return text.substr(from, to - from);
    }

    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

    std::string text;
    std::size_t at = 0;
    int line = 1, wordLine = 1, previousLine = 1;
    bool failed = false;
    std::string problem;
};

// The number at the start of the word, as the C library converts it: what
// follows the digits is ignored, a word without leading digits gives 0, and
// one too large for a long gives the nearest long.
long LeadingInteger(const std::string& word) { return std::strtol(word.c_str(), nullptr, 10); }

// Sizes beyond what any display or OpenGL implementation offers are refused.
constexpr long kLargestSize = 16384;

// "W x H" (any word stands for the "x"): each a whole number in [low, high].
template <class T>
bool ReadSize(WordReader& words, const char* key, long low, T* width, T* height) {
    T* sides[] = {width, height};
    for (int i = 0; i < 2; ++i) {
        if (i == 1) words.Next();  // "x", or any separator
        const std::string word = words.Next();
        if (words.Failed()) return false;
        const long value = LeadingInteger(word);
        if (value < low || value > kLargestSize) {
            words.FailValue(key, "\"" + word + "\" is not a size from " + std::to_string(low) + " to " +
                                     std::to_string(kLargestSize));
            return false;
        }
        *sides[i] = static_cast<T>(value);
    }
    return true;
}

// A value word the key does not take.
bool Refuse(WordReader& words, const std::string& key, const std::string& word) {
    if (!words.Failed()) words.FailValue(key, "\"" + word + "\" is not a value it takes");
    return false;
}

// Where the settings that are checked after the whole file stand (0 when
// the file leaves them out), and a clear-flags list that no "!END_FLAGS"
// ended: a later unknown key is then the flags' fault.
struct ReadContext {
    int backBufferLine = 0;
    int depthFormatLine = 0;
    int openFlagsLine = 0;
    std::string flagsEnd;
    int flagsEndLine = 0;
};

// Reads every setting of the file into settings; false at the first word
// that refuses the file (the reader then says why).
bool ReadSettingsWords(WordReader& words, VideoSettings& settings, ReadContext& context) {
    settings = VideoSettings{};
    settings.present.SwapEffect = D3DSWAPEFFECT_DISCARD;
    D3DPRESENT_PARAMETERS& pp = settings.present;

    // Every word is checked, the last one too when no line end follows it;
    // an empty word is the end of the text, or a reader that failed.
    for (std::string key = words.Next(); !key.empty(); key = words.Next()) {
        if (key[0] == '#') {
            words.SkipLine();
            continue;
        }
        auto isKey = [&key](const char* name) { return Same(key, name); };
        const int keyLine = words.Line();
        const int openFlagsLine = std::exchange(context.openFlagsLine, 0);
        words.Next();  // "=", or whatever word stands in its place
        if (isKey("RESOLUTION")) {
            if (!ReadSize(words, "RESOLUTION", 1, &settings.windowWidth, &settings.windowHeight)) return false;
        } else if (isKey("WINDOWED") || isKey("ENABLE_DEPTH_BUFFER")) {
            const std::string word = words.Next();
            const BOOL* truth = Lookup(kTruthWords, word);
            if (!truth) return Refuse(words, key, word);
            (isKey("WINDOWED") ? pp.Windowed : pp.EnableAutoDepthStencil) = *truth;
        } else if (isKey("SCREEN_REFRESH_RATE")) {
            // Not checked: the window is made at whatever the display runs.
            pp.FullScreen_RefreshRateInHz = static_cast<UINT>(LeadingInteger(words.Next()));
        } else if (isKey("PRESENTATION_INTERVAL")) {
            // An unknown word is no error: the interval stays as it was.
            if (const UINT* interval = Lookup(kIntervalWords, words.Next())) pp.PresentationInterval = *interval;
        } else if (isKey("BACKBUFFER_RESOLUTION")) {
            // 0 takes the window's size.
            context.backBufferLine = keyLine;
            if (!ReadSize(words, "BACKBUFFER_RESOLUTION", 0, &pp.BackBufferWidth, &pp.BackBufferHeight))
                return false;
        } else if (isKey("BACKBUFFER_FORMAT") || isKey("DEPTH_BUFFER_FORMAT")) {
            bool backBuffer = isKey("BACKBUFFER_FORMAT");
            std::string word = words.Next();
            const D3DFORMAT* format = backBuffer ? Lookup(kBackBufferFormats, word) : Lookup(kDepthFormats, word);
            if (!format) return Refuse(words, key, word);
            (backBuffer ? pp.BackBufferFormat : pp.AutoDepthStencilFormat) = *format;
            if (!backBuffer) context.depthFormatLine = keyLine;
        } else if (isKey("DEVICE_TYPE")) {
            std::string word = words.Next();
            // The type's number (1 or 2) serves as well as its word.
            const long number = LeadingInteger(word);
            if (const D3DDEVTYPE* type = Lookup(kDeviceTypeWords, word)) {
                settings.deviceType = *type;
            } else if (number == D3DDEVTYPE_HAL || number == D3DDEVTYPE_REF) {
                settings.deviceType = D3DDEVTYPE(number);
            } else {
                return Refuse(words, key, word);
            }
        } else if (isKey("DEVICE_BEHAVIOR")) {
            const std::string word = words.Next();
            const DWORD* behaviour = Lookup(kBehaviourWords, word);
            if (!behaviour) return Refuse(words, key, word);
            settings.behaviorFlags = *behaviour;
        } else if (isKey("CLEAR_COLOR")) {
            // Numbers read as a stream reads them, each kept to its low byte.
            DWORD rgb[3] = {};
            for (DWORD& channel : rgb) {
                std::optional<int> value = words.NextInt("CLEAR_COLOR");
                if (!value) return false;
                channel = static_cast<DWORD>(*value) & 0xFF;
            }
            settings.clearColor = 0xFF000000u | (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
        } else if (isKey("CLEAR_SURFACE_FLAGS")) {
            settings.clearFlags = 0;
            // Flag words until any other word, which is consumed as the end.
            std::string word;
            while (const DWORD* flag = Lookup(kClearFlagWords, word = words.Next())) settings.clearFlags |= *flag;
            if (!Same(word, "!END_FLAGS")) {
                context.openFlagsLine = words.PreviousLine();
                context.flagsEnd = word;
                context.flagsEndLine = words.Line();
            }
        } else if (isKey("ZBUFFER_DEPTH")) {
            const std::string word = words.Next();
            char* end = nullptr;
            const float read = std::strtof(word.c_str(), &end);
            // A word without a number reads as 0, as the other numbers do.
            const float depth = end == word.c_str() ? 0.0f : read;
            settings.clearDepth = depth;
            // Written this way round so that "nan" is refused as well.
            if (!(depth >= 0.0f && depth <= 1.0f)) {
                words.FailValue(key, "\"" + word + "\" is not a number from 0 to 1");
                return false;
            }
        } else if (openFlagsLine != 0) {
            // The flags' end word was no "!END_FLAGS": it swallowed what
            // followed, and the rest of that setting reads as a key.
            words.FailAt(openFlagsLine, "CLEAR_SURFACE_FLAGS: no \"!END_FLAGS\" after the flags, so \"" +
                                            context.flagsEnd + "\" on line " + std::to_string(context.flagsEndLine) +
                                            " ended them");
            return false;
        } else {
            // Named on its own line: the word read in place of "=" may stand
            // on the next, or nowhere when the text ends.
            words.FailAt(keyLine, "unknown key \"" + key + "\"");
            return false;
        }
        if (words.Failed()) return false;
    }
    return !words.Failed();
}

// Why the device cannot make the depth buffer the settings ask for (a
// format that is no depth format at all); empty when it can.
std::string DepthFormatProblem(const D3DPRESENT_PARAMETERS& pp, int line) {
    if (plat::AutoDepthFormatAllowed(pp)) return {};
    const char* word = NameOf(kDepthFormats, pp.AutoDepthStencilFormat);
    return "line " + std::to_string(line) + ": DEPTH_BUFFER_FORMAT: " + (word ? word : "the format") +
           " is not a depth format, and a device makes no depth buffer in it";
}

// Why the device cannot make the back buffer the settings ask for; empty
// when it can (or when the caps are unknown: the device type is then
// reported on its own).
std::string BackBufferProblem(const D3DPRESENT_PARAMETERS& pp, const D3DCAPS9& caps, int line) {
    const std::uint64_t width = pp.BackBufferWidth, height = pp.BackBufferHeight;
    if (width <= caps.MaxTextureWidth && height <= caps.MaxTextureHeight) return {};
    return "line " + std::to_string(line) + ": BACKBUFFER_RESOLUTION: " + std::to_string(width) + " x " +
           std::to_string(height) + " is larger than the device's largest, " + std::to_string(caps.MaxTextureWidth) +
           " x " + std::to_string(caps.MaxTextureHeight);
}
}  // namespace

bool Video::LoadSettings(std::istream& in, std::string* problem) {
    WordReader words(in);
    ReadContext context;
    if (!ReadSettingsWords(words, settings, context)) {
        if (problem) *problem = words.Problem().empty() ? "the file ends too early" : words.Problem();
        return false;
    }
    const std::string noDepth = DepthFormatProblem(settings.present, context.depthFormatLine);
    if (!noDepth.empty()) {
        if (problem) *problem = noDepth;
        return false;
    }
    if (FAILED(d3d->GetDeviceCaps(kAdapter, settings.deviceType, &caps))) return true;
    const std::string tooLarge = BackBufferProblem(settings.present, caps, context.backBufferLine);
    if (!tooLarge.empty()) {
        if (problem) *problem = tooLarge;
        return false;
    }
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

bool Video::SaveSettings() {
    std::ostringstream out;
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

    // A full disk or a folder the game may not write leaves the old file (or
    // none) in place, never a truncated one.
    std::string error;
    if (plat::ReplaceFile(GamePath(kSettingsFile), out.str(), &error)) return true;
    plat::LogErrorF("The settings could not be saved: %s\n", error.c_str());
    return false;
}
