// Writer of .x text files and the check that a value tree matches its
// template before it is written (so that what is written reads back).
#include <charconv>
#include <cmath>
#include <cstring>
#include <set>

#include "platform/xfile/XFile.h"
#include "platform/xfile/XFileInternal.h"
#include "platform/common/Files.h"

namespace plat {

namespace {

constexpr std::size_t kNumbersPerLine = 8;

bool Fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

// How a reference is written: as it was read (by the target's GUID or by
// its name), else by the target's name, else by its GUID; "" when there is
// no way.
std::string ReferenceText(const XChild& child) {
    const XDataObject* target = child.Target();
    if (!target) return "";
    if (target->guid && (child.byGuid || target->name.empty())) return '<' + target->guid->ToString() + '>';
    return target->name;
}

class Validator {
public:
    explicit Validator(std::string* error) : error(error) {}

    bool Object(const XDataObject& object, int depth) {
        const XTemplate& templ = object.Template();
        std::string where = object.name.empty() ? "'" + templ.name + "' object" : "'" + object.name + "'";
        if (depth >= xfile::kMaxDepth) return Fail(error, where + ": objects nested too deep");
        if (!object.name.empty() && !xfile::IsIdentifier(object.name))
            return Fail(error, where + ": the name is not a valid .x name");
        if (!Struct(templ, object.Data(), where, 0)) return false;
        for (const XChild& child : object.children) {
            const XDataObject* target = child.Target();
            if (!target) return Fail(error, where + ": a reference without a target");
            if (!templ.AllowsChild(target->Template()))
                return Fail(error, where + ": may not hold a '" + target->Template().name + "' object");
            if (child.IsReference()) {
                std::string text = ReferenceText(child);
                if (text.empty()) return Fail(error, where + ": refers to an object with neither name nor GUID");
                if (text[0] != '<' && !xfile::IsIdentifier(text))
                    return Fail(error, where + ": refers to an object whose name is not a valid .x name");
            } else if (!Object(*child.object, depth + 1)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Struct(const XTemplate& templ, const XValue& value, const std::string& where, int depth) {
        if (depth >= xfile::kMaxDepth) return Fail(error, where + ": structures nested too deep");
        if (value.GetKind() != XValue::Kind::Struct || value.Size() != templ.members.size())
            return Fail(error, where + ": the data is not a '" + templ.name + "' structure");
        for (std::size_t i = 0; i < templ.members.size(); ++i) {
            const XMember& member = templ.members[i];
            std::string at = where + " member '" + member.name + "'";
            if (!member.IsArray()) {
                if (!Single(member, value[i], at, depth)) return false;
                continue;
            }
            if (value[i].GetKind() != XValue::Kind::Array) return Fail(error, at + ": not an array");
            std::optional<std::uint64_t> expected = xfile::ArrayCount(templ, member, value.Items());
            if (!expected) return Fail(error, at + ": its count is negative or too large");
            if (value[i].Size() != *expected)
                return Fail(error, at + ": has " + std::to_string(value[i].Size()) + " elements, its count says " +
                                       std::to_string(*expected));
            for (const XValue& element : value[i].Items())
                if (!Single(member, element, at, depth)) return false;
        }
        return true;
    }

    bool Single(const XMember& member, const XValue& v, const std::string& at, int depth) {
        using K = XValue::Kind;
        switch (member.type) {
        case XType::Template:
            return Struct(*member.templateType, v, at, depth + 1);
        case XType::String:
            if (v.GetKind() != K::String) return Fail(error, at + ": not a string");
            if (v.AsString().find('"') != std::string::npos)
                return Fail(error, at + ": a string cannot hold '\"' in a .x file");
            if (v.AsString().find('\0') != std::string::npos)
                return Fail(error, at + ": a string cannot hold a zero byte in a .x file");
            return true;
        case XType::Float:
        case XType::Double: {
            if (v.GetKind() != K::Real && v.GetKind() != K::Integer) return Fail(error, at + ": not a number");
            bool finite = member.type == XType::Float ? std::isfinite(v.AsFloat()) : std::isfinite(v.AsDouble());
            if (!finite) return Fail(error, at + ": not a finite number");
            return true;
        }
        default:
            if (v.GetKind() != K::Integer) return Fail(error, at + ": not an integer");
            if (!xfile::IntegerInRange(member.type, v.AsInteger()))
                return Fail(error, at + ": " + std::to_string(v.AsInteger()) + " is out of range for " +
                                       xfile::TypeName(member.type));
            return true;
        }
    }

    std::string* error;
};

template <class T>
std::string ShortestNumber(T v) {
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, result.ptr);
    // Keep reals recognisable as reals to a reader.
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

class Writer {
public:
    explicit Writer(std::string& out) : out(out) {}

    void Template(const XTemplate& t) {
        out += "\ntemplate " + t.name + " {\n <" + t.guid.ToString() + ">\n";
        for (const XMember& m : t.members) {
            out += ' ';
            if (m.IsArray()) out += "array ";
            out += m.type == XType::Template ? m.templateType->name : xfile::TypeName(m.type);
            if (!m.name.empty()) out += ' ' + m.name;
            for (const XDimension& d : m.dimensions)
                out += '[' + (d.sizeMember.empty() ? std::to_string(d.count) : d.sizeMember) + ']';
            out += ";\n";
        }
        if (t.restriction == XRestriction::Open) {
            out += " [...]\n";
        } else if (t.restriction == XRestriction::Restricted) {
            out += " [";
            for (std::size_t i = 0; i < t.allowed.size(); ++i) {
                if (i) out += ", ";
                out += t.allowed[i].name;
                if (t.allowed[i].guid) out += " <" + t.allowed[i].guid->ToString() + ">";
            }
            out += "]\n";
        }
        out += "}\n";
    }

    void Object(const XDataObject& object, int depth) {
        std::string indent(static_cast<std::size_t>(depth), ' ');
        std::string inner = indent + ' ';
        out += indent + object.Template().name;
        if (!object.name.empty()) out += ' ' + object.name;
        out += " {\n";
        if (object.guid) out += inner + '<' + object.guid->ToString() + ">\n";
        const XTemplate& templ = object.Template();
        for (std::size_t i = 0; i < templ.members.size(); ++i) TopMember(templ.members[i], object.Data()[i], inner);
        for (const XChild& child : object.children) {
            if (!child.IsReference()) {
                Object(*child.object, depth + 1);
                continue;
            }
            out += inner + "{ " + ReferenceText(child) + " }\n";
        }
        out += indent + "}\n";
    }

private:
    // A member of a data object: arrays of structures one element a line,
    // arrays of numbers a few to a line.
    void TopMember(const XMember& m, const XValue& v, const std::string& indent) {
        if (!m.IsArray()) {
            out += indent + Single(m, v) + ";\n";
            return;
        }
        if (v.Size() == 0) {
            out += indent + ";\n";
            return;
        }
        bool onePerLine = m.type == XType::Template || m.type == XType::String;
        std::size_t perLine = onePerLine ? 1 : kNumbersPerLine;
        for (std::size_t i = 0; i < v.Size(); ++i) {
            if (i % perLine == 0) out += indent;
            out += Single(m, v[i]);
            bool last = i + 1 == v.Size();
            out += last ? ";" : ",";
            if (last || (i + 1) % perLine == 0) out += '\n';
        }
    }

    // A member inside an inline structure: everything on one line.
    std::string InlineMember(const XMember& m, const XValue& v) {
        if (!m.IsArray()) return Single(m, v) + ";";
        std::string s;
        for (std::size_t i = 0; i < v.Size(); ++i) {
            if (i) s += ',';
            s += Single(m, v[i]);
        }
        return s + ";";
    }

    std::string Single(const XMember& m, const XValue& v) {
        switch (m.type) {
        case XType::Template: {
            const XTemplate& t = *m.templateType;
            std::string s;
            for (std::size_t i = 0; i < t.members.size(); ++i) s += InlineMember(t.members[i], v[i]);
            return s;
        }
        case XType::String:
            return '"' + v.AsString() + '"';
        case XType::Float:
            return ShortestNumber(v.AsFloat());
        case XType::Double:
            return ShortestNumber(v.AsDouble());
        default:
            return std::to_string(v.AsInteger());
        }
    }

    std::string& out;
};

// The binary form of the same templates and objects. Numbers that follow one
// another go in one list (integers and floats each), as exporters write them,
// so a list may span members and structures.
class BinaryWriter {
public:
    BinaryWriter(std::string& out, bool doubles) : out(out), doubles(doubles) {}

    void Template(const XTemplate& t) {
        Code(xfile::kTokTemplate);
        Name(t.name);
        Code(xfile::kTokOBrace);
        Guid(t.guid);
        for (const XMember& m : t.members) {
            if (m.IsArray()) Code(xfile::kTokArray);
            if (m.type == XType::Template) {
                Name(m.templateType->name);
            } else {
                Code(TypeCode(m.type));
            }
            if (!m.name.empty()) Name(m.name);
            for (const XDimension& d : m.dimensions) {
                Code(xfile::kTokOBracket);
                if (d.sizeMember.empty()) {
                    Code(xfile::kTokInteger);
                    U32(d.count);
                } else {
                    Name(d.sizeMember);
                }
                Code(xfile::kTokCBracket);
            }
            Code(xfile::kTokSemicolon);
        }
        if (t.restriction == XRestriction::Open) {
            Code(xfile::kTokOBracket);
            for (int i = 0; i < 3; ++i) Code(xfile::kTokDot);
            Code(xfile::kTokCBracket);
        } else if (t.restriction == XRestriction::Restricted) {
            Code(xfile::kTokOBracket);
            for (std::size_t i = 0; i < t.allowed.size(); ++i) {
                if (i) Code(xfile::kTokComma);
                Name(t.allowed[i].name);
                if (t.allowed[i].guid) Guid(*t.allowed[i].guid);
            }
            Code(xfile::kTokCBracket);
        }
        Code(xfile::kTokCBrace);
    }

    void Object(const XDataObject& object) {
        Name(object.Template().name);
        if (!object.name.empty()) Name(object.name);
        Code(xfile::kTokOBrace);
        if (object.guid) Guid(*object.guid);
        Struct(object.Template(), object.Data());
        EndList();
        for (const XChild& child : object.children) {
            if (!child.IsReference()) {
                Object(*child.object);
                continue;
            }
            Code(xfile::kTokOBrace);
            const std::string text = ReferenceText(child);
            if (text[0] == '<') {
                Guid(*XGuid::Parse(text.substr(1, text.size() - 2)));
            } else {
                Name(text);
            }
            Code(xfile::kTokCBrace);
        }
        Code(xfile::kTokCBrace);
    }

private:
    static std::uint16_t TypeCode(XType type) {
        switch (type) {
        case XType::Word: return xfile::kTokWord;
        case XType::Dword: return xfile::kTokDword;
        case XType::Sword: return xfile::kTokSword;
        case XType::Sdword: return xfile::kTokSdword;
        case XType::Char: return xfile::kTokChar;
        case XType::Uchar: return xfile::kTokUchar;
        case XType::Float: return xfile::kTokFloat;
        case XType::Double: return xfile::kTokDouble;
        default: return xfile::kTokLpstr;
        }
    }

    void Struct(const XTemplate& t, const XValue& v) {
        for (std::size_t i = 0; i < t.members.size(); ++i) {
            const XMember& m = t.members[i];
            if (!m.IsArray()) {
                Single(m, v[i]);
                continue;
            }
            for (const XValue& element : v[i].Items()) Single(m, element);
        }
    }

    void Single(const XMember& m, const XValue& v) {
        switch (m.type) {
        case XType::Template: return Struct(*m.templateType, v);
        case XType::String:
            EndList();
            Code(xfile::kTokString);
            U32(std::uint32_t(v.AsString().size()));
            out += v.AsString();
            Code(xfile::kTokSemicolon);
            return;
        case XType::Float:
        case XType::Double:
            ListItem(xfile::kTokFloatList);
            if (doubles) {
                Bytes(v.AsDouble());
            } else {
                Bytes(v.AsFloat());
            }
            return;
        default:
            ListItem(xfile::kTokIntegerList);
            // Signed values as their 32-bit two's complement.
            U32(static_cast<std::uint32_t>(v.AsInteger()));
            return;
        }
    }

    // Opens a list of this kind unless one is open; counts the item.
    void ListItem(std::uint16_t kind) {
        if (listKind != kind) {
            EndList();
            listKind = kind;
            Code(kind);
            listCountAt = out.size();
            U32(0);
        }
        ++listCount;
    }
    void EndList() {
        if (listKind == 0) return;
        std::memcpy(&out[listCountAt], &listCount, 4);
        listKind = 0;
        listCount = 0;
    }

    template <class T>
    void Bytes(T v) {
        char b[sizeof v];
        std::memcpy(b, &v, sizeof v);  // little-endian, as the format is
        out.append(b, sizeof v);
    }
    void Code(std::uint16_t code) { Bytes(code); }
    void U32(std::uint32_t v) { Bytes(v); }
    void Name(const std::string& name) {
        Code(xfile::kTokName);
        U32(std::uint32_t(name.size()));
        out += name;
    }
    void Guid(const XGuid& g) {
        Code(xfile::kTokGuid);
        Bytes(g.data1);
        Bytes(g.data2);
        Bytes(g.data3);
        out.append(reinterpret_cast<const char*>(g.data4.data()), 8);
    }

    std::string& out;
    bool doubles;
    std::uint16_t listKind = 0;
    std::size_t listCountAt = 0;
    std::uint32_t listCount = 0;
};

void CollectTemplate(const std::shared_ptr<const XTemplate>& t, std::set<const XTemplate*>& seen,
                     std::vector<std::shared_ptr<const XTemplate>>& out) {
    if (!seen.insert(t.get()).second) return;
    for (const XMember& m : t->members)
        if (m.templateType) CollectTemplate(m.templateType, seen, out);
    out.push_back(t);
}

void CollectObject(const XDataObject& o, std::set<const XTemplate*>& seen,
                   std::vector<std::shared_ptr<const XTemplate>>& out, int depth) {
    if (depth >= xfile::kMaxDepth) return;
    CollectTemplate(o.TemplatePtr(), seen, out);
    for (const XChild& c : o.children)
        if (c.object) CollectObject(*c.object, seen, out, depth + 1);
}

}  // namespace

bool ValidateXObject(const XDataObject& object, std::string* error) {
    return Validator(error).Object(object, 0);
}

std::vector<std::shared_ptr<const XTemplate>> TemplatesUsedBy(const std::vector<const XDataObject*>& objects) {
    std::set<const XTemplate*> seen;
    std::vector<std::shared_ptr<const XTemplate>> out;
    for (const XDataObject* o : objects)
        if (o) CollectObject(*o, seen, out, 0);
    return out;
}

bool WriteXFile(const std::vector<std::shared_ptr<const XTemplate>>& templates,
                const std::vector<const XDataObject*>& objects, std::string& out, std::string* error,
                const XWriteOptions& options) {
    for (const XDataObject* o : objects) {
        if (!o) return Fail(error, "a null data object");
        if (!ValidateXObject(*o, error)) return false;
    }
    const bool binary = options.format == XFormat::Binary || options.format == XFormat::CompressedBinary;
    const bool compressed = options.format == XFormat::CompressedText || options.format == XFormat::CompressedBinary;
    std::string body;
    if (binary) {
        BinaryWriter writer(body, options.doubles);
        for (const auto& t : templates)
            if (t) writer.Template(*t);
        for (const XDataObject* o : objects) writer.Object(*o);
    } else {
        body = "\n";
        Writer writer(body);
        for (const auto& t : templates)
            if (t) writer.Template(*t);
        for (const XDataObject* o : objects) {
            body += '\n';
            writer.Object(*o, 0);
        }
    }
    std::string header = "xof 0303";
    header += compressed ? (binary ? "bzip" : "tzip") : (binary ? "bin " : "txt ");
    header += options.doubles ? "0064" : "0032";
    out = header + (compressed ? xfile::DeflateMszip(body) : body);
    return true;
}

bool SaveXFile(const std::string& path, const std::vector<std::shared_ptr<const XTemplate>>& templates,
               const std::vector<const XDataObject*>& objects, std::string* error, const XWriteOptions& options) {
    std::string text;
    if (!WriteXFile(templates, objects, text, error, options)) return false;
    return ReplaceFile(path, text, error);
}

}  // namespace plat
