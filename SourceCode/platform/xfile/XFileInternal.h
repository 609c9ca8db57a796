#pragma once
// Helpers shared by the .x reader and writer; not for other users.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xfile/XFile.h"

namespace plat::xfile {

// Data objects, references and inline structures nest at most this deep.
inline constexpr int kMaxDepth = 64;

// What a file makes the reader build follows what it holds. The heap the
// parser takes for everything it builds (data objects and their slots for
// children and references, structures and arrays with their member slots
// and values, strings, template definitions, the index of names) is
// counted once, at what the allocator really takes, against the bytes read
// so far (after inflation), before it is taken: past a first allowance, at
// most kBuiltPerByteRead bytes built per byte read. An array of one-digit
// numbers builds 8 per byte; a structure nested in another is a slot of it
// and its own members, so wrappers cost what they hold; empty objects "A{}"
// would build over 50, and are refused where they outgrow the file.
inline constexpr std::size_t kBuiltPerByteRead = 24;
inline constexpr std::size_t kBuiltAtStart = std::size_t(1) << 20;

// What the heap takes for a request of n bytes: the allocator's header,
// its rounding and its least block.
constexpr std::size_t HeapBytes(std::size_t n) {
    const std::size_t rounded = (n + 8 + 15) & ~std::size_t(15);
    return rounded < 32 ? 32 : rounded;
}
// What a string of that length takes beyond its own object (none while it
// fits in it).
constexpr std::size_t StringHeapBytes(std::size_t length) { return length > 15 ? HeapBytes(length + 1) : 0; }

// The tokens of binary .x files: a little-endian 16-bit code, some with
// data after it.
enum BinaryToken : std::uint16_t {
    kTokName = 1,         // DWORD length, then the name's bytes
    kTokString = 2,       // DWORD length, the bytes, then a ';' or ',' token
    kTokInteger = 3,      // DWORD
    kTokGuid = 5,         // DWORD, WORD, WORD, 8 bytes
    kTokIntegerList = 6,  // DWORD count, then count DWORDs
    kTokFloatList = 7,    // DWORD count, then count floats of the header's size
    kTokOBrace = 10, kTokCBrace = 11, kTokOParen = 12, kTokCParen = 13,
    kTokOBracket = 14, kTokCBracket = 15, kTokOAngle = 16, kTokCAngle = 17,
    kTokDot = 18, kTokComma = 19, kTokSemicolon = 20,
    kTokTemplate = 31,
    kTokWord = 40, kTokDword = 41, kTokFloat = 42, kTokDouble = 43, kTokChar = 44, kTokUchar = 45,
    kTokSword = 46, kTokSdword = 47, kTokVoid = 48, kTokLpstr = 49, kTokUnicode = 50, kTokCstring = 51,
    kTokArray = 52,
};

// Compressed .x files: after the 16-byte header, a DWORD with the size of
// the whole file once inflated (header included), then MSZIP blocks, each
// {WORD inflated size, WORD size of what follows, "CK", a deflate stream
// that goes on from the window of the block before}.
inline constexpr std::size_t kMszipBlock = 32768;

// Inflates the part of a compressed file after its header (which starts at
// byte 16 of the file), to at most `cap` bytes with the header, whatever
// the file declares. On a fault: false, with the file offset where it lies
// and what is wrong.
bool InflateMszip(std::string_view afterHeader, std::size_t cap, std::string& out, std::size_t& faultOffset,
                  std::string& fault);
// The part after the header for a body (what follows the header once
// inflated).
std::string DeflateMszip(std::string_view body);

// Fills an array or structure in place, element after element, without
// first gathering the elements elsewhere. Start gives room for `capacity`
// elements; the caller appends no more than that.
struct ValueFiller {
    static XValue Start(XValue::Kind kind, const XTemplate* templ, std::size_t capacity);
    static void Append(XValue& value, XValue element);
    // Moves the elements to a block of room for `capacity` (no fewer than
    // there are).
    static void Grow(XValue& value, std::size_t capacity);
    // What the heap takes for the block of an array or structure.
    static std::size_t BlockBytes(std::size_t capacity);
};

XValue DefaultValue(const XMember& member);
XValue DefaultStruct(const XTemplate& templ);

// The number of elements of an array member: the product of its
// dimensions, each a literal or the value of an earlier integer member among
// the structure's fields. Nullopt when a count is negative or the product
// passes 0xFFFFFFFF: no file can hold that array.
std::optional<std::uint64_t> ArrayCount(const XTemplate& templ, const XMember& member,
                                        std::span<const XValue> fields);

bool IsIntegerType(XType type);
// Whether v fits the integer type's range.
bool IntegerInRange(XType type, std::int64_t v);
// The keyword of a primitive type ("" for Template).
const char* TypeName(XType type);
std::optional<XType> PrimitiveType(std::string_view word);

// Names of templates, members and objects: a letter or '_' first, then
// letters, digits, '_', '-' or '.'.
bool IsIdentifier(std::string_view s);
bool IsIdentifierChar(char c);

}  // namespace plat::xfile
