// Reader of .x files: a lexer of text, one of binary tokens (either may read
// inflated MSZIP blocks) and one recursive parser over both that checks every
// value against its template. Errors are thrown inside and come out as
// "source:line: what was wrong" in text, "source: byte N: ..." in binary.
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "platform/xfile/XFile.h"
#include "platform/xfile/XFileInternal.h"
#include "platform/common/Files.h"
#include "platform/common/NowRunning.h"

namespace plat {

namespace {

using xfile::HeapBytes;
using xfile::StringHeapBytes;

enum class Tok : std::uint8_t {
    Identifier, Integer, Real, String, Guid,
    LBrace, RBrace, LBracket, RBracket, Semicolon, Comma, Ellipsis, End,
    Error,  // the lexer stopped here; the token's message says why
};

struct Token {
    Tok type = Tok::End;
    std::string_view text;
    std::size_t at = 0;  // the line in text, the byte offset in binary
    std::int64_t integer = 0;
    double real = 0.0;
    XGuid guid;
    bool word32 = false;  // an integer of a binary file: a signed type reads its 32 bits as signed
};

struct ParseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Printable(std::string_view text) {
    constexpr std::size_t kMaxShown = 40;
    std::string out;
    for (char c : text.substr(0, kMaxShown)) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u < 127) {
            out += c;
        } else {
            static const char* hex = "0123456789ABCDEF";
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    if (text.size() > kMaxShown) out += "...";
    return out;
}

class TextLexer {
public:
    TextLexer(std::string_view text, int firstLine, const std::string& source)
        : text(text), line(firstLine), source(source) {}

    // The next token. A lexical fault becomes an Error token in place, so
    // that the objects before it still parse: the parser fails when it
    // reaches that token. Tokens are made one at a time as the parser asks:
    // a whole file of them would take many times the file's size.
    void NextToken(Token& t) {
        try {
            Next(t);
        } catch (const ParseError& e) {
            t.type = Tok::Error;
            t.at = std::size_t(line);
            error = e.what();
        }
    }
    // Why the lexer stopped, once it has made an Error token.
    const std::string& Error() const { return error; }
    // Bytes of text not yet read, and read.
    std::size_t Remaining() const { return text.size() - std::min(pos, text.size()); }
    std::size_t Consumed() const { return std::min(pos, text.size()); }
    // How an error names the place of a token.
    std::string Where(std::size_t at) const { return source + ":" + std::to_string(at); }

private:
    [[noreturn]] void Fail(const std::string& what) const { throw ParseError(Where(std::size_t(line)) + ": " + what); }

    bool AtEnd() const { return pos >= text.size(); }
    char Peek(std::size_t ahead = 0) const { return pos + ahead < text.size() ? text[pos + ahead] : '\0'; }

    void SkipSpaceAndComments() {
        while (!AtEnd()) {
            char c = text[pos];
            if (c == '\n') {
                ++line;
                ++pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos;
            } else if (c == '#' || (c == '/' && Peek(1) == '/')) {
                while (!AtEnd() && text[pos] != '\n') ++pos;
            } else {
                return;
            }
        }
    }

    // The token of the text from start to here, filled in place: tokens
    // are made once per value of a file, so no copy is spared.
    void Make(Token& t, Tok type, std::size_t start) const {
        t.type = type;
        t.text = text.substr(start, pos - start);
        t.at = std::size_t(line);
    }

    void Next(Token& t) {
        SkipSpaceAndComments();
        std::size_t start = pos;
        if (AtEnd()) return Make(t, Tok::End, start);
        char c = text[pos];
        switch (c) {
        case '{': ++pos; return Make(t, Tok::LBrace, start);
        case '}': ++pos; return Make(t, Tok::RBrace, start);
        case '[': ++pos; return Make(t, Tok::LBracket, start);
        case ']': ++pos; return Make(t, Tok::RBracket, start);
        case ';': ++pos; return Make(t, Tok::Semicolon, start);
        case ',': ++pos; return Make(t, Tok::Comma, start);
        case '<': t = LexGuid(); return;
        case '"': t = LexString(); return;
        default: break;
        }
        if (c == '.' && Peek(1) == '.' && Peek(2) == '.') {
            pos += 3;
            return Make(t, Tok::Ellipsis, start);
        }
        if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') return LexNumber(t);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
            while (!AtEnd() && xfile::IsIdentifierChar(text[pos])) ++pos;
            return Make(t, Tok::Identifier, start);
        }
        Fail("unexpected character '" + Printable(text.substr(pos, 1)) + "'");
    }

    Token Make(Tok type, std::size_t start) const {
        Token t;
        Make(t, type, start);
        return t;
    }

