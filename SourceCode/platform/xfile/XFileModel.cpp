// The value and template model of .x files: GUIDs, templates, the registry,
// typed values and data objects.
#include <algorithm>
#include <cstdio>
#include <new>

#include "platform/common/AsciiCase.h"
#include "platform/xfile/XFile.h"
#include "platform/xfile/XFileInternal.h"

namespace plat {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[pos]; false when one is not hex.
bool ReadHex(std::string_view text, std::size_t pos, int digits, std::uint64_t& out) {
    out = 0;
    for (int i = 0; i < digits; ++i) {
        int d = HexDigit(text[pos + i]);
        if (d < 0) return false;
        out = (out << 4) | static_cast<std::uint64_t>(d);
    }
    return true;
}

std::string UpperCase(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) c = AsciiUpper(c);
    return upper;
}

const XValue& EmptyValue() {
    static const XValue empty{};
    return empty;
}

const std::string& EmptyString() {
    static const std::string empty;
    return empty;
}

}  // namespace

std::optional<XGuid> XGuid::Parse(std::string_view text) {
    // 8-4-4-4-12 hex digits.
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    XGuid g;
    std::uint64_t v = 0;
    if (!ReadHex(text, 0, 8, v)) return std::nullopt;
    g.data1 = static_cast<std::uint32_t>(v);
    if (!ReadHex(text, 9, 4, v)) return std::nullopt;
    g.data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 14, 4, v)) return std::nullopt;
    g.data3 = static_cast<std::uint16_t>(v);
    for (int i = 0; i < 2; ++i) {
        if (!ReadHex(text, 19 + 2 * i, 2, v)) return std::nullopt;
        g.data4[i] = static_cast<std::uint8_t>(v);
    }
    for (int i = 0; i < 6; ++i) {
        if (!ReadHex(text, 24 + 2 * i, 2, v)) return std::nullopt;
        g.data4[2 + i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

std::string XGuid::ToString() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", data1, data2, data3,
                  data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return buf;
}

void XTemplate::AddMember(XMember member) {
    // The first member of a name keeps its place.
    if (!member.name.empty()) memberIndex.emplace(member.name, static_cast<int>(members.size()));
    members.push_back(std::move(member));
}

void XTemplate::AddAllowedChild(XAllowedChild child) {
    allowedNames.insert(child.name);
    if (child.guid) allowedGuids.insert(*child.guid);
    allowed.push_back(std::move(child));
}

int XTemplate::MemberIndex(std::string_view memberName) const {
    auto it = memberIndex.find(memberName);
    return it == memberIndex.end() ? -1 : it->second;
}

bool XTemplate::AllowsChild(const XTemplate& child) const {
    switch (restriction) {
    case XRestriction::Open:
        return true;
    case XRestriction::Closed:
        return false;
    case XRestriction::Restricted:
        // Files redefine standard templates, so a name match is enough.
        return allowedNames.contains(child.name) || allowedGuids.contains(child.guid);
    }
    return false;
}

void XTemplateRegistry::Add(std::shared_ptr<const XTemplate> templ) {
    if (!templ) return;
    auto it = byName.find(templ->name);
    if (it != byName.end()) {
        ordered[it->second] = std::move(templ);
        return;
    }
    byName.emplace(templ->name, ordered.size());
    byUpperName.emplace(UpperCase(templ->name), ordered.size());
    ordered.push_back(std::move(templ));
}

std::shared_ptr<const XTemplate> XTemplateRegistry::FindByName(std::string_view name) const {
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : ordered[it->second];
}

std::shared_ptr<const XTemplate> XTemplateRegistry::FindByNameAnyCase(std::string_view name) const {
    if (auto exact = FindByName(name)) return exact;
    auto it = byUpperName.find(UpperCase(name));
    return it == byUpperName.end() ? nullptr : ordered[it->second];
}

std::shared_ptr<const XTemplate> XTemplateRegistry::FindByGuid(const XGuid& guid) const {
    for (const auto& t : ordered)
        if (t->guid == guid) return t;
    return nullptr;
}

struct XValue::Block {
    const XTemplate* templ;
    // The elements follow, suitably aligned.
};

namespace {
static_assert(sizeof(XValue) == 16, "a value is two words");
constexpr std::size_t kElementsOffset = (sizeof(void*) + alignof(XValue) - 1) / alignof(XValue) * alignof(XValue);
}  // namespace

XValue* XValue::Elements() const {
    if ((kind != Kind::Array && kind != Kind::Struct) || !block) return nullptr;
    return reinterpret_cast<XValue*>(reinterpret_cast<char*>(block) + kElementsOffset);
}

XValue XValue::WithElements(Kind kind, const XTemplate* templ, std::vector<XValue>& elements) {
    XValue x = xfile::ValueFiller::Start(kind, templ, elements.size());
    for (XValue& element : elements) xfile::ValueFiller::Append(x, std::move(element));
    return x;
}

XValue xfile::ValueFiller::Start(XValue::Kind kind, const XTemplate* templ, std::size_t capacity) {
    XValue x;
    void* memory = ::operator new(kElementsOffset + capacity * sizeof(XValue));
    x.block = new (memory) XValue::Block{templ};
    x.kind = kind;
    return x;
}

void xfile::ValueFiller::Append(XValue& value, XValue element) {
    new (value.Elements() + value.count) XValue(std::move(element));
    ++value.count;
}

void xfile::ValueFiller::Grow(XValue& value, std::size_t capacity) {
    XValue grown = Start(value.kind, value.block->templ, std::max<std::size_t>(capacity, value.count));
    for (XValue& element : value.Items()) Append(grown, std::move(element));
    value = std::move(grown);
}

std::size_t xfile::ValueFiller::BlockBytes(std::size_t capacity) {
    return HeapBytes(kElementsOffset + capacity * sizeof(XValue));
}

void XValue::Release() noexcept {
    if (kind == Kind::String) {
        delete text;
    } else if ((kind == Kind::Array || kind == Kind::Struct) && block) {
        XValue* items = Elements();
        for (std::uint32_t i = 0; i < count; ++i) items[i].~XValue();
        ::operator delete(block);
    }
    kind = Kind::None;
    count = 0;
    integer = 0;
}

void XValue::CopyFrom(const XValue& other) {
    switch (other.kind) {
    case Kind::String:
        text = new std::string(*other.text);
        break;
    case Kind::Array:
    case Kind::Struct: {
        std::vector<XValue> copies(other.Items().begin(), other.Items().end());
        *this = WithElements(other.kind, other.block ? other.block->templ : nullptr, copies);
        return;
    }
    default:
        integer = other.integer;
        break;
    }
    kind = other.kind;
    count = other.count;
}

XValue::XValue(const XValue& other) { CopyFrom(other); }

XValue::XValue(XValue&& other) noexcept : kind(other.kind), count(other.count), integer(other.integer) {
    other.kind = Kind::None;
    other.count = 0;
    other.integer = 0;
}

XValue& XValue::operator=(const XValue& other) {
    if (this != &other) {
        XValue copy(other);
        *this = std::move(copy);
    }
    return *this;
}

XValue& XValue::operator=(XValue&& other) noexcept {
    if (this != &other) {
        Release();
        kind = other.kind;
        count = other.count;
        integer = other.integer;
        other.kind = Kind::None;
        other.count = 0;
        other.integer = 0;
    }
    return *this;
}

XValue::~XValue() { Release(); }

XValue XValue::Integer(std::int64_t v) {
    XValue x;
    x.kind = Kind::Integer;
    x.integer = v;
    return x;
}

XValue XValue::Real(double v) {
    XValue x;
    x.kind = Kind::Real;
    x.real = v;
    return x;
}

XValue XValue::Text(std::string v) {
    XValue x;
    x.text = new std::string(std::move(v));
    x.kind = Kind::String;
    return x;
}

XValue XValue::Array(std::vector<XValue> elements) { return WithElements(Kind::Array, nullptr, elements); }

XValue XValue::Struct(const XTemplate* templ, std::vector<XValue> fields) {
    return WithElements(Kind::Struct, templ, fields);
}

const XTemplate* XValue::StructTemplate() const { return kind == Kind::Struct && block ? block->templ : nullptr; }

std::int64_t XValue::AsInteger() const {
    if (kind == Kind::Integer) return integer;
    if (kind == Kind::Real && real > -9.0e18 && real < 9.0e18) return static_cast<std::int64_t>(real);
    return 0;
}

double XValue::AsDouble() const {
    if (kind == Kind::Real) return real;
    if (kind == Kind::Integer) return static_cast<double>(integer);
    return 0.0;
}

const std::string& XValue::AsString() const {
    return kind == Kind::String ? *text : EmptyString();
}

const XValue& XValue::operator[](std::size_t index) const {
    return index < count ? Elements()[index] : EmptyValue();
}

const XValue& XValue::Field(std::string_view memberName) const {
    const XTemplate* templ = StructTemplate();
    if (!templ) return EmptyValue();
    int index = templ->MemberIndex(memberName);
    return index < 0 ? EmptyValue() : (*this)[static_cast<std::size_t>(index)];
}

XValue xfile::DefaultValue(const XMember& member) {
    if (member.IsArray()) return XValue::Array({});
    switch (member.type) {
    case XType::Float:
    case XType::Double:
        return XValue::Real(0.0);
    case XType::String:
        return XValue::Text("");
    case XType::Template:
        return xfile::DefaultStruct(*member.templateType);
    default:
        return XValue::Integer(0);
    }
}

XValue xfile::DefaultStruct(const XTemplate& templ) {
    std::vector<XValue> fields;
    fields.reserve(templ.members.size());
    for (const XMember& m : templ.members) fields.push_back(DefaultValue(m));
    return XValue::Struct(&templ, std::move(fields));
}

XDataObject::XDataObject(std::shared_ptr<const XTemplate> t, std::string objectName)
    : name(std::move(objectName)), templ(std::move(t)), data(xfile::DefaultStruct(*templ)) {}

XDataObject::XDataObject(std::shared_ptr<const XTemplate> t, std::string objectName, XValue objectData)
    : name(std::move(objectName)), templ(std::move(t)), data(std::move(objectData)) {}

XDataObject& XDataObject::AddChild(std::unique_ptr<XDataObject> child) {
    XChild c;
    c.object = std::move(child);
    children.push_back(std::move(c));
    return *children.back().object;
}

void XDataObject::AddReference(const XDataObject& target) {
    XChild c;
    c.referenced = &target;
    children.push_back(std::move(c));
}

XStructBuilder::XStructBuilder(const XTemplate& t) : templ(t) {
    const XValue defaults = xfile::DefaultStruct(t);
    fields.assign(defaults.Items().begin(), defaults.Items().end());
}

XStructBuilder& XStructBuilder::Set(std::string_view memberName, XValue value) {
    int index = templ.MemberIndex(memberName);
    if (index >= 0) fields[static_cast<std::size_t>(index)] = std::move(value);
    return *this;
}

XValue XStructBuilder::Build() const {
    return XValue::Struct(&templ, fields);
}

std::optional<std::uint64_t> xfile::ArrayCount(const XTemplate& templ, const XMember& member,
                                               std::span<const XValue> fields) {
    std::uint64_t count = 1;
    for (const XDimension& dim : member.dimensions) {
        std::int64_t n = dim.count;
        if (!dim.sizeMember.empty()) {
            int index = templ.MemberIndex(dim.sizeMember);
            n = index < 0 || std::size_t(index) >= fields.size() ? 0 : fields[std::size_t(index)].AsInteger();
        }
        if (n < 0 || n > 0xFFFFFFFFll) return std::nullopt;
        count *= static_cast<std::uint64_t>(n);
        if (count > 0xFFFFFFFFull) return std::nullopt;
    }
    return count;
}

bool xfile::IntegerInRange(XType type, std::int64_t v) {
    switch (type) {
    case XType::Word:
        return v >= 0 && v <= 0xFFFF;
    case XType::Dword:
        return v >= 0 && v <= 0xFFFFFFFFLL;
    case XType::Sword:
        return v >= -32768 && v <= 32767;
    case XType::Sdword:
        return v >= -2147483648LL && v <= 2147483647LL;
    case XType::Char:
        return v >= -128 && v <= 127;
    case XType::Uchar:
        return v >= 0 && v <= 255;
    default:
        return false;
    }
}

bool xfile::IsIntegerType(XType type) {
    switch (type) {
    case XType::Word:
    case XType::Dword:
    case XType::Sword:
    case XType::Sdword:
    case XType::Char:
    case XType::Uchar:
        return true;
    default:
        return false;
    }
}

const char* xfile::TypeName(XType type) {
    switch (type) {
    case XType::Word: return "WORD";
    case XType::Dword: return "DWORD";
    case XType::Sword: return "SWORD";
    case XType::Sdword: return "SDWORD";
    case XType::Char: return "CHAR";
    case XType::Uchar: return "UCHAR";
    case XType::Float: return "FLOAT";
    case XType::Double: return "DOUBLE";
    case XType::String: return "STRING";
    case XType::Template: return "";
    }
    return "";
}

std::optional<XType> xfile::PrimitiveType(std::string_view word) {
    if (word == "WORD") return XType::Word;
    if (word == "DWORD") return XType::Dword;
    if (word == "SWORD") return XType::Sword;
    if (word == "SDWORD") return XType::Sdword;
    if (word == "CHAR") return XType::Char;
    if (word == "UCHAR" || word == "BYTE") return XType::Uchar;
    if (word == "FLOAT") return XType::Float;
    if (word == "DOUBLE") return XType::Double;
    if (word == "STRING" || word == "LPSTR" || word == "CSTRING") return XType::String;
    return std::nullopt;
}

bool xfile::IsIdentifier(std::string_view s) {
    if (s.empty()) return false;
    auto isStart = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!isStart(s[0])) return false;
    for (char c : s)
        if (!IsIdentifierChar(c)) return false;
    return true;
}

bool xfile::IsIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

}  // namespace plat
