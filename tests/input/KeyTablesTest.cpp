#include <SDL.h>
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "input/KeyNames.h"
#include "platform/input/DirectInput.h"

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(KeyNames, TableHasNinetyEightUniqueNamesThatAllResolve) {
    auto table = KeyNameTable();
    ASSERT_EQ(table.size(), 98u);
    std::set<std::string> folded;
    std::set<int> codes;
    for (const KeyName& key : table) {
        SCOPED_TRACE(key.name);
        EXPECT_TRUE(folded.insert(Upper(key.name)).second) << "duplicate name";
        EXPECT_TRUE(codes.insert(key.code).second) << "duplicate code";
        EXPECT_NE(key.code, kUnknownKeyCode);
        EXPECT_EQ(KeyCodeFromName(key.name), key.code);
        std::string lower = key.name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(KeyCodeFromName(lower.c_str()), key.code);
    }
}

TEST(KeyNames, CaseInsensitiveLookupAndMisses) {
    EXPECT_EQ(KeyCodeFromName("EsCaPe"), 1);
    EXPECT_EQ(KeyCodeFromName("num_enter"), 156);
    EXPECT_EQ(KeyCodeFromName("RETURN"), 28);
    EXPECT_EQ(KeyCodeFromName("Z"), 44);
    EXPECT_EQ(KeyCodeFromName("\\"), 43);
    EXPECT_EQ(KeyCodeFromName("~"), 41);
    EXPECT_EQ(KeyCodeFromName("'"), 40);
    EXPECT_EQ(KeyCodeFromName("NUM_/"), 181);
    // No name for these, nor for anything near a name.
    for (const char* miss : {"ESC", "O", "o", "", "ESCAPE ", "R_SHIFT", "R_ALT", "F16", "^", "{"})
        EXPECT_EQ(KeyCodeFromName(miss), kUnknownKeyCode) << '"' << miss << '"';
    EXPECT_EQ(KeyCodeFromName(nullptr), kUnknownKeyCode);
}

TEST(KeyCodes, EveryNamedKeyCanBePressedAndNoKeyReportsTheUnknownCode) {
    std::set<int> reachable;
    std::set<int> seen;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        std::uint8_t code = plat::DikFromSdlScancode(sc);
        if (!code) continue;
        EXPECT_NE(code, kUnknownKeyCode) << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
        // NONUSHASH shares the backslash key's code, as it shares its place.
        if (sc != SDL_SCANCODE_NONUSHASH) {
            EXPECT_TRUE(seen.insert(code).second)
                << "two keys give " << int(code) << ": " << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
        }
        reachable.insert(code);
    }
    for (const KeyName& key : KeyNameTable())
        EXPECT_TRUE(reachable.count(key.code)) << key.name << " has no physical key";
    // The keys the name table leaves out still read: right Shift and Alt,
    // the letter O, the lock keys.
    EXPECT_EQ(plat::DikFromSdlScancode(SDL_SCANCODE_RSHIFT), plat::DIK_RSHIFT);
    EXPECT_EQ(plat::DikFromSdlScancode(SDL_SCANCODE_RALT), plat::DIK_RMENU);
    EXPECT_EQ(plat::DikFromSdlScancode(SDL_SCANCODE_O), plat::DIK_O);
    EXPECT_EQ(plat::DikFromSdlScancode(SDL_SCANCODE_NUMLOCKCLEAR), plat::DIK_NUMLOCK);
    EXPECT_EQ(plat::DikFromSdlScancode(SDL_SCANCODE_INTERNATIONAL3), 0);
    EXPECT_EQ(plat::DikFromSdlScancode(-1), 0);
    EXPECT_EQ(plat::DikFromSdlScancode(SDL_NUM_SCANCODES), 0);
}

}  // namespace