    Token LexGuid() {
        std::size_t start = pos++;
        while (!AtEnd() && text[pos] != '>' && text[pos] != '\n' && pos - start < 64) ++pos;
        if (AtEnd() || text[pos] != '>') Fail("unterminated GUID (missing '>')");
        std::string_view inner = text.substr(start + 1, pos - start - 1);
        while (!inner.empty() && (inner.front() == ' ' || inner.front() == '\t')) inner.remove_prefix(1);
        while (!inner.empty() && (inner.back() == ' ' || inner.back() == '\t')) inner.remove_suffix(1);
        auto guid = XGuid::Parse(inner);
        if (!guid) Fail("malformed GUID <" + Printable(inner) + ">");
        ++pos;
        Token t = Make(Tok::Guid, start);
        t.guid = *guid;
        return t;
    }

    Token LexString() {
        std::size_t start = pos++;
        int startLine = line;
        while (!AtEnd() && text[pos] != '"') {
            if (text[pos] == '\n') ++line;
            // Binary files end strings with zeros; neither form holds one
            // inside, so that what is read writes again in either.
            if (text[pos] == '\0') Fail("a string holds a zero byte");
            ++pos;
        }
        if (AtEnd()) {
            line = startLine;
            Fail("unterminated string");
        }
        ++pos;
        Token t = Make(Tok::String, start);
        t.text = text.substr(start + 1, pos - start - 2);
        t.at = std::size_t(startLine);
        return t;
    }

    void LexNumber(Token& t) {
        std::size_t start = pos;
        if (Peek() == '-' || Peek() == '+') ++pos;
        std::size_t digits = 0;
        bool real = false;
        while (Peek() >= '0' && Peek() <= '9') { ++pos; ++digits; }
        if (Peek() == '.') {
            real = true;
            ++pos;
            while (Peek() >= '0' && Peek() <= '9') { ++pos; ++digits; }
        }
        if (digits > 0 && (Peek() == 'e' || Peek() == 'E')) {
            real = true;
            ++pos;
            if (Peek() == '-' || Peek() == '+') ++pos;
            std::size_t expDigits = 0;
            while (Peek() >= '0' && Peek() <= '9') { ++pos; ++expDigits; }
            if (expDigits == 0) digits = 0;
        }
        // "1.#QNAN" and the like are not numbers this reader takes.
        if (digits == 0 || xfile::IsIdentifierChar(Peek()) || Peek() == '#')
            Fail("malformed number '" + Printable(text.substr(start, pos - start + 1)) + "'");
        Make(t, real ? Tok::Real : Tok::Integer, start);
        std::string_view body = t.text;
        if (body.front() == '+') body.remove_prefix(1);
        const char* first = body.data();
        const char* last = body.data() + body.size();
        std::errc ec;
        if (real) {
            ec = std::from_chars(first, last, t.real).ec;
        } else {
            ec = std::from_chars(first, last, t.integer).ec;
            t.real = static_cast<double>(t.integer);
        }
        if (ec != std::errc()) Fail("number out of range '" + Printable(t.text) + "'");
    }

    std::string_view text;
    std::size_t pos = 0;
    int line;
    const std::string& source;
    std::string error;
};

// The tokens of a binary file, made one at a time like the text's. A list of
// integers or floats gives one Integer or Real token per element, so that
// the parser reads both encodings alike; keyword tokens give the keyword's
// name.
class BinaryLexer {
public:
    // data starts at byte `base` of what `where` names ("byte" of the file,
    // or "inflated byte" of a compressed one).
    BinaryLexer(std::string_view data, std::size_t base, bool doubles, const std::string& source, const char* where)
        : data(data), base(base), floatSize(doubles ? 8 : 4), source(source), where(where) {}

    void NextToken(Token& t) {
        try {
            Next(t);
        } catch (const ParseError& e) {
            t.type = Tok::Error;
            t.at = base + pos;
            error = e.what();
        }
    }
    const std::string& Error() const { return error; }
    std::size_t Remaining() const { return data.size() - pos; }
    std::size_t Consumed() const { return pos; }
    std::string Where(std::size_t at) const { return source + ": " + where + " " + std::to_string(at); }

private:
    [[noreturn]] void Fail(std::size_t at, const std::string& what) const {
        throw ParseError(Where(base + at) + ": " + what);
    }

    // Moves past n bytes that must be there; where they start.
    std::size_t Take(std::size_t n, std::size_t tokenStart, const char* what) {
        if (data.size() - pos < n) Fail(tokenStart, std::string(what) + " runs past the end of the file");
        std::size_t at = pos;
        pos += n;
        return at;
    }
    std::uint32_t U32(std::size_t at) const {
        std::uint32_t v;
        std::memcpy(&v, data.data() + at, 4);
        return v;  // the files are little-endian, as is every machine this runs on
    }
    std::uint16_t U16(std::size_t at) const {
        std::uint16_t v;
        std::memcpy(&v, data.data() + at, 2);
        return v;
    }

    void Make(Token& t, Tok type, std::size_t start, std::string_view text = {}) const {
        t.type = type;
        t.text = text;
        t.at = base + start;
        t.word32 = false;
    }

