// Binary and compressed .x files: the same document as text, and one clear
// line with the byte offset for what is malformed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/xfile/XFile.h"
#include "platform/xfile/XFileInternal.h"

using namespace plat;

namespace {

// Every kind of value and child: strings, signed and unsigned integers,
// floats and doubles, arrays sized by members, nested structures, open and
// restricted templates, references by name and by GUID. The doubles are
// exact in single precision, so that 32-bit binary floats keep them too.
constexpr const char* kSource = R"(xof 0303txt 0032
template Point { <51111111-2222-3333-4444-555555555555> FLOAT x; DOUBLE d; SWORD s; CHAR c; }
template Bag {
 <52222222-2222-3333-4444-555555555555>
 STRING label; DWORD n; array Point points[n]; SDWORD signedValue; UCHAR small; array WORD grid[2][3];
 [...]
}
template Only { <53333333-2222-3333-4444-555555555555> STRING tag; [Bag <52222222-2222-3333-4444-555555555555>] }
Bag First {
 <12345678-9ABC-DEF0-1234-56789ABCDEF0>
 "C:\\models\\a b.png"; 2; 1.5; 0.125; -300; -128;, -2.25e-3; -4; 32767; 127;; -2147483647; 255; 1,2,3,4,5,65535;
}
Only {
 ""; Bag Inner { "x"; 0; ; 0; 0; 0,0,0,0,0,0; { First } }
 { <12345678-9ABC-DEF0-1234-56789ABCDEF0> }
}
)";

XTemplateRegistry Empty() { return XTemplateRegistry(); }

std::vector<const XDataObject*> Objects(const XDocument& doc) {
    std::vector<const XDataObject*> objects;
    for (const auto& o : doc.objects) objects.push_back(o.get());
    return objects;
}

std::string Write(const XDocument& doc, XWriteOptions options = {}) {
    std::string out, error;
    EXPECT_TRUE(WriteXFile(TemplatesUsedBy(Objects(doc)), Objects(doc), out, &error, options)) << error;
    return out;
}

// A mesh large enough to take several MSZIP blocks, so that each goes on
// from the window of the one before.
std::string BigMesh() {
    std::string t = "xof 0303txt 0032\nMesh Big {\n 6000;\n";
    for (int i = 0; i < 6000; ++i)
        t += " " + std::to_string(i % 97) + ";" + std::to_string(i / 97) + ".5;0;" + (i + 1 < 6000 ? "," : ";") + "\n";
    t += " 1999;\n";
    for (int f = 0; f < 1999; ++f)
        t += " 3;" + std::to_string(f) + "," + std::to_string(f + 1) + "," + std::to_string(f + 2) + ";" +
             (f + 1 < 1999 ? "," : ";") + "\n";
    return t + "}\n";
}

struct Encoding {
    const char* name;
    XWriteOptions options;
    const char* header;
};

class XFileEncodings : public ::testing::TestWithParam<Encoding> {};

}  // namespace

