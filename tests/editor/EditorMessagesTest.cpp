// What the editors tell an author at the console, in the running game: why a
// command failed, what a command needs, and nothing where nothing is wrong.
#include "EditorFixture.h"

#include <fstream>

#include "characters/Animation.h"
#include "characters/Limb.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

namespace {

constexpr char kFailed[] = "ERROR: Desired Effect Failed!";
constexpr char kBadParam[] = "ERROR: Invalid parameter!";
constexpr char kBadRange[] = "ERROR: Invalid parameter range!";
constexpr char kBadCount[] = "ERROR: Invalid number of params!";

::testing::AssertionResult Explains(const std::vector<std::string>& lines, const std::string& words) {
    for (const std::string& line : lines)
        if (line.find(words) != std::string::npos) return ::testing::AssertionSuccess();
    std::string all;
    for (const std::string& line : lines) all += "\n  " + line;
    return ::testing::AssertionFailure() << "no line with \"" << words << "\" among:" << all;
}

}  // namespace

class EditorMessages : public EditorGame {};

TEST_F(EditorMessages, AFailedCommandSaysWhyUnderItsResultAndOneOutsideAnimationModeWhatItNeeds) {
    for (const char* line : {"SaveCharacter Blob", "AddLimb Spline LArm"}) {
        EXPECT_EQ(Type(line).find(std::string(line).substr(0, std::string(line).find(' ')) +
                                  " needs animation mode: press F10"),
                  0u)
            << line;
    }

    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EXPECT_EQ(Type("LoadCharacter Nope"), kFailed);
    EXPECT_TRUE(Explains(explained, "Assets/Characters/Nope.x: cannot be read (No such file or directory)"));
    EXPECT_EQ(Type("LoadAnimation Blob Idle"), kFailed);
    EXPECT_TRUE(Explains(explained, "Assets/Animations/Blob/idle.ani: cannot be read (No such file or directory)"));

    // An animated character is refused, and the author is told what to do.
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("SaveCharacter Blob"), kFailed);
    EXPECT_TRUE(Explains(explained, "save it before animating"));
    EXPECT_TRUE(explained.size() == 1u);
}

TEST_F(EditorMessages, ACharacterWithOnlySomeAnimationsSavedLoadsThemWithoutAnErrorLine) {
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EXPECT_EQ(Type("AddLimb Line LArm"), "");
    EXPECT_TRUE(Saves("SaveCharacter Blob"));
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("AddFrame 0.5"), "");
    EXPECT_TRUE(Saves("SaveAnimation Blob"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Type("LoadCharacter Blob"), "");
    EXPECT_EQ(Type("LoadAnimationSet Blob"), "");
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors, "");
    ASSERT_NE(Character()->currentAnimation, nullptr);
    EXPECT_EQ(Character()->currentAnimation->frames.size(), 1u);

    EXPECT_EQ(Type("LoadAnimationSet Nobody"), kFailed);
    EXPECT_TRUE(Explains(explained, "No animation of Nobody"));
}

// A game whose start makes the player, 1000, high over the middle.
class EditorWithAPlayer : public EditorGame {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.Path() / "Scripts");
        std::ofstream(dir.Path() / "Scripts" / "zop.py")
            << "import ZOPAPI as Z\n"
               "def initgame():\n"
               "    Z.AddPC((0.0, 14.0, 0.0), 0.0, 0.0, 1.0)\n";
        EditorGame::SetUp();
    }
};

// Every level and the menu take the player the game made at its start: the
// object editor keeps him.
TEST_F(EditorWithAPlayer, ThePlayerCannotBeDeletedAndTheConsoleSaysWhy) {
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    GameObject* player = objects->GetObjectById(1000);
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(player->kind, kKindPlayer);
    EXPECT_EQ(Type("EditModeToggle"), "");
    Frames(2);
    PressAt(player->GetRenderPosition());
    ASSERT_EQ(Edit()->HeldObject(), player);
    PushLeft(false);
    Frame();
    EXPECT_EQ(Type("DeleteObject"), kFailed);
    EXPECT_TRUE(Explains(explained, "The player cannot be deleted"));
    EXPECT_EQ(objects->GetObjectById(1000), player);
    EXPECT_EQ(Edit()->HeldObject(), player);
    Edit()->EditModeToggle();
    Frame();
}

