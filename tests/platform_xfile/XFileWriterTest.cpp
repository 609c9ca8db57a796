#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/xfile/XFile.h"
#include "support/TempDir.h"

using namespace plat;

namespace {

constexpr const char* kTemplates = R"(xof 0303txt 0032
template SurfaceData {
 <D6AC416B-CCBD-44fb-957F-61C7669C5C84>
 array FLOAT diff[4]; array FLOAT spec[4]; DWORD pow; FLOAT m; FLOAT n; FLOAT str;
}
template RandomSurfaceData {
 <FCEADA21-F9E4-42e7-9F9C-FD63D85AF85C>
 DWORD numSurfaces; array SurfaceData surface[numSurfaces];
}
template Named { <33333333-2222-3333-4444-555555555555> STRING text; DOUBLE d; SWORD s; [RandomSurfaceData, Named] }
)";

XTemplateRegistry Registry() {
    XTemplateRegistry r;
    std::string error;
    EXPECT_TRUE(r.RegisterTemplates(kTemplates, &error)) << error;
    return r;
}

std::string Write(const XDocument& doc) {
    std::vector<const XDataObject*> objects;
    for (const auto& o : doc.objects) objects.push_back(o.get());
    std::string text, error;
    EXPECT_TRUE(WriteXFile(TemplatesUsedBy(objects), objects, text, &error)) << error;
    return text;
}

}  // namespace

TEST(XFileWriter, RoundTripIsStableAndKeepsValues) {
    const std::string source = R"(xof 0303txt 0032
RandomSurfaceData Skin {
 2;
 1,0.5,0.25,1; 0.1,0.2,0.3,1; 10; 0.5; 0.01; 1.5;,
 0,0,0,0; 1,1,1,1; 20; 0.333333343; 1e-7; -1.5e10;;
}
Named Top {
 <12345678-9ABC-DEF0-1234-56789ABCDEF0>
 "with spaces and // not a comment"; 3.141592653589793; -300;
 Named Inner { ""; 0; 0; { Skin } }
}
)";
    // Parsing with an empty registry also proves the written templates are
    // complete (dependencies first).
    XDocument first;
    std::string error;
    ASSERT_TRUE(ParseXFile(source, Registry(), first, &error)) << error;
    std::string written = Write(first);

    XDocument second;
    ASSERT_TRUE(ParseXFile(written, XTemplateRegistry(), second, &error, "written.x")) << error << "\n" << written;
    EXPECT_EQ(Write(second), written);

    const XDataObject& skin = *second.objects[0];
    EXPECT_EQ(skin.name, "Skin");
    EXPECT_FLOAT_EQ(skin.Member("surface")[0].Field("diff")[1].AsFloat(), 0.5f);
    EXPECT_EQ(skin.Member("surface")[1].Field("m").AsFloat(), 0.333333343f);
    EXPECT_EQ(skin.Member("surface")[1].Field("n").AsFloat(), 1e-7f);
    EXPECT_EQ(skin.Member("surface")[1].Field("str").AsFloat(), -1.5e10f);
    const XDataObject& top = *second.objects[1];
    EXPECT_EQ(top.Member("text").AsString(), "with spaces and // not a comment");
    EXPECT_EQ(top.Member("d").AsDouble(), 3.141592653589793);
    EXPECT_EQ(top.Member("s").AsInteger(), -300);
    ASSERT_TRUE(top.guid.has_value());
    EXPECT_EQ(top.guid->ToString(), "12345678-9ABC-DEF0-1234-56789ABCDEF0");
    const XDataObject& inner = *top.children[0].Target();
    ASSERT_EQ(inner.children.size(), 1u);
    EXPECT_TRUE(inner.children[0].IsReference());
    EXPECT_EQ(inner.children[0].Target(), &skin);
}

