// The load and save sequences of the data-file base, over a small file kind
// that records what it is handed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "characters/XDataFile.h"
#include "platform/common/ErrorLog.h"
#include "support/TempDir.h"

namespace {

constexpr char kTemplates[] = R"(xof 0303txt 0032
template Item { <1D2C3B4A-0000-4000-8000-000000000001> DWORD value; STRING label; [...] }
)";
const plat::XGuid kItem = *plat::XGuid::Parse("1D2C3B4A-0000-4000-8000-000000000001");

struct Visit {
    std::uint32_t value;
    int depth;
    bool isReference;
    bool operator==(const Visit&) const = default;
};

class RecordingFile : public XDataFile {
public:
    int begins = 0, ends = 0;
    bool refuseBegin = false;
    std::vector<Visit> visits;
    std::vector<std::pair<std::uint32_t, std::string>> toWrite;
    bool childOfFirst = false;

protected:
    bool RegisterTemplates(plat::XTemplateRegistry& registry, void*) override {
        return RegisterTemplateText(registry, kTemplates, "test");
    }
    bool BeginLoad(void*) override {
        ++begins;
        return !refuseBegin;
    }
    bool EndLoad(void*) override {
        ++ends;
        return true;
    }
    bool LoadData(const plat::XDataObject& object, const plat::XDataObject*, int depth, void* context,
                  bool isReference) override {
        visits.push_back({object.Member("value").AsDword(), depth, isReference});
        return LoadChildren(object, depth, context, isReference);
    }
    bool SaveTemplates(XSaveObject& save, void*) override { return save.SaveTemplates({kItem}); }
    bool SaveData(XSaveObject& save, void*) override {
        std::unique_ptr<plat::XDataObject> first;
        for (const auto& [value, label] : toWrite) {
            plat::XValue data = plat::XStructBuilder(*save.Template(kItem))
                                    .Set("value", plat::XValue::Integer(value))
                                    .Set("label", plat::XValue::Text(label))
                                    .Build();
            auto object = save.CreateDataObject(kItem, "", std::move(data));
            if (!object) return false;
            if (childOfFirst && first) {
                first->AddChild(std::move(object));
            } else if (!first) {
                first = std::move(object);
            } else if (!save.SaveData(std::move(object))) {
                return false;
            }
        }
        return !first || save.SaveData(std::move(first));
    }
};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class XDataFileTest : public ::testing::Test {
protected:
    // Each test reads every line it causes: the log, which writes a line
    // once, forgets what earlier tests of the process wrote.
    XDataFileTest() { plat::ResetErrorLog(); }
    ScopedTempDir dir;
};

}  // namespace

TEST_F(XDataFileTest, EmptyOrRefusedFilesStillPairBeginAndEnd) {
    WriteText("empty.x", kTemplates);
    RecordingFile empty;
    EXPECT_TRUE(empty.Load("empty.x", nullptr));
    EXPECT_EQ(empty.begins, 1);
    EXPECT_EQ(empty.ends, 1);

    WriteText("one.x", std::string(kTemplates) + "Item { 7; \"a\"; }\n");
    RecordingFile refusing;
    refusing.refuseBegin = true;
    EXPECT_TRUE(refusing.Load("one.x", nullptr));
    EXPECT_TRUE(refusing.visits.empty());
    EXPECT_EQ(refusing.ends, 1);

    RecordingFile missing;
    EXPECT_FALSE(missing.Load("nowhere.x", nullptr));
    WriteText("unknown.x", "xof 0303zzzz0032 junk");
    EXPECT_FALSE(missing.Load("unknown.x", nullptr));
    EXPECT_EQ(missing.begins, 0);
}

// Data files written by other tools in binary or compressed form read as
// their text would.
TEST_F(XDataFileTest, BinaryAndCompressedFilesReadAsText) {
    plat::XTemplateRegistry registry;
    ASSERT_TRUE(registry.RegisterTemplates(kTemplates));
    plat::XDocument doc;
    std::string error;
    ASSERT_TRUE(plat::ParseXFile(std::string(kTemplates) + "Item { 7; \"a\"; Item { 8; \"b\"; } }\n", registry, doc,
                                 &error))
        << error;
    for (plat::XFormat format : {plat::XFormat::Binary, plat::XFormat::CompressedBinary, plat::XFormat::CompressedText}) {
        std::string bytes;
        ASSERT_TRUE(plat::WriteXFile({}, {doc.objects[0].get()}, bytes, &error, {format, false})) << error;
        WriteText("encoded.x", bytes);
        RecordingFile file;
        EXPECT_TRUE(file.Load("encoded.x", nullptr));
        EXPECT_EQ(file.visits, (std::vector<Visit>{{7, 0, false}, {8, 1, false}}));
    }
}