    void NextListElement(Token& t) {
        const std::size_t start = pos;
        --listLeft;
        if (listOfFloats) {
            Take(floatSize, start, "a float list");
            if (floatSize == 8) {
                std::memcpy(&t.real, data.data() + start, 8);
            } else {
                float f;
                std::memcpy(&f, data.data() + start, 4);
                t.real = f;
            }
            Make(t, Tok::Real, start);
            return;
        }
        Take(4, start, "an integer list");
        Make(t, Tok::Integer, start);
        t.integer = U32(start);
        t.real = double(t.integer);
        t.word32 = true;
    }

    void Next(Token& t) {
        for (;;) {
            if (listLeft > 0) return NextListElement(t);
            const std::size_t start = pos;
            if (pos == data.size()) return Make(t, Tok::End, start);
            const std::uint16_t code = U16(Take(2, start, "a token"));
            if (code == xfile::kTokIntegerList || code == xfile::kTokFloatList) {
                const std::uint32_t count = U32(Take(4, start, "a list"));
                const std::size_t width = code == xfile::kTokFloatList ? floatSize : 4;
                if (count > (data.size() - pos) / width)
                    Fail(start, "a list of " + std::to_string(count) + " numbers runs past the end of the file");
                listLeft = count;
                listOfFloats = code == xfile::kTokFloatList;
                continue;  // an empty list gives no token
            }
            return Single(t, code, start);
        }
    }

    void Single(Token& t, std::uint16_t code, std::size_t start) {
        switch (code) {
        case xfile::kTokName: {
            const std::uint32_t length = U32(Take(4, start, "a name"));
            const std::string_view name = data.substr(Take(length, start, "a name"), length);
            if (!xfile::IsIdentifier(name)) Fail(start, "malformed name '" + Printable(name) + "'");
            return Make(t, Tok::Identifier, start, name);
        }
        case xfile::kTokString: return String(t, start);
        case xfile::kTokInteger:
            Make(t, Tok::Integer, start);
            t.integer = U32(Take(4, start, "an integer"));
            t.real = double(t.integer);
            t.word32 = true;
            return;
        case xfile::kTokGuid: {
            const std::size_t at = Take(16, start, "a GUID");
            Make(t, Tok::Guid, start);
            t.guid.data1 = U32(at);
            t.guid.data2 = U16(at + 4);
            t.guid.data3 = U16(at + 6);
            std::memcpy(t.guid.data4.data(), data.data() + at + 8, 8);
            return;
        }
        case xfile::kTokOBrace: return Make(t, Tok::LBrace, start);
        case xfile::kTokCBrace: return Make(t, Tok::RBrace, start);
        case xfile::kTokOBracket: return Make(t, Tok::LBracket, start);
        case xfile::kTokCBracket: return Make(t, Tok::RBracket, start);
        case xfile::kTokComma: return Make(t, Tok::Comma, start);
        case xfile::kTokSemicolon: return Make(t, Tok::Semicolon, start);
        case xfile::kTokDot:
            // Only "..." of an open template.
            if (data.size() - pos < 4 || U16(pos) != xfile::kTokDot || U16(pos + 2) != xfile::kTokDot)
                Fail(start, "a '.' that does not begin '...'");
            pos += 4;
            return Make(t, Tok::Ellipsis, start);
        default: break;
        }
        if (const char* keyword = Keyword(code)) return Make(t, Tok::Identifier, start, keyword);
        Fail(start, "unexpected token " + std::to_string(code));
    }

    static const char* Keyword(std::uint16_t code) {
        switch (code) {
        case xfile::kTokTemplate: return "template";
        case xfile::kTokArray: return "array";
        case xfile::kTokWord: return "WORD";
        case xfile::kTokDword: return "DWORD";
        case xfile::kTokFloat: return "FLOAT";
        case xfile::kTokDouble: return "DOUBLE";
        case xfile::kTokChar: return "CHAR";
        case xfile::kTokUchar: return "UCHAR";
        case xfile::kTokSword: return "SWORD";
        case xfile::kTokSdword: return "SDWORD";
        case xfile::kTokVoid: return "VOID";
        case xfile::kTokLpstr: return "LPSTR";
        case xfile::kTokUnicode: return "UNICODE";
        case xfile::kTokCstring: return "CSTRING";
        default: return nullptr;
        }
    }

    // The bytes, without the terminating zeros some writers count, then the
    // ';' or ',' that ends every string.
    void String(Token& t, std::size_t start) {
        const std::uint32_t length = U32(Take(4, start, "a string"));
        std::string_view text = data.substr(Take(length, start, "a string"), length);
        while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
        // What is read must write again as text, where '"' ends a string.
        if (text.find('"') != std::string_view::npos) Fail(start, "a string holds '\"'");
        if (text.find('\0') != std::string_view::npos) Fail(start, "a string holds a zero byte");
        if (data.size() - pos >= 2 && (U16(pos) == xfile::kTokSemicolon || U16(pos) == xfile::kTokComma)) pos += 2;
        Make(t, Tok::String, start, text);
    }

