// What the editors tell an author at the console, in the running game: why a
// command failed, what a command needs, and nothing where nothing is wrong.
#include "EditorFixture.h"

#include <fstream>

#include "characters/Animation.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

namespace {

constexpr char kFailed[] = "ERROR: Desired Effect Failed!";

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
    EXPECT_EQ(Type("LoadAnimation Blob Run"), kFailed);
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
    EXPECT_EQ(Type("SaveCharacter Blob"), "");
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("AddFrame 0.5"), "");
    EXPECT_EQ(Type("SaveAnimation Blob"), "");
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
