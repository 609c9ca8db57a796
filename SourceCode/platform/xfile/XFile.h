#pragma once
// The DirectX .x text file format: one reader and one writer for meshes and
// for the character, animation and surface data files.
//
// A file is read against a template registry (the templates a file kind
// registers, plus those the file defines itself) into an XDocument: a tree of
// data objects whose member data is a typed value tree checked against the
// templates (every array count is checked against the data). The writer
// turns templates and data objects back into text that reads back equal.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// A GUID as .x files write it: <XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX>.
struct XGuid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    // Parses the 36-character form (without angle brackets); case-insensitive.
    static std::optional<XGuid> Parse(std::string_view text);
    // The 36-character form in upper case, without angle brackets.
    std::string ToString() const;

    friend bool operator==(const XGuid&, const XGuid&) = default;
    friend auto operator<=>(const XGuid&, const XGuid&) = default;
};

// The primitive member types of a template; Template marks a member whose
// type is another template.
enum class XType : std::uint8_t {
    Word,    // 16-bit unsigned
    Dword,   // 32-bit unsigned
    Sword,   // 16-bit signed
    Sdword,  // 32-bit signed
    Char,    // 8-bit signed
    Uchar,   // 8-bit unsigned (also BYTE)
    Float,   // stored with single precision
    Double,
    String,  // "quoted text" (also LPSTR, CSTRING)
    Template,
};

class XTemplate;
class XValue;

namespace xfile {
struct ValueFiller;  // the reader's way of filling values in place
}

// One dimension of an array member: a literal count, or the name of an
// earlier integer member of the same template that holds the count.
struct XDimension {
    std::uint32_t count = 0;
    std::string sizeMember;  // empty for a literal
};

struct XMember {
    XType type = XType::Dword;
    std::shared_ptr<const XTemplate> templateType;  // for XType::Template
    std::string name;
    std::vector<XDimension> dimensions;  // empty for a single value

    bool IsArray() const { return !dimensions.empty(); }
};

// Which child data objects a template's objects may hold.
enum class XRestriction : std::uint8_t { Closed, Open, Restricted };

struct XAllowedChild {
    std::string name;
    std::optional<XGuid> guid;
};

class XTemplate {
public:
    std::string name;
    XGuid guid;
    // Filled only through AddMember and AddAllowedChild, which keep the
    // lookups below indexed: a file may define a template of any number of
    // members.
    std::vector<XMember> members;
    XRestriction restriction = XRestriction::Closed;
    std::vector<XAllowedChild> allowed;  // for Restricted

    void AddMember(XMember member);
    void AddAllowedChild(XAllowedChild child);
    // Index of the (first) member with this name, or -1.
    int MemberIndex(std::string_view memberName) const;
    bool AllowsChild(const XTemplate& child) const;

private:
    std::map<std::string, int, std::less<>> memberIndex;
    std::set<std::string, std::less<>> allowedNames;
    std::set<XGuid> allowedGuids;
};

// The templates known while reading or writing one file. A registry is a
// value: each file kind builds one from its template text and every file read
// works on its own copy, since a file may define further templates.
class XTemplateRegistry {
public:
    // Parses template definitions ("xof" header optional) and adds them; a
    // definition replaces an earlier one of the same name. On failure the
    // registry is unchanged and error says what was wrong.
    bool RegisterTemplates(std::string_view text, std::string* error = nullptr,
                           const std::string& sourceName = "templates");
    void Add(std::shared_ptr<const XTemplate> templ);

    std::shared_ptr<const XTemplate> FindByName(std::string_view name) const;
    // The template of that exact name, else the first (in the order added)
    // whose name differs only in case: exporters write "TextureFileName"
    // for the standard "TextureFilename".
    std::shared_ptr<const XTemplate> FindByNameAnyCase(std::string_view name) const;
    std::shared_ptr<const XTemplate> FindByGuid(const XGuid& guid) const;
    // In the order they were first added.
    const std::vector<std::shared_ptr<const XTemplate>>& All() const { return ordered; }