    std::string_view data;
    std::size_t base;
    std::size_t pos = 0;
    std::size_t floatSize;
    std::uint32_t listLeft = 0;
    bool listOfFloats = false;
    const std::string& source;
    const char* where;
    std::string error;
};

bool IsSigned(XType type) { return type == XType::Sword || type == XType::Sdword || type == XType::Char; }

const char* Describe(const Token& t) {
    switch (t.type) {
    case Tok::Identifier: return "a name";
    case Tok::Integer: return "an integer";
    case Tok::Real: return "a real number";
    case Tok::String: return "a string";
    case Tok::Guid: return "a GUID";
    case Tok::LBrace: return "'{'";
    case Tok::RBrace: return "'}'";
    case Tok::LBracket: return "'['";
    case Tok::RBracket: return "']'";
    case Tok::Semicolon: return "';'";
    case Tok::Comma: return "','";
    case Tok::Ellipsis: return "'...'";
    case Tok::End: return "the end of the file";
    case Tok::Error: return "an unreadable token";
    }
    return "?";
}

constexpr std::size_t kHeaderSize = 16;

// Header: "xof " version(4) format(4) float size(4), 16 bytes. The format is
// "txt ", "bin ", or either compressed: "tzip", "bzip".
void CheckHeader(std::string_view text, const std::string& source, XDocument& doc) {
    auto fail = [&](const std::string& what) { throw ParseError(source + ":1: " + what); };
    if (text.size() < kHeaderSize || text.substr(0, 4) != "xof ") fail("not a .x file (no \"xof \" header)");
    std::string_view version = text.substr(4, 4);
    std::string_view format = text.substr(8, 4);
    std::string_view floatSize = text.substr(12, 4);
    if (format != "txt " && format != "bin " && format != "tzip" && format != "bzip")
        fail("unknown .x format \"" + Printable(format) + "\"");
    if (version != "0302" && version != "0303") fail("unsupported .x version \"" + Printable(version) + "\"");
    if (floatSize != "0032" && floatSize != "0064") fail("unsupported float size \"" + Printable(floatSize) + "\"");
    doc.version = std::string(version);
    doc.format = std::string(format);
    doc.floatSize = std::string(floatSize);
}

template <class Lexer>
class Parser {
public:
    Parser(Lexer lexer, XDocument& doc) : lexer(std::move(lexer)), doc(doc) {
        this->lexer.NextToken(current);
    }

    // allowData false: only template definitions (the registry's own text).
    void ParseFile(bool allowData) {
        while (Peek().type != Tok::End) {
            const Token& t = Peek();
            if (t.type == Tok::Identifier && t.text == "template") {
                ParseTemplate();
            } else if (t.type == Tok::Identifier) {
                if (!allowData) Fail(t, "only template definitions are allowed here");
                std::unique_ptr<XDataObject> object = ParseDataObject(nullptr, 0);
                RoomForOneMore(doc.objects);
                doc.objects.push_back(std::move(object));
            } else {
                Fail(t, std::string("expected a template or a data object, found ") + Describe(t));
            }
        }
    }

private:
    [[noreturn]] void Fail(const Token& at, const std::string& what) const {
        throw ParseError(lexer.Where(at.at) + ": " + what);
    }

    const Token& Peek() const {
        if (current.type == Tok::Error) throw ParseError(lexer.Error());
        return current;
    }
    // Moves past the current token (never past the end).
    void Advance() {
        if (Peek().type == Tok::End) return;
        lexer.NextToken(current);
        ++taken;
    }
    // The current token, the next one read in its place.
    Token Take() {
        Token t = Peek();
        Advance();
        return t;
    }
    Token Expect(Tok type, const char* what) {
        const Token& t = Peek();
        if (t.type != type) Fail(t, std::string("expected ") + what + ", found " + Describe(t));
        return Take();
    }
    bool Accept(Tok type) {
        if (Peek().type != type) return false;
        Advance();
        return true;
    }
    // Values are separated by ';' and ',', which writers use loosely; the
    // counts, not the separators, decide where an array ends.
    void SkipSeparators() {
        while (Peek().type == Tok::Semicolon || Peek().type == Tok::Comma) Advance();
    }

    // template Name { <GUID> members [restriction] }
    void ParseTemplate() {
        Take();  // "template"
        const Token nameTok = Expect(Tok::Identifier, "a template name");
        Charge(TemplateBytes(nameTok.text.size()));
        auto templ = std::make_shared<XTemplate>();
        templ->name = std::string(nameTok.text);
        defining = templ.get();
        Expect(Tok::LBrace, "'{' after the template name");
        if (Peek().type != Tok::Guid) Fail(Peek(), "template '" + templ->name + "' has no GUID");
        templ->guid = Take().guid;
        for (;;) {
            const Token& t = Peek();
            if (t.type == Tok::RBrace) {
                Take();
                break;
            }
            if (t.type == Tok::LBracket) {
                ParseRestriction(*templ);
                Expect(Tok::RBrace, "'}' after the template's restriction");
                break;
            }
            ParseMember(*templ);
        }
        doc.templates.Add(std::move(templ));
        defining = nullptr;
    }

