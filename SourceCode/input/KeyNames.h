#pragma once
// Key names: the words that key bindings and the key conditions of level
// scripts use for keys, and the key codes the input system indexes with.
#include <cstdint>
#include <span>

struct KeyName {
    const char* name;
    std::uint8_t code;
};

// The code every word outside the table yields. No key of the keyboard
// reports it, so a condition on a misspelt name never fires.
inline constexpr std::uint8_t kUnknownKeyCode = 125;

// The code of the named key, the name compared without regard to ASCII case;
// kUnknownKeyCode for a null name or one that is not in the table.
std::uint8_t KeyCodeFromName(const char* name);

// The whole table, in lookup order.
std::span<const KeyName> KeyNameTable();