    // The registry of the standard templates, built once: the retained-mode
    // set (Mesh, MeshNormals, MeshTextureCoords, MeshMaterialList, Material,
    // TextureFilename, Frame, Animation, ...), the skinning set
    // (XSkinMeshHeader, VertexDuplicationIndices, SkinWeights) and the
    // extension set (FVFData, DeclData, EffectInstance, AnimTicksPerSecond,
    // CompressedAnimationSet, PatchMesh, ...).
    static const XTemplateRegistry& Standard();

private:
    std::vector<std::shared_ptr<const XTemplate>> ordered;
    std::map<std::string, std::size_t, std::less<>> byName;
    // Upper-cased name: the first template added under it.
    std::map<std::string, std::size_t, std::less<>> byUpperName;
};

// A typed value: an integer, a real, a string, an array or a structure (the
// members of a template, in order). Accessors never fail: asking a value of
// another kind, or an element out of range, gives zero, "" or an empty value.
// A value is 16 bytes; the elements of an array or structure live in one
// block with its template, so that a large mesh costs little more than its
// numbers.
class XValue {
public:
    enum class Kind : std::uint8_t { None, Integer, Real, String, Array, Struct };

    XValue() = default;
    XValue(const XValue& other);
    XValue(XValue&& other) noexcept;
    XValue& operator=(const XValue& other);
    XValue& operator=(XValue&& other) noexcept;
    ~XValue();

    static XValue Integer(std::int64_t v);
    static XValue Real(double v);
    static XValue Text(std::string v);
    static XValue Array(std::vector<XValue> items);
    static XValue Struct(const XTemplate* templ, std::vector<XValue> fields);

    Kind GetKind() const { return kind; }
    std::int64_t AsInteger() const;
    std::uint32_t AsDword() const { return static_cast<std::uint32_t>(AsInteger()); }
    double AsDouble() const;
    float AsFloat() const { return static_cast<float>(AsDouble()); }
    const std::string& AsString() const;

    // Elements of an array or fields of a structure.
    std::size_t Size() const { return count; }
    const XValue& operator[](std::size_t index) const;
    std::span<const XValue> Items() const { return {Elements(), count}; }
    std::span<XValue> Items() { return {Elements(), count}; }
    // A structure's field by member name.
    const XValue& Field(std::string_view memberName) const;
    const XTemplate* StructTemplate() const;

private:
    friend struct xfile::ValueFiller;
    struct Block;  // the template (structures), then the elements
    static XValue WithElements(Kind kind, const XTemplate* templ, std::vector<XValue>& elements);
    XValue* Elements() const;
    void Release() noexcept;
    void CopyFrom(const XValue& other);

    Kind kind = Kind::None;
    std::uint32_t count = 0;  // elements of an array or structure
    union {
        std::int64_t integer = 0;
        double real;
        std::string* text;
        Block* block;
    };
};

class XDataObject;

// A child of a data object: an object of its own, or a reference by name
// or GUID to an object that was complete before the reference. A reference
// is written as it was read: by the target's GUID, or by its name.
struct XChild {
    std::unique_ptr<XDataObject> object;  // owned child, null for a reference
    const XDataObject* referenced = nullptr;
    bool byGuid = false;

    bool IsReference() const { return object == nullptr; }
    // The child object itself, or the referenced one.
    const XDataObject* Target() const { return object ? object.get() : referenced; }
};

class XDataObject {
public:
    // templ must not be null; the data starts as an empty structure of it.
    XDataObject(std::shared_ptr<const XTemplate> templ, std::string name);
    // The same with its data already made (ValidateXObject checks it).
    XDataObject(std::shared_ptr<const XTemplate> templ, std::string name, XValue data);

