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

// What a file makes the reader build follows what it reads: over the whole
// file, the values of its structures (each structure and each of its
// members) stay within this many per datum read (a primitive value or a
// data object), past a first allowance that lets any nest of structures
// begin. A template may hold others that hold nothing, so without it a few
// lines of definitions would make a structure of any size out of "{ }".
// The standard templates build at most 3.5 values per primitive
// (Boolean2d).
inline constexpr std::size_t kValuesPerDatum = 4;
inline constexpr std::size_t kValuesAtStart = 256;

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
// A compressed file may inflate to at most this many bytes.
inline constexpr std::size_t kMaxInflated = std::size_t(64) << 20;

// Inflates the part of a compressed file after its header (which starts at
// byte 16 of the file). On a fault: false, with the file offset where it
// lies and what is wrong.
bool InflateMszip(std::string_view afterHeader, std::string& out, std::size_t& faultOffset, std::string& fault);
// The part after the header for a body (what follows the header once
// inflated).
std::string DeflateMszip(std::string_view body);

// Fills an array or structure in place, element after element, without
// first gathering the elements elsewhere. Start gives room for `capacity`
// elements; the caller appends no more than that.
struct ValueFiller {
    static XValue Start(XValue::Kind kind, const XTemplate* templ, std::size_t capacity);
    static void Append(XValue& value, XValue element);
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