    void ParseMember(XTemplate& templ) {
        XMember member;
        Token typeTok = Expect(Tok::Identifier, "a member type");
        bool isArray = typeTok.text == "array";
        if (isArray) typeTok = Expect(Tok::Identifier, "the array's element type");
        if (auto prim = xfile::PrimitiveType(typeTok.text)) {
            member.type = *prim;
        } else {
            member.type = XType::Template;
            member.templateType = doc.templates.FindByName(typeTok.text);
            if (!member.templateType)
                Fail(typeTok, "unknown type '" + std::string(typeTok.text) + "' in template '" + templ.name + "'");
        }
        if (Peek().type == Tok::Identifier) member.name = std::string(Take().text);
        if (!member.name.empty() && templ.MemberIndex(member.name) >= 0)
            Fail(typeTok, "member '" + member.name + "' appears twice in template '" + templ.name + "'");
        if (isArray) {
            if (Peek().type != Tok::LBracket) Fail(Peek(), "array member '" + member.name + "' has no dimension");
            while (Accept(Tok::LBracket)) {
                XDimension dimension = ParseDimension(templ, member);
                RoomForOneMore(member.dimensions);
                Charge(StringHeapBytes(dimension.sizeMember.size()));
                member.dimensions.push_back(std::move(dimension));
                Expect(Tok::RBracket, "']' after an array dimension");
            }
        }
        Expect(Tok::Semicolon, "';' after a template member");
        RoomForOneMore(templ.members);
        // The name, and its copy in the template's index of members.
        if (!member.name.empty())
            Charge(2 * StringHeapBytes(member.name.size()) + NodeBytes<std::pair<const std::string, int>>());
        templ.AddMember(std::move(member));
    }

    XDimension ParseDimension(const XTemplate& templ, const XMember& member) {
        XDimension dim;
        const Token t = Take();
        if (t.type == Tok::Integer) {
            if (t.integer < 0 || t.integer > 0xFFFFFFFFLL) Fail(t, "array size out of range");
            dim.count = static_cast<std::uint32_t>(t.integer);
        } else if (t.type == Tok::Identifier) {
            int index = templ.MemberIndex(t.text);
            if (index < 0)
                Fail(t, "array '" + member.name + "' is sized by '" + std::string(t.text) +
                            "', which is not an earlier member of '" + templ.name + "'");
            const XMember& sizer = templ.members[static_cast<std::size_t>(index)];
            if (!xfile::IsIntegerType(sizer.type) || sizer.IsArray())
                Fail(t, "array '" + member.name + "' is sized by '" + sizer.name + "', which is not an integer");
            dim.sizeMember = sizer.name;
        } else {
            Fail(t, std::string("expected an array size, found ") + Describe(t));
        }
        return dim;
    }

    // [...] or [Name <GUID>, Name, ...]
    void ParseRestriction(XTemplate& templ) {
        Take();  // '['
        if (Accept(Tok::Ellipsis)) {
            templ.restriction = XRestriction::Open;
            Expect(Tok::RBracket, "']' after '...'");
            return;
        }
        templ.restriction = XRestriction::Restricted;
        for (;;) {
            XAllowedChild allowed;
            const std::string_view name = Expect(Tok::Identifier, "a template name in the restriction").text;
            // The name, and its copy in the template's index of names.
            Charge(2 * StringHeapBytes(name.size()) + NodeBytes<std::string>());
            allowed.name = std::string(name);
            if (Peek().type == Tok::Guid) {
                Charge(NodeBytes<XGuid>());
                allowed.guid = Take().guid;
            }
            RoomForOneMore(templ.allowed);
            templ.AddAllowedChild(std::move(allowed));
            if (Accept(Tok::RBracket)) return;
            Expect(Tok::Comma, "',' or ']' in the restriction");
        }
    }

    // TemplateName [name] { [<GUID>] values children }
    std::unique_ptr<XDataObject> ParseDataObject(const XTemplate* parent, int depth) {
        const Token typeTok = Take();
        if (depth >= xfile::kMaxDepth) Fail(typeTok, "data objects nested too deep");
        auto templ = doc.templates.FindByNameAnyCase(typeTok.text);
        if (!templ) Fail(typeTok, "unknown template '" + std::string(typeTok.text) + "'");
        if (parent && !parent->AllowsChild(*templ))
            Fail(typeTok, "'" + parent->name + "' may not hold a '" + templ->name + "' object");
        building = templ.get();
        std::string_view nameText;
        if (Peek().type == Tok::Identifier) nameText = Take().text;
        Charge(HeapBytes(sizeof(XDataObject)) + StringHeapBytes(nameText.size()));
        std::string name(nameText);
        Expect(Tok::LBrace, "'{' to open the data object");
        std::optional<XGuid> guid;
        if (Peek().type == Tok::Guid) guid = Take().guid;
        // Made from the parsed data: an empty default structure first would
        // cost what the template could hold, which nested templates make
        // exponential in the length of the text.
        XValue data = ParseStruct(*templ, 0);
        auto object = std::make_unique<XDataObject>(templ, std::move(name), std::move(data));
        object->guid = guid;
        ParseChildren(*object, depth);
        if (!object->name.empty()) Index(completedByName, std::string_view(object->name), object.get());
        if (object->guid) Index(completedByGuid, *object->guid, object.get());
        return object;
    }