// Each refusal says what was wrong, and none changes a file or the character.
TEST_F(EditorMessages, ARefusalSaysWhatWasWrongAndChangesNothing) {
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    const std::string idle = "xof 0303txt 0032\n// the author's idle\n";
    std::filesystem::create_directories(AssetPath("Animations/Blob"));
    std::ofstream(AssetPath("Animations/Blob/idle.ani")) << idle;
    const struct {
        const char* line;
        const char* result;
        const char* why;
    } refused[] = {
        {"AddLimb Cube RArm", kBadParam, "\"Cube\" is no limb type: Line, Spline or Model."},
        {"AddLimb Spline Tail", kBadParam, "\"Tail\" is no limb location: LArm, RArm, LLeg, RLeg or Head."},
        {"SaveCharacter ../Evil", kFailed, "The name \"../Evil\" is not allowed: it holds a path separator."},
        {"SaveCharacter con:", kFailed, "The name \"con:\" is not allowed: ':' may not be in it"},
        {"SaveCharacter Blöb", kFailed, "The name \"Blöb\" is not allowed: 'ö' may not be in it"},
        // Its animations could never be saved.
        {"SaveCharacter Tempy", kFailed, "it is where the editor keeps the animations it replaces"},
        {"SetSurface 1 1 1 1 1 1 ten 0.5 0.01 1.5 1", kBadParam, "\"ten\" is not a whole number."},
        {"DeleteObject", kFailed, "Nothing is held to delete"},
        {"CreateAnimation Run 2 0", kBadParam,
         "\"Run\" is no action: Idle, Walk, Jump, Fall, Collide, Hold, AddForce, LoseForce."},
        {"SaveAnimation Blob", kFailed, "There is no animation to save"},
        {"CreateAnimation Walk 1 half", kBadParam, "\"half\" is not a whole number."},
        {"SaveAnimation ../../../tmp/evil", kFailed, "The name \"../../../tmp/evil\" is not allowed"},
        {"SaveAnimation Tempy", kFailed, "it is where the editor keeps the animations it replaces"},
    };
    for (const auto& c : refused) {
        // The names of a save are refused before there is an animation to save.
        if (std::string(c.line) == "SaveAnimation ../../../tmp/evil") {
            ASSERT_EQ(Type("CreateAnimation Walk 1 1"), "");
        }
        EXPECT_EQ(Type(c.line), c.result) << c.line;
        EXPECT_TRUE(Explains(explained, c.why)) << c.line;
    }
    EXPECT_EQ(Character()->GetLimbByIndex(0), nullptr);
    EXPECT_EQ(Character()->AddLimb(Limb::kSpline, limbloc::Unset, 1), nullptr) << "no limb outside the five";
    EXPECT_EQ(ReadFile(AssetPath("Animations/Blob/idle.ani")), idle);
    EXPECT_FALSE(std::filesystem::exists(AssetPath("Evil.x")));
    EXPECT_FALSE(std::filesystem::exists(AssetPath("Characters/Tempy.x")));
    EXPECT_FALSE(std::filesystem::exists(AssetPath("Animations/Tempy")));
    EXPECT_TRUE(Saves("SaveAnimation Mine"));
    EXPECT_EQ(Type("SaveAnimation Mine").find("Saved Assets/Animations/Mine/walk.ani."), 0u);
}