// Character, animation and surface files all load through here: one that is
// not read at all says which file and why, in one line.
TEST_F(XDataFileTest, AFileThatIsNotReadAtAllSaysWhichAndWhy) {
    WriteText("empty.x", "");
    WriteText("plain.x", "Item { 7; \"no header\"; }\n");
    RecordingFile file;
    ::testing::internal::CaptureStderr();
    for (const char* name : {"nowhere.x", "empty.x", "plain.x"}) EXPECT_FALSE(file.Load(name, nullptr));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(log,
              "Error: nowhere.x: cannot be read (No such file or directory)\n"
              "Error: empty.x: the file is empty\n"
              "Error: plain.x:1: not a .x file (no \"xof \" header)\n");
    EXPECT_EQ(file.begins, 0);
}

TEST_F(XDataFileTest, FaultAfterTwoObjectsKeepsBothAndLogsOneLine) {
    WriteText("broken.x", std::string(kTemplates) + "Item { 1; \"a\"; }\nItem { 2; \"b\"; }\nItem { 3; \"c\" @ }\n");
    RecordingFile file;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(file.Load("broken.x", nullptr));
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(file.visits, (std::vector<Visit>{{1, 0, false}, {2, 0, false}}));
    EXPECT_NE(log.find("Error: broken.x:5:"), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}

TEST_F(XDataFileTest, ChildrenAndReferencesAreReadDepthFirstWhereTheyStand) {
    WriteText("refs.x", std::string(kTemplates) +
                            "Item Shared { 5; \"s\"; Item { 6; \"t\"; } }\n"
                            "Item { 1; \"x\"; { Shared } Item { 2; \"y\"; } }\n");
    RecordingFile file;
    ASSERT_TRUE(file.Load("refs.x", nullptr));
    EXPECT_EQ(file.visits, (std::vector<Visit>{{5, 0, false},
                                              {6, 1, false},
                                              {1, 0, false},
                                              {5, 1, true},
                                              {6, 2, false},
                                              {2, 1, false}}));
}

TEST_F(XDataFileTest, ReferenceChainsAreBoundedNotExponential) {
    // Each object refers twice to the previous one: 2^40 visits unbounded.
    std::string text = std::string(kTemplates) + "Item L0 { 0; \"\"; }\n";
    for (int i = 1; i <= 40; ++i)
        text += "Item L" + std::to_string(i) + " { " + std::to_string(i) + "; \"\"; { L" + std::to_string(i - 1) +
                " } { L" + std::to_string(i - 1) + " } }\n";
    WriteText("chain.x", text);
    RecordingFile file;
    EXPECT_TRUE(file.Load("chain.x", nullptr));
    EXPECT_LE(file.visits.size(), std::size_t(XDataFile::kMaxVisits));
}

TEST_F(XDataFileTest, SaveWritesWhatReadsBackAndRewritesIdentically) {
    RecordingFile writer;
    writer.toWrite = {{1, "one"}, {2, "two"}, {3, "three"}};
    writer.childOfFirst = true;
    ASSERT_TRUE(writer.Save("out.x", nullptr));
    RecordingFile reader;
    ASSERT_TRUE(reader.Load("out.x", nullptr));
    EXPECT_EQ(reader.visits, (std::vector<Visit>{{1, 0, false}, {2, 1, false}, {3, 1, false}}));
    std::string first = ReadText("out.x");
    ASSERT_TRUE(writer.Save("again.x", nullptr));
    EXPECT_EQ(ReadText("again.x"), first);
}

TEST_F(XDataFileTest, FailedSavesLeaveTheOldFileAsItWas) {
    WriteText("keep.x", "old contents");
    RecordingFile bad;
    bad.toWrite = {{1, "a \"quoted\" label"}};  // a .x string cannot hold '"'
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(bad.Save("keep.x", nullptr));
    RecordingFile good;
    good.toWrite = {{1, "fine"}};
    EXPECT_FALSE(good.Save("no/such/folder/keep.x", nullptr));
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadText("keep.x"), "old contents");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}
