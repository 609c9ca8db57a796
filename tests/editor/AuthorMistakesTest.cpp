// An author's mistakes in the animation editor, typed as console lines in the
// running game: each is refused or passed over, and the work stays.
#include "EditorFixture.h"

#include <cstring>

#include "Video/MeshMan.h"
#include "Video/ObjectMesh.h"
#include "characters/Animation.h"
#include "characters/AnimationMan.h"
#include "characters/Limb.h"
#include "characters/NameTables.h"
#include "editor/EditNode.h"

namespace {

constexpr char kFailed[] = "ERROR: Desired Effect Failed!";

std::string MeshName(const ObjectMesh* object) {
    const MeshRecord* record = eTable::Find<MeshMan>(names::MeshMan)->FindByMesh(object->GetMesh());
    return record ? record->name : "";
}

int CountLines(const std::string& text, const std::string& word) {
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);) count += line.find(word) != std::string::npos;
    return count;
}

}  // namespace

class AuthorMistakes : public EditorGame {
protected:
    void SetUp() override {
        EditorGame::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(Type("AnimationModeToggle"), "");
        ch = Character();
        ASSERT_NE(ch, nullptr);
    }
    // "Assets/Models" made a folder of links to the shipped models, and a
    // broken model added to one of its folders.
    void AddBrokenModel(const std::string& folder, const std::string& name) {
        namespace fs = std::filesystem;
        const fs::path models = AssetPath("Models");
        if (fs::is_symlink(models)) {
            const fs::path shipped = fs::read_symlink(models);
            fs::remove(models);
            fs::create_directory(models);
            for (const auto& entry : fs::recursive_directory_iterator(shipped)) {
                const fs::path target = models / fs::relative(entry.path(), shipped);
                if (entry.is_directory()) fs::create_directories(target);
                else fs::create_symlink(entry.path(), target);
            }
        }
        std::ofstream(models / folder / name) << "xof 0303txt 0032\nMesh { 3; 0.0; 0.0; 0.0;;\n";
    }
    EditChar* ch = nullptr;
};

TEST_F(AuthorMistakes, ALoadThatFailsLeavesTheCharacterAndItsAnimations) {
    EXPECT_EQ(Type("AddLimb Line LArm"), "");
    EXPECT_EQ(Type("AddPoint"), "");
    EXPECT_EQ(Type("LoadCharacter Sunnyy"), kFailed);
    EXPECT_TRUE(Saves("SaveCharacter Mine"));
    EXPECT_NE(ReadFile(AssetPath("Characters/Mine.x")).find("LineLimbData"), std::string::npos);

    // A file that breaks off half way is no better than a missing one.
    std::ofstream(AssetPath("Characters/Broken.x")) << ReadFile(AssetPath("Characters/Mine.x")).substr(0, 1200);
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("AddFrame 0.5"), "");
    Animation* walk = ch->currentAnimation;
    for (const char* line : {"LoadCharacter Sunnyy", "LoadCharacter Broken"}) {
        EXPECT_EQ(Type(line), kFailed) << line;
        EXPECT_EQ(ch->actionAnimations[action::Walk], walk);
        EXPECT_EQ(ch->currentAnimation, walk);
        EXPECT_EQ(ch->animationMode, 1);
        EXPECT_EQ(ch->nodes.size(), 2u);
        ASSERT_NE(ch->GetLimb(limbloc::LArm), nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists(AssetPath("Animations/Tempy/walk.ani")));

    // A load that succeeds keeps the animations it replaces.
    EXPECT_EQ(Type("LoadCharacter Seed"), "");
    EXPECT_EQ(ch->actionAnimations[action::Walk], nullptr);
    EXPECT_NE(ReadFile(AssetPath("Animations/Tempy/walk.ani")).find("0.5"), std::string::npos);
    Frames(2);
}

TEST_F(AuthorMistakes, FrameTimesAndLengthsThatAreNotFiniteAreRefusedAndTheAnimationStillSaves) {
    EXPECT_EQ(Type("CreateAnimation Walk 2 1"), "");
    EXPECT_EQ(Type("AddFrame 0.5"), "");
    EXPECT_EQ(Type("AddFrame 1.0"), "");
    Animation* walk = ch->currentAnimation;
    for (const char* line : {"AddFrame nan", "AddFrame inf", "AddFrame -inf", "AnimationLength inf",
                             "AnimationLength nan", "CreateAnimation Walk inf 1", "CreateAnimation Walk nan 1"})
        EXPECT_EQ(Type(line), kFailed) << line;
    EXPECT_EQ(ch->currentAnimation, walk);
    EXPECT_EQ(walk->frames.size(), 2u);
    EXPECT_EQ(walk->aniLength, 2.0f);
    EXPECT_TRUE(Saves("SaveAnimation Mine"));
    EXPECT_EQ(Type("LoadAnimation Mine Walk"), "");
    EXPECT_EQ(ch->currentAnimation->frames.size(), 2u);
}

TEST_F(AuthorMistakes, ASilhouetteWidthIsRefusedUnlessFiniteAndTheCharacterStillSaves) {
    EXPECT_EQ(Type("SetSiloWidth 0.25"), "");
    for (const char* line : {"SetSiloWidth nan", "SetSiloWidth inf", "SetSiloWidth -1e39"})
        EXPECT_EQ(Type(line), "ERROR: Invalid parameter!") << line;
    EXPECT_EQ(ch->BodyObject()->customData[0], 0.25f);
    EXPECT_TRUE(Saves("SaveCharacter Fine"));
}