// Every refusal keeps its red line and says why under it: the usage, the
// range, the key or the stream that is wrong, what is missing.
TEST_F(EditorMessages, EveryConsoleRefusalSaysWhyUnderItsRedLine) {
    ASSERT_EQ(Type("AnimationModeToggle"), "");
    ASSERT_EQ(Type("CreateAnimation Walk 1 1"), "");
    ASSERT_EQ(Type("MusicVolume 100"), "Set music volume to 100!");
    const struct {
        const char* line;
        const char* result;
        const char* why;
    } refused[] = {
        {"AnimationLength -1", kFailed, "\"-1\": a length is a finite number of seconds above 0."},
        {"SetAnimation Jump", kFailed, "There is no Jump animation to set: CreateAnimation Jump 1 0 makes one"},
        {"Bind NOKEY 0 Quit", kBadParam, "\"NOKEY\" names no key. Key names (any case): A to Z but O"},
        {"Bind F5+ 7 Quit", kBadParam, "Stream 7 is outside -1 to 2: -1 binds the key on every stream"},
        {"MusicVolume 999", kBadRange, "999 is outside the volume's range: 0 (silent) to 255 (loudest)."},
        {"Bind", kBadCount, "Usage: Bind key[+] stream command [parameters]"},
        {"LoadModel nothing", kBadCount, "Usage: LoadModel word word word"},
        {"AddObject Blob", kBadCount, "Usage: AddObject (no parameters)"},
        {"SetSurface 1 1 1 1 1 1 10 inf 0.01 1.5 1", kBadParam,
         "\"inf\" is not a finite number, and a surface holds finite numbers only."},
        {"SetSiloWidth nan", kBadParam, "\"nan\" is not a finite number, and a silhouette width holds"},
        {"AddFrame --0.5", kBadParam, "\"--0.5\" is not a number."},
        {"AddFrame 5", kFailed, "5.00 s is past the animation's end, 1.00 s: AnimationLength makes it longer."},
        {"RemoveFrame 0.7", kFailed, "There is no key within 0.05 s of 0.70 s."},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(Type(c.line), c.result) << c.line;
        EXPECT_TRUE(Explains(explained, c.why)) << c.line;
    }
    EXPECT_EQ(Character()->currentAnimation->aniLength, 1.0f);
    EXPECT_TRUE(Character()->currentAnimation->frames.empty());
    EXPECT_EQ(Type("MusicVolume 100.5"), "Set music volume to 100!") << "a whole number takes the whole part";
}

// A character names its surface file: the two are saved together or not at
// all, and what stopped the save is said on the console and in the error
// stream.
TEST_F(EditorMessages, ACharacterAndItsSurfaceAreSavedAsAPairOrNotAtAll) {
    namespace fs = std::filesystem;
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EXPECT_EQ(Type("AddLimb Line LArm"), "");
    EXPECT_EQ(Type("SaveCharacter Blob2"), "Saved Assets/Characters/Blob2.x and Assets/Surfaces/Blob2.sur.");
    const std::string character = ReadFile(AssetPath("Characters/Blob2.x"));
    const std::string surface = ReadFile(AssetPath("Surfaces/Blob2.sur"));

    // The surface cannot be written: its folder's name is taken by a file.
    fs::rename(AssetPath("Surfaces"), AssetPath("Surfaces.kept"));
    std::ofstream(AssetPath("Surfaces")) << "not a folder";
    EXPECT_EQ(Type("AddLimb Line RArm"), "");
    ::testing::internal::CaptureStderr();
    for (const char* name : {"Blob2", "Blob3"}) {
        EXPECT_EQ(Type(std::string("SaveCharacter ") + name), kFailed) << name;
        EXPECT_TRUE(Explains(explained, std::string("Surfaces/") + name + ".sur: cannot create a temporary file"));
        EXPECT_TRUE(Explains(explained, "the character is not saved"));
    }
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Blob2.sur: cannot create a temporary file: Not a directory"), std::string::npos) << errors;
    EXPECT_EQ(ReadFile(AssetPath("Characters/Blob2.x")), character) << "the old pair stays";
    EXPECT_FALSE(fs::exists(AssetPath("Characters/Blob3.x")));
    for (const auto& entry : fs::directory_iterator(AssetPath("Characters")))
        EXPECT_EQ(entry.path().filename().string().find(".x."), std::string::npos) << "no temporary file is left";

    fs::remove(AssetPath("Surfaces"));
    fs::rename(AssetPath("Surfaces.kept"), AssetPath("Surfaces"));
    EXPECT_EQ(ReadFile(AssetPath("Surfaces/Blob2.sur")), surface);
    EXPECT_TRUE(Saves("SaveCharacter Blob2"));
    EXPECT_NE(ReadFile(AssetPath("Characters/Blob2.x")), character);
}