// Written in each encoding and read back, a document writes the same text
// as the one it was made from.
TEST_P(XFileEncodings, ReadBackAsTheSameDocument) {
    const Encoding& e = GetParam();
    for (const std::string& source : {std::string(kSource), BigMesh()}) {
        XDocument original;
        std::string error;
        ASSERT_TRUE(ParseXFile(source, XTemplateRegistry::Standard(), original, &error)) << error;
        const std::string text = Write(original);
        const std::string encoded = Write(original, e.options);
        EXPECT_EQ(encoded.substr(0, 16), e.header);

        XDocument back;
        ASSERT_TRUE(ParseXFile(encoded, Empty(), back, &error, "encoded.x")) << error;
        EXPECT_EQ(back.format, std::string(e.header).substr(8, 4));
        EXPECT_EQ(Write(back), text);
        if (back.objects.size() == 2) {
            // References resolve in the encoded file too.
            EXPECT_EQ(back.objects[1]->children[0].Target()->children[0].Target(), back.objects[0].get());
            EXPECT_EQ(back.objects[1]->children[1].Target(), back.objects[0].get());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllFour, XFileEncodings,
    ::testing::Values(Encoding{"Binary", {XFormat::Binary, false}, "xof 0303bin 0032"},
                      Encoding{"Binary64", {XFormat::Binary, true}, "xof 0303bin 0064"},
                      Encoding{"CompressedText", {XFormat::CompressedText, false}, "xof 0303tzip0032"},
                      Encoding{"CompressedBinary", {XFormat::CompressedBinary, true}, "xof 0303bzip0064"}),
    [](const testing::TestParamInfo<Encoding>& info) { return std::string(info.param.name); });

// A compressed file made by hand: one MSZIP block holding a stored deflate
// block, so that the bytes inside are exactly the ones given.
std::string StoredBlock(const std::string& header, const std::string& body) {
    auto le16 = [](std::size_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; };
    return header + le16(body.size() + 16) + le16(0) + le16(body.size()) + le16(body.size() + 7) + "CK" + '\x01' +
           le16(body.size()) + le16(~body.size() & 0xFFFF) + body;
}

// Binary tokens written by hand, as another tool writes them.
std::string Code(std::uint16_t code) { return {char(code & 0xFF), char(code >> 8)}; }
std::string Dword(std::uint32_t v) { return Code(v & 0xFFFF) + Code(v >> 16); }
std::string Counted(std::uint16_t code, const std::string& bytes) { return Code(code) + Dword(std::uint32_t(bytes.size())) + bytes; }
std::string TextureObject(const std::string& name) {
    return "xof 0303bin 0032" + Counted(1, "TextureFilename") + Code(10) + Counted(2, name) + Code(20) + Code(11);
}

// Exporters count the zero that ends a string; nothing else may hold one,
// as text cannot.
TEST(XFileEncodingsMalformed, StringsEndAtTheirZerosAndHoldNoOther) {
    XDocument doc;
    std::string error;
    ASSERT_TRUE(ParseXFile(TextureObject(std::string("a.png\0", 6)), XTemplateRegistry::Standard(), doc, &error))
        << error;
    EXPECT_EQ(doc.objects[0]->Member("filename").AsString(), "a.png");
    EXPECT_FALSE(ParseXFile(TextureObject(std::string("a\0b", 3)), XTemplateRegistry::Standard(), doc, &error, "z.x"));
    EXPECT_EQ(error, "z.x: byte 39: a string holds a zero byte");
    constexpr char kText[] = "xof 0303txt 0032\nTextureFilename { \"a\0b\"; }";
    EXPECT_FALSE(ParseXFile(std::string(kText, sizeof kText - 1), XTemplateRegistry::Standard(), doc, &error, "z.x"));
    EXPECT_EQ(error, "z.x:2: a string holds a zero byte");
}

TEST(XFileEncodingsMalformed, OneLineWithTheFileAndTheByteOffset) {
    XDocument doc;
    std::string error;
    ASSERT_TRUE(ParseXFile(kSource, XTemplateRegistry::Standard(), doc, &error)) << error;
    const std::string binary = Write(doc, {XFormat::Binary, false});
    const std::string compressed = Write(doc, {XFormat::CompressedBinary, false});
    const std::string big = [&] {
        XDocument mesh;
        EXPECT_TRUE(ParseXFile(BigMesh(), XTemplateRegistry::Standard(), mesh, &error)) << error;
        return Write(mesh, {XFormat::CompressedText, false});
    }();
    // The layout is the format's, not only our writer's: a block stored by
    // hand reads as the same document.
    XDocument stored;
    ASSERT_TRUE(ParseXFile(StoredBlock("xof 0303bzip0032", binary.substr(16)), Empty(), stored, &error)) << error;
    EXPECT_EQ(Write(stored), Write(doc));

    auto put16 = [](std::string s, std::size_t at, std::uint16_t v) {
        std::memcpy(&s[at], &v, 2);
        return s;
    };
    auto put32 = [](std::string s, std::size_t at, std::uint32_t v) {
        std::memcpy(&s[at], &v, 4);
        return s;
    };
    // The first template's name token: code, length 5, "Point"; the first
    // float list of the data.
    const std::size_t name = binary.find("Point") - 6;
    const std::size_t list = binary.find(std::string("\x07\x00", 2), binary.find("First"));
    const std::string at = "bad.x: byte ";
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {binary.substr(0, binary.size() - 1),
         at + std::to_string(binary.size() - 2) + ": a token runs past the end of the file"},
        {put16(binary, 16, 99), at + "16: unexpected token 99"},
        {put16(binary, name + 6, ' '), at + std::to_string(name) + ": malformed name"},
        {put32(binary, list + 2, 0x40000000), at + std::to_string(list) + ": a list of 1073741824 numbers runs past"},
        {binary.substr(0, list + 4), at + std::to_string(list) + ": a list runs past the end"},
        {StoredBlock("xof 0303bzip0032", put16(binary, 16, 99).substr(16)), "bad.x: inflated byte 16: unexpected token 99"},
        {compressed.substr(0, 18), at + "18: the compressed file ends before its inflated size"},
        {put32(compressed, 16, 100u << 20), at + "16: inflates to 104857584 bytes, over the 64 MB"},
        {put16(compressed, 24, 'X'), at + "24: an MSZIP block lacks its \"CK\" signature"},
        {put16(compressed, 22, 0xFFFF), at + "22: an MSZIP block of 65535 bytes runs past the end"},
        {put32(compressed, 16, 17), at + "20: the blocks inflate to more than the 1 bytes declared"},
        {put32(compressed, 16, std::uint32_t(binary.size() + 1)),
         at + std::to_string(compressed.size()) + ": the blocks inflate to " + std::to_string(binary.size() - 16) +
             " bytes, the file declares " + std::to_string(binary.size() - 15)},
        {put16(compressed, 26, 0xFFFF), at + "26: an MSZIP block does not inflate"},
        {put16(big, 20, 100), at + "20: an MSZIP block inflates to more than its 100 bytes"},
    };
    for (const Case& c : cases) {
        XDocument out;
        EXPECT_FALSE(ParseXFile(c.bytes, Empty(), out, &error, "bad.x")) << c.expected;
        EXPECT_EQ(error.rfind(c.expected, 0), 0u) << error << "\n expected: " << c.expected;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

// A few kilobytes that inflate to megabytes of empty objects: what they
// would build outgrows what is read long before the end, and the file is
// refused there, by name and place, in one line.
TEST(XFileEncodingsMalformed, EmptyObjectsInflatedFromAFewKilobytesAreRefusedWhereTheyOutgrowTheFile) {
    std::string body = "\ntemplate A { <11111111-2222-3333-4444-555555555555> [...] }\nA{";
    constexpr std::size_t kChildren = 1500000;
    body.reserve(body.size() + 3 * kChildren + 2);
    for (std::size_t i = 0; i < kChildren; ++i) body += "A{}";
    body += "}\n";
    const std::string file = "xof 0303tzip0032" + xfile::DeflateMszip(body);
    ASSERT_LT(file.size(), body.size() / 100);
    XDocument doc;
    std::string error;
    ASSERT_FALSE(ParseXFile(file, Empty(), doc, &error, "bomb.x"));
    EXPECT_EQ(error.rfind("bomb.x:3: 'A' object builds more than the file holds (", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    std::size_t built = 0, read = 0;
    ASSERT_EQ(std::sscanf(error.c_str() + error.find('('), "(%zu bytes built from %zu bytes read)", &built, &read), 2)
        << error;
    EXPECT_LT(read, body.size() / 4) << error;
}