TEST_F(AuthorMistakes, ASurfaceIsRefusedUnlessFiniteAndSavesToReadBackEqual) {
    const SurfaceData before = ch->BodyObject()->surface;
    EXPECT_EQ(Type("SetSurface nan 0.5 0.5 0.5 0.5 0.5 10 inf 1e-7 1.5 1"), "ERROR: Invalid parameter!");
    EXPECT_EQ(Type("SetSurface 0.5 0.5 0.5 0.5 0.5 0.5 10 0.5 1e39 1.5 1"), "ERROR: Invalid parameter!");
    EXPECT_EQ(std::memcmp(&ch->BodyObject()->surface, &before, sizeof before), 0);

    EXPECT_EQ(Type("SetSurface 0.1 0.2 0.3 0.7 0.8 0.9 12 0.35 1e-7 1.25 1"), "");
    const SurfaceData set = ch->BodyObject()->surface;
    EXPECT_TRUE(Saves("SaveCharacter Fine"));
    EXPECT_EQ(Type("SetSurface 1 1 1 1 1 1 10 0.5 0.01 1.5 1"), "");
    EXPECT_EQ(Type("LoadCharacter Fine"), "");
    const SurfaceData read = ch->BodyObject()->surface;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(read.diff[i], set.diff[i]);
        EXPECT_EQ(read.spec[i], set.spec[i]);
    }
    EXPECT_EQ(read.pow, 12u);
    EXPECT_EQ(read.m, set.m);
    EXPECT_EQ(read.n, 1e-7f);
    EXPECT_EQ(read.str, set.str);

    // A later save's surface is what the next load reads; a shipped
    // surface file stays as it is.
    EXPECT_EQ(Type("SetSurface 0.5 0.5 0.5 0.5 0.5 0.5 10 0.5 0.25 1.5 1"), "");
    EXPECT_TRUE(Saves("SaveCharacter Fine"));
    EXPECT_EQ(Type("LoadCharacter Fine"), "");
    EXPECT_EQ(ch->BodyObject()->surface.n, 0.25f);
    const std::string shipped = ReadFile(AssetPath("Surfaces/Sunny.sur"));
    EXPECT_TRUE(Saves("SaveCharacter Sunny"));
    EXPECT_EQ(ReadFile(AssetPath("Surfaces/Sunny.sur")), shipped);
}

TEST_F(AuthorMistakes, ABrokenModelIsPassedOverWithOneLineAndTheSessionGoesOn) {
    AddBrokenModel("Body", "dud.x");
    AddBrokenModel("Limb", "aaa.x");
    ::testing::internal::CaptureStderr();
    // In name order: egg, dud (broken), pear.
    EXPECT_EQ(Type("SetBody"), "");
    EXPECT_EQ(MeshName(ch->BodyObject()), "Body/egg.x");
    EXPECT_EQ(Type("SetBody"), "");
    EXPECT_EQ(MeshName(ch->BodyObject()), "Body/pear.x");

    EXPECT_EQ(Type("AddLimb Model LArm"), "");
    EXPECT_EQ(Type("AddPoint"), "");
    Frames(2);
    EditNode* root = ch->FindNode(ch->GetLimb(limbloc::LArm), 0);
    const D3DXVECTOR3 at = ScreenOf(root->GetRenderPosition());
    ClickAt(at.x, at.y);
    ASSERT_EQ(Anim()->SelectedNode(), root);
    EXPECT_EQ(Type("SetBody"), "");
    EXPECT_EQ(MeshName(root->point->model), "Limb/leaf.x");
    EXPECT_TRUE(Frame());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(CountLines(errors, "Body/dud.x"), 1) << errors;
    EXPECT_EQ(CountLines(errors, "Limb/aaa.x"), 1) << errors;
    EXPECT_EQ(CountLines(errors, "FATAL"), 0) << errors;
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(app.ErrorText().empty());
}

TEST_F(AuthorMistakes, AnAnimationSavedInTheEditorIsWhatTheNextCharacterPlays) {
    auto* animations = eTable::Find<AnimationMan>(names::AnimationMan);
    Animation* shipped = animations->LoadActionAnimation("Fresh", action::Walk);
    ASSERT_NE(shipped, nullptr);
    EXPECT_EQ(animations->LoadActionAnimation("Fresh", action::Walk), shipped) << "read once";

    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("AddFrame 0.25"), "");
    EXPECT_TRUE(Saves("SaveAnimation Fresh"));
    Animation* saved = animations->LoadActionAnimation("Fresh", action::Walk);
    ASSERT_NE(saved, shipped);
    ASSERT_EQ(saved->frames.size(), 1u);
    EXPECT_EQ(saved->frames.front().time, 0.25f);
    EXPECT_EQ(animations->LoadActionAnimation("Fresh", action::Walk), saved) << "read once";

    // A character without its own file plays the default one, saved anew.
    EXPECT_EQ(Type("AddFrame 0.75"), "");
    EXPECT_TRUE(Saves("SaveAnimationSet Default"));
    EXPECT_EQ(animations->LoadActionAnimation("Other", action::Walk)->frames.size(), 2u);
    EXPECT_TRUE(Saves("SaveAnimation Fresh"));
    EXPECT_EQ(animations->LoadActionAnimation("Fresh", action::Walk)->frames.size(), 2u);
    EXPECT_EQ(saved->frames.size(), 1u) << "what a character plays stays";
}