    void ParseChildren(XDataObject& object, int depth) {
        const XTemplate& templ = object.Template();
        for (;;) {
            const Token& t = Peek();
            switch (t.type) {
            case Tok::RBrace:
                Take();
                return;
            case Tok::Identifier: {
                std::unique_ptr<XDataObject> child = ParseDataObject(&templ, depth + 1);
                building = &templ;
                RoomForOneMore(object.children);
                object.AddChild(std::move(child));
                break;
            }
            case Tok::LBrace: {
                XChild reference = ParseReference(templ);
                RoomForOneMore(object.children);
                object.children.push_back(std::move(reference));
                break;
            }
            case Tok::End:
                Fail(t, "'" + templ.name + "' object is not closed (missing '}')");
            default:
                Fail(t, std::string("unexpected ") + Describe(t) + " in '" + templ.name +
                            "' object: more data than its template and counts describe");
            }
        }
    }

    // { name } or { <GUID> } or { name <GUID> }: an object completed earlier.
    XChild ParseReference(const XTemplate& parent) {
        const Token open = Take();
        XChild child;
        std::string_view name;
        std::optional<XGuid> guid;
        if (Peek().type == Tok::Identifier) name = Take().text;
        if (Peek().type == Tok::Guid) guid = Take().guid;
        if (name.empty() && !guid) Fail(open, "empty reference");
        Expect(Tok::RBrace, "'}' to close the reference");
        child.byGuid = guid.has_value();
        if (guid) {
            auto it = completedByGuid.find(*guid);
            if (it != completedByGuid.end()) child.referenced = it->second;
        } else {
            auto it = completedByName.find(name);
            if (it != completedByName.end()) child.referenced = it->second;
        }
        if (!child.referenced)
            Fail(open, "reference to unknown object '" + (guid ? guid->ToString() : std::string(name)) + "'");
        if (!parent.AllowsChild(child.referenced->Template()))
            Fail(open, "'" + parent.name + "' may not hold a '" + child.referenced->Template().name + "' object");
        return child;
    }

    XValue ParseStruct(const XTemplate& templ, int depth) {
        if (depth >= xfile::kMaxDepth) Fail(Peek(), "structures nested too deep");
        // Its members' slots; a member that is a structure is its slot here
        // and its own block of members, each counted once.
        Charge(xfile::ValueFiller::BlockBytes(templ.members.size()));
        XValue value = xfile::ValueFiller::Start(XValue::Kind::Struct, &templ, templ.members.size());
        for (const XMember& member : templ.members)
            xfile::ValueFiller::Append(value, ParseMemberValue(templ, member, value.Items(), depth));
        return value;
    }

    XValue ParseMemberValue(const XTemplate& templ, const XMember& member, std::span<const XValue> earlier,
                            int depth) {
        if (!member.IsArray()) return ParseSingle(templ, member, depth);
        std::optional<std::uint64_t> counted = xfile::ArrayCount(templ, member, earlier);
        if (!counted) Fail(Peek(), "'" + templ.name + "." + member.name + "' is too large");
        const std::uint64_t count = *counted;
        // Never trust the count for memory: the data must be there. Every
        // element takes at least one token, every token after the current
        // one at least a character, and one element that takes none is
        // refused at once. The slots start at what may be built now and
        // double as the elements come.
        const std::size_t most = static_cast<std::size_t>(std::min<std::uint64_t>(count, lexer.Remaining() + 2));
        std::size_t capacity = std::min(most, std::max<std::size_t>(16, RoomToBuild() / (2 * sizeof(XValue))));
        Charge(xfile::ValueFiller::BlockBytes(capacity));
        XValue items = xfile::ValueFiller::Start(XValue::Kind::Array, nullptr, capacity);
        for (std::uint64_t i = 0; i < count; ++i) {
            const Token& t = Peek();
            if (t.type == Tok::RBrace || t.type == Tok::End || t.type == Tok::Identifier || t.type == Tok::LBrace)
                Fail(t, "'" + templ.name + "." + member.name + "' should have " + std::to_string(count) +
                            " elements, found " + std::to_string(i));
            if (items.Size() == capacity) capacity = GrowArray(items, capacity, most);
            const std::size_t before = taken;
            xfile::ValueFiller::Append(items, ParseSingle(templ, member, depth));
            // Elements of a template without members read no text; a count
            // of them would spin for nothing.
            if (taken == before)
                Fail(Peek(), "'" + templ.name + "." + member.name + "' has elements that carry no data");
        }
        return items;
    }

