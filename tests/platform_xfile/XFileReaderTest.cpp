#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "platform/xfile/XFile.h"

using namespace plat;

namespace {

// Templates in the style of the game's data files: strings, member-sized
// arrays of structures, open and restricted templates.
constexpr const char* kDataTemplates = R"(xof 0303txt 0032
template TextureData { <0F3F9785-0380-4e95-A2B5-42D7296325E4> STRING texture; DWORD texLoc; }
template Character {
 <94AA0516-EFA7-4639-B695-B3FF8DDCF5D2>
 DWORD charType; STRING modelName; DWORD numTextures; array TextureData tex[numTextures];
 [...]
}
template LineControlPoint { <B2E426D3-B86F-4194-8E55-7F81634E6491> array FLOAT pos[3]; FLOAT width; }
template LineLimbData {
 <0EB5A82B-AC00-4bbb-A43C-B7221759602E>
 DWORD loc; DWORD numControlPoints; array LineControlPoint data[numControlPoints];
}
template Grid { <11111111-2222-3333-4444-555555555555> WORD w; WORD h; array SWORD cells[w][h]; DOUBLE scale; }
template OnlyLines { <22222222-2222-3333-4444-555555555555> DWORD n; [LineLimbData] }
)";

XTemplateRegistry DataRegistry() {
    XTemplateRegistry r;
    std::string error;
    EXPECT_TRUE(r.RegisterTemplates(kDataTemplates, &error)) << error;
    return r;
}

bool Parse(const std::string& body, XDocument& doc, std::string& error,
           const XTemplateRegistry& registry = DataRegistry()) {
    return ParseXFile("xof 0303txt 0032\n" + body, registry, doc, &error, "test.x");
}

std::string ParseError(const std::string& body, const XTemplateRegistry& registry = DataRegistry()) {
    XDocument doc;
    std::string error;
    EXPECT_FALSE(Parse(body, doc, error, registry)) << "accepted:\n" << body;
    return error;
}

}  // namespace

TEST(XFileReader, ReadsMeshWithCommentsAndLooseSeparators) {
    const std::string text = R"(xof 0303txt 0032
// a comment
# another comment
Mesh Tri {
 3;            // vertex count
 0.0;0.0;0.0;,
 1.5;0;0;,
 0;-2.5e1;0;;
 1;
 3;0,1,2;;
 MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }
}
)";
    XDocument doc;
    std::string error;
    ASSERT_TRUE(ParseXFile(text, XTemplateRegistry::Standard(), doc, &error, "tri.x")) << error;
    ASSERT_EQ(doc.objects.size(), 1u);
    const XDataObject& mesh = *doc.objects[0];
    EXPECT_EQ(mesh.name, "Tri");
    EXPECT_EQ(mesh.Template().name, "Mesh");
    EXPECT_EQ(mesh.Member("nVertices").AsDword(), 3u);
    const XValue& vertices = mesh.Member("vertices");
    ASSERT_EQ(vertices.Size(), 3u);
    EXPECT_FLOAT_EQ(vertices[1].Field("x").AsFloat(), 1.5f);
    EXPECT_FLOAT_EQ(vertices[2].Field("y").AsFloat(), -25.0f);
    const XValue& face = mesh.Member("faces")[0];
    EXPECT_EQ(face.Field("nFaceVertexIndices").AsDword(), 3u);
    EXPECT_EQ(face.Field("faceVertexIndices")[2].AsDword(), 2u);
    ASSERT_EQ(mesh.children.size(), 1u);
    EXPECT_EQ(mesh.children[0].Target()->Template().name, "MeshNormals");
    EXPECT_FLOAT_EQ(mesh.children[0].Target()->Member("normals")[0].Field("z").AsFloat(), -1.0f);
}

TEST(XFileReader, HeaderVersionsAndFormats) {
    XDocument doc;
    std::string error;
    for (const char* header : {"xof 0302txt 0032", "xof 0303txt 0064", "xof 0303txt 0032"})
        EXPECT_TRUE(ParseXFile(std::string(header) + "\n", XTemplateRegistry::Standard(), doc, &error)) << header;
    EXPECT_EQ(doc.version, "0303");

    auto reject = [&](const std::string& text, const std::string& expected) {
        EXPECT_FALSE(ParseXFile(text, XTemplateRegistry::Standard(), doc, &error, "h.x")) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    };
    reject("xof 0303zzzz0032\n", "unknown .x format");
    reject("xof 0201txt 0032\n", "version");
    reject("xof 0303txt 0016\n", "float size");
    reject("hello", "xof");
    reject("", "xof");
}

