#pragma once
// The keys that type a character into the console, with the character each
// gives plain and with Shift on a US layout. No other key types anything.
#include <cstdint>

// The character key types, or 0 for a key that types none.
char TypedChar(std::uint8_t key, bool shift);
