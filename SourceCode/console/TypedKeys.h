#pragma once
// The keys that type a character into the console, in the order the console
// looks at them (the first triggered one is typed; the others wait for a
// later frame), with the character each gives plain and with Shift on a US
// layout. No other key types anything.
#include <cstdint>
#include <span>

struct TypedKey {
    std::uint8_t code;
    char plain;
    char shifted;
};

std::span<const TypedKey> TypedKeys();