    const XTemplate& Template() const { return *templ; }
    const std::shared_ptr<const XTemplate>& TemplatePtr() const { return templ; }
    const XGuid& TemplateGuid() const { return templ->guid; }

    // The member data: a structure of the template's members.
    const XValue& Data() const { return data; }
    XValue& Data() { return data; }
    const XValue& Member(std::string_view memberName) const { return data.Field(memberName); }

    // Writers: appends an owned child or a reference and returns it.
    XDataObject& AddChild(std::unique_ptr<XDataObject> child);
    void AddReference(const XDataObject& target);

    std::string name;               // may be empty
    std::optional<XGuid> guid;      // the object's own GUID, rarely used
    std::vector<XChild> children;

private:
    std::shared_ptr<const XTemplate> templ;
    XValue data;
};

// A whole file: the registry it was read with (its own definitions added) and
// its top-level data objects in file order.
class XDocument {
public:
    XTemplateRegistry templates;
    std::vector<std::unique_ptr<XDataObject>> objects;
    std::string version;    // "0302" or "0303"
    std::string format;     // "txt ", "bin ", or compressed: "tzip", "bzip"
    std::string floatSize;  // "0032" or "0064"
};

// Reads a .x file in any encoding: text, binary, or either compressed
// (MSZIP), with 32- or 64-bit floats. sourceName labels error messages
// ("name:line: what" in text, "name: byte N: what" in binary). Returns false
// with an error for anything malformed; never throws.
bool ParseXFile(std::string_view text, const XTemplateRegistry& registry, XDocument& out,
                std::string* error, const std::string& sourceName = "<memory>");
// Whether the file begins with a header this reader takes (any encoding).
bool CheckXFileHeader(std::string_view file, std::string* error, const std::string& sourceName);
bool LoadXFile(const std::string& path, const XTemplateRegistry& registry, XDocument& out,
               std::string* error);
// The same for data files, which keep what precedes a fault: on an error
// (false), out still receives the top-level objects completed before it.
bool ParseXFileUpToError(std::string_view text, const XTemplateRegistry& registry, XDocument& out,
                         std::string* error, const std::string& sourceName = "<memory>");

// Checks that a data object's value tree matches its template (kinds,
// ranges, array sizes against their count members), children included.
bool ValidateXObject(const XDataObject& object, std::string* error);

// The encodings a file may be written in, as the interface's save object
// offers them. The engine's own data files are text.
enum class XFormat : std::uint8_t { Text, Binary, CompressedText, CompressedBinary };
struct XWriteOptions {
    XFormat format = XFormat::Text;
    bool doubles = false;  // "0064": binary floats take 8 bytes
};

// Writes a file ("xof 0303txt 0032" by default): the templates given, then
// the objects. Fails (with error) when an object does not match its
// template.
bool WriteXFile(const std::vector<std::shared_ptr<const XTemplate>>& templates,
                const std::vector<const XDataObject*>& objects, std::string& out, std::string* error,
                const XWriteOptions& options = {});
// The templates the objects (children included) use, each after the
// templates its members use: what a written file must define to read back.
std::vector<std::shared_ptr<const XTemplate>> TemplatesUsedBy(const std::vector<const XDataObject*>& objects);

// Writes to a temporary file beside path and renames it over path, so that
// a failed save leaves the old file as it was.
bool SaveXFile(const std::string& path, const std::vector<std::shared_ptr<const XTemplate>>& templates,
               const std::vector<const XDataObject*>& objects, std::string* error,
               const XWriteOptions& options = {});

// Builds the structure value of a template member by member, for writers:
// XStructBuilder(t).Set("x", XValue::Real(1)).Build().
class XStructBuilder {
public:
    explicit XStructBuilder(const XTemplate& templ);
    // Unknown member names are ignored (ValidateXObject reports what is missing).
    XStructBuilder& Set(std::string_view memberName, XValue value);
    XValue Build() const;

private:
    const XTemplate& templ;
    std::vector<XValue> fields;
};

}  // namespace plat