// Leaving animation mode deletes the character: edits no save wrote are
// named as dropped, and nothing is said when every edit was saved.
TEST_F(EditorMessages, LeavingAnimationModeSaysWhichUnsavedEditsWereDropped) {
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EXPECT_EQ(Type("AddLimb Line LArm"), "");
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("AddFrame 0.5"), "");
    Frame();
    EXPECT_EQ(Type("AnimationModeToggle"),
              "Left animation mode: dropped the character's unsaved changes (SaveCharacter keeps them) and the "
              "unsaved changes to the Walk animation (SaveAnimation keeps them).");
    Frame();

    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EXPECT_EQ(Type("AddLimb Line LArm"), "");
    EXPECT_TRUE(Saves("SaveCharacter Kept"));
    EXPECT_EQ(Type("CreateAnimation Jump 1 0"), "");
    EXPECT_EQ(Type("AddFrame 0.25"), "");
    EXPECT_TRUE(Saves("SaveAnimation Kept"));
    Frame();
    EXPECT_EQ(Type("AnimationModeToggle"), "");
}

// A folder to save an animation into whose name a file has taken: the
// refusal names it and says why, as a character's does.
TEST_F(EditorMessages, AnAnimationFolderWhoseNameAFileTookIsNamedWithTheReason) {
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    for (const char* folder : {"Animations/Blob", "Animations/Tempy"}) std::ofstream(AssetPath(folder)) << "a file";
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("SaveAnimation Blob"), kFailed);
    EXPECT_TRUE(Explains(explained, "Animations/Blob: cannot be made a folder (a file has its name)"));
    // The animation it replaces cannot be kept in "Tempy": it stays.
    EXPECT_EQ(Type("CreateAnimation Walk 2 1"), kFailed);
    EXPECT_TRUE(Explains(explained, "Animations/Tempy: cannot be made a folder (a file has its name)"));
    EXPECT_EQ(Character()->currentAnimation->aniLength, 1.0f);
}

// A file that holds no character replaces nothing: the character being
// edited stays, and a save writes it, not a blank one.
TEST_F(EditorMessages, AFileThatHoldsNoCharacterIsRefusedAndTheEditedOneStays) {
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EXPECT_EQ(Type("AddLimb Line LArm"), "");
    std::ofstream(AssetPath("Characters/Empty.x")) << "xof 0303txt 0032\n";
    std::ofstream(AssetPath("Characters/Surface.x")) << ReadFile(AssetPath("Surfaces/Seed.sur"));
    for (const char* name : {"Empty", "Surface"}) {
        EXPECT_EQ(Type(std::string("LoadCharacter ") + name), kFailed) << name;
        EXPECT_TRUE(Explains(explained, std::string("Characters/") + name + ".x: holds no character")) << name;
        EXPECT_NE(Character()->GetLimb(limbloc::LArm), nullptr) << name;
        EXPECT_EQ(Character()->nodes.size(), 1u) << name;
    }
    EXPECT_TRUE(Saves("SaveCharacter Copy"));
    EXPECT_NE(ReadFile(AssetPath("Characters/Copy.x")).find("LineLimbData"), std::string::npos);
}