TEST(XFileWriter, BuildsObjectsInCodeAndSavesThem) {
    XTemplateRegistry r = Registry();
    auto randomSurface = r.FindByName("RandomSurfaceData");
    auto surface = r.FindByName("SurfaceData");
    XDataObject object(randomSurface, "Built");
    std::vector<XValue> surfaces;
    for (int i = 0; i < 3; ++i) {
        surfaces.push_back(XStructBuilder(*surface)
                               .Set("diff", XValue::Array({XValue::Real(i), XValue::Real(0), XValue::Real(0),
                                                           XValue::Real(1)}))
                               .Set("spec", XValue::Array({XValue::Real(1), XValue::Real(1), XValue::Real(1),
                                                           XValue::Real(1)}))
                               .Set("pow", XValue::Integer(10 + i))
                               .Build());
    }
    object.Data() = XStructBuilder(*randomSurface)
                        .Set("numSurfaces", XValue::Integer(3))
                        .Set("surface", XValue::Array(surfaces))
                        .Build();

    ScopedTempDir dir;
    auto path = dir.Path() / "built.x";
    std::string error;
    ASSERT_TRUE(SaveXFile(path.string(), r.All(), {&object}, &error)) << error;
    XDocument back;
    ASSERT_TRUE(LoadXFile(path.string(), XTemplateRegistry(), back, &error)) << error;
    ASSERT_EQ(back.objects.size(), 1u);
    EXPECT_EQ(back.objects[0]->Member("surface")[2].Field("pow").AsDword(), 12u);
    EXPECT_EQ(back.objects[0]->Member("surface")[2].Field("diff")[0].AsFloat(), 2.0f);
}

TEST(XFileWriter, RefusesTreesThatWouldNotReadBack) {
    XTemplateRegistry r = Registry();
    auto randomSurface = r.FindByName("RandomSurfaceData");
    auto named = r.FindByName("Named");
    std::string text, error;

    XDataObject wrongCount(randomSurface, "");
    wrongCount.Data() = XStructBuilder(*randomSurface).Set("numSurfaces", XValue::Integer(2)).Build();
    EXPECT_FALSE(WriteXFile({}, {&wrongCount}, text, &error));
    EXPECT_NE(error.find("its count says 2"), std::string::npos) << error;

    XDataObject badName(named, "two words");
    EXPECT_FALSE(WriteXFile({}, {&badName}, text, &error));
    EXPECT_NE(error.find("not a valid .x name"), std::string::npos) << error;

    XDataObject quote(named, "");
    quote.Data() = XStructBuilder(*named).Set("text", XValue::Text("say \"hi\"")).Build();
    EXPECT_FALSE(WriteXFile({}, {&quote}, text, &error));

    XDataObject range(named, "");
    range.Data() = XStructBuilder(*named).Set("s", XValue::Integer(40000)).Build();
    EXPECT_FALSE(WriteXFile({}, {&range}, text, &error));
    EXPECT_NE(error.find("out of range for SWORD"), std::string::npos) << error;

    XDataObject infinite(named, "");
    infinite.Data() = XStructBuilder(*named).Set("d", XValue::Real(1.0 / 0.0)).Build();
    EXPECT_FALSE(WriteXFile({}, {&infinite}, text, &error));

    XDataObject parent(named, "");
    parent.AddChild(std::make_unique<XDataObject>(r.FindByName("SurfaceData"), ""));
    EXPECT_FALSE(WriteXFile({}, {&parent}, text, &error));
    EXPECT_NE(error.find("may not hold"), std::string::npos) << error;

    // A negative signed count: the reader refuses it even over an empty
    // array, so the writer must not write it.
    XTemplateRegistry signedCounts = Registry();
    ASSERT_TRUE(signedCounts.RegisterTemplates(
        "template Signed { <44444444-2222-3333-4444-555555555555> SDWORD n; array DWORD items[n]; }", &error))
        << error;
    XDocument negativeRead;
    EXPECT_FALSE(ParseXFile("xof 0303txt 0032\nSigned { -1; ; }\n", signedCounts, negativeRead, &error));
    auto signedTemplate = signedCounts.FindByName("Signed");
    XDataObject negative(signedTemplate, "");
    negative.Data() = XStructBuilder(*signedTemplate).Set("n", XValue::Integer(-1)).Build();
    EXPECT_FALSE(WriteXFile({}, {&negative}, text, &error));
    EXPECT_NE(error.find("member 'items'"), std::string::npos) << error;

    EXPECT_FALSE(SaveXFile("/nonexistent/dir/out.x", {}, {}, &error));
}