    XValue ParseSingle(const XTemplate& templ, const XMember& member, int depth) {
        XValue value;
        if (member.type == XType::Template) {
            value = ParseStruct(*member.templateType, depth + 1);
        } else {
            value = ParsePrimitive(templ, member);
        }
        SkipSeparators();
        return value;
    }

    XValue ParsePrimitive(const XTemplate& templ, const XMember& member) {
        const Token& t = Peek();
        if (member.type == XType::String && t.type == Tok::String)
            Charge(HeapBytes(sizeof(std::string)) + StringHeapBytes(t.text.size()));
        XValue value = ReadPrimitive(t, templ, member);
        Advance();
        return value;
    }

    XValue ReadPrimitive(const Token& t, const XTemplate& templ, const XMember& member) const {
        auto where = [&] { return " for '" + templ.name + "." + member.name + "'"; };
        switch (member.type) {
        case XType::String:
            if (t.type != Tok::String) Fail(t, std::string("expected a string") + where() + ", found " + Describe(t));
            return XValue::Text(std::string(t.text));
        case XType::Float:
        case XType::Double: {
            if (t.type != Tok::Integer && t.type != Tok::Real)
                Fail(t, std::string("expected a number") + where() + ", found " + Describe(t));
            // Binary floats may be anything, NaN included.
            if (member.type == XType::Double) {
                if (!std::isfinite(t.real)) Fail(t, "not a finite number" + where());
                return XValue::Real(t.real);
            }
            float f = static_cast<float>(t.real);
            if (!std::isfinite(f)) Fail(t, "number out of range" + where());
            return XValue::Real(f);
        }
        default: {
            if (t.type != Tok::Integer)
                Fail(t, std::string("expected an integer") + where() + ", found " + Describe(t));
            std::int64_t v = t.integer;
            if (t.word32 && IsSigned(member.type)) v = std::int32_t(std::uint32_t(v));
            if (!xfile::IntegerInRange(member.type, v))
                Fail(t, std::to_string(v) + " is out of range for " + xfile::TypeName(member.type) + where());
            return XValue::Integer(v);
        }
        }
    }

    // ---- what is built, against what is read (xfile::kBuiltPerByteRead) ----

    std::size_t MayBuild() const { return xfile::kBuiltAtStart + xfile::kBuiltPerByteRead * lexer.Consumed(); }
    std::size_t RoomToBuild() const { return MayBuild() - std::min(built, MayBuild()); }

    // Counts heap about to be taken, refusing the file once what it builds
    // outgrows what it has held so far.
    void Charge(std::size_t bytes) {
        built += bytes;
        if (built <= MayBuild()) return;
        const std::string what = defining ? "template '" + defining->name + "'"
                                          : "'" + (building ? building->name : std::string("?")) + "' object";
        Fail(Peek(), what + " builds more than the file holds (" + std::to_string(built) + " bytes built from " +
                         std::to_string(lexer.Consumed()) + " bytes read)");
    }
    // Heap given back.
    void Refund(std::size_t bytes) { built -= std::min(bytes, built); }

    // Before a push_back: room for one more element, counted, with the old
    // block counted too until it is given back.
    template <class T>
    void RoomForOneMore(std::vector<T>& v) {
        if (v.size() < v.capacity()) return;
        const std::size_t old = v.capacity(), grown = std::max<std::size_t>(4, old * 2);
        Charge(HeapBytes(grown * sizeof(T)));
        v.reserve(grown);
        if (old > 0) Refund(HeapBytes(old * sizeof(T)));
    }

    // An array's slots, full: twice as many, no more than `most`, which
    // the rest of the file cannot pass (each element takes a token).
    std::size_t GrowArray(XValue& items, std::size_t capacity, std::size_t most) {
        if (capacity >= most) Fail(Peek(), "an array holds more elements than the file has tokens");
        const std::size_t grown = std::min(most, std::max<std::size_t>(1, capacity * 2));
        Charge(xfile::ValueFiller::BlockBytes(grown));
        xfile::ValueFiller::Grow(items, grown);
        Refund(xfile::ValueFiller::BlockBytes(capacity));
        return grown;
    }

    // A node of a sorted map or set holding an Entry.
    template <class Entry>
    static constexpr std::size_t NodeBytes() {
        return HeapBytes(4 * sizeof(void*) + sizeof(Entry));
    }

    // A template defined by the file, with its name and its two entries in
    // the registry (by name and by upper-cased name); its members are
    // counted as they come.
    static std::size_t TemplateBytes(std::size_t nameLength) {
        return HeapBytes(sizeof(XTemplate) + 2 * sizeof(void*)) + 3 * StringHeapBytes(nameLength) +
               2 * NodeBytes<std::pair<const std::string, std::size_t>>() +
               3 * sizeof(std::shared_ptr<const XTemplate>);
    }

