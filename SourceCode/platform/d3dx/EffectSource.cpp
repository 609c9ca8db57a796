#include "platform/d3dx/EffectSource.h"

#include <cctype>
#include <cstring>
#include <utility>

namespace plat {

namespace {

constexpr int kMaxIncludeDepth = 16;
// Bounds the work a file that includes itself several times can cause.
constexpr std::size_t kMaxIncludes = 256;

struct NamedValue {
    const char* name;
    std::uint32_t value;
};

// Numeric values of the device's comparison, blend, cull, stencil-operation,
// filter and addressing enumerations.
constexpr NamedValue kCompare[] = {
    {"Never", 1}, {"Less", 2}, {"Equal", 3}, {"LessEqual", 4},
    {"Greater", 5}, {"NotEqual", 6}, {"GreaterEqual", 7}, {"Always", 8},
};
constexpr NamedValue kBlend[] = {
    {"Zero", 1}, {"One", 2}, {"SrcColor", 3}, {"InvSrcColor", 4}, {"SrcAlpha", 5},
    {"InvSrcAlpha", 6}, {"DestAlpha", 7}, {"InvDestAlpha", 8}, {"DestColor", 9},
    {"InvDestColor", 10}, {"SrcAlphaSat", 11},
};
constexpr NamedValue kBlendOp[] = {
    {"Add", 1}, {"Subtract", 2}, {"RevSubtract", 3}, {"Min", 4}, {"Max", 5},
};
constexpr NamedValue kCull[] = {{"None", 1}, {"CW", 2}, {"CCW", 3}};
constexpr NamedValue kStencilOp[] = {
    {"Keep", 1}, {"Zero", 2}, {"Replace", 3}, {"IncrSat", 4},
    {"DecrSat", 5}, {"Invert", 6}, {"Incr", 7}, {"Decr", 8},
};
constexpr NamedValue kBool[] = {{"false", 0}, {"true", 1}, {"False", 0}, {"True", 1}};
constexpr NamedValue kFilter[] = {{"None", 0}, {"Point", 1}, {"Linear", 2}, {"Anisotropic", 3}};
constexpr NamedValue kAddress[] = {{"Wrap", 1}, {"Mirror", 2}, {"Clamp", 3}, {"Border", 4}};
// Colour-write masks by channel letters, as well as plain numbers.
constexpr NamedValue kColorWrite[] = {
    {"RGBA", 15}, {"RGB", 7}, {"A", 8}, {"None", 0},
};

enum class ValueKind { Bool, Int, Compare, Blend, BlendOp, Cull, StencilOp, ColorWrite, Filter, Address };

struct StateInfo {
    const char* name;
    ValueKind kind;
};

constexpr StateInfo kStates[] = {
    {"ZEnable", ValueKind::Bool}, {"ZWriteEnable", ValueKind::Bool}, {"ZFunc", ValueKind::Compare},
    {"CullMode", ValueKind::Cull},
    {"AlphaBlendEnable", ValueKind::Bool}, {"SrcBlend", ValueKind::Blend},
    {"DestBlend", ValueKind::Blend}, {"BlendOp", ValueKind::BlendOp},
    {"AlphaTestEnable", ValueKind::Bool}, {"AlphaFunc", ValueKind::Compare},
    {"AlphaRef", ValueKind::Int},
    {"ColorWriteEnable", ValueKind::ColorWrite},
    {"StencilEnable", ValueKind::Bool}, {"StencilFunc", ValueKind::Compare},
    {"StencilRef", ValueKind::Int}, {"StencilMask", ValueKind::Int},
    {"StencilWriteMask", ValueKind::Int},
    {"StencilFail", ValueKind::StencilOp}, {"StencilZFail", ValueKind::StencilOp},
    {"StencilPass", ValueKind::StencilOp},
    {"TwoSidedStencilMode", ValueKind::Bool}, {"CCW_StencilFunc", ValueKind::Compare},
    {"CCW_StencilFail", ValueKind::StencilOp}, {"CCW_StencilZFail", ValueKind::StencilOp},
    {"CCW_StencilPass", ValueKind::StencilOp},
};
static_assert(std::size(kStates) == static_cast<std::size_t>(FxState::Count));

constexpr StateInfo kSamplerStates[] = {
    {"MinFilter", ValueKind::Filter}, {"MagFilter", ValueKind::Filter},
    {"MipFilter", ValueKind::Filter}, {"AddressU", ValueKind::Address},
    {"AddressV", ValueKind::Address}, {"AddressW", ValueKind::Address},
};
static_assert(std::size(kSamplerStates) == static_cast<std::size_t>(FxSamplerState::Count));

constexpr const char* kTypeNames[] = {
    "float", "vec2", "vec3", "vec4", "mat4", "int", "ivec4", "bool",
    "sampler2D", "sampler3D", "samplerCube",
};

template <std::size_t N>
std::optional<std::uint32_t> Lookup(const NamedValue (&table)[N], const std::string& name) {
    for (const NamedValue& entry : table) {
        if (name == entry.name) return entry.value;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseInteger(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::size_t pos = 0;
    bool negative = false;
    if (text[0] == '-') {
        negative = true;
        pos = 1;
    }
    int base = 10;
    if (text.size() > pos + 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    if (negative) {
        if (value > 0x80000000ull) return std::nullopt;
        return static_cast<std::uint32_t>(-static_cast<std::int64_t>(value));
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> ParseValue(ValueKind kind, const std::string& text) {
    switch (kind) {
    case ValueKind::Bool: {
        if (auto v = Lookup(kBool, text)) return v;
        auto n = ParseInteger(text);
        if (n && *n <= 1) return n;
        return std::nullopt;
    }
    case ValueKind::Int: return ParseInteger(text);
    case ValueKind::Compare: return Lookup(kCompare, text);
    case ValueKind::Blend: return Lookup(kBlend, text);
    case ValueKind::BlendOp: return Lookup(kBlendOp, text);
    case ValueKind::Cull: return Lookup(kCull, text);
    case ValueKind::StencilOp: return Lookup(kStencilOp, text);
    case ValueKind::Filter: return Lookup(kFilter, text);
    case ValueKind::Address: return Lookup(kAddress, text);
    case ValueKind::ColorWrite: {
        if (auto v = Lookup(kColorWrite, text)) return v;
        auto n = ParseInteger(text);
        if (n && *n <= 15) return n;
        return std::nullopt;
    }
    }
    return std::nullopt;
}

// ---- Lexer ---------------------------------------------------------------

struct Token {
    enum class Kind { End, Ident, Number, String, Punct };
    Kind kind = Kind::End;
    std::string text;
    std::uint32_t line = 1;
};

class Lexer {
public:
    Lexer(const char* data, std::size_t size) : data(data), size(size) {}

    std::uint32_t Line() const { return line; }

    // Skips blanks and comments; false on an unterminated block comment.
    bool SkipSpace() {
        while (pos < size) {
            const char c = data[pos];
            if (c == '\n') {
                ++line;
                ++pos;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos;
            } else {
                const Comment comment = SkipComment();
                if (comment == Comment::Open) return false;
                if (comment == Comment::None) return true;
            }
        }
        return true;
    }

    // Reads the next token; an error text on a malformed one.
    bool Next(Token* token, std::string* error) {
        if (!SkipSpace()) {
            *error = "unterminated comment";
            return false;
        }
        token->line = line;
        token->text.clear();
        if (pos >= size) {
            token->kind = Token::Kind::End;
            return true;
        }
        const char c = data[pos];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            token->kind = Token::Kind::Ident;
            while (pos < size && (std::isalnum(static_cast<unsigned char>(data[pos])) || data[pos] == '_'))
                token->text += data[pos++];
            return true;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '-' && pos + 1 < size && std::isdigit(static_cast<unsigned char>(data[pos + 1])))) {
            token->kind = Token::Kind::Number;
            token->text += data[pos++];
            while (pos < size && std::isalnum(static_cast<unsigned char>(data[pos])))
                token->text += data[pos++];
            return true;
        }
        if (c == '"') {
            token->kind = Token::Kind::String;
            ++pos;
            while (pos < size && data[pos] != '"') {
                if (data[pos] == '\n') {
                    *error = "string runs past the end of the line";
                    return false;
                }
                if (data[pos] == '\\' && pos + 1 < size && (data[pos + 1] == '"' || data[pos + 1] == '\\'))
                    ++pos;
                token->text += data[pos++];
            }
            if (pos >= size) {
                *error = "unterminated string";
                return false;
            }
            ++pos;
            return true;
        }
        token->kind = Token::Kind::Punct;
        token->text = std::string(1, c);
        ++pos;
        return true;
    }

    // Reads raw text up to the '}' that matches an already consumed '{',
    // stepping over comments so that braces inside them don't count.
    bool RawBlock(FxCode* code, std::string* error) {
        const std::size_t start = pos;
        code->line = line;
        int depth = 1;
        while (pos < size) {
            const Comment comment = SkipComment();
            if (comment == Comment::Open) break;
            if (comment == Comment::Closed) continue;
            const char c = data[pos];
            if (c == '\n') {
                ++line;
            } else if (c == '{') {
                ++depth;
            } else if (c == '}' && --depth == 0) {
                code->text.assign(data + start, pos - start);
                ++pos;
                return true;
            }
            ++pos;
        }
        *error = "block is not closed with '}'";
        return false;
    }

private:
    enum class Comment { None, Closed, Open };

    // Steps over a comment that starts at pos, counting the lines it spans:
    // a line comment up to its line end, a block comment past its "*/". One
    // that never closes leaves pos at the end of the text (Open).
    Comment SkipComment() {
        if (data[pos] != '/' || pos + 1 >= size) return Comment::None;
        if (data[pos + 1] == '/') {
            while (pos < size && data[pos] != '\n') ++pos;
            return Comment::Closed;
        }
        if (data[pos + 1] != '*') return Comment::None;
        pos += 2;
        while (pos + 1 < size && !(data[pos] == '*' && data[pos + 1] == '/')) {
            if (data[pos] == '\n') ++line;
            ++pos;
        }
        if (pos + 1 >= size) {
            pos = size;
            return Comment::Open;
        }
        pos += 2;
        return Comment::Closed;
    }

    const char* data;
    std::size_t size;
    std::size_t pos = 0;
    std::uint32_t line = 1;
};

// ---- Parser --------------------------------------------------------------

class Parser {
public:
    Parser(FxEffect* effect, ID3DXInclude* include, FxError* error)
        : effect(effect), include(include), error(error) {}

    bool ParseFile(const char* data, std::size_t size, std::uint32_t fileIndex, int depth) {
        Lexer lexer(data, size);
        File file{&lexer, fileIndex};
        if (!Advance(file)) return false;
        while (current.kind != Token::Kind::End) {
            if (!ParseItem(file, depth)) return false;
        }
        return true;
    }

    // Checks what only the whole effect can tell: stage references.
    bool Finish() {
        for (FxTechnique& technique : effect->techniques) {
            for (FxPass& pass : technique.passes) {
                if (pass.vertexStage < 0 || pass.fragmentStage < 0) {
                    SetError(pass.file, pass.line,
                             "pass '" + pass.name + "' needs both a vertex and a fragment stage");
                    return false;
                }
            }
        }
        return true;
    }

private:
    struct File {
        Lexer* lexer;
        std::uint32_t index;
    };

    void SetError(std::uint32_t file, std::uint32_t line, const std::string& message) {
        if (!error) return;
        error->file = file < effect->files.size() ? effect->files[file] : std::string();
        error->line = line;
        error->message = message;
    }
    bool Fail(const File& file, const std::string& message) {
        SetError(file.index, current.line, message);
        return false;
    }

    bool Advance(File& file) {
        std::string message;
        if (!file.lexer->Next(&current, &message)) {
            SetError(file.index, file.lexer->Line(), message);
            return false;
        }
        return true;
    }
    bool IsPunct(char c) const { return current.kind == Token::Kind::Punct && current.text[0] == c; }
    bool IsIdent(const char* text) const { return current.kind == Token::Kind::Ident && current.text == text; }

    bool Expect(File& file, char c) {
        if (!IsPunct(c)) return Fail(file, std::string("expected '") + c + "'" + Found());
        return Advance(file);
    }
    bool ExpectIdent(File& file, std::string* out, const char* what) {
        if (current.kind != Token::Kind::Ident) return Fail(file, std::string("expected ") + what + Found());
        *out = current.text;
        return Advance(file);
    }
    std::string Found() const {
        if (current.kind == Token::Kind::End) return ", found the end of the file";
        return ", found '" + current.text + "'";
    }

    bool ParseItem(File& file, int depth) {
        if (IsPunct('#')) return ParseInclude(file, depth);
        if (IsIdent("parameter")) return ParseParameter(file);
        if (IsIdent("glsl")) return ParseShared(file);
        if (IsIdent("vertex")) return ParseStage(file, FxStage::Kind::Vertex);
        if (IsIdent("fragment")) return ParseStage(file, FxStage::Kind::Fragment);
        if (IsIdent("technique")) return ParseTechnique(file);
        return Fail(file, "expected 'parameter', 'glsl', 'vertex', 'fragment', 'technique' or '#include'" + Found());
    }

    bool ParseInclude(File& file, int depth) {
        const std::uint32_t line = current.line;
        if (!Advance(file)) return false;
        if (!IsIdent("include")) return Fail(file, "expected 'include' after '#'");
        if (!Advance(file)) return false;
        if (current.kind != Token::Kind::String) return Fail(file, "expected a quoted file name after #include");
        const std::string name = current.text;
        if (depth + 1 > kMaxIncludeDepth) return Fail(file, "includes nest too deep at \"" + name + "\"");
        if (effect->files.size() > kMaxIncludes) return Fail(file, "too many includes at \"" + name + "\"");
        if (!include) return Fail(file, "cannot include \"" + name + "\": no include handler");
        const void* data = nullptr;
        std::uint32_t bytes = 0;
        if (FAILED(include->Open(D3DXINC_LOCAL, name.c_str(), nullptr, &data, &bytes)) || (!data && bytes)) {
            SetError(file.index, line, "cannot open include file \"" + name + "\"");
            return false;
        }
        const std::string copy(static_cast<const char*>(data), bytes);
        include->Close(data);
        effect->files.push_back(name);
        const auto index = static_cast<std::uint32_t>(effect->files.size() - 1);
        const Token saved = current;
        if (!ParseFile(copy.data(), copy.size(), index, depth + 1)) return false;
        current = saved;
        return Advance(file);
    }

    bool ParseParameter(File& file) {
        if (!Advance(file)) return false;
        FxParameter parameter;
        std::string typeName;
        if (!ExpectIdent(file, &typeName, "a parameter type")) return false;
        bool known = false;
        for (std::size_t i = 0; i < std::size(kTypeNames); ++i) {
            if (typeName == kTypeNames[i]) {
                parameter.type = static_cast<FxType>(i);
                known = true;
            }
        }
        if (!known) return Fail(file, "unknown parameter type '" + typeName + "'");
        if (!ExpectIdent(file, &parameter.name, "a parameter name")) return false;
        if (effect->FindParameter(parameter.name) >= 0)
            return Fail(file, "parameter '" + parameter.name + "' is declared twice");
        if (IsPunct(':')) {
            if (!Advance(file)) return false;
            if (!ExpectIdent(file, &parameter.semantic, "a semantic")) return false;
        }
        if (IsPunct('<') && !ParseAnnotations(file, &parameter)) return false;
        if (!Expect(file, ';')) return false;
        effect->parameters.push_back(std::move(parameter));
        return true;
    }

    bool ParseAnnotations(File& file, FxParameter* parameter) {
        if (!Advance(file)) return false;
        while (!IsPunct('>')) {
            FxAnnotation annotation;
            if (IsIdent("string")) {
                annotation.type = FxAnnotation::Type::String;
            } else if (IsIdent("int")) {
                annotation.type = FxAnnotation::Type::Int;
            } else {
                return Fail(file, "expected 'string' or 'int' annotation" + Found());
            }
            if (!Advance(file)) return false;
            if (!ExpectIdent(file, &annotation.name, "an annotation name")) return false;
            if (!Expect(file, '=')) return false;
            if (annotation.type == FxAnnotation::Type::String) {
                if (current.kind != Token::Kind::String) return Fail(file, "expected a quoted string" + Found());
                annotation.text = current.text;
            } else {
                auto value = current.kind == Token::Kind::Number ? ParseInteger(current.text) : std::nullopt;
                if (!value) return Fail(file, "expected an integer" + Found());
                annotation.value = static_cast<std::int32_t>(*value);
            }
            if (!Advance(file)) return false;
            if (!Expect(file, ';')) return false;
            parameter->annotations.push_back(std::move(annotation));
        }
        return Advance(file);
    }

    bool ParseRaw(File& file, FxCode* code) {
        if (!IsPunct('{')) return Fail(file, "expected '{'" + Found());
        std::string message;
        code->file = file.index;
        if (!file.lexer->RawBlock(code, &message)) return Fail(file, message);
        return Advance(file);
    }

    bool ParseShared(File& file) {
        if (!Advance(file)) return false;
        FxCode code;
        if (!ParseRaw(file, &code)) return false;
        effect->shared.push_back(std::move(code));
        return true;
    }

    bool ParseStage(File& file, FxStage::Kind kind) {
        if (!Advance(file)) return false;
        FxStage stage;
        stage.kind = kind;
        if (!ExpectIdent(file, &stage.name, "a stage name")) return false;
        for (const FxStage& other : effect->stages) {
            if (other.name == stage.name) return Fail(file, "stage '" + stage.name + "' is declared twice");
        }
        if (!ParseRaw(file, &stage.code)) return false;
        effect->stages.push_back(std::move(stage));
        return true;
    }

    bool ParseTechnique(File& file) {
        if (!Advance(file)) return false;
        FxTechnique technique;
        if (!ExpectIdent(file, &technique.name, "a technique name")) return false;
        if (!Expect(file, '{')) return false;
        while (!IsPunct('}')) {
            if (!IsIdent("pass")) return Fail(file, "expected 'pass'" + Found());
            FxPass pass;
            pass.file = file.index;
            pass.line = current.line;
            if (!Advance(file)) return false;
            if (!ExpectIdent(file, &pass.name, "a pass name")) return false;
            if (!ParsePassBody(file, &pass)) return false;
            technique.passes.push_back(std::move(pass));
        }
        if (!Advance(file)) return false;
        effect->techniques.push_back(std::move(technique));
        return true;
    }

    bool ParsePassBody(File& file, FxPass* pass) {
        if (!Expect(file, '{')) return false;
        while (!IsPunct('}')) {
            if (current.kind == Token::Kind::End) return Fail(file, "pass is not closed with '}'");
            if (IsIdent("sampler")) {
                if (!ParseSampler(file, pass)) return false;
                continue;
            }
            std::string key;
            if (!ExpectIdent(file, &key, "a state name")) return false;
            if (!Expect(file, '=')) return false;
            if (current.kind != Token::Kind::Ident && current.kind != Token::Kind::Number)
                return Fail(file, "expected a value for '" + key + "'" + Found());
            const std::string value = current.text;
            if (key == "vertex" || key == "fragment") {
                if (!SetStage(file, pass, key == "vertex" ? FxStage::Kind::Vertex : FxStage::Kind::Fragment, value))
                    return false;
            } else if (!SetState(file, pass, key, value)) {
                return false;
            }
            if (!Advance(file)) return false;
            if (!Expect(file, ';')) return false;
        }
        return Advance(file);
    }

    bool SetStage(File& file, FxPass* pass, FxStage::Kind kind, const std::string& name) {
        for (std::size_t i = 0; i < effect->stages.size(); ++i) {
            if (effect->stages[i].name != name) continue;
            if (effect->stages[i].kind != kind) return Fail(file, "stage '" + name + "' is of the other kind");
            (kind == FxStage::Kind::Vertex ? pass->vertexStage : pass->fragmentStage) = static_cast<std::int32_t>(i);
            return true;
        }
        return Fail(file, "unknown stage '" + name + "' (declare stages before the techniques)");
    }

    // Finds state `key` in table and reads its value: the state's index
    // and value, or false (the error set) for an unknown state or a value
    // of the wrong kind.
    template <std::size_t N>
    bool ParseStateValue(File& file, const StateInfo (&table)[N], const char* what, const std::string& key,
                         const std::string& text, std::size_t* index, std::uint32_t* value) {
        for (std::size_t i = 0; i < N; ++i) {
            if (key != table[i].name) continue;
            auto parsed = ParseValue(table[i].kind, text);
            if (!parsed) return Fail(file, "invalid value '" + text + "' for " + key);
            *index = i;
            *value = *parsed;
            return true;
        }
        return Fail(file, std::string("unknown ") + what + " '" + key + "'");
    }

    bool SetState(File& file, FxPass* pass, const std::string& key, const std::string& text) {
        std::size_t state = 0;
        std::uint32_t value = 0;
        if (!ParseStateValue(file, kStates, "render state", key, text, &state, &value)) return false;
        pass->states.push_back({static_cast<FxState>(state), value});
        return true;
    }

    bool ParseSampler(File& file, FxPass* pass) {
        if (!Advance(file)) return false;
        std::string name;
        if (!ExpectIdent(file, &name, "a sampler parameter name")) return false;
        const int parameter = effect->FindParameter(name);
        if (parameter < 0 || !FxTypeIsSampler(effect->parameters[parameter].type))
            return Fail(file, "'" + name + "' is not a sampler parameter");
        if (!Expect(file, '{')) return false;
        while (!IsPunct('}')) {
            std::string key;
            if (!ExpectIdent(file, &key, "a sampler state name")) return false;
            if (!Expect(file, '=')) return false;
            std::size_t state = 0;
            std::uint32_t value = 0;
            if (!ParseStateValue(file, kSamplerStates, "sampler state", key, current.text, &state, &value))
                return false;
            pass->samplers.push_back(
                {static_cast<std::uint32_t>(parameter), static_cast<FxSamplerState>(state), value});
            if (!Advance(file)) return false;
            if (!Expect(file, ';')) return false;
        }
        return Advance(file);
    }

    FxEffect* effect;
    ID3DXInclude* include;
    FxError* error;
    Token current;
};

void AppendCode(std::string* out, const FxCode& code) {
    *out += "#line " + std::to_string(code.line) + " " + std::to_string(code.file) + "\n";
    *out += code.text;
    *out += "\n";
}

void AppendUniforms(std::string* out, const FxEffect& effect) {
    for (const FxParameter& parameter : effect.parameters) {
        *out += "uniform ";
        *out += FxTypeName(parameter.type);
        *out += " " + parameter.name + ";\n";
    }
}

bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// ---- Binary form ---------------------------------------------------------

constexpr char kMagic[8] = {'T', 'M', 'F', 'X', 'O', '0', '0', '1'};

class Writer {
public:
    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void Str(const std::string& s) {
        U32(static_cast<std::uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    void Code(const FxCode& c) {
        Str(c.text);
        U32(c.file);
        U32(c.line);
    }
    std::vector<std::uint8_t> bytes;
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool ok = true;

    std::uint8_t U8() {
        if (!Need(1)) return 0;
        return data[pos++];
    }
    std::uint32_t U32() {
        if (!Need(4)) return 0;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(data[pos++]) << (8 * i);
        return v;
    }
    std::string Str() {
        const std::uint32_t n = U32();
        if (!Need(n)) return {};
        std::string s(reinterpret_cast<const char*>(data + pos), n);
        pos += n;
        return s;
    }
    FxCode Code() {
        FxCode c;
        c.text = Str();
        c.file = U32();
        c.line = U32();
        return c;
    }
    // A count of records that each take at least minBytes: refuses counts
    // that the remaining data cannot hold, so a corrupt count never makes
    // a huge allocation.
    std::uint32_t Count(std::size_t minBytes) {
        const std::uint32_t n = U32();
        if (ok && n > (size - pos) / minBytes) ok = false;
        return ok ? n : 0;
    }
    bool Magic() {
        if (!Need(sizeof kMagic)) return false;
        const bool same = std::memcmp(data + pos, kMagic, sizeof kMagic) == 0;
        pos += sizeof kMagic;
        return same;
    }
    bool AtEnd() const { return pos == size; }

private:
    bool Need(std::size_t n) {
        if (!ok || n > size - pos) {
            ok = false;
            return false;
        }
        return true;
    }
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

}  // namespace

const char* FxTypeName(FxType type) { return kTypeNames[static_cast<std::size_t>(type)]; }

bool FxTypeIsSampler(FxType type) {
    return type == FxType::Sampler2D || type == FxType::Sampler3D || type == FxType::SamplerCube;
}

const char* FxStateName(FxState state) { return kStates[static_cast<std::size_t>(state)].name; }

const char* FxSamplerStateName(FxSamplerState state) {
    return kSamplerStates[static_cast<std::size_t>(state)].name;
}

int FxEffect::FindParameter(const std::string& name) const {
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

std::string FxError::Text() const { return file + ":" + std::to_string(line) + ": " + message; }

std::optional<FxEffect> ParseEffect(const std::string& text, const std::string& fileName,
                                    ID3DXInclude* include, FxError* error) {
    FxEffect effect;
    effect.files.push_back(fileName);
    Parser parser(&effect, include, error);
    if (!parser.ParseFile(text.data(), text.size(), 0, 0) || !parser.Finish()) return std::nullopt;
    return effect;
}

std::string ComposeStage(const FxEffect& effect, const FxStage& stage) {
    std::string out;
    AppendUniforms(&out, effect);
    for (const FxCode& code : effect.shared) AppendCode(&out, code);
    AppendCode(&out, stage.code);
    return out;
}

std::string ComposeFillProgram(const FxEffect& effect, const std::string& function) {
    std::string out;
    AppendUniforms(&out, effect);
    for (const FxCode& code : effect.shared) AppendCode(&out, code);
    out += "#line 1 0\n"
           "uniform vec3 tmFillTexelSize;\n"
           "uniform int tmFillKind;\n"
           "uniform int tmFillFace;\n"
           "uniform float tmFillSlice;\n"
           "out vec4 tmFillColor;\n"
           "vec3 tmFillPosition() {\n"
           "    vec2 uv = gl_FragCoord.xy * tmFillTexelSize.xy;\n"
           "    if (tmFillKind == 1) return vec3(uv, tmFillSlice);\n"
           "    if (tmFillKind != 2) return vec3(uv, 0.0);\n"
           "    vec2 c = uv * 2.0 - 1.0;\n"
           "    vec3 d;\n"
           "    if (tmFillFace == 0) d = vec3(1.0, -c.y, -c.x);\n"
           "    else if (tmFillFace == 1) d = vec3(-1.0, -c.y, c.x);\n"
           "    else if (tmFillFace == 2) d = vec3(c.x, 1.0, c.y);\n"
           "    else if (tmFillFace == 3) d = vec3(c.x, -1.0, -c.y);\n"
           "    else if (tmFillFace == 4) d = vec3(c.x, -c.y, 1.0);\n"
           "    else d = vec3(-c.x, -c.y, -1.0);\n"
           "    return normalize(d);\n"
           "}\n"
           "void main() {\n"
           "    tmFillColor = " + function + "(tmFillPosition(), tmFillTexelSize);\n"
           "}\n";
    return out;
}

bool DefinesFillFunction(const FxEffect& effect, const std::string& function) {
    if (function.empty()) return false;
    for (char c : function) {
        if (!IsIdentChar(c)) return false;
    }
    // A cheap textual check before handing the program to the GLSL compiler:
    // "vec4 <function>(" must appear in the shared code.
    for (const FxCode& code : effect.shared) {
        std::size_t at = 0;
        while ((at = code.text.find(function, at)) != std::string::npos) {
            const std::size_t end = at + function.size();
            const bool startsWord = at == 0 || !IsIdentChar(code.text[at - 1]);
            std::size_t next = end;
            while (next < code.text.size() && std::isspace(static_cast<unsigned char>(code.text[next]))) ++next;
            std::size_t before = at;
            while (before > 0 && std::isspace(static_cast<unsigned char>(code.text[before - 1]))) --before;
            const bool returnsVec4 = before >= 4 && code.text.compare(before - 4, 4, "vec4") == 0;
            if (startsWord && returnsVec4 && next < code.text.size() && code.text[next] == '(') return true;
            at = end;
        }
    }
    return false;
}

std::vector<std::uint8_t> SerializeEffect(const FxEffect& effect) {
    Writer w;
    w.bytes.insert(w.bytes.end(), std::begin(kMagic), std::end(kMagic));
    w.U32(static_cast<std::uint32_t>(effect.files.size()));
    for (const std::string& f : effect.files) w.Str(f);
    w.U32(static_cast<std::uint32_t>(effect.parameters.size()));
    for (const FxParameter& p : effect.parameters) {
        w.U8(static_cast<std::uint8_t>(p.type));
        w.Str(p.name);
        w.Str(p.semantic);
        w.U32(static_cast<std::uint32_t>(p.annotations.size()));
        for (const FxAnnotation& a : p.annotations) {
            w.U8(static_cast<std::uint8_t>(a.type));
            w.Str(a.name);
            w.Str(a.text);
            w.U32(static_cast<std::uint32_t>(a.value));
        }
    }
    w.U32(static_cast<std::uint32_t>(effect.shared.size()));
    for (const FxCode& c : effect.shared) w.Code(c);
    w.U32(static_cast<std::uint32_t>(effect.stages.size()));
    for (const FxStage& s : effect.stages) {
        w.U8(static_cast<std::uint8_t>(s.kind));
        w.Str(s.name);
        w.Code(s.code);
    }
    w.U32(static_cast<std::uint32_t>(effect.techniques.size()));
    for (const FxTechnique& t : effect.techniques) {
        w.Str(t.name);
        w.U32(static_cast<std::uint32_t>(t.passes.size()));
        for (const FxPass& p : t.passes) {
            w.Str(p.name);
            w.U32(static_cast<std::uint32_t>(p.vertexStage));
            w.U32(static_cast<std::uint32_t>(p.fragmentStage));
            w.U32(static_cast<std::uint32_t>(p.states.size()));
            for (const FxStateValue& s : p.states) {
                w.U8(static_cast<std::uint8_t>(s.state));
                w.U32(s.value);
            }
            w.U32(static_cast<std::uint32_t>(p.samplers.size()));
            for (const FxSamplerValue& s : p.samplers) {
                w.U32(s.parameter);
                w.U8(static_cast<std::uint8_t>(s.state));
                w.U32(s.value);
            }
            w.U32(p.file);
            w.U32(p.line);
        }
    }
    return w.bytes;
}

std::optional<FxEffect> DeserializeEffect(const std::uint8_t* data, std::size_t size) {
    Reader r(data, size);
    if (!data || !r.Magic()) return std::nullopt;
    FxEffect e;
    const std::uint32_t files = r.Count(4);
    for (std::uint32_t i = 0; i < files && r.ok; ++i) e.files.push_back(r.Str());
    const std::uint32_t parameters = r.Count(13);
    for (std::uint32_t i = 0; i < parameters && r.ok; ++i) {
        FxParameter p;
        const std::uint8_t type = r.U8();
        if (type > static_cast<std::uint8_t>(FxType::SamplerCube)) return std::nullopt;
        p.type = static_cast<FxType>(type);
        p.name = r.Str();
        p.semantic = r.Str();
        const std::uint32_t annotations = r.Count(13);
        for (std::uint32_t k = 0; k < annotations && r.ok; ++k) {
            FxAnnotation a;
            const std::uint8_t at = r.U8();
            if (at > 1) return std::nullopt;
            a.type = static_cast<FxAnnotation::Type>(at);
            a.name = r.Str();
            a.text = r.Str();
            a.value = static_cast<std::int32_t>(r.U32());
            p.annotations.push_back(std::move(a));
        }
        e.parameters.push_back(std::move(p));
    }
    const std::uint32_t shared = r.Count(12);
    for (std::uint32_t i = 0; i < shared && r.ok; ++i) e.shared.push_back(r.Code());
    const std::uint32_t stages = r.Count(17);
    for (std::uint32_t i = 0; i < stages && r.ok; ++i) {
        FxStage s;
        const std::uint8_t kind = r.U8();
        if (kind > 1) return std::nullopt;
        s.kind = static_cast<FxStage::Kind>(kind);
        s.name = r.Str();
        s.code = r.Code();
        e.stages.push_back(std::move(s));
    }
    const std::uint32_t techniques = r.Count(8);
    for (std::uint32_t i = 0; i < techniques && r.ok; ++i) {
        FxTechnique t;
        t.name = r.Str();
        const std::uint32_t passes = r.Count(28);
        for (std::uint32_t k = 0; k < passes && r.ok; ++k) {
            FxPass p;
            p.name = r.Str();
            const std::uint32_t vs = r.U32();
            const std::uint32_t fs = r.U32();
            if (vs >= e.stages.size() || fs >= e.stages.size() ||
                e.stages[vs].kind != FxStage::Kind::Vertex || e.stages[fs].kind != FxStage::Kind::Fragment)
                return std::nullopt;
            p.vertexStage = static_cast<std::int32_t>(vs);
            p.fragmentStage = static_cast<std::int32_t>(fs);
            const std::uint32_t states = r.Count(5);
            for (std::uint32_t s = 0; s < states && r.ok; ++s) {
                const std::uint8_t state = r.U8();
                const std::uint32_t value = r.U32();
                if (state >= static_cast<std::uint8_t>(FxState::Count)) return std::nullopt;
                p.states.push_back({static_cast<FxState>(state), value});
            }
            const std::uint32_t samplers = r.Count(9);
            for (std::uint32_t s = 0; s < samplers && r.ok; ++s) {
                const std::uint32_t parameter = r.U32();
                const std::uint8_t state = r.U8();
                const std::uint32_t value = r.U32();
                if (parameter >= e.parameters.size() || !FxTypeIsSampler(e.parameters[parameter].type) ||
                    state >= static_cast<std::uint8_t>(FxSamplerState::Count))
                    return std::nullopt;
                p.samplers.push_back({parameter, static_cast<FxSamplerState>(state), value});
            }
            p.file = r.U32();
            p.line = r.U32();
            t.passes.push_back(std::move(p));
        }
        e.techniques.push_back(std::move(t));
    }
    if (!r.ok || !r.AtEnd() || e.files.empty()) return std::nullopt;
    return e;
}

std::string MapGlslMessage(const FxEffect& effect, const std::string& message) {
    // glslang writes "ERROR: <string>:<line>: text"; find the first
    // "<digits>:<digits>:" and replace the string number by its file name.
    std::size_t at = 0;
    while (at < message.size()) {
        if (std::isdigit(static_cast<unsigned char>(message[at])) &&
            (at == 0 || !IsIdentChar(message[at - 1]))) {
            std::size_t colon = at;
            while (colon < message.size() && std::isdigit(static_cast<unsigned char>(message[colon]))) ++colon;
            std::size_t second = colon + 1;
            std::size_t end = second;
            while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end]))) ++end;
            if (colon - at <= 6 && colon < message.size() && message[colon] == ':' && end > second &&
                end < message.size() && message[end] == ':') {
                const unsigned long file = std::stoul(message.substr(at, colon - at));
                if (file < effect.files.size())
                    return message.substr(0, at) + effect.files[file] + message.substr(colon);
                return message;
            }
            at = colon;
        } else {
            ++at;
        }
    }
    return message;
}

}  // namespace plat