TEST(XFileReader, TemplatesDefinedInTheFileAreUsed) {
    XDocument doc;
    std::string error;
    ASSERT_TRUE(Parse(R"(
template Pair { <AAAAAAAA-0000-0000-0000-000000000001> DWORD a; CHAR b; UCHAR c; DOUBLE d; }
Pair p { 7; -3; 250; 0.125; }
)", doc, error)) << error;
    ASSERT_NE(doc.templates.FindByName("Pair"), nullptr);
    EXPECT_EQ(doc.objects[0]->Member("b").AsInteger(), -3);
    EXPECT_EQ(doc.objects[0]->Member("c").AsInteger(), 250);
    EXPECT_DOUBLE_EQ(doc.objects[0]->Member("d").AsDouble(), 0.125);
    EXPECT_EQ(doc.objects[0]->TemplateGuid(), *XGuid::Parse("aaaaaaaa-0000-0000-0000-000000000001"));
}

TEST(XFileReader, ArraysSizedByMembersAndLiterals) {
    XDocument doc;
    std::string error;
    ASSERT_TRUE(Parse(R"(
Character Bob {
 3; "body.x"; 2;
 "skin.dds"; 30;,
 "bump.dds"; 31;;
 LineLimbData { 1; 2; 0.0, 1.0, 2.0; 0.5;, 3.0, 4.0, 5.0; 0.25;; }
}
Grid { 2; 3; 1, -2, 3, 4, 5, -6; 2.5; }
)", doc, error)) << error;
    const XDataObject& bob = *doc.objects[0];
    EXPECT_EQ(bob.Member("modelName").AsString(), "body.x");
    ASSERT_EQ(bob.Member("tex").Size(), 2u);
    EXPECT_EQ(bob.Member("tex")[1].Field("texture").AsString(), "bump.dds");
    EXPECT_EQ(bob.Member("tex")[1].Field("texLoc").AsDword(), 31u);
    const XDataObject& limb = *bob.children[0].Target();
    EXPECT_FLOAT_EQ(limb.Member("data")[1].Field("pos")[2].AsFloat(), 5.0f);
    EXPECT_FLOAT_EQ(limb.Member("data")[1].Field("width").AsFloat(), 0.25f);
    const XValue& cells = doc.objects[1]->Member("cells");
    ASSERT_EQ(cells.Size(), 6u);
    EXPECT_EQ(cells[5].AsInteger(), -6);
}

TEST(XFileReader, CountsAreCheckedAgainstTheData) {
    // Fewer elements than the count says.
    std::string error = ParseError("LineLimbData { 1; 3; 0,0,0; 1;, 0,0,0; 1;; }");
    EXPECT_NE(error.find("test.x:2:"), std::string::npos) << error;
    EXPECT_NE(error.find("LineLimbData.data"), std::string::npos) << error;
    EXPECT_NE(error.find("should have 3 elements, found 2"), std::string::npos) << error;
    // More elements than the count says.
    error = ParseError("LineLimbData { 1; 1; 0,0,0; 1;, 0,0,0; 1;; }");
    EXPECT_NE(error.find("more data"), std::string::npos) << error;
    // A huge count with no data fails without trying to hold it.
    error = ParseError("LineLimbData { 1; 4294967295; }");
    EXPECT_NE(error.find("found 0"), std::string::npos) << error;
    // Literal dimensions too.
    error = ParseError("LineLimbData { 1; 1; 0,0; 1;; }");
    EXPECT_FALSE(error.empty());
}

TEST(XFileReader, ValuesAreCheckedAgainstTheirTypes) {
    EXPECT_NE(ParseError("Grid { 70000; 1; 1; 1.0; }").find("out of range for WORD"), std::string::npos);
    EXPECT_NE(ParseError("LineLimbData { -1; 0; }").find("out of range for DWORD"), std::string::npos);
    EXPECT_NE(ParseError("LineLimbData { 1.5; 0; }").find("expected an integer"), std::string::npos);
    EXPECT_NE(ParseError("Character { 1; 2; 0; }").find("expected a string"), std::string::npos);
    EXPECT_NE(ParseError("LineControlPoint { 1e39, 0, 0; 1; }").find("out of range"), std::string::npos);
    EXPECT_NE(ParseError("LineControlPoint { 1.#QNAN, 0, 0; 1; }").find("malformed number"), std::string::npos);
    EXPECT_NE(ParseError("LineLimbData { 99999999999999999999; 0; }").find("out of range"), std::string::npos);
}

TEST(XFileReader, ChildRestrictions) {
    XDocument doc;
    std::string error;
    // Open: anything; restricted: only the listed templates; closed: nothing.
    EXPECT_TRUE(Parse("Character { 1; \"\"; 0; Grid { 0; 0; ; 1.0; } }", doc, error)) << error;
    EXPECT_TRUE(Parse("OnlyLines { 0; LineLimbData { 0; 0; } }", doc, error)) << error;
    EXPECT_NE(ParseError("OnlyLines { 0; Grid { 0; 0; ; 1.0; } }").find("may not hold a 'Grid'"), std::string::npos);
    EXPECT_NE(ParseError("Grid { 0; 0; ; 1.0; Grid { 0; 0; ; 1.0; } }").find("may not hold"), std::string::npos);
}

TEST(XFileReader, ReferencesResolveToEarlierObjects) {
    XDocument doc;
    std::string error;
    ASSERT_TRUE(Parse(R"(
LineLimbData Arm { 0; 0; }
LineLimbData { 1; 0; }
Character Bob { 3; ""; 0; { Arm } }
)", doc, error)) << error;
    const XChild& ref = doc.objects[2]->children[0];
    EXPECT_TRUE(ref.IsReference());
    EXPECT_EQ(ref.Target(), doc.objects[0].get());

    EXPECT_NE(ParseError("Character Bob { 3; \"\"; 0; { Nobody } }").find("unknown object 'Nobody'"),
              std::string::npos);
    // An object cannot refer to itself while it is still open.
    EXPECT_NE(ParseError("Character Bob { 3; \"\"; 0; { Bob } }").find("unknown object"), std::string::npos);
    EXPECT_NE(ParseError("LineLimbData Arm { 0; 0; } OnlyLines { 0; { } }").find("empty reference"),
              std::string::npos);
}

TEST(XFileReader, MalformedTextGivesClearErrors) {
    struct Case {
        const char* body;
        const char* expected;
    };
    const Case cases[] = {
        {"Nothing { }", "unknown template 'Nothing'"},
        {"template T { DWORD a; }", "has no GUID"},
        {"template T { <1234> DWORD a; }", "malformed GUID"},
        {"template T { <11111111-2222-3333-4444-55555555555> DWORD a; }", "malformed GUID"},
        {"template T { <11111111-2222-3333-4444-555555555555> Missing a; }", "unknown type 'Missing'"},
        {"template T { <11111111-2222-3333-4444-555555555555> array DWORD a[n]; }", "not an earlier member"},
        {"template T { <11111111-2222-3333-4444-555555555555> FLOAT n; array DWORD a[n]; }", "not an integer"},
        {"template T { <11111111-2222-3333-4444-555555555555> DWORD a; DWORD a; }", "appears twice"},
        {"Character { 1; \"unterminated; 0; }", "unterminated string"},
        {"Character { 1; \"\"; 0; ", "not closed"},
        {"LineLimbData { 1; 0; } }", "expected a template or a data object"},
        {"LineLimbData { 1; 0; @ }", "unexpected character '@'"},
        {"LineLimbData { 1; 0; \x01 }", "\\x01"},
    };
    for (const Case& c : cases) {
        std::string error = ParseError(c.body);
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.body << "\n -> " << error;
        EXPECT_EQ(error.rfind("test.x:", 0), 0u) << error;
    }
}

TEST(XFileReader, DeepNestingIsRefusedNotOverflowed) {
    std::string body;
    for (int i = 0; i < 5000; ++i) body += "Character { 1; \"\"; 0; ";
    EXPECT_NE(ParseError(body).find("nested too deep"), std::string::npos);

    // Forty templates, each holding the one before twice: an object of the
    // last costs what its text holds, not the 2^40 values its template could.
    std::string doubling = "template T0 { <00000000-0000-0000-0000-000000000000> DWORD x; }\n";
    for (int k = 1; k <= 40; ++k) {
        char guid[40];
        std::snprintf(guid, sizeof guid, "%08X-0000-0000-0000-000000000000", k);
        doubling += "template T" + std::to_string(k) + " { <" + guid + "> T" + std::to_string(k - 1) + " a; T" +
                    std::to_string(k - 1) + " b; }\n";
    }
    EXPECT_NE(ParseError(doubling + "T40 { }").find("expected an integer for 'T0.x'"), std::string::npos);
}

// Templates that hold empty ones read no text, yet an object of E24 would
// hold 2^25 structures: what is built stays within what is read.
TEST(XFileReader, EmptyTemplatesNestedInPairsBuildOnlyWhatTheTextHolds) {
    std::string text = "template E0 { <00000000-0000-0000-0000-000000000000> }\n";
    for (int k = 1; k <= 24; ++k) {
        char guid[40];
        std::snprintf(guid, sizeof guid, "%08X-0000-0000-0000-000000000000", k);
        const std::string inner = "E" + std::to_string(k - 1);
        text += "template E" + std::to_string(k) + " { <" + guid + "> " + inner + " a; " + inner + " b; }\n";
    }
    XDocument doc;
    std::string error;
    EXPECT_FALSE(ParseXFileUpToError("xof 0303txt 0032\n" + text + "E3 small { }\nE24 obj { }\n", XTemplateRegistry(),
                                     doc, &error, "nested.x"));
    EXPECT_EQ(error.rfind("nested.x:28: 'E24' object builds more than the file holds", 0), 0u) << error;
    ASSERT_EQ(doc.objects.size(), 1u);
    EXPECT_EQ(doc.objects[0]->name, "small");
}

// A structure counts once, as a slot of what holds it and for its own
// members: wrappers of wrappers in an array load at any depth the reader
// takes, as other readers load them.
TEST(XFileReader, NestedTemplatesInAnArrayLoadAtAnyDepth) {
    for (int depth : {3, 60}) {
        std::string text = "template W1 { <00000001-0000-0000-0000-000000000000> DWORD x; }\n";
        for (int k = 2; k <= depth; ++k) {
            char guid[40];
            std::snprintf(guid, sizeof guid, "%08X-0000-0000-0000-000000000000", k);
            text += "template W" + std::to_string(k) + " { <" + guid + "> W" + std::to_string(k - 1) + " inner; }\n";
        }
        text += "template Holder { <AAAAAAAA-0000-0000-0000-000000000000> DWORD n; array W" + std::to_string(depth) +
                " items[n]; }\nHolder { 200; ";
        for (int i = 0; i < 200; ++i) text += std::to_string(i) + (i + 1 < 200 ? "," : ";");
        XDocument doc;
        std::string error;
        ASSERT_TRUE(Parse(text + " }", doc, error, XTemplateRegistry())) << depth << ": " << error;
        const XValue* x = &doc.objects[0]->Member("items")[199];
        for (int k = depth; k > 1; --k) x = &x->Field("inner");
        EXPECT_EQ(x->Field("x").AsInteger(), 199) << depth;
    }
}

TEST(XFileReader, TemplateRegistryRefusesDataAndStaysUnchangedOnError) {
    XTemplateRegistry r = DataRegistry();
    std::size_t before = r.All().size();
    std::string error;
    EXPECT_FALSE(r.RegisterTemplates(
        "template New { <11111111-2222-3333-4444-555555555555> DWORD a; } LineLimbData { 0; 0; }", &error));
    EXPECT_NE(error.find("only template definitions"), std::string::npos) << error;
    EXPECT_EQ(r.All().size(), before);
    EXPECT_EQ(r.FindByName("New"), nullptr);
    // Standard templates exist and are found by name and GUID.
    auto mesh = XTemplateRegistry::Standard().FindByName("Mesh");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(XTemplateRegistry::Standard().FindByGuid(mesh->guid), mesh);
}

TEST(XFileReader, AccessorsOfMissingValuesAreHarmless) {
    XValue none;
    EXPECT_EQ(none.AsDword(), 0u);
    EXPECT_EQ(none.AsString(), "");
    EXPECT_EQ(none[5][3].Field("x").AsFloat(), 0.0f);
    XDocument doc;
    std::string error;
    ASSERT_TRUE(Parse("LineLimbData { 1; 0; }", doc, error)) << error;
    EXPECT_EQ(doc.objects[0]->Member("nope").GetKind(), XValue::Kind::None);
    EXPECT_EQ(doc.objects[0]->Member("data")[10].Field("width").AsFloat(), 0.0f);
}

TEST(XFileReader, MissingFileIsReported) {
    XDocument doc;
    std::string error;
    EXPECT_FALSE(LoadXFile("/nonexistent/dir/file.x", XTemplateRegistry::Standard(), doc, &error));
    EXPECT_NE(error.find("/nonexistent/dir/file.x"), std::string::npos);
}

// The indexed lookups give what a plain search of the lists gives, on a file
// of a size where the order of the search matters: a wide template with
// member-sized arrays, templates whose objects name them in another case
// (two names alike but for case: the first added wins), and a restriction
// of many names, one template allowed by GUID alone.
TEST(XFileReader, IndexedLookupsAgreeWithAPlainSearch) {
    constexpr int kMembers = 3000, kTemplates = 400;
    char guid[48];
    auto Guid = [&guid](int n) {
        std::snprintf(guid, sizeof guid, "<%08X-0000-4000-8000-000000000001>", n);
        return std::string(guid);
    };
    std::string text = "template Wide {\n" + Guid(1) + "\n";
    for (int i = 0; i < kMembers; ++i)
        text += i % 10 == 9 ? " array DWORD a" + std::to_string(i) + "[m" + std::to_string(i - 1) + "];\n"
                            : " DWORD m" + std::to_string(i) + ";\n";
    text += "}\ntemplate Twin {" + Guid(2) + " DWORD n; }\ntemplate TWIN {" + Guid(3) + " DWORD n; }\n";
    std::string restriction;
    for (int i = 0; i < kTemplates; ++i) {
        text += "template Kind" + std::to_string(i) + " {" + Guid(100 + i) + " DWORD n; }\n";
        if (i % 2 == 0) restriction += "Kind" + std::to_string(i) + ", ";
    }
    text += "template Stranger {" + Guid(99) + " DWORD n; }\n";
    text += "template Picky {" + Guid(4) + " DWORD n; [" + restriction + "Twin, Unseen " + Guid(99) + "] }\n";
    text += "Picky holder { 1;\n";
    for (int i = 0; i < kTemplates; i += 2) text += " kind" + std::to_string(i) + " { 2; }\n";
    text += " twin { 3; }\n stranger { 4; }\n}\n";

    XDocument doc;
    std::string error;
    ASSERT_TRUE(Parse(text, doc, error)) << error;
    ASSERT_EQ(doc.objects.size(), 1u);
    EXPECT_EQ(doc.objects[0]->children.size(), std::size_t(kTemplates / 2 + 2));
    EXPECT_EQ(doc.objects[0]->children[std::size_t(kTemplates / 2)].object->Template().name, "Twin");

    const auto wide = doc.templates.FindByName("Wide");
    ASSERT_NE(wide, nullptr);
    ASSERT_EQ(wide->members.size(), std::size_t(kMembers));
    auto plainMemberIndex = [&](const std::string& name) {
        for (std::size_t i = 0; i < wide->members.size(); ++i)
            if (wide->members[i].name == name) return int(i);
        return -1;
    };
    for (const XMember& m : wide->members) EXPECT_EQ(wide->MemberIndex(m.name), plainMemberIndex(m.name));
    EXPECT_EQ(wide->MemberIndex("m3000"), -1);
    EXPECT_EQ(wide->members[9].dimensions[0].sizeMember, "m8");

    auto plainAnyCase = [&](const std::string& name) -> std::shared_ptr<const XTemplate> {
        if (auto exact = doc.templates.FindByName(name)) return exact;
        for (const auto& t : doc.templates.All())
            if (t->name.size() == name.size() &&
                std::equal(name.begin(), name.end(), t->name.begin(),
                           [](char a, char b) { return std::toupper(a) == std::toupper(b); }))
                return t;
        return nullptr;
    };
    const auto picky = doc.templates.FindByName("Picky");
    ASSERT_NE(picky, nullptr);
    for (const auto& t : doc.templates.All()) {
        std::string lower = t->name, upper = t->name;
        for (char& c : lower) c = char(std::tolower(c));
        for (char& c : upper) c = char(std::toupper(c));
        EXPECT_EQ(doc.templates.FindByNameAnyCase(lower), plainAnyCase(lower)) << lower;
        EXPECT_EQ(doc.templates.FindByNameAnyCase(upper), plainAnyCase(upper)) << upper;
        bool allowed = false;
        for (const XAllowedChild& a : picky->allowed) allowed |= a.name == t->name || (a.guid && *a.guid == t->guid);
        EXPECT_EQ(picky->AllowsChild(*t), allowed) << t->name;
    }
    EXPECT_EQ(doc.templates.FindByNameAnyCase("kind400"), nullptr);
}