    // The object is the one a reference by this key finds from now on.
    template <class Map, class Key>
    void Index(Map& map, const Key& key, const XDataObject* object) {
        auto it = map.lower_bound(key);
        if (it != map.end() && !(key < it->first)) {
            it->second = object;
            return;
        }
        Charge(NodeBytes<typename Map::value_type>());
        map.emplace_hint(it, key, object);
    }

    Lexer lexer;
    Token current;
    std::size_t taken = 0;  // tokens taken so far
    std::size_t built = 0;  // heap bytes of what is built and not given back
    const XTemplate* building = nullptr;  // the template of the data object being read
    const XTemplate* defining = nullptr;  // the template being defined
    XDocument& doc;
    // Names point into the objects, which the document keeps.
    std::map<std::string_view, const XDataObject*> completedByName;
    std::map<XGuid, const XDataObject*> completedByGuid;
};

bool Fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

template <class Lexer>
void ParseWith(Lexer lexer, XDocument& doc) {
    Parser<Lexer> parser(std::move(lexer), doc);
    parser.ParseFile(true);
}

// The body after the header, whatever the encoding, into doc.
void ParseBody(std::string_view text, const std::string& sourceName, XDocument& doc) {
    const bool doubles = doc.floatSize == "0064";
    const std::string_view body = text.substr(kHeaderSize);
    if (doc.format == "txt ") return ParseWith(TextLexer(body, 1, sourceName), doc);
    if (doc.format == "bin ") return ParseWith(BinaryLexer(body, kHeaderSize, doubles, sourceName, "byte"), doc);
    std::string inflated, fault;
    std::size_t faultOffset = 0;
    if (!xfile::InflateMszip(body, std::size_t(FileSizeCap(FileKind::XFile)), inflated, faultOffset, fault))
        throw ParseError(sourceName + ": byte " + std::to_string(faultOffset) + ": " + fault);
    if (doc.format == "tzip") return ParseWith(TextLexer(inflated, 1, sourceName), doc);
    ParseWith(BinaryLexer(inflated, kHeaderSize, doubles, sourceName, "inflated byte"), doc);
}


// keepComplete: on an error, out still receives the top-level objects that
// were complete before it.
bool Parse(std::string_view text, const XTemplateRegistry& registry, XDocument& out, std::string* error,
           const std::string& sourceName, bool keepComplete) {
    const NowRunning running("parsing ", sourceName);
    XDocument doc;
    doc.templates = registry;
    try {
        CheckHeader(text, sourceName, doc);
        ParseBody(text, sourceName, doc);
    } catch (const ParseError& e) {
        if (keepComplete) out = std::move(doc);
        return Fail(error, e.what());
    } catch (const std::bad_alloc&) {
        if (keepComplete) out = std::move(doc);
        return Fail(error, sourceName + ": out of memory");
    }
    out = std::move(doc);
    return true;
}

}  // namespace

bool ParseXFile(std::string_view text, const XTemplateRegistry& registry, XDocument& out, std::string* error,
                const std::string& sourceName) {
    return Parse(text, registry, out, error, sourceName, false);
}

bool CheckXFileHeader(std::string_view file, std::string* error, const std::string& sourceName) {
    XDocument doc;
    try {
        CheckHeader(file, sourceName, doc);
    } catch (const ParseError& e) {
        return Fail(error, e.what());
    }
    return true;
}

bool LoadXFile(const std::string& path, const XTemplateRegistry& registry, XDocument& out, std::string* error) {
    std::string content;
    if (!ReadWholeFile(path, content)) return Fail(error, path + ": cannot open or read the file");
    return ParseXFile(content, registry, out, error, path);
}

bool ParseXFileUpToError(std::string_view text, const XTemplateRegistry& registry, XDocument& out,
                         std::string* error, const std::string& sourceName) {
    return Parse(text, registry, out, error, sourceName, true);
}

bool XTemplateRegistry::RegisterTemplates(std::string_view text, std::string* error, const std::string& sourceName) {
    XDocument doc;
    doc.templates = *this;
    try {
        std::string_view body = text;
        if (body.substr(0, 4) == "xof ") {
            CheckHeader(body, sourceName, doc);
            if (doc.format != "txt ") throw ParseError(sourceName + ":1: templates are registered from text");
            body = body.substr(kHeaderSize);
        }
        Parser<TextLexer> parser(TextLexer(body, 1, sourceName), doc);
        parser.ParseFile(false);
    } catch (const ParseError& e) {
        return Fail(error, e.what());
    } catch (const std::bad_alloc&) {
        return Fail(error, sourceName + ": out of memory");
    }
    *this = std::move(doc.templates);
    return true;
}

}  // namespace plat
