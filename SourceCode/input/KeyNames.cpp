#include "input/KeyNames.h"

#include "platform/DirectInputKeys.h"

namespace {

// Some keys have no name: the letter O (too easily read as zero), the right
// Shift and Alt keys, Num Lock, Scroll Lock and Pause.
constexpr KeyName kKeyNames[] = {
    {"0", plat::DIK_0},
    {"1", plat::DIK_1},
    {"2", plat::DIK_2},
    {"3", plat::DIK_3},
    {"4", plat::DIK_4},
    {"5", plat::DIK_5},
    {"6", plat::DIK_6},
    {"7", plat::DIK_7},
    {"8", plat::DIK_8},
    {"9", plat::DIK_9},
    {"A", plat::DIK_A},
    {"NUM_+", plat::DIK_ADD},
    {"'", plat::DIK_APOSTROPHE},
    {"B", plat::DIK_B},
    {"BACKSPACE", plat::DIK_BACK},
    {"\\", plat::DIK_BACKSLASH},
    {"C", plat::DIK_C},
    {"CAPS", plat::DIK_CAPITAL},
    {",", plat::DIK_COMMA},
    {"D", plat::DIK_D},
    {"NUM_.", plat::DIK_DECIMAL},
    {"DELETE", plat::DIK_DELETE},
    {"NUM_/", plat::DIK_DIVIDE},
    {"DOWN", plat::DIK_DOWN},
    {"E", plat::DIK_E},
    {"END", plat::DIK_END},
    {"ESCAPE", plat::DIK_ESCAPE},
    {"=", plat::DIK_EQUALS},
    {"F", plat::DIK_F},
    {"F1", plat::DIK_F1},
    {"F2", plat::DIK_F2},
    {"F3", plat::DIK_F3},
    {"F4", plat::DIK_F4},
    {"F5", plat::DIK_F5},
    {"F6", plat::DIK_F6},
    {"F7", plat::DIK_F7},
    {"F8", plat::DIK_F8},
    {"F9", plat::DIK_F9},
    {"F10", plat::DIK_F10},
    {"F11", plat::DIK_F11},
    {"F12", plat::DIK_F12},
    {"F13", plat::DIK_F13},
    {"F14", plat::DIK_F14},
    {"F15", plat::DIK_F15},
    {"G", plat::DIK_G},
    {"~", plat::DIK_GRAVE},
    {"H", plat::DIK_H},
    {"HOME", plat::DIK_HOME},
    {"I", plat::DIK_I},
    {"INSERT", plat::DIK_INSERT},
    {"J", plat::DIK_J},
    {"K", plat::DIK_K},
    {"[", plat::DIK_LBRACKET},
    {"L", plat::DIK_L},
    {"L_CONTROL", plat::DIK_LCONTROL},
    {"LEFT", plat::DIK_LEFT},
    {"L_ALT", plat::DIK_LMENU},
    {"L_SHIFT", plat::DIK_LSHIFT},
    {"M", plat::DIK_M},
    {"-", plat::DIK_MINUS},
    {"NUM_*", plat::DIK_MULTIPLY},
    {"N", plat::DIK_N},
    {"PG_DOWN", plat::DIK_NEXT},
    {"PG_UP", plat::DIK_PRIOR},
    {".", plat::DIK_PERIOD},
    {"P", plat::DIK_P},
    {"NUM_=", plat::DIK_NUMPADEQUALS},
    {"NUM_ENTER", plat::DIK_NUMPADENTER},
    {"NUM_0", plat::DIK_NUMPAD0},
    {"NUM_1", plat::DIK_NUMPAD1},
    {"NUM_2", plat::DIK_NUMPAD2},
    {"NUM_3", plat::DIK_NUMPAD3},
    {"NUM_4", plat::DIK_NUMPAD4},
    {"NUM_5", plat::DIK_NUMPAD5},
    {"NUM_6", plat::DIK_NUMPAD6},
    {"NUM_7", plat::DIK_NUMPAD7},
    {"NUM_8", plat::DIK_NUMPAD8},
    {"NUM_9", plat::DIK_NUMPAD9},
    {"Q", plat::DIK_Q},
    {"R", plat::DIK_R},
    {"]", plat::DIK_RBRACKET},
    {"R_CONTROL", plat::DIK_RCONTROL},
    {"RETURN", plat::DIK_RETURN},
    {"RIGHT", plat::DIK_RIGHT},
    {"S", plat::DIK_S},
    {";", plat::DIK_SEMICOLON},
    {"/", plat::DIK_SLASH},
    {"SPACEBAR", plat::DIK_SPACE},
    {"NUM_-", plat::DIK_SUBTRACT},
    {"T", plat::DIK_T},
    {"TAB", plat::DIK_TAB},
    {"U", plat::DIK_U},
    {"UP", plat::DIK_UP},
    {"V", plat::DIK_V},
    {"W", plat::DIK_W},
    {"X", plat::DIK_X},
    {"Y", plat::DIK_Y},
    {"Z", plat::DIK_Z},
};

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (FoldCase(*a) != FoldCase(*b)) return false;
    return *a == *b;
}

}  // namespace

std::uint8_t KeyCodeFromName(const char* name) {
    if (!name) return kUnknownKeyCode;
    for (const KeyName& key : kKeyNames)
        if (SameIgnoringCase(name, key.name)) return key.code;
    return kUnknownKeyCode;
}

std::span<const KeyName> KeyNameTable() { return kKeyNames; }
