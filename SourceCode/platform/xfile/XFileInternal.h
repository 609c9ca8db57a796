#pragma once
// Helpers shared by the .x reader and writer; not for other users.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/xfile/XFile.h"

namespace plat::xfile {

// Data objects, references and inline structures nest at most this deep.
inline constexpr int kMaxDepth = 64;

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
